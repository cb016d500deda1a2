// The test host: a virtual clock that moves only while the game waits, a script of input at
// virtual times, and a record of everything the game asked of the machine.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gfx/surface.h"
#include "platform/host.h"
#include "platform/record.h"

namespace fg {

struct ScriptedEvent {
  enum Kind { kKeyDown, kKeyUp, kMouseMove, kMouseDown, kClose, kFocusLost, kDevice };
  int64_t Time = 0;
  Kind What = kKeyDown;
  int16_t Code = 0;  // key code, mouse button, or the InputDevice now used
  float X = 0;
  float Y = 0;
};

struct PlayedWave {
  int64_t Time;
  std::vector<uint8_t> Image;
};

class HeadlessHost : public Host {
 public:
  HeadlessHost() = default;
  // A clock that starts elsewhere than 0, e.g. just below 2^31 ms to cross that boundary.
  explicit HeadlessHost(int64_t start) : now_(start) {}

  // Script. Events are delivered by DoEvents once the virtual clock has reached their time.
  void At(int64_t time, ScriptedEvent::Kind what, int16_t code = 0, float x = 0, float y = 0);
  void KeyPress(int64_t time, int16_t code) { At(time, ScriptedEvent::kKeyDown, code); }
  void KeyRelease(int64_t time, int16_t code) { At(time, ScriptedEvent::kKeyUp, code); }
  void UseDevice(int64_t time, InputDevice device) {
    At(time, ScriptedEvent::kDevice, static_cast<int16_t>(device));
  }
  bool ScriptDone() const { return next_ >= script_.size(); }
  size_t TimerCount() const { return timers_.size(); }  // timers added and not removed

  // Host.
  int64_t Clock() override { return now_; }
  void DoEvents() override;
  void BlockUntil(int64_t deadline) override;
  void SetSink(EventSink* sink) override { sink_ = sink; }
  EventSink* Sink() const override { return sink_; }
  void AddTimer(Timer* timer) override { timers_.push_back(timer); }
  void RemoveTimer(Timer* timer) override { std::erase(timers_, timer); }
  void Refresh(const Surface& image) override;
  void ShowWindow() override {
    ShownAtRefresh = Refreshes;
    Shown = true;
  }
  void SetCaption(const std::string& caption) override { Caption = caption; }
  void SetIcon(const Surface& icon) override { Icon = icon; }
  void PlayWave(std::span<const uint8_t> image) override;
  void SetMusicHook(MusicHook hook) override { Music = std::move(hook); }
  int MusicRate() override { return 44100; }
  void OpenUrl(const std::string& url) override { Urls.push_back(url); }
  std::string ExecutableDir() override { return ExeDir; }
  // A date that moves with the virtual clock, so a replay ends its games at the same times.
  int64_t WallClock() override { return WallStart + now_ / 1000; }
  RecordStore& Records() override { return *Store; }
  void CopyText(const std::string& text) override { Copied.push_back(text); }
  void OfferShare(const std::string& code) override { Offered = code; }

  // Record.
  int Refreshes = 0;
  Surface Screen;                                 // the image at the last refresh
  std::function<void(const Surface&)> OnRefresh;  // optional per-refresh inspection
  bool Shown = false;
  int ShownAtRefresh = -1;
  std::string Caption;
  Surface Icon;
  std::vector<PlayedWave> Waves;
  bool KeepWaveImages = true;  // soak runs switch this off
  std::vector<std::string> Urls;
  std::vector<std::string> Copied;  // what the game put on the clipboard, in order
  std::string Offered;              // the code the game offers to share now, if any
  MusicHook Music;
  std::string ExeDir = "/opt/fenzogobbix";
  int Pumps = 0;                 // DoEvents calls
  std::function<void()> OnPump;  // optional, at the start of every DoEvents: lets a test
                                 // script input for a pump inside a sequence

  // The player's record.
  int64_t WallStart = 1717243200;  // 2024-06-01 12:00 UTC at clock 0
  RecordStore* Store = &nowhere_;  // where the record is kept: a test puts its own store here

 private:
  // Without a store of its own a benchmark keeps no record: nothing read, nothing stored.
  class NoRecord : public RecordStore {
   public:
    std::optional<std::string> Load(const Merge& /*check*/) override { return std::nullopt; }
    bool Commit(const Merge& /*merge*/, bool /*last*/) override { return false; }
  };
  NoRecord nowhere_;
  int64_t now_ = 0;
  std::vector<ScriptedEvent> script_;
  size_t next_ = 0;
  EventSink* sink_ = nullptr;
  std::vector<Timer*> timers_;
};

}  // namespace fg
