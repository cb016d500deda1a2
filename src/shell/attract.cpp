// The hall of fame and the attract loop: the title left alone shows the table, then plays the
// best game back, then reveals itself again. [D42]
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

// Plays the chosen game back and comes back to the table; a game that cannot be played back
// leaves the table as it is.
void PlayChosen(Game& g) {
  const std::vector<FinishedGame>& best = g.Record.Best;
  if (g.Fame.Chosen < 0 || g.Fame.Chosen >= static_cast<int>(best.size())) return;
  const std::optional<Replay> r = KeptReplay(best[static_cast<size_t>(g.Fame.Chosen)]);
  if (!r) return;
  PlayInside(g, *r, PlaybackShow{0, true, false});
  ShowHallOfFame(g);
}

}  // namespace

void ShowHallOfFame(Game& g) {
  EnterMode(g, Mode::kFame);
  SetTimer(g, g.MainForm.tmrScrollText, false);
  const int rows = static_cast<int>(g.Record.Best.size());
  if (g.Fame.Chosen >= rows) g.Fame.Chosen = 0;
  DrawHallOfFame(g);
}

void FameKeyDown(Game& g, int16_t keyCode) {
  const int rows = static_cast<int>(g.Record.Best.size());
  switch (keyCode) {
    case kKeyUp:
    case kKeyDown:
      if (rows == 0) return;
      g.Fame.Chosen = (g.Fame.Chosen + (keyCode == kKeyUp ? rows - 1 : 1)) % rows;
      DrawHallOfFame(g);
      return;
    case kKeySpace:
      PlayChosen(g);
      return;
    case kKeyEscape:
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
  ShowTitle(g);
}

}  // namespace fg
