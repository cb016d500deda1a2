// The hall of fame and the attract loop: the title left alone shows the table, then plays the
// best game back, then reveals itself again. [D42]
#include <string>
#include <utility>

#include "core/game.h"
#include "core/rules.h"
#include "platform/keys.h"
#include "screens/hall_of_fame.h"
#include "screens/title.h"
#include "shell/playback.h"
#include "shell/shell.h"
#include "support/wait.h"

namespace fg {

namespace {

// The time the playground's wipe takes before a playback's first tick.
constexpr int64_t kWipeMs = int64_t{kImageSize / kWipeStripRows + 1} * kWipeStepMs;

// The chosen game, or none when the table has no such row.
const FinishedGame* ChosenGame(const Game& g) {
  const std::vector<FinishedGame>& best = g.Record.Best;
  if (g.Fame.Chosen < 0 || g.Fame.Chosen >= static_cast<int>(best.size())) return nullptr;
  return &best[static_cast<size_t>(g.Fame.Chosen)];
}

// The table offers its chosen game for sharing as the sign of a kept game does: C copies its
// link, the page shows its share button. The attract loop's table offers nothing. [D44]
void OfferChosen(Game& g, bool offer) {
  const FinishedGame* chosen = ChosenGame(g);
  std::string code = offer && chosen != nullptr ? chosen->Replay : std::string();
  if (code == g.SharedCode) return;
  g.SharedCode = std::move(code);
  g.Machine.OfferShare(g.SharedCode);
}

// Plays the chosen game back and comes back to the table; a game that cannot be played back
// leaves the table as it is.
void PlayChosen(Game& g) {
  const FinishedGame* chosen = ChosenGame(g);
  if (chosen == nullptr) return;
  const std::optional<Replay> r = KeptReplay(*chosen);
  if (!r) return;
  OfferChosen(g, false);
  PlayInside(g, *r, PlaybackShow{0, true, false});
  ShowHallOfFame(g);
}

}  // namespace

void ShowHallOfFame(Game& g) {
  EnterMode(g, Mode::kFame);
  SetTimer(g, g.MainForm.tmrScrollText, false);
  const int rows = static_cast<int>(g.Record.Best.size());
  if (g.Fame.Chosen >= rows) g.Fame.Chosen = 0;
  OfferChosen(g, g.Fame.Phase == FameState::Attract::kOff);
  DrawHallOfFame(g);
}

void FameKeyDown(Game& g, int16_t keyCode) {
  const int rows = static_cast<int>(g.Record.Best.size());
  switch (keyCode) {
    case kKeyUp:
    case kKeyDown:
      if (rows == 0) return;
      g.Fame.Chosen = (g.Fame.Chosen + (keyCode == kKeyUp ? rows - 1 : 1)) % rows;
      OfferChosen(g, true);
      DrawHallOfFame(g);
      return;
    case kKeySpace:
      PlayChosen(g);
      return;
    case kKeyEscape:
      OfferChosen(g, false);
      ShowTitle(g);
      return;
    default:
      return;
  }
}

void FameMouseDown(Game& g, float x, float y) {
  const int row = HallOfFameRowAt(g, x, y);
  if (row < 0) return;
  g.Fame.Chosen = row;
  OfferChosen(g, true);
  DrawHallOfFame(g);
  PlayChosen(g);
}

void RunAttractWhenDue(Game& g) {
  FameState& f = g.Fame;
  if (g.Now != Mode::kTitle || g.Playback || g.Record.Best.empty()) return;
  if (g.Machine.Clock() - f.IdleSince < kAttractIdleMs) return;
  f.Left = false;
  f.Phase = FameState::Attract::kTable;
  f.Chosen = 0;
  ShowHallOfFame(g);
  const int64_t tableEnd = g.Machine.Clock() + kAttractTableMs;
  while (!f.Left && g.Machine.Clock() < tableEnd) Wait(g.Machine, kScrollTickMs);
  if (!f.Left) {
    if (const std::optional<Replay> r = KeptReplay(g.Record.Best.front())) {
      f.Phase = FameState::Attract::kReplay;
      PlayInside(g, *r, PlaybackShow{kWipeMs + kAttractReplayMs, true, true});
    }
  }
  f.Phase = FameState::Attract::kOff;
  OfferChosen(g, false);
  ShowTitle(g);
}

}  // namespace fg
