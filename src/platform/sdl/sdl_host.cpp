// SDL2 backend. The window is presented through its window surface, not an OpenGL renderer:
// the image is drawn by the CPU, and this path costs a fraction of the memory and CPU.
#include "platform/sdl/sdl_host.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace fg {

namespace {

bool DriverAskedFor() {
  const char* v = std::getenv("SDL_VIDEODRIVER");
  return v != nullptr && *v != '\0';
}

}  // namespace

int16_t VirtualKeyFromSdl(int32_t sdlKey) {
  switch (sdlKey) {
    case SDLK_ESCAPE:
      return 27;
    case SDLK_SPACE:
      return 32;
    case SDLK_LEFT:
      return 37;
    case SDLK_UP:
      return 38;
    case SDLK_RIGHT:
      return 39;
    case SDLK_DOWN:
      return 40;
    default:
      break;
  }
  // Letters report the capital's code whatever Shift or Caps Lock say; digits their own.
  if (sdlKey >= SDLK_a && sdlKey <= SDLK_z) return static_cast<int16_t>('A' + (sdlKey - SDLK_a));
  if (sdlKey >= SDLK_0 && sdlKey <= SDLK_9) return static_cast<int16_t>('0' + (sdlKey - SDLK_0));
  return 0;
}

SdlHost::SdlHost() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if (!DriverAskedFor() && (x11 == nullptr || *x11 == '\0') &&
      (wayland == nullptr || *wayland == '\0')) {
    throw HostError("cannot open a window: no display available (set DISPLAY or WAYLAND_DISPLAY)");
  }
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    throw HostError(std::string("cannot open a window: no display available (") + SDL_GetError() +
                    ")");
  }
  const char* driver = SDL_GetCurrentVideoDriver();
  const bool desktop =
      driver != nullptr && (std::strcmp(driver, "x11") == 0 || std::strcmp(driver, "wayland") == 0);
  if (!desktop && !DriverAskedFor()) {
    SDL_Quit();
    throw HostError("cannot open a window: no display available (set DISPLAY or WAYLAND_DISPLAY)");
  }
  window_ = SDL_CreateWindow("", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 400, 400,
                             SDL_WINDOW_HIDDEN);
  if (window_ == nullptr) {
    std::string why = SDL_GetError();
    SDL_Quit();
    throw HostError("cannot open a window: " + why);
  }
  last_ = Surface(400, 400, kBlack);

  // Sound is a nicety: without an audio device the game plays silently.
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0 &&
      // No changes allowed: SDL converts to whatever the device wants, so the music is always
      // rendered at a rate the module player supports.
      Mix_OpenAudioDevice(44100, AUDIO_S16SYS, 2, 1024, nullptr, 0) == 0) {
    int rate = 0;
    Uint16 format = 0;
    int channels = 0;
    Mix_QuerySpec(&rate, &format, &channels);
    audioRate_ = rate;
    Mix_AllocateChannels(1);
  }
}

SdlHost::~SdlHost() {
  if (audioRate_ > 0) {
    Mix_HookMusic(nullptr, nullptr);
    Mix_HaltChannel(-1);
    if (playing_ != nullptr) Mix_FreeChunk(playing_);
    Mix_CloseAudio();
  }
  if (window_ != nullptr) SDL_DestroyWindow(window_);
  SDL_Quit();
}

int32_t SdlHost::Clock() {
  return static_cast<int32_t>(SDL_GetTicks());
}

void SdlHost::Dispatch(const SDL_Event& e) {
  switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const int16_t code = VirtualKeyFromSdl(e.key.keysym.sym);
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
  FireDueTimers(timers_, Clock());
}

void SdlHost::BlockUntil(int32_t deadline) {
  if (!waiting_.empty()) return;
  const int32_t wake = NextTimerDue(timers_, deadline);
  const int32_t timeout = wake - Clock();
  if (timeout <= 0) return;
  SDL_Event e;
  if (SDL_WaitEventTimeout(&e, timeout) != 0) waiting_.push_back(e);
}

void SdlHost::Present() {
  presented_ = nullptr;
  SDL_Surface* target = SDL_GetWindowSurface(window_);
  if (target == nullptr || target->w != last_.Width || target->h != last_.Height) return;
  SDL_ConvertPixels(last_.Width, last_.Height, SDL_PIXELFORMAT_RGB888, last_.Pixels.data(),
                    last_.Width * 4, target->format->format, target->pixels, target->pitch);
  SDL_UpdateWindowSurface(window_);
  presented_ = target;
}

void SdlHost::Refresh(const Surface& image) {
  if (image.Width != last_.Width || image.Height != last_.Height) return;
  if (!shown_) {
    // Drawn while hidden (the title reveal): kept for the first appearance, nothing sent.
    std::copy(image.Pixels.begin(), image.Pixels.end(), last_.Pixels.begin());
    return;
  }
  SDL_Surface* target = SDL_GetWindowSurface(window_);
  if (target == nullptr || target != presented_ || target->w != last_.Width ||
      target->h != last_.Height) {
    // A new window surface holds nothing yet: it gets the whole image.
    std::copy(image.Pixels.begin(), image.Pixels.end(), last_.Pixels.begin());
    Present();
    return;
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

void SdlHost::ShowWindow() {
  SDL_ShowWindow(window_);
  shown_ = true;
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
  if (audioRate_ == 0) return;
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
  if (audioRate_ == 0) return;
  Mix_HookMusic(nullptr, nullptr);  // waits for a callback in progress to finish
  music_ = std::move(hook);
  if (music_) Mix_HookMusic(&SdlHost::MusicTrampoline, this);
}

void SdlHost::OpenUrl(const std::string& url) {
  SDL_OpenURL(url.c_str());
}

std::string SdlHost::ExecutableDir() {
  char* base = SDL_GetBasePath();
  if (base == nullptr) return ".";
  std::string dir = base;
  SDL_free(base);
  while (!dir.empty() && dir.back() == '/') dir.pop_back();
  return dir;
}

}  // namespace fg
