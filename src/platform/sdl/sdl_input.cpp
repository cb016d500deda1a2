#include "platform/sdl/sdl_input.h"

#include <SDL.h>

#include <array>
#include <utility>

#include "platform/keys.h"
#include "platform/pad_map.h"
#include "platform/sdl/sdl_window.h"

namespace fg {

namespace {

constexpr unsigned kLeftBit = 1;
constexpr unsigned kUpBit = 2;
constexpr unsigned kRightBit = 4;
constexpr unsigned kDownBit = 8;
constexpr int16_t kDirectionKeys[] = {kKeyLeft, kKeyUp, kKeyRight, kKeyDown};

unsigned DPadBit(int button) {
  switch (button) {
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
      return kLeftBit;
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
      return kUpBit;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
      return kRightBit;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
      return kDownBit;
    default:
      return 0;
  }
}

// The keys a pad's button is to the game (platform/pad_map.h).
std::array<int16_t, 2> PadButtonKeys(int button) {
  switch (button) {
    case SDL_CONTROLLER_BUTTON_A:
      return PadKeys(PadButton::kA);
    case SDL_CONTROLLER_BUTTON_START:
      return PadKeys(PadButton::kStart);
    case SDL_CONTROLLER_BUTTON_B:
      return PadKeys(PadButton::kB);
    case SDL_CONTROLLER_BUTTON_BACK:
      return PadKeys(PadButton::kBack);
    case SDL_CONTROLLER_BUTTON_Y:
      return PadKeys(PadButton::kY);
    default:
      return {0, 0};
  }
}

}  // namespace

// [D13]
int16_t VirtualKeyFromSdl(int32_t sdlKey, uint16_t modifiers) {
  const bool numLock = (modifiers & KMOD_NUM) != 0;
  switch (sdlKey) {
    case SDLK_ESCAPE:
      return kKeyEscape;
    case SDLK_SPACE:
      return kKeySpace;
    case SDLK_LEFT:
      return kKeyLeft;
    case SDLK_UP:
      return kKeyUp;
    case SDLK_RIGHT:
      return kKeyRight;
    case SDLK_DOWN:
      return kKeyDown;
    case SDLK_KP_4:
      return numLock ? 0 : kKeyLeft;
    case SDLK_KP_8:
      return numLock ? 0 : kKeyUp;
    case SDLK_KP_6:
      return numLock ? 0 : kKeyRight;
    case SDLK_KP_2:
      return numLock ? 0 : kKeyDown;
    case SDLK_PAUSE:
      return kKeyPause;
    default:
      break;
  }
  // Letters report the capital's code whatever Shift or Caps Lock say; digits their own.
  if (sdlKey >= SDLK_a && sdlKey <= SDLK_z) return static_cast<int16_t>('A' + (sdlKey - SDLK_a));
  if (sdlKey >= SDLK_0 && sdlKey <= SDLK_9) return static_cast<int16_t>('0' + (sdlKey - SDLK_0));
  return 0;
}

bool StickHolds(bool held, int towards) {
  return held ? towards >= kStickRelease : towards > kStickPress;
}

// Pads are a nicety: without the subsystem the game runs on the keyboard alone. SDL sends an
// arrival for every pad already plugged in, and reads SDL_GAMECONTROLLERCONFIG_FILE itself.
SdlInput::SdlInput(SdlLibrary& sdl, SdlWindow& window) : window_(window) {
  sdl.Start(SDL_INIT_GAMECONTROLLER);
}

void SdlInput::Take(const SDL_Event& e) {
  switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      if (!WindowKey(e.key)) {
        Send(VirtualKeyFromSdl(e.key.keysym.sym, e.key.keysym.mod), e.type == SDL_KEYDOWN,
             InputDevice::kKeyboard);
      }
      break;
    case SDL_MOUSEMOTION:
      Pointer(e.motion.x, e.motion.y, 0);
      break;
    case SDL_MOUSEBUTTONDOWN:
      Pointer(e.button.x, e.button.y, e.button.button);
      break;
    case SDL_CONTROLLERDEVICEADDED:
      PadAdded(e.cdevice.which);
      break;
    case SDL_CONTROLLERDEVICEREMOVED:
      PadRemoved(e.cdevice.which);
      break;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
      PadButton(e.cbutton.which, e.cbutton.button, e.type == SDL_CONTROLLERBUTTONDOWN);
      break;
    case SDL_CONTROLLERAXISMOTION:
      PadAxis(e.caxis.which, e.caxis.axis, e.caxis.value);
      break;
    default:
      break;
  }
}

void SdlInput::SetSink(EventSink* sink) {
  sink_ = sink;
  if (sink_ != nullptr && device_ != InputDevice::kKeyboard) sink_->DeviceUsed(device_);
}

// Keyboard and mouse are one device; a pad's buttons, D-pad and stick another. Only presses
// count: a release or a mouse merely moved says nothing of what the player has taken up. [D47]
void SdlInput::Use(InputDevice device) {
  if (device == device_) return;
  device_ = device;
  if (sink_ != nullptr) sink_->DeviceUsed(device);
}

void SdlInput::Send(int16_t code, bool down, InputDevice device) {
  if (code == 0 || sink_ == nullptr) return;
  if (down) {
    Use(device);
    sink_->KeyDown(code);
  } else {
    sink_->KeyUp(code);
  }
}

bool SdlInput::WindowKey(const SDL_KeyboardEvent& key) {
  const SDL_Keycode sym = key.keysym.sym;
  const uint16_t mod = key.keysym.mod;
  // The window's own keys act once per press, never on a repeat, and never reach the game.
  const bool act = key.type == SDL_KEYDOWN && key.repeat == 0;
  if (sym == SDLK_F11 || ((sym == SDLK_RETURN || sym == SDLK_KP_ENTER) && (mod & KMOD_ALT) != 0)) {
    if (act) window_.ToggleFullscreen();
    return true;
  }
  if ((mod & KMOD_CTRL) != 0 && sym >= SDLK_0 && sym <= SDLK_9) {
    if (act && sym == SDLK_0) {
      window_.FitScaleToDisplay();
    } else if (act && sym - SDLK_0 <= kMaxScale) {
      window_.SetScale(sym - SDLK_0);
    }
    return true;  // a digit with Ctrl is the window's, whichever
  }
  return false;
}

// A pointer event in the window's points: the game gets image pixels, and nothing at all for
// the black around the image, except that a pointer leaving the image is reported once at
// (-1, -1), outside every zone, so a lit link goes dark as it would at the window's edge.
void SdlInput::Pointer(int x, int y, int button) {
  int ix = 0;
  int iy = 0;
  const bool on = window_.PointToImage(x, y, ix, iy);
  if (sink_ == nullptr) return;
  if (button != 0) {
    if (on) {
      Use(InputDevice::kKeyboard);
      sink_->MouseDown(static_cast<int16_t>(button), static_cast<float>(ix),
                       static_cast<float>(iy));
    }
    return;
  }
  if (on) {
    sink_->MouseMove(static_cast<float>(ix), static_cast<float>(iy));
  } else if (pointerOnImage_) {
    sink_->MouseMove(-1.0F, -1.0F);
  }
  pointerOnImage_ = on;
}

SdlInput::Pad* SdlInput::FindPad(int32_t id) {
  for (Pad& pad : pads_) {
    if (pad.Id == id) return &pad;
  }
  return nullptr;
}

void SdlInput::PadAdded(int deviceIndex) {
  SdlOwner<SDL_GameController> controller(SDL_GameControllerOpen(deviceIndex));
  if (!controller) return;
  const int32_t id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller.get()));
  if (FindPad(id) != nullptr) return;  // already ours: the second reference is dropped
  pads_.push_back(Pad{std::move(controller), id});
}

void SdlInput::PadButton(int32_t id, int button, bool down) {
  Pad* pad = FindPad(id);
  if (pad == nullptr) return;
  if (const unsigned bit = DPadBit(button); bit != 0) {
    PadHold(*pad, &Pad::DPad, down ? (pad->DPad | bit) : (pad->DPad & ~bit));
    return;
  }
  for (int16_t code : PadButtonKeys(button)) Send(code, down, InputDevice::kPad);
}

// The left stick steers as the D-pad does; the other axes have no use in the game.
void SdlInput::PadAxis(int32_t id, int axis, int value) {
  Pad* pad = FindPad(id);
  if (pad == nullptr) return;
  unsigned stick = pad->Stick;
  auto follow = [&stick](unsigned bit, int towards) {
    stick = StickHolds((stick & bit) != 0, towards) ? (stick | bit) : (stick & ~bit);
  };
  if (axis == SDL_CONTROLLER_AXIS_LEFTX) {
    follow(kLeftBit, -value);
    follow(kRightBit, value);
  } else if (axis == SDL_CONTROLLER_AXIS_LEFTY) {
    follow(kUpBit, -value);
    follow(kDownBit, value);
  }
  PadHold(*pad, &Pad::Stick, stick);
}

void SdlInput::PadRemoved(int32_t id) {
  Pad* pad = FindPad(id);
  if (pad == nullptr) return;
  // A pad pulled out with a direction held lets go of it: the snake must not steer on alone.
  PadHold(*pad, &Pad::DPad, 0);
  PadHold(*pad, &Pad::Stick, 0);
  pads_.erase(pads_.begin() + (pad - pads_.data()));
}

// The pad's D-pad or stick now holds `bits`. The game sees one direction key per direction,
// held while either source holds it.
void SdlInput::PadHold(Pad& pad, unsigned Pad::*source, unsigned bits) {
  const unsigned before = pad.DPad | pad.Stick;
  pad.*source = bits;
  const unsigned after = pad.DPad | pad.Stick;
  if (sink_ == nullptr) return;
  // Releases first: a stick swung across never holds two opposite directions at once.
  for (unsigned i = 0; i < 4; ++i) {
    if ((before & ~after & (1U << i)) != 0) sink_->KeyUp(kDirectionKeys[i]);
  }
  for (unsigned i = 0; i < 4; ++i) {
    if ((after & ~before & (1U << i)) == 0) continue;
    Use(InputDevice::kPad);
    sink_->KeyDown(kDirectionKeys[i]);
  }
}

}  // namespace fg
