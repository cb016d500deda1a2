// Loading and storing the player's record.
#include "core/player_record.h"

#include <algorithm>

#include "core/game.h"

namespace fg {

namespace {

// How long after a commit that could not be stored the game tries again, out of play.
constexpr int64_t kRecordRetryMs = 3000;

bool Commit(Game& g, bool last = false) {
  const RecordChange change{g.Unstored, g.State.MusicOn != 0, g.State.SoundOn != 0};
  PlayerRecord stored;
  if (!g.Machine.Records().Commit(Merging(change, &stored), last)) {
    // Everything unstored is kept for the next chance [D29], except a game that is not in the
    // table kept in memory: it will not be in any merged table either.
    std::erase_if(g.Unstored, [&](const FinishedGame& game) {
      return std::find(g.Record.Best.begin(), g.Record.Best.end(), game) == g.Record.Best.end();
    });
    g.RecordRetryAt = g.Machine.Clock() + kRecordRetryMs;
    return false;
  }
  g.Record = std::move(stored);
  g.Unstored.clear();
  g.SwitchesChanged = false;
  return true;
}

bool Unstored(const Game& g) {
  return !g.Unstored.empty() || g.SwitchesChanged;
}

}  // namespace

// The record and the M/S switches of the last run come back at start. [D21]
void LoadPlayerRecord(Game& g) {
  const std::optional<std::string> text = g.Machine.Records().Load(Merging({}));
  g.Record = text ? ParseRecord(*text).value_or(PlayerRecord{}) : PlayerRecord{};
  g.State.MusicOn = ToFlag(g.Record.Music);
  g.State.SoundOn = ToFlag(g.Record.Effects);
  g.Machine.ShowSwitches(g.Record.Music, g.Record.Effects);
}

int KeepGame(Game& g, const FinishedGame& game) {
  g.Unstored.push_back(game);
  int place = Enter(g.Record.Best, game);
  if (Commit(g)) {
    // The stored table may hold another instance's games too: the place is the one there.
    const auto at = std::find(g.Record.Best.begin(), g.Record.Best.end(), game);
    place = at == g.Record.Best.end() ? 0 : static_cast<int>(at - g.Record.Best.begin()) + 1;
  }
  return place;
}

void KeepSwitches(Game& g) {
  g.Machine.ShowSwitches(g.State.MusicOn != 0, g.State.SoundOn != 0);
  g.SwitchesChanged = true;
  if (g.State.InGame == 0) Commit(g);
}

void KeepChangedSwitches(Game& g) {
  if (Unstored(g)) Commit(g);
}

void RetryRecord(Game& g) {
  if (!Unstored(g) || g.State.InGame != 0 || g.State.Busy != 0) return;
  if (g.Machine.Clock() >= g.RecordRetryAt) Commit(g);
}

void KeepRecordAtEnd(Game& g) {
  if (Unstored(g)) Commit(g, true);
}

}  // namespace fg
