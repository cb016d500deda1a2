// The real host: an SDL2 window drawn through its window surface, SDL2_mixer for sound.
#pragma once

#include <deque>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "gfx/surface.h"
#include "platform/host.h"

union SDL_Event;
struct SDL_Rect;
struct SDL_Renderer;
struct SDL_Surface;
struct SDL_Texture;
struct SDL_Window;
struct Mix_Chunk;

namespace fg {

// A failure the game cannot run through (no display); main prints it and exits with 1.
struct HostError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// How the window is shown. Presentation only: the game's image stays 400 x 400 whatever these say.
struct SdlHostOptions {
  int Scale = 0;            // 1 to 6; 0 picks the default for the display
  bool Fullscreen = false;  // start in fullscreen (desktop resolution, image centred)
};

class SdlHost : public Host {
 public:
  explicit SdlHost(const SdlHostOptions& options = {});  // throws HostError without a display
  ~SdlHost() override;
  SdlHost(const SdlHost&) = delete;
  SdlHost& operator=(const SdlHost&) = delete;

  int64_t Clock() override;
  void DoEvents() override;
  void BlockUntil(int64_t deadline) override;
  void SetSink(EventSink* sink) override { sink_ = sink; }
  void AddTimer(Timer* timer) override { timers_.push_back(timer); }
  void Refresh(const Surface& image) override;
  void ShowWindow() override;
  void SetCaption(const std::string& caption) override;
  void SetIcon(const Surface& icon) override;
  void PlayWave(std::span<const uint8_t> image) override;
  void SetMusicHook(MusicHook hook) override;
  int MusicRate() override;
  void OpenUrl(const std::string& url) override;
  std::string ExecutableDir() override;

  bool AudioOpen() { return MusicRate() > 0; }
  // True when the image goes through a renderer and a texture (Wayland has no window surface).
  bool UsesRenderer() const { return renderer_ != nullptr; }

  struct AudioOpening;  // the audio device being opened on a thread of its own

 private:
  void Dispatch(const SDL_Event& e);
  void Present();
  void SendBands(const SDL_Rect* bands, int count);
  void AwaitAudio();
  static void MusicTrampoline(void* self, uint8_t* stream, int len);

  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;  // only where the window has no surface of its own
  SDL_Texture* texture_ = nullptr;
  EventSink* sink_ = nullptr;
  std::vector<Timer*> timers_;
  std::deque<SDL_Event> waiting_;     // events taken off the queue while blocking
  Surface last_;                      // the image last refreshed, repainted on expose
  bool shown_ = false;                // nothing is sent to the display before the window is shown
  SDL_Surface* presented_ = nullptr;  // the window surface that holds all of last_, if any
  std::shared_ptr<AudioOpening> opening_;  // until the device has opened or been given up
  bool audioAbandoned_ = false;            // the sound server never answered: never touch it
  int audioRate_ = 0;
  Mix_Chunk* playing_ = nullptr;
  MusicHook music_;
};

// Windows virtual-key code for an SDL key, or 0 for keys the game has no use for. The keypad's
// 8, 4, 6, 2 are the arrows while Num Lock is off, as they are on the desktop the game knows.
int16_t VirtualKeyFromSdl(int32_t sdlKey, uint16_t modifiers = 0);

// The running program's directory from SDL's base path: no trailing separator, and empty when
// it is unknown (then nothing is looked for beside it, and certainly not in the working
// directory).
std::string DirectoryFromBasePath(const char* basePath);

// The video drivers to try, in order, for the display variables given: X11 first where there is
// an X display, Wayland only where there is a Wayland one. Empty when there is no display.
std::vector<std::string> VideoDriversToTry(const char* display, const char* waylandDisplay);

// SIGTERM and SIGINT: before the window is up they end the program at once; after it, they ask
// the game to close as the close box does, and end it anyway if that takes over two seconds
// (a wedged display server). Installed by the host's constructor.
void InstallTerminationHandlers();
void TerminationWindowUp();   // from now on a signal asks the game to close
bool TerminationRequested();  // a signal came: the game should close now

}  // namespace fg
