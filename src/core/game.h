// The game object: the shared state, the game window with its persistent image and timers,
// the hidden window of off-screen pictures, the players and the host. Every procedure takes it
// by reference; there are no globals, so every test builds a fresh game.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "core/game_state.h"
#include "core/record.h"
#include "core/replay.h"
#include "core/rules.h"
#include "gfx/surface.h"
#include "platform/host.h"
#include "platform/module_player.h"
#include "platform/presentation.h"
#include "platform/timer.h"
#include "support/random_pick.h"

namespace fg {

struct Game;

inline Timer MakeTimer(int32_t interval, bool enabled) {
  Timer t;
  t.Interval = interval;
  t.Enabled = enabled;
  return t;
}

// The game window. The loop counters of the wipe, the title reveal and the scroller's strip are
// locals of their procedures: the key handler's guards keep any of those from running inside
// another run of itself [D3], so no two runs ever shared them.
struct MainFormWindow {
  Surface Image{kImageSize, kImageSize, kBlack};  // persistent image, black at creation
  std::string Caption;
  Timer tmrMain = MakeTimer(kTickMs, false);
  Timer tmrScrollText = MakeTimer(kScrollTickMs, true);

  std::string ScrollWindow;  // the 30 characters the scroller's strip was last built from

  std::string BestShown;  // the best score as written on the title picture, empty for none
  Surface BestUnder;      // the title picture under the best's plate, as drawn
  InputDevice BestDevice = InputDevice::kKeyboard;  // whose key the plate's line names
  InputDevice KeysShown = InputDevice::kKeyboard;   // whose key lines the title picture holds
  Surface KeysUnder;       // the keyboard's key lines, kept once another device's replace them
  int RevealedPasses = 0;  // passes of the title reveal on screen: all of them once settled
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
  bool Pending = false;  // asked for while a tick or the wipe was running: taken when it ends
  int64_t TickLeft = 0;  // what was left of tmrMain's interval when the clock stopped
  int16_t KeyHeld = 0;   // the key that last toggled, until its release: repeats do nothing
  Surface Under;         // the field under the sign, put back on resume
};

// How long the plate of M and S stays up. [D27]
inline constexpr int32_t kSwitchSignMs = 1000;

// The small plate M and S show for a moment, saying what they switched. It is put over a copy
// of the image at each refresh while it shows, never into the image itself, so whatever is
// drawn under it meanwhile (the field, the reveal, the scroller) stays as it would have been.
// [D27]
struct SwitchSignState {
  int16_t Key = 0;                                     // the switch it shows, 0 for none
  void (*Compose)(Game& g, Surface& shown) = nullptr;  // puts it over a picture, while it shows
  Timer tmrSign = MakeTimer(kSwitchSignMs, false);     // takes it away, on the game's clock
  Surface Shown;                                       // the image with the plate over it
};

// The last arrow pressed in play, steering as if held until the head can take its turn.
struct TapState {
  int16_t Key = 0;      // 0 when none is remembered
  uint32_t Serial = 0;  // the game it was pressed in: it never outlives that game
};

// A finished game shown again: its replay, and the tape the tick reads its steering from.
struct PlaybackState {
  explicit PlaybackState(Replay r) : Played(std::move(r)), Tape(Played) {}
  PlaybackState(const PlaybackState&) = delete;
  PlaybackState& operator=(const PlaybackState&) = delete;
  Replay Played;
  ReplayTape Tape;
  bool Marked = false;       // a REPLAY plate in the corner: shown inside the running program
  bool Prompted = false;     // and SPACE TO PLAY blinking under it: the attract loop's
  bool ClickLeaves = false;  // a click or tap leaves too (the attract loop)
  bool LeftByInput = false;  // it was left by a key or a click, not played to its end
  bool LeftByKey = false;    // by a key
};

// Thrown when a playback is over or left: unwinds it up to whoever started it.
struct PlaybackEnd {};

// The program's mode: what the window shows and what the keys mean there. A game played back
// goes through the wipe, play and game over too, as a game of its own (Game::Playback). [D38]
enum class Mode : uint8_t {
  kTitle,     // the title, settled: the scroller runs
  kReveal,    // the title being revealed
  kWipe,      // the playground wiped in before a game
  kPlay,      // a game in play
  kPaused,    // a game paused
  kGameOver,  // the explosion and the pause with the sign
  kFame,      // the hall of fame: the ten best games, one chosen
};

// How long a settled title waits for input before the attract loop, and how long the hall of
// fame shows in it before the best game plays back, cut to its first minute. [D42]
inline constexpr int64_t kAttractIdleMs = 30000;
inline constexpr int64_t kAttractTableMs = 8000;
inline constexpr int64_t kAttractReplayMs = 60000;

// The hall of fame and the attract loop that shows it when the title is left alone. [D42]
struct FameState {
  enum class Attract : uint8_t { kOff, kTable, kReplay };
  int Chosen = 0;                 // the row lit on the hall of fame, 0 the best
  Attract Phase = Attract::kOff;  // where the attract loop is
  bool Left = false;              // input came during the attract loop: back to the title
  bool Swallow = false;           // a key left a playback or the loop: key presses do nothing
                                  // until a key is released (a pad's Start sends two) [D43]
  int64_t IdleSince = 0;          // the title settled or input came last
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

  // The mode, changed by EnterMode alone; and the work that waits for a sequence to finish.
  Mode Now = Mode::kTitle;
  bool StartPending = false;  // Space came during a reveal; start once it has finished
  uint32_t GameSerial = 0;    // changes whenever a game begins or ends
  bool Starting() const { return Now == Mode::kWipe; }
  bool Revealing() const { return Now == Mode::kReveal; }
  bool Paused() const { return Now == Mode::kPaused; }
  PauseState Pause;
  TapState Tap;
  SwitchSignState Sign;
  FameState Fame;

  // The player's record as last loaded or stored, with this run's unstored games entered.
  PlayerRecord Record;
  std::vector<FinishedGame> Unstored;  // games no commit has stored yet: sent with the next one
  bool SwitchesChanged = false;        // M or S was pressed in play: stored when play stops
  Replay Recording;                    // the game in play as it goes, kept with it when it ends
  std::string SharedCode;  // the code of the kept game whose sign is up: C copies its link [D44]
  std::unique_ptr<PlaybackState> Playback;      // set while this game shows a replay
  InputDevice Device = InputDevice::kKeyboard;  // what the player pressed last: the prompts
                                                // speak it [D47]
  int64_t RecordRetryAt = 0;                    // a commit failed: the next try, out of play [D29]

  std::unique_ptr<EventSink> Events;  // forwards the host's input to the form handlers,
                                      // connected by AttachHandlers

  // Every timer of the game: added to the host as the game is made, removed as it goes.
  std::array<Timer*, 3> OwnTimers() {
    return {&MainForm.tmrMain, &MainForm.tmrScrollText, &Sign.tmrSign};
  }
};

// Every change of mode goes through here, which keeps the rules' InGame and Busy in step with
// it and counts a game's beginning and end in GameSerial. [D38]
void EnterMode(Game& g, Mode m);

// Shows the persistent image: the window's refresh. While M or S shows its plate, the host is
// given a copy with the plate over it. [D27]
inline void Refresh(Game& g) {
  SwitchSignState& sign = g.Sign;
  if (sign.Compose == nullptr) {
    g.Machine.Refresh(g.MainForm.Image);
    return;
  }
  sign.Shown = g.MainForm.Image;
  sign.Compose(g, sign.Shown);
  g.Machine.Refresh(sign.Shown);
}

inline void SetTimer(Game& g, Timer& t, bool on) {
  t.SetEnabled(on, g.Machine.Clock());
}

}  // namespace fg
