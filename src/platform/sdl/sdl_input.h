// Input as the game knows it: keys by the desktop's codes, the pointer in image pixels, pads as
// keys. The window's own keys (scale, fullscreen) act on the window and never reach the game.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/host.h"
#include "platform/sdl/sdl_owners.h"

union SDL_Event;
struct SDL_KeyboardEvent;

namespace fg {

class SdlWindow;

// Windows virtual-key code for an SDL key, or 0 for keys the game has no use for. The keypad's
// 8, 4, 6, 2 are the arrows while Num Lock is off, as they are on the desktop the game knows.
int16_t VirtualKeyFromSdl(int32_t sdlKey, uint16_t modifiers = 0);

// A stick axis with hysteresis: a direction held so far stays held until the axis falls back
// below 12000 towards it; one not held is pressed only past 16000. `towards` is the axis value
// signed so that positive points in the direction in question.
bool StickHolds(bool held, int towards);

class SdlInput {
 public:
  SdlInput(SdlLibrary& sdl, SdlWindow& window);

  void SetSink(EventSink* sink);  // told the device in hand at once, unless the keyboard
  EventSink* Sink() const { return sink_; }
  void Take(const SDL_Event& e);  // a key, pointer or pad event; others are left alone

 private:
  friend struct SdlHostProbe;

  // A pad and the directions it holds down, from its D-pad and from its left stick (bits:
  // left, up, right, down).
  struct Pad {
    SdlOwner<_SDL_GameController> Controller;
    int32_t Id = -1;
    unsigned DPad = 0;
    unsigned Stick = 0;
  };

  void Send(int16_t code, bool down, InputDevice device);
  void Use(InputDevice device);  // a press comes from `device`: the sink hears of a change
  bool WindowKey(const SDL_KeyboardEvent& key);
  void Pointer(int x, int y, int button);
  void PadAdded(int deviceIndex);
  void PadRemoved(int32_t id);
  void PadButton(int32_t id, int button, bool down);
  void PadAxis(int32_t id, int axis, int value);
  void PadHold(Pad& pad, unsigned Pad::*source, unsigned bits);
  Pad* FindPad(int32_t id);

  SdlWindow& window_;
  EventSink* sink_ = nullptr;
  bool pointerOnImage_ = false;  // the last pointer position given to the game was on it
  std::vector<Pad> pads_;
  InputDevice device_ = InputDevice::kKeyboard;  // what the last press came from
};

}  // namespace fg
