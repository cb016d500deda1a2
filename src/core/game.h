// The game object: the shared state, the game window with its persistent image and timers,
// the hidden window of off-screen pictures, the players and the host. Every procedure takes it
// by reference; there are no globals, so every test builds a fresh game.
#pragma once

#include <memory>
#include <string>

#include "core/game_state.h"
#include "gfx/surface.h"
#include "platform/host.h"
#include "platform/module_player.h"
#include "platform/record.h"
#include "platform/timer.h"
#include "support/random_pick.h"

namespace fg {

constexpr int kWindowSize = 400;

inline Timer MakeTimer(int32_t interval, bool enabled) {
  Timer t;
  t.Interval = interval;
  t.Enabled = enabled;
  return t;
}

// The game window. The working variables of the title, scroller and game-start code live here
// rather than in the procedures: they keep their values between calls.
struct MainFormWindow {
  Surface Image{kWindowSize, kWindowSize, kBlack};  // persistent image, black at creation
  std::string Caption;
  Timer tmrMain = MakeTimer(15, false);
  Timer tmrScrollText = MakeTimer(20, true);

  Integer StartCounter = 0;
  Integer RevealPass = 0;
  Integer RevealLine = 0;
  std::string ScrollWindow;
  Integer GlyphIndex = 0;
  std::string GlyphChar;
  Integer GlyphX = 0;

  std::string BestShown;  // the best score as written on the title picture, empty for none
  Surface BestUnder;      // the title picture under the best's plate, as drawn
};

// The hidden window that owns the off-screen surfaces.
struct BufferFrmWindow {
  bool Loaded = false;
  Surface Playground;
  Surface picTitle;
  Surface sprGobbix;
  Surface sprStar;
  Surface sprSkull;
  Surface sprStatus;
  Surface sprLink;
  Surface picFonte;
  Surface picScrollBuffer;
};

// The pause in play: the game clock stands still and a sign covers the middle of the field.
struct PauseState {
  bool On = false;
  bool Pending = false;  // asked for while a tick or the wipe was running: taken when it ends
  int64_t TickLeft = 0;  // what was left of tmrMain's interval when the clock stopped
  int16_t KeyHeld = 0;   // the key that last toggled, until its release: repeats do nothing
  Surface Under;         // the field under the sign, put back on resume
};

struct Game {
  explicit Game(Host& host, std::unique_ptr<ModulePlayer> midas);
  Game(const Game&) = delete;
  Game& operator=(const Game&) = delete;
  ~Game();

  Host& Machine;
  GameState State;
  MainFormWindow MainForm;
  BufferFrmWindow BufferFrm;
  RandomRounds Rounds;
  std::unique_ptr<ModulePlayer> Midas;

  // Guards that keep sequences from running into each other (see the key handler).
  bool Starting = false;      // a game start's wipe is under way
  bool Revealing = false;     // the title is being revealed
  bool StartPending = false;  // Space came during a reveal; start once it has finished
  uint32_t GameSerial = 0;    // changes whenever a game begins or ends
  PauseState Pause;

  // The player's record as last loaded or stored, with this run's unstored games entered.
  PlayerRecord Record;
  std::vector<FinishedGame> Unstored;  // games no commit has stored yet: sent with the next one
  bool SwitchesChanged = false;        // M or S was pressed in play: stored when play stops
  int64_t PlayTicks = 0;               // ticks of the game in play: its duration, pauses left out

  std::unique_ptr<EventSink> Events;  // forwards the host's input to the form handlers,
                                      // connected by AttachHandlers
};

// Shows the persistent image: the window's refresh.
inline void Refresh(Game& g) {
  g.Machine.Refresh(g.MainForm.Image);
}

inline void SetTimer(Game& g, Timer& t, bool on) {
  t.SetEnabled(on, g.Machine.Clock());
}

}  // namespace fg
