// SDL2 backend. On X11 the window is presented through its window surface, not an OpenGL
// renderer: the image is drawn by the CPU, and this path costs a fraction of the memory and CPU.
// Wayland has no window surface; there a renderer and a streaming texture take its place.
// Larger windows get the image enlarged by a whole factor, pixel-exact, centred on black.
#include "platform/sdl/sdl_host.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "gfx/upscale.h"
#include "platform/keys.h"
#include "platform/mix_levels.h"

namespace fg {

namespace {

// A sound server that has not answered by then leaves the game silent rather than frozen.
constexpr auto kAudioOpenTimeout = std::chrono::milliseconds(2000);
// The longest sleep between two looks at the signal flag: a SIGTERM does not wake SDL's wait.
constexpr int64_t kSignalPollMs = 100;
// A stick pushed this far is a press; it must fall back below the release point to let go, so
// a stick resting near the threshold does not chatter.
constexpr int kStickPress = 16000;
constexpr int kStickRelease = 12000;
constexpr unsigned kLeftBit = 1;
constexpr unsigned kUpBit = 2;
constexpr unsigned kRightBit = 4;
constexpr unsigned kDownBit = 8;
constexpr int16_t kDirectionKeys[] = {kKeyLeft, kKeyUp, kKeyRight, kKeyDown};

bool Set(const char* v) {
  return v != nullptr && *v != '\0';
}

bool DriverAskedFor() {
  return Set(std::getenv("SDL_VIDEODRIVER"));
}

volatile std::sig_atomic_t gWindowUp = 0;
volatile std::sig_atomic_t gTerminate = 0;

void OnAlarm(int /*sig*/) {
  _exit(0);  // the close asked for by a signal did not get through in time: leave anyway
}

void OnTerminate(int sig) {
  if (gWindowUp == 0 || gTerminate != 0) {
    // Before the window is up there is nothing to close in order: die as the signal says.
    std::signal(sig, SIG_DFL);
    std::raise(sig);
    return;
  }
  gTerminate = 1;
  std::signal(SIGALRM, OnAlarm);
  alarm(2);
}

}  // namespace

void InstallTerminationHandlers() {
  // SDL's own handlers only queue a quit event, which nobody reads while start-up waits on a
  // display or sound server; ours act at once.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  struct sigaction sa {};
  sa.sa_handler = OnTerminate;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
}

void TerminationWindowUp() {
  gWindowUp = 1;
}

bool TerminationRequested() {
  return gTerminate != 0;
}

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

std::string DirectoryFromBasePath(const char* basePath) {
  if (basePath == nullptr || *basePath != '/') return "";
  std::string dir = basePath;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

std::vector<std::string> VideoDriversToTry(const char* display, const char* waylandDisplay) {
  std::vector<std::string> drivers;
  if (Set(display)) drivers.emplace_back("x11");
  if (Set(waylandDisplay)) drivers.emplace_back("wayland");
  return drivers;
}

// The audio device opens on a thread of its own: a sound server that accepts and never answers
// would otherwise hold start-up for half a minute. Shared with that thread, which may outlive
// the host when the wait is given up.
struct SdlHost::AudioOpening {
  std::mutex Lock;
  std::condition_variable Done;
  bool Finished = false;
  bool Abandoned = false;
  int Rate = 0;
  std::chrono::steady_clock::time_point Deadline;
};

namespace {

void OpenAudio(const std::shared_ptr<SdlHost::AudioOpening>& opening) {
  int rate = 0;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
    // No changes allowed: SDL converts to whatever the device wants, so the music is always
    // rendered at a rate the module player supports.
    if (Mix_OpenAudioDevice(44100, AUDIO_S16SYS, 2, 1024, nullptr, 0) == 0) {
      Uint16 format = 0;
      int channels = 0;
      Mix_QuerySpec(&rate, &format, &channels);
      Mix_AllocateChannels(1);
      Mix_Volume(0, kEffectVolume);  // headroom for the music under it (mix_levels.h)
    }
  }
  std::lock_guard<std::mutex> lock(opening->Lock);
  if (opening->Abandoned) {
    // Too late: the game went on without sound, and has not touched the device.
    if (rate > 0) Mix_CloseAudio();
    return;
  }
  opening->Rate = rate;
  opening->Finished = true;
  opening->Done.notify_all();
}

// The opener thread's body. An SDL thread rather than a std::thread: SDL keeps per-thread data
// (its error message) that it frees only at the end of threads it started itself.
int OpenAudioThread(void* data) {
  std::unique_ptr<std::shared_ptr<SdlHost::AudioOpening>> opening(
      static_cast<std::shared_ptr<SdlHost::AudioOpening>*>(data));
  OpenAudio(*opening);
  return 0;
}

}  // namespace

SdlHost::SdlHost(const SdlHostOptions& options) {
  InstallTerminationHandlers();
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  constexpr const char* kNoDisplay =
      "cannot open a window: no display available (set DISPLAY or WAYLAND_DISPLAY)";
  std::vector<std::string> drivers;
  if (DriverAskedFor()) {
    drivers.emplace_back();  // SDL reads SDL_VIDEODRIVER itself
  } else {
    drivers = VideoDriversToTry(std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"));
    if (drivers.empty()) throw HostError(kNoDisplay);
  }
  std::string why;
  bool up = false;
  for (const std::string& driver : drivers) {
    if (!driver.empty()) SDL_SetHint(SDL_HINT_VIDEODRIVER, driver.c_str());
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0) {
      up = true;
      break;
    }
    why = SDL_GetError();
    SDL_Quit();
  }
  if (!up) throw HostError(std::string("cannot open a window: no display available (") + why + ")");
  const char* driver = SDL_GetCurrentVideoDriver();
  const bool wayland = driver != nullptr && std::strcmp(driver, "wayland") == 0;
  const bool desktop = wayland || (driver != nullptr && std::strcmp(driver, "x11") == 0);
  if (!desktop && !DriverAskedFor()) {
    SDL_Quit();
    throw HostError(kNoDisplay);
  }
  if (options.Scale >= 1 && options.Scale <= kMaxScale) {
    scale_ = options.Scale;
  } else {
    SDL_Rect usable{};
    scale_ = SDL_GetDisplayUsableBounds(0, &usable) == 0 ? DefaultScale(usable.h) : 1;
  }
  fullscreen_ = options.Fullscreen;
  const int side = kImageSize * scale_;
  window_ = SDL_CreateWindow("", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, side, side,
                             SDL_WINDOW_HIDDEN | (fullscreen_ ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) |
                                 (wayland ? SDL_WINDOW_ALLOW_HIGHDPI : 0));
  if (window_ == nullptr) {
    why = SDL_GetError();
    SDL_Quit();
    throw HostError("cannot open a window: " + why);
  }
  if (wayland) {
    // No window surface here: a renderer with one streaming texture, refreshed band by band.
    renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (renderer_ != nullptr) {
      texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                   400, 400);
    }
    if (texture_ != nullptr) SDL_SetTextureScaleMode(texture_, SDL_ScaleModeNearest);
    if (texture_ == nullptr) {
      why = SDL_GetError();
      if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
      SDL_DestroyWindow(window_);
      SDL_Quit();
      throw HostError("cannot draw into the window: " + why);
    }
  }
  last_ = Surface(kImageSize, kImageSize, kBlack);
  UpdateLayout(side, side);

  // Pads are a nicety too: without the subsystem the game runs on the keyboard alone. SDL sends
  // an arrival for every pad already plugged in, and reads SDL_GAMECONTROLLERCONFIG_FILE itself.
  padsUp_ = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;

  // Sound is a nicety: without an audio device the game plays silently.
  opening_ = std::make_shared<AudioOpening>();
  opening_->Deadline = std::chrono::steady_clock::now() + kAudioOpenTimeout;
  auto* shared = new std::shared_ptr<AudioOpening>(opening_);
  SDL_Thread* opener = SDL_CreateThread(OpenAudioThread, "fg-audio-open", shared);
  if (opener != nullptr) {
    SDL_DetachThread(opener);
  } else {
    delete shared;
    OpenAudio(opening_);  // no thread to be had: open it here and now
  }
}

void SdlHost::AwaitAudio() {
  if (!opening_) return;
  std::unique_lock<std::mutex> lock(opening_->Lock);
  if (opening_->Done.wait_until(lock, opening_->Deadline, [&] { return opening_->Finished; })) {
    audioRate_ = opening_->Rate;
  } else {
    opening_->Abandoned = true;
    audioAbandoned_ = true;
  }
  lock.unlock();
  opening_.reset();
}

int SdlHost::MusicRate() {
  AwaitAudio();
  return audioRate_;
}

SdlHost::~SdlHost() {
  AwaitAudio();
  if (audioRate_ > 0) {
    Mix_HookMusic(nullptr, nullptr);
    Mix_HaltChannel(-1);
    if (playing_ != nullptr) Mix_FreeChunk(playing_);
    Mix_CloseAudio();
  }
  for (Pad& pad : pads_) SDL_GameControllerClose(pad.Controller);
  if (texture_ != nullptr) SDL_DestroyTexture(texture_);
  if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
  if (window_ != nullptr) SDL_DestroyWindow(window_);
  if (audioAbandoned_) {
    // The opener thread may still sit inside the audio subsystem: leave that alone.
    if (padsUp_) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
  } else {
    SDL_Quit();
  }
}

int64_t SdlHost::Clock() {
  return static_cast<int64_t>(SDL_GetTicks64());
}

void SdlHost::Dispatch(const SDL_Event& e) {
  switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      if (WindowKey(e.key)) break;
      const int16_t code = VirtualKeyFromSdl(e.key.keysym.sym, e.key.keysym.mod);
      if (code == 0 || sink_ == nullptr) break;
      if (e.type == SDL_KEYDOWN) {
        sink_->KeyDown(code);
      } else {
        sink_->KeyUp(code);
      }
      break;
    }
    case SDL_MOUSEMOTION:
      Pointer(e.motion.x, e.motion.y, 0);
      break;
    case SDL_MOUSEBUTTONDOWN:
      Pointer(e.button.x, e.button.y, e.button.button);
      break;
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        Relayout();  // a new window surface, and the image may sit elsewhere in it
      } else if (e.window.event == SDL_WINDOWEVENT_EXPOSED ||
                 e.window.event == SDL_WINDOWEVENT_RESTORED) {
        Present();
      } else if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST && sink_ != nullptr) {
        sink_->FocusLost();
      } else if (e.window.event == SDL_WINDOWEVENT_CLOSE && sink_ != nullptr) {
        sink_->CloseRequest();
      }
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
    case SDL_QUIT:
      if (sink_ != nullptr) sink_->CloseRequest();
      break;
    default:
      break;
  }
}

bool SdlHost::WindowKey(const SDL_KeyboardEvent& key) {
  const SDL_Keycode sym = key.keysym.sym;
  const uint16_t mod = key.keysym.mod;
  // The window's own keys act once per press, never on a repeat, and never reach the game.
  const bool act = key.type == SDL_KEYDOWN && key.repeat == 0;
  if (sym == SDLK_F11 || ((sym == SDLK_RETURN || sym == SDLK_KP_ENTER) && (mod & KMOD_ALT) != 0)) {
    if (act) ToggleFullscreen();
    return true;
  }
  if ((mod & KMOD_CTRL) != 0 && sym >= SDLK_0 && sym <= SDLK_9) {
    if (act && sym == SDLK_0) {
      SDL_Rect usable{};
      const int display = std::max(0, SDL_GetWindowDisplayIndex(window_));
      SetScale(SDL_GetDisplayUsableBounds(display, &usable) == 0 ? DefaultScale(usable.h) : 1);
    } else if (act && sym - SDLK_0 <= kMaxScale) {
      SetScale(sym - SDLK_0);
    }
    return true;  // a digit with Ctrl is the window's, whichever
  }
  return false;
}

void SdlHost::SetScale(int scale) {
  if (scale == scale_) return;
  scale_ = scale;
  if (!fullscreen_) PlaceWindowedWindow();  // in fullscreen it is the size to come back to
}

// The windowed window at 400 * scale_, its centre where it was but its top-left corner on the
// usable part of the display, so the title bar stays within reach.
void SdlHost::PlaceWindowedWindow() {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
  SDL_GetWindowPosition(window_, &x, &y);
  SDL_GetWindowSize(window_, &w, &h);
  const int side = kImageSize * scale_;
  x += (w - side) / 2;
  y += (h - side) / 2;
  SDL_Rect usable{};
  const int display = std::max(0, SDL_GetWindowDisplayIndex(window_));
  if (SDL_GetDisplayUsableBounds(display, &usable) == 0) {
    x = std::max(usable.x, std::min(x, usable.x + usable.w - side));
    y = std::max(usable.y, std::min(y, usable.y + usable.h - side));
  }
  SDL_SetWindowSize(window_, side, side);
  SDL_SetWindowPosition(window_, x, y);
  Relayout();
}

void SdlHost::ToggleFullscreen() {
  if (!fullscreen_) {
    SDL_GetWindowPosition(window_, &windowedX_, &windowedY_);
    if (SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0) fullscreen_ = true;
    Relayout();
    return;
  }
  if (SDL_SetWindowFullscreen(window_, 0) != 0) return;
  fullscreen_ = false;
  // Back to the size and place it had, or to the scale chosen meanwhile.
  const int side = kImageSize * scale_;
  SDL_SetWindowSize(window_, side, side);
  SDL_SetWindowPosition(window_, windowedX_, windowedY_);
  Relayout();
}

// The window's size changed, or is about to: the image is laid out afresh and drawn whole.
// The window system's own word on the size may come later and does the same again.
void SdlHost::Relayout() {
  presented_ = nullptr;
  if (shown_) Present();
}

// A pointer event in the window's points: the game gets image pixels, and nothing at all for
// the black around the image, except that a pointer leaving the image is reported once at
// (-1, -1), outside every zone, so a lit link goes dark as it would at the window's edge.
void SdlHost::Pointer(int x, int y, int button) {
  int ix = 0;
  int iy = 0;
  const bool on = WindowToImage(layout_, PointsToPixels(x, pixelWidth_, pointWidth_),
                                PointsToPixels(y, pixelHeight_, pointHeight_), ix, iy);
  if (sink_ == nullptr) return;
  if (button != 0) {
    if (on)
      sink_->MouseDown(static_cast<int16_t>(button), static_cast<float>(ix),
                       static_cast<float>(iy));
    return;
  }
  if (on) {
    sink_->MouseMove(static_cast<float>(ix), static_cast<float>(iy));
  } else if (pointerOnImage_) {
    sink_->MouseMove(-1.0F, -1.0F);
  }
  pointerOnImage_ = on;
}

SdlHost::Pad* SdlHost::FindPad(int32_t id) {
  for (Pad& pad : pads_) {
    if (pad.Id == id) return &pad;
  }
  return nullptr;
}

void SdlHost::PadAdded(int deviceIndex) {
  SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex);
  if (controller == nullptr) return;
  const int32_t id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
  if (FindPad(id) != nullptr) {
    SDL_GameControllerClose(controller);  // already ours: drop the second reference
    return;
  }
  Pad pad;
  pad.Controller = controller;
  pad.Id = id;
  pads_.push_back(pad);
}

// A's and Start's codes are the keyboard's Space and the pad key the game knows; B and Back
// are Escape; the D-pad steers.
void SdlHost::PadButton(int32_t id, int button, bool down) {
  Pad* pad = FindPad(id);
  if (pad == nullptr) return;
  unsigned bit = 0;
  int16_t code = 0;
  switch (button) {
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
      bit = kLeftBit;
      break;
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
      bit = kUpBit;
      break;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
      bit = kRightBit;
      break;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
      bit = kDownBit;
      break;
    case SDL_CONTROLLER_BUTTON_A:
      code = kKeySpace;
      break;
    case SDL_CONTROLLER_BUTTON_START:
      code = kKeyPadStart;
      break;
    case SDL_CONTROLLER_BUTTON_B:
    case SDL_CONTROLLER_BUTTON_BACK:
      code = kKeyEscape;
      break;
    default:
      return;
  }
  if (bit != 0) {
    PadHold(*pad, &Pad::DPad, down ? (pad->DPad | bit) : (pad->DPad & ~bit));
  } else if (sink_ != nullptr) {
    if (down) {
      sink_->KeyDown(code);
    } else {
      sink_->KeyUp(code);
    }
  }
}

// The left stick steers as the D-pad does; the other axes have no use in the game.
void SdlHost::PadAxis(int32_t id, int axis, int value) {
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

void SdlHost::PadRemoved(int32_t id) {
  Pad* pad = FindPad(id);
  if (pad == nullptr) return;
  // A pad pulled out with a direction held lets go of it: the snake must not steer on alone.
  PadHold(*pad, &Pad::DPad, 0);
  PadHold(*pad, &Pad::Stick, 0);
  SDL_GameControllerClose(pad->Controller);
  pads_.erase(pads_.begin() + (pad - pads_.data()));
}

// The pad's D-pad or stick now holds `bits`. The game sees one direction key per direction,
// held while either source holds it.
void SdlHost::PadHold(Pad& pad, unsigned Pad::*source, unsigned bits) {
  const unsigned before = pad.DPad | pad.Stick;
  pad.*source = bits;
  const unsigned after = pad.DPad | pad.Stick;
  if (sink_ == nullptr) return;
  // Releases first: a stick swung across never holds two opposite directions at once.
  for (unsigned i = 0; i < 4; ++i) {
    if ((before & ~after & (1U << i)) != 0) sink_->KeyUp(kDirectionKeys[i]);
  }
  for (unsigned i = 0; i < 4; ++i) {
    if ((after & ~before & (1U << i)) != 0) sink_->KeyDown(kDirectionKeys[i]);
  }
}

void SdlHost::DoEvents() {
  while (!waiting_.empty()) {
    const SDL_Event e = waiting_.front();
    waiting_.pop_front();
    Dispatch(e);
  }
  SDL_Event e;
  while (SDL_PollEvent(&e) != 0) Dispatch(e);
  if (TerminationRequested() && sink_ != nullptr) sink_->CloseRequest();
  FireDueTimers(timers_, Clock());
}

void SdlHost::BlockUntil(int64_t deadline) {
  if (!waiting_.empty()) return;
  const int64_t wake = NextTimerDue(timers_, deadline);
  const int64_t timeout = wake - Clock();
  if (timeout <= 0) return;
  // A longer sleep is cut into pieces by the caller's loop, so that a signal is seen in time.
  const int slice = static_cast<int>(std::min(timeout, kSignalPollMs));
  SDL_Event e;
  if (SDL_WaitEventTimeout(&e, slice) != 0) waiting_.push_back(e);
}

void SdlHost::UpdateLayout(int pixelWidth, int pixelHeight) {
  pixelWidth_ = pixelWidth;
  pixelHeight_ = pixelHeight;
  SDL_GetWindowSize(window_, &pointWidth_, &pointHeight_);
  layout_ = LayoutFor(pixelWidth, pixelHeight);
}

void SdlHost::RenderFrame() {
  int w = 0;
  int h = 0;
  SDL_GetRendererOutputSize(renderer_, &w, &h);
  UpdateLayout(w, h);
  const SDL_Rect to{layout_.OffsetX, layout_.OffsetY, kImageSize * layout_.Scale,
                    kImageSize * layout_.Scale};
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  SDL_RenderCopy(renderer_, texture_, nullptr, &to);
  SDL_RenderPresent(renderer_);
}

void SdlHost::Present() {
  presented_ = nullptr;
  if (renderer_ != nullptr) {
    SDL_UpdateTexture(texture_, nullptr, last_.Pixels.data(), last_.Width * 4);
    RenderFrame();
    return;
  }
  SDL_Surface* target = SDL_GetWindowSurface(window_);
  if (target == nullptr) return;
  UpdateLayout(target->w, target->h);
  const int side = kImageSize * layout_.Scale;
  if (target->w != side || target->h != side) SDL_FillRect(target, nullptr, 0);
  DrawBand(target, SDL_Rect{0, 0, last_.Width, last_.Height});
  SDL_UpdateWindowSurface(window_);
  presented_ = target;
}

// A rectangle of the image, enlarged, into the window surface at its place in the layout;
// returns the window rectangle it covers (empty when it lies beyond a small window).
SDL_Rect SdlHost::DrawBand(SDL_Surface* target, const SDL_Rect& band) {
  const int s = layout_.Scale;
  const int x = band.x;
  const int y = band.y;
  const int w = std::min(band.w, std::min(last_.Width, (target->w - layout_.OffsetX) / s) - x);
  const int h = std::min(band.h, std::min(last_.Height, (target->h - layout_.OffsetY) / s) - y);
  if (w <= 0 || h <= 0) return SDL_Rect{0, 0, 0, 0};
  const SDL_Rect to{layout_.OffsetX + x * s, layout_.OffsetY + y * s, w * s, h * s};
  const int bpp = target->format->BytesPerPixel;
  uint8_t* at = static_cast<uint8_t*>(target->pixels) +
                static_cast<ptrdiff_t>(to.y) * target->pitch + static_cast<ptrdiff_t>(to.x) * bpp;
  const uint32_t* from = &last_.Pixels[static_cast<size_t>(y) * last_.Width + x];
  if (s == 1) {
    SDL_ConvertPixels(w, h, SDL_PIXELFORMAT_RGB888, from, last_.Width * 4, target->format->format,
                      at, target->pitch);
  } else if (target->format->format == SDL_PIXELFORMAT_RGB888) {
    UpscaleNearest(last_, x, y, w, h, s, reinterpret_cast<uint32_t*>(at), target->pitch);
  } else {
    // A window surface in another format: enlarged first, then converted on the way in.
    scratch_.resize(static_cast<size_t>(to.w) * static_cast<size_t>(to.h));
    UpscaleNearest(last_, x, y, w, h, s, scratch_.data(), static_cast<ptrdiff_t>(to.w) * 4);
    SDL_ConvertPixels(to.w, to.h, SDL_PIXELFORMAT_RGB888, scratch_.data(), to.w * 4,
                      target->format->format, at, target->pitch);
  }
  return to;
}

void SdlHost::SendBands(const SDL_Rect* bands, int count) {
  const int w = last_.Width;
  if (renderer_ != nullptr) {
    for (int i = 0; i < count; ++i) {
      const SDL_Rect& b = bands[i];
      SDL_UpdateTexture(texture_, &b, &last_.Pixels[static_cast<size_t>(b.y) * w + b.x], w * 4);
    }
    RenderFrame();
    return;
  }
  SDL_Rect sent[8];
  int n = 0;
  for (int i = 0; i < count && n < 8; ++i) {
    const SDL_Rect r = DrawBand(presented_, bands[i]);
    if (r.w > 0) sent[n++] = r;
  }
  if (n > 0) SDL_UpdateWindowSurfaceRects(window_, sent, n);
}

void SdlHost::Refresh(const Surface& image) {
  if (image.Width != last_.Width || image.Height != last_.Height) return;
  if (!shown_) {
    // Drawn while hidden (the title reveal): kept for the first appearance, nothing sent.
    std::copy(image.Pixels.begin(), image.Pixels.end(), last_.Pixels.begin());
    return;
  }
  if (renderer_ == nullptr) {
    SDL_Surface* target = SDL_GetWindowSurface(window_);
    if (target == nullptr || target != presented_) {
      // A new window surface holds nothing yet: it gets the whole image.
      std::copy(image.Pixels.begin(), image.Pixels.end(), last_.Pixels.begin());
      Present();
      return;
    }
  }
  // Only the rows that changed since the last frame are copied and sent to the display: the
  // scroller changes 17 rows of 400, a tick of play the rows its cells lie on. The display gets
  // a few bands of rows; nearby bands are merged, each band is one request, as wide as the
  // columns that changed in it (a tick's cells are 16 pixels of 400: in a large window the
  // rest of the row would be most of the cost).
  constexpr int kMaxBands = 8;   // SendBands sends at most as many
  constexpr int kMergeGap = 16;  // rows
  SDL_Rect bands[kMaxBands];
  int count = 0;
  const int w = last_.Width;
  const size_t rowBytes = static_cast<size_t>(w) * sizeof(uint32_t);
  for (int y = 0; y < last_.Height; ++y) {
    const uint32_t* from = &image.Pixels[static_cast<size_t>(y) * w];
    uint32_t* to = &last_.Pixels[static_cast<size_t>(y) * w];
    if (std::memcmp(from, to, rowBytes) == 0) continue;
    int left = 0;
    while (from[left] == to[left]) ++left;
    int right = w - 1;
    while (from[right] == to[right]) --right;
    std::memcpy(to, from, rowBytes);
    // A row close below the last band joins it; so does every row once the bands run out.
    const bool join = count > 0 && (count == kMaxBands ||
                                    y - (bands[count - 1].y + bands[count - 1].h) <= kMergeGap);
    if (join) {
      SDL_Rect& b = bands[count - 1];
      const int x1 = std::max(b.x + b.w, right + 1);
      b.x = std::min(b.x, left);
      b.w = x1 - b.x;
      b.h = y + 1 - b.y;
    } else {
      bands[count++] = SDL_Rect{left, y, right + 1 - left, 1};
    }
  }
  if (count == 0) return;  // the same frame again: nothing to send
  SendBands(bands, count);
}

void SdlHost::ShowWindow() {
  SDL_ShowWindow(window_);
  shown_ = true;
  TerminationWindowUp();
  Present();
}

void SdlHost::SetCaption(const std::string& caption) {
  SDL_SetWindowTitle(window_, caption.c_str());
}

void SdlHost::SetIcon(const Surface& icon) {
  // The icon keeps its alpha in the top byte of each pixel.
  SDL_Surface* s =
      SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(icon.Pixels.data()), icon.Width,
                                         icon.Height, 32, icon.Width * 4, SDL_PIXELFORMAT_ARGB8888);
  if (s == nullptr) return;
  SDL_SetWindowIcon(window_, s);
  SDL_FreeSurface(s);
}

void SdlHost::PlayWave(std::span<const uint8_t> image) {
  if (MusicRate() == 0) return;
  SDL_RWops* rw = SDL_RWFromConstMem(image.data(), static_cast<int>(image.size()));
  Mix_Chunk* chunk = Mix_LoadWAV_RW(rw, 1);
  if (chunk == nullptr) return;
  Mix_PlayChannel(0, chunk, 0);  // one channel: the new effect cuts off the old one
  if (playing_ != nullptr) Mix_FreeChunk(playing_);
  playing_ = chunk;
}

void SdlHost::MusicTrampoline(void* self, uint8_t* stream, int len) {
  auto* host = static_cast<SdlHost*>(self);
  if (host->music_) {
    host->music_(stream, len);
  } else {
    std::memset(stream, 0, static_cast<size_t>(len));
  }
}

void SdlHost::SetMusicHook(MusicHook hook) {
  if (MusicRate() == 0) return;
  Mix_HookMusic(nullptr, nullptr);  // waits for a callback in progress to finish
  music_ = std::move(hook);
  if (music_) Mix_HookMusic(&SdlHost::MusicTrampoline, this);
}

void SdlHost::OpenUrl(const std::string& url) {
  SDL_OpenURL(url.c_str());
}

std::string SdlHost::ExecutableDir() {
  char* base = SDL_GetBasePath();
  std::string dir = DirectoryFromBasePath(base);
  SDL_free(base);
  return dir;
}

}  // namespace fg
