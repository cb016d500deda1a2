// SDL2 backend. On X11 the window is presented through its window surface, not an OpenGL
// renderer: the image is drawn by the CPU, and this path costs a fraction of the memory and CPU.
// Wayland has no window surface; there a renderer and a streaming texture take its place.
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

#include "platform/keys.h"

namespace fg {

namespace {

// A sound server that has not answered by then leaves the game silent rather than frozen.
constexpr auto kAudioOpenTimeout = std::chrono::milliseconds(2000);
// The longest sleep between two looks at the signal flag: a SIGTERM does not wake SDL's wait.
constexpr int64_t kSignalPollMs = 100;

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
    default:
      break;
  }
  // Letters report the capital's code whatever Shift or Caps Lock say; digits their own.
  if (sdlKey >= SDLK_a && sdlKey <= SDLK_z) return static_cast<int16_t>('A' + (sdlKey - SDLK_a));
  if (sdlKey >= SDLK_0 && sdlKey <= SDLK_9) return static_cast<int16_t>('0' + (sdlKey - SDLK_0));
  return 0;
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
  (void)options;  // scaling and fullscreen: see the display code
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
  window_ = SDL_CreateWindow("", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 400, 400,
                             SDL_WINDOW_HIDDEN);
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
    if (texture_ == nullptr) {
      why = SDL_GetError();
      if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
      SDL_DestroyWindow(window_);
      SDL_Quit();
      throw HostError("cannot draw into the window: " + why);
    }
  }
  last_ = Surface(400, 400, kBlack);

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
  if (texture_ != nullptr) SDL_DestroyTexture(texture_);
  if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
  if (window_ != nullptr) SDL_DestroyWindow(window_);
  if (audioAbandoned_) {
    // The opener thread may still sit inside the audio subsystem: leave that alone.
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
      if (sink_ != nullptr) {
        sink_->MouseMove(static_cast<float>(e.motion.x), static_cast<float>(e.motion.y));
      }
      break;
    case SDL_MOUSEBUTTONDOWN:
      if (sink_ != nullptr) {
        sink_->MouseDown(static_cast<int16_t>(e.button.button), static_cast<float>(e.button.x),
                         static_cast<float>(e.button.y));
      }
      break;
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        presented_ = nullptr;  // SDL makes a new window surface: the next refresh fills it whole
      } else if (e.window.event == SDL_WINDOWEVENT_EXPOSED ||
                 e.window.event == SDL_WINDOWEVENT_RESTORED) {
        Present();
      } else if (e.window.event == SDL_WINDOWEVENT_CLOSE && sink_ != nullptr) {
        sink_->CloseRequest();
      }
      break;
    case SDL_QUIT:
      if (sink_ != nullptr) sink_->CloseRequest();
      break;
    default:
      break;
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

void SdlHost::Present() {
  presented_ = nullptr;
  if (renderer_ != nullptr) {
    SDL_UpdateTexture(texture_, nullptr, last_.Pixels.data(), last_.Width * 4);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
    return;
  }
  SDL_Surface* target = SDL_GetWindowSurface(window_);
  if (target == nullptr || target->w != last_.Width || target->h != last_.Height) return;
  SDL_ConvertPixels(last_.Width, last_.Height, SDL_PIXELFORMAT_RGB888, last_.Pixels.data(),
                    last_.Width * 4, target->format->format, target->pixels, target->pitch);
  SDL_UpdateWindowSurface(window_);
  presented_ = target;
}

void SdlHost::SendBands(const SDL_Rect* bands, int count) {
  const int w = last_.Width;
  if (renderer_ != nullptr) {
    for (int i = 0; i < count; ++i) {
      const SDL_Rect& b = bands[i];
      SDL_UpdateTexture(texture_, &b, &last_.Pixels[static_cast<size_t>(b.y) * w], w * 4);
    }
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
    return;
  }
  SDL_Surface* target = presented_;
  for (int i = 0; i < count; ++i) {
    const SDL_Rect& b = bands[i];
    SDL_ConvertPixels(
        w, b.h, SDL_PIXELFORMAT_RGB888, &last_.Pixels[static_cast<size_t>(b.y) * w], w * 4,
        target->format->format,
        static_cast<uint8_t*>(target->pixels) + static_cast<ptrdiff_t>(b.y) * target->pitch,
        target->pitch);
  }
  SDL_UpdateWindowSurfaceRects(window_, bands, count);
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
    if (target == nullptr || target != presented_ || target->w != last_.Width ||
        target->h != last_.Height) {
      // A new window surface holds nothing yet: it gets the whole image.
      std::copy(image.Pixels.begin(), image.Pixels.end(), last_.Pixels.begin());
      Present();
      return;
    }
  }
  // Only the rows that changed since the last frame are copied and sent to the display: the
  // scroller changes 17 rows of 400, a tick of play the rows its cells lie on. The display gets
  // a few bands of whole rows; nearby bands are merged, each band is one request.
  constexpr int kMaxBands = 8;
  constexpr int kMergeGap = 16;  // rows
  SDL_Rect bands[kMaxBands];
  int count = 0;
  const int w = last_.Width;
  const size_t rowBytes = static_cast<size_t>(w) * sizeof(uint32_t);
  for (int y = 0; y < last_.Height; ++y) {
    const uint32_t* from = &image.Pixels[static_cast<size_t>(y) * w];
    uint32_t* to = &last_.Pixels[static_cast<size_t>(y) * w];
    if (std::memcmp(from, to, rowBytes) == 0) continue;
    std::memcpy(to, from, rowBytes);
    // A row close below the last band joins it; so does every row once the bands run out.
    const bool join = count > 0 && (count == kMaxBands ||
                                    y - (bands[count - 1].y + bands[count - 1].h) <= kMergeGap);
    if (join) {
      bands[count - 1].h = y + 1 - bands[count - 1].y;
    } else {
      bands[count++] = SDL_Rect{0, y, w, 1};
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
