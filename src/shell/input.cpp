// Keyboard and mouse: what each key does depends on the mode (play, title, game over).
#include "core/game.h"
#include "core/player_record.h"
#include "core/rules.h"
#include "platform/keys.h"
#include "play/pause.h"
#include "play/play.h"
#include "screens/buffer_frm.h"
#include "screens/hall_of_fame.h"
#include "screens/pause_sign.h"
#include "screens/switch_sign.h"
#include "screens/title.h"
#include "shell/share.h"
#include "shell/shell.h"
#include "sound/music.h"

namespace fg {

namespace {

Flag* HoldFlag(GameState& s, int16_t keyCode) {
  switch (keyCode) {
    case kKeyLeft:
      return &s.HoldLeft;
    case kKeyUp:
      return &s.HoldUp;
    case kKeyRight:
      return &s.HoldRight;
    case kKeyDown:
      return &s.HoldDown;
    default:
      return nullptr;
  }
}

void ToggleMusic(Game& g) {
  StopMusic(g, false);
  if (g.State.MusicOn != 0) {
    g.State.MusicOn = kFalse;
  } else {
    g.State.MusicOn = kTrue;
    PlayMusic(g, true);
  }
  KeepSwitches(g);
  ShowSwitchSign(g, kKeyM);  // in every mode, paused too [D27]
}

void ToggleSound(Game& g) {
  g.State.SoundOn = ToFlag(g.State.SoundOn == 0);
  KeepSwitches(g);
  ShowSwitchSign(g, kKeyS);  // [D27]
}

// A key during a playback or the attract loop leaves it and does nothing else; true when the
// key is taken so.
bool TakenByShowing(Game& g) {
  if (g.Playback) {
    g.Playback->LeftByInput = g.Playback->LeftByKey = true;
    throw PlaybackEnd{};  // any key or pad button leaves a playback [D36]
  }
  if (g.Fame.Swallow) return true;  // [D43]
  if (g.Fame.Phase == FameState::Attract::kOff) return false;
  // Any key leaves the attract loop and does nothing else. [D42] [D43]
  g.Fame.Left = true;
  g.Fame.Swallow = true;
  return true;
}

// M, S and C mean the same in every mode; true when the key was one of them.
bool SwitchKeyDown(Game& g, int16_t keyCode) {
  if (keyCode == kKeyM) {
    ToggleMusic(g);
  } else if (keyCode == kKeyS) {
    ToggleSound(g);
  } else if (keyCode == kKeyC && !g.SharedCode.empty()) {
    CopyShareLink(g, g.SharedCode);  // on the sign of a kept game [D44]
  } else {
    return false;
  }
  return true;
}

}  // namespace

void Form_KeyDown(Game& g, int16_t keyCode, int16_t /*shift*/) {
  GameState& s = g.State;
  if (TakenByShowing(g)) return;
  if (keyCode == kKeyPadBack) {
    // A pad's B or Back is Escape in play and on a settled title only: a player mashing it
    // through the explosion, the pause after it, the reveal or the wipe never quits. [D22]
    if (s.Busy != 0 || g.Starting() || g.Revealing()) return;
    keyCode = kKeyEscape;
  }
  if (SwitchKeyDown(g, keyCode)) return;
  if (IsPauseKey(keyCode)) {
    PauseKeyDown(g, keyCode);  // P, Pause and a pad's Start mean nothing outside play
    return;
  }
  if (g.Now == Mode::kFame) {
    FameKeyDown(g, keyCode);
    return;
  }
  if (keyCode == kKeyH && g.Now == Mode::kTitle && !g.Record.Best.empty()) {
    ShowHallOfFame(g);  // [D42]
    return;
  }
  if (s.InGame != 0) {
    if (keyCode == kKeyEscape) {
      DropPause(g);  // the title is drawn over the sign [D14]
      EnterMode(g, Mode::kTitle);
      SetTimer(g, g.MainForm.tmrMain, false);
      KeepChangedSwitches(g);
      ShowTitle(g);
    } else if (Flag* hold = HoldFlag(s, keyCode); hold != nullptr && !g.Paused()) {
      *hold = kTrue;  // while paused a blind press steers nothing [D14]
      ArrowPressed(g, keyCode);
    }
    return;
  }
  // On the title, and during a reveal that follows a game, too. [K13]
  if (keyCode == kKeyEscape) Form_Unload(g);
  if (keyCode == kKeySpace && s.Busy == 0) {
    if (g.Starting()) return;  // a game is already starting [D3]
    if (g.Revealing()) {
      g.StartPending = true;  // start once the title is complete, never under a reveal [D3]
      return;
    }
    StartGame(g);
  }
}

void Form_KeyUp(Game& g, int16_t keyCode, int16_t /*shift*/) {
  g.Fame.Swallow = false;  // [D43]
  if (g.Playback) return;
  // Releases count in every mode, so a key let go during the explosion or on the title cannot
  // steer the next game by itself. [D5]
  if (Flag* hold = HoldFlag(g.State, keyCode)) *hold = kFalse;
  PauseKeyUp(g, keyCode);
}

void Form_MouseMove(Game& g, int16_t /*button*/, int16_t /*shift*/, float x, float y) {
  GameState& s = g.State;
  // Inert during the wipe [D4], and in a playback.
  if (s.InGame != 0 || s.Busy != 0 || g.Starting() || g.Playback || g.Now == Mode::kFame) return;
  const bool inside = InLinkZone(x, y);
  if (!inside && s.LinkHover != 0) {
    s.LinkDirty = kTrue;
    s.LinkHover = kFalse;
  } else if (inside && s.LinkHover == 0) {
    s.LinkHover = kTrue;
    s.LinkDirty = kTrue;
  }
  if (s.LinkDirty != 0) {
    BitBlt(g.MainForm.Image, kLinkX, kLinkY, kLinkWidth, kLinkHeight, Buffers(g).sprLink, 0,
           s.LinkHover != 0 ? kLinkHeight : 0, SRCCOPY);
    Refresh(g);
    s.LinkDirty = kFalse;
  }
}

void Form_MouseDown(Game& g, int16_t /*button*/, int16_t /*shift*/, float x, float y) {
  if (g.Playback) {
    if (!g.Playback->ClickLeaves) return;
    g.Playback->LeftByInput = true;  // a click or tap leaves the attract loop's playback [D42]
    throw PlaybackEnd{};
  }
  if (g.Fame.Phase != FameState::Attract::kOff) {
    g.Fame.Left = true;
    return;
  }
  if (g.Now == Mode::kFame) {
    FameMouseDown(g, x, y);
    return;
  }
  if (g.State.InGame != 0) return;  // works whenever no game is played [D4]
  if (g.Now == Mode::kTitle && OnBestPlate(g, x, y)) {
    ShowHallOfFame(g);  // the plate says what it opens, for a mouse and a finger alike [D46]
    return;
  }
  if (InLinkZone(x, y)) g.Machine.OpenUrl(std::string(kHomePage));
}

bool ClickActs(const Game& g, float x, float y) {
  if (g.Playback || g.Fame.Phase != FameState::Attract::kOff) return false;
  if (g.Now == Mode::kFame) return HallOfFameRowAt(g, x, y) >= 0;
  if (g.State.InGame != 0) return false;
  return (g.Now == Mode::kTitle && OnBestPlate(g, x, y)) || InLinkZone(x, y);
}

void DeviceUsed(Game& g, InputDevice device) {
  if (g.Device == device) return;
  g.Device = device;
  switch (g.Now) {
    case Mode::kTitle:
    case Mode::kReveal:
      ShowTitlePrompts(g);
      return;
    case Mode::kPaused:
      RedrawPauseSign(g);
      return;
    case Mode::kFame:
      DrawHallOfFame(g);
      return;
    default:
      return;  // a playback's prompt is put over each refresh: it follows by itself
  }
}

}  // namespace fg
