// Pause. The game clock is tmrMain: switching it off stops the tick and with it the spawn
// countdown, and nothing else in play moves on its own.
#include "play/pause.h"

#include <algorithm>

#include "core/game.h"
#include "platform/keys.h"
#include "screens/pause_sign.h"

namespace fg {

namespace {

void Pause(Game& g) {
  Timer& tick = g.MainForm.tmrMain;
  // What is left of the running interval is kept, so the game's own time line goes on after
  // the pause exactly where it stopped: the ticks come as they would have without it, later
  // by the pause's length and by nothing else. [D14]
  g.Pause.TickLeft = std::clamp<int64_t>(tick.Due - g.Machine.Clock(), 0, tick.Interval);
  SetTimer(g, tick, false);
  EnterMode(g, Mode::kPaused);
  DrawPauseSign(g);
}

void Resume(Game& g) {
  Timer& tick = g.MainForm.tmrMain;
  EnterMode(g, Mode::kPlay);
  ErasePauseSign(g);
  SetTimer(g, tick, true);
  tick.Due = g.Machine.Clock() + g.Pause.TickLeft;
}

// The tick pumps events while it picks numbers and starts sounds; a pause that came then waits
// until the tick has drawn everything, or the sign would be drawn over and the field put back
// wrong. [D15]
bool Busy(const Game& g) {
  return g.Starting() || g.MainForm.tmrMain.Running;
}

}  // namespace

bool IsPauseKey(int16_t keyCode) {
  return keyCode == kKeyP || keyCode == kKeyPause || keyCode == kKeyPadStart;
}

void PauseKeyDown(Game& g, int16_t keyCode) {
  if (g.State.InGame == 0) return;  // a pause exists only in play [D14]
  // A held key repeats; only a fresh press toggles, or holding P would flicker the pause.
  if (g.Pause.KeyHeld == keyCode) return;
  g.Pause.KeyHeld = keyCode;
  if (Busy(g)) {
    g.Pause.Pending = !g.Pause.Pending;
  } else if (g.Paused()) {
    Resume(g);
  } else {
    Pause(g);
  }
}

void PauseKeyUp(Game& g, int16_t keyCode) {
  if (g.Pause.KeyHeld == keyCode) g.Pause.KeyHeld = 0;
}

// Only a key resumes: a click back into the window must not send the snake on unseen. [D14]
void Form_LostFocus(Game& g) {
  if (g.Playback) return;  // a playback goes on: only a key leaves it [D36]
  g.Pause.KeyHeld = 0;     // its release goes to whichever window has the keyboard now
  if (g.Paused()) return;
  if (Busy(g)) {
    // During the wipe too: the game would otherwise start and run on unseen.
    g.Pause.Pending = true;
  } else if (g.State.InGame != 0) {
    Pause(g);
  }
}

// Taken once the tick or the wipe has drawn; gone with its game if that ended meanwhile. [D15]
void TakePendingPause(Game& g) {
  if (!g.Pause.Pending || Busy(g)) return;
  g.Pause.Pending = false;
  if (g.State.InGame != 0 && !g.Paused()) Pause(g);
}

void DropPause(Game& g) {
  g.Pause.Pending = false;
  g.Pause.Under = Surface();
}

}  // namespace fg
