// Loading and storing the player's record.
#include "core/player_record.h"

#include <algorithm>

#include "core/game.h"

namespace fg {

namespace {

bool Commit(Game& g) {
  const RecordChange change{g.Unstored, g.State.MusicOn != 0, g.State.SoundOn != 0};
  std::optional<PlayerRecord> stored = g.Machine.Records().Commit(change);
  if (!stored) {
    // A game that is not in the table kept in memory will not be in any merged table either.
    std::erase_if(g.Unstored, [&](const FinishedGame& game) {
      return std::find(g.Record.Best.begin(), g.Record.Best.end(), game) == g.Record.Best.end();
    });
    return false;
  }
  g.Record = std::move(*stored);
  g.Unstored.clear();
  g.SwitchesChanged = false;
  return true;
}

}  // namespace

// The record and the M/S switches of the last run come back at start. [D21]
void LoadPlayerRecord(Game& g) {
  g.Record = g.Machine.Records().Load();
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
  if (g.SwitchesChanged) Commit(g);
}

}  // namespace fg
