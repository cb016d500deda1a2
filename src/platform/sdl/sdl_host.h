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
struct SDL_Surface;
struct SDL_Window;
struct Mix_Chunk;

namespace fg {

// A failure the game cannot run through (no display); main prints it and exits with 1.
struct HostError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class SdlHost : public Host {
 public:
  SdlHost();  // throws HostError when there is no display
  ~SdlHost() override;
  SdlHost(const SdlHost&) = delete;
  SdlHost& operator=(const SdlHost&) = delete;

  int32_t Clock() override;
  void DoEvents() override;
  void BlockUntil(int32_t deadline) override;
  void SetSink(EventSink* sink) override { sink_ = sink; }
  void AddTimer(Timer* timer) override { timers_.push_back(timer); }
  void Refresh(const Surface& image) override;
  void ShowWindow() override;
  void SetCaption(const std::string& caption) override;
  void SetIcon(const Surface& icon) override;
  void PlayWave(std::span<const uint8_t> image) override;
  void SetMusicHook(MusicHook hook) override;
  int MusicRate() override { return audioRate_; }
  void OpenUrl(const std::string& url) override;
  std::string ExecutableDir() override;

  bool AudioOpen() const { return audioRate_ > 0; }

 private:
  void Dispatch(const SDL_Event& e);
  void Present();
  static void MusicTrampoline(void* self, uint8_t* stream, int len);

  SDL_Window* window_ = nullptr;
  EventSink* sink_ = nullptr;
  std::vector<Timer*> timers_;
  std::deque<SDL_Event> waiting_;     // events taken off the queue while blocking
  Surface last_;                      // the image last refreshed, repainted on expose
  bool shown_ = false;                // nothing is sent to the display before the window is shown
  SDL_Surface* presented_ = nullptr;  // the window surface that holds all of last_, if any
  int audioRate_ = 0;
  Mix_Chunk* playing_ = nullptr;
  MusicHook music_;
};

// Windows virtual-key code for an SDL key, or 0 for keys the game has no use for.
int16_t VirtualKeyFromSdl(int32_t sdlKey);

}  // namespace fg
