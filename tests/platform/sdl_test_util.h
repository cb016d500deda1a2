// Helpers for tests of the real backend under SDL's dummy drivers: events pushed as the
// window system would send them, and a sink that writes down what the game would get.
#pragma once

#include <SDL.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/host.h"
#include "platform/sdl/sdl_host.h"

namespace fg {

// What the tests read of the real host, which the game itself never asks for.
struct SdlHostProbe {
  // The windowed scale (what Ctrl+1 ... Ctrl+6 set) and whether the window fills the screen.
  static int Scale(const SdlHost& h) { return h.window_.scale_; }
  static bool Fullscreen(const SdlHost& h) { return h.window_.fullscreen_; }
  // Where the image sits in the window as last presented.
  static const Layout& CurrentLayout(const SdlHost& h) { return h.window_.layout_; }
  static int PadCount(const SdlHost& h) { return static_cast<int>(h.input_.pads_.size()); }
  static SDL_Window* Window(const SdlHost& h) { return h.window_.window_.get(); }
};

}  // namespace fg

namespace fg::test {

struct RecordingSink : EventSink {
  std::vector<std::string> Log;
  void KeyDown(int16_t code) override { Log.push_back("down " + std::to_string(code)); }
  void KeyUp(int16_t code) override { Log.push_back("up " + std::to_string(code)); }
  void MouseMove(float x, float y) override {
    Log.push_back("move " + std::to_string(static_cast<int>(x)) + "," +
                  std::to_string(static_cast<int>(y)));
  }
  void MouseDown(int16_t button, float x, float y) override {
    Log.push_back("click " + std::to_string(button) + " " + std::to_string(static_cast<int>(x)) +
                  "," + std::to_string(static_cast<int>(y)));
  }
  void CloseRequest() override { Log.emplace_back("close"); }
  void FocusLost() override { Log.emplace_back("focus lost"); }
  void DeviceUsed(InputDevice device) override { Devices.push_back(device); }
  std::vector<InputDevice> Devices;  // as the host reported them, apart from the log
  // The log so far, emptied.
  std::vector<std::string> Take() { return std::exchange(Log, {}); }
};

inline void PushKey(Uint32 type, SDL_Keycode key, Uint16 mod = 0, Uint8 repeat = 0) {
  SDL_Event e{};
  e.type = type;
  e.key.keysym.sym = key;
  e.key.keysym.mod = mod;
  e.key.repeat = repeat;
  e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  SDL_PushEvent(&e);
}

inline void Press(SDL_Keycode key, Uint16 mod = 0) {
  PushKey(SDL_KEYDOWN, key, mod);
  PushKey(SDL_KEYUP, key, mod);
}

inline void PushMotion(int x, int y) {
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.x = x;
  e.motion.y = y;
  SDL_PushEvent(&e);
}

inline void PushClick(int x, int y) {
  SDL_Event e{};
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.button = SDL_BUTTON_LEFT;
  e.button.state = SDL_PRESSED;
  e.button.x = x;
  e.button.y = y;
  SDL_PushEvent(&e);
}

}  // namespace fg::test
