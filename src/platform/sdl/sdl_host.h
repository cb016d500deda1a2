// The real host: an SDL2 window drawn through its window surface, SDL2_mixer for sound,
// SDL's game controllers for pads. Each concern has a file of its own beside this one; the host
// pumps SDL's events and wires the parts together.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/host.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/sdl_input.h"
#include "platform/sdl/sdl_owners.h"
#include "platform/sdl/sdl_process.h"
#include "platform/sdl/sdl_window.h"

union SDL_Event;
struct SDL_WindowEvent;

namespace fg {

class SdlHost : public Host {
 public:
  explicit SdlHost(const SdlHostOptions& options = {});  // throws HostError without a display
  ~SdlHost() override;
  SdlHost(const SdlHost&) = delete;
  SdlHost& operator=(const SdlHost&) = delete;

  int64_t Clock() override;
  void DoEvents() override;
  void BlockUntil(int64_t deadline) override;
  void SetSink(EventSink* sink) override { input_.SetSink(sink); }
  EventSink* Sink() const override { return input_.Sink(); }
  void AddTimer(Timer* timer) override { timers_.push_back(timer); }
  void RemoveTimer(Timer* timer) override { std::erase(timers_, timer); }
  void Refresh(const Surface& image) override { window_.Refresh(image); }
  void ShowWindow() override;
  void SetCaption(const std::string& caption) override { window_.SetCaption(caption); }
  void SetIcon(const Surface& icon) override { window_.SetIcon(icon); }
  void PlayWave(std::span<const uint8_t> image) override { audio_.PlayWave(image); }
  void SetMusicHook(MusicHook hook) override { audio_.SetMusicHook(std::move(hook)); }
  int MusicRate() override { return audio_.Rate(); }
  void OpenUrl(const std::string& url) override { OpenUrlOnDesktop(url); }
  std::string ExecutableDir() override { return ExecutableDirectory(); }
  int64_t WallClock() override;     // record_store.cpp
  RecordStore& Records() override;  // record_store.cpp: the user's data folder
  void CopyText(const std::string& text) override;

 private:
  friend struct SdlHostProbe;  // what the tests look at: tests/platform/sdl_test_util.h

  void Dispatch(const SDL_Event& e);
  void WindowChanged(const SDL_WindowEvent& e);

  // Started in this order, ended the other way round: SDL itself outlives every part.
  SdlLibrary sdl_;
  SdlWindow window_;
  SdlInput input_;
  SdlAudio audio_;
  std::vector<Timer*> timers_;
  std::deque<SDL_Event> waiting_;         // events taken off the queue while blocking
  std::unique_ptr<RecordStore> records_;  // made on first use
};

}  // namespace fg
