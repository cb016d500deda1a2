// The browser host: the window is a <canvas id="screen">, input comes from the page's events,
// sound goes out through Web Audio, and the game's paced waits yield to the browser.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "gfx/surface.h"
#include "platform/host.h"
#include "platform/web/effect_mixer.h"
#include "platform/web/record_store.h"

namespace fg {

class WebHost : public Host {
 public:
  WebHost();  // listens to the canvas and asks the page for its audio rate
  ~WebHost() override;
  WebHost(const WebHost&) = delete;
  WebHost& operator=(const WebHost&) = delete;

  int64_t Clock() override;
  void DoEvents() override;
  void BlockUntil(int64_t deadline) override;
  void SetSink(EventSink* sink) override;  // told the device in hand, unless the keyboard
  EventSink* Sink() const override { return sink_; }
  void AddTimer(Timer* timer) override { timers_.push_back(timer); }
  void RemoveTimer(Timer* timer) override { std::erase(timers_, timer); }
  void Refresh(const Surface& image) override;
  void ShowWindow() override;
  void SetCaption(const std::string& caption) override;
  void SetIcon(const Surface& icon) override;
  void PlayWave(std::span<const uint8_t> image) override;
  void SetMusicHook(MusicHook hook) override { music_ = std::move(hook); }
  int MusicRate() override { return rate_; }
  void OpenUrl(const std::string& url) override;
  std::string ExecutableDir() override { return "/"; }  // the page puts the tune at the root
  int64_t WallClock() override;
  RecordStore& Records() override { return records_; }  // the page's localStorage
  void Breathe() override;
  void CopyText(const std::string& text) override;    // the clipboard, or a selected field
  std::string PageAddress() override;                 // location, without its fragment
  void OfferShare(const std::string& code) override;  // the share button
  void ShowSwitches(bool music,
                    bool effects) override;  // the touch buttons for M and S  // a turn for the
                                             // browser once start-up has held it a while

  // The program has ended: input goes back to the browser, the sound stops, the last image
  // stays and the page says how to play again.
  void End();

  // The next `frames` of output, music and effect mixed: left channel, then right.
  const float* RenderAudio(int frames);

  // Input as the page's callbacks queue it; DoEvents hands it to the game.
  struct Input {
    enum Kind { kKeyDown, kKeyUp, kMouseMove, kMouseDown, kFocusLost };
    Kind What = kKeyDown;
    int16_t Code = 0;  // key code or mouse button
    float X = 0;
    float Y = 0;
    InputDevice Device = InputDevice::kKeyboard;  // what it came from; presses tell the game
  };
  void Queue(const Input& e);
  // Whether a click at (x, y) would do something in the game that has the input now.
  bool TapClicks(float x, float y) const { return sink_ != nullptr && sink_->Clickable(x, y); }

 private:
  void Put(int y, int rows);

  double start_ = 0;
  double breath_ = 0;  // when the browser last had a turn during start-up
  EventSink* sink_ = nullptr;
  std::vector<Timer*> timers_;
  std::deque<Input> queued_;
  // What the last press came from: at first touch on a touch screen, else the keyboard.
  InputDevice device_ = InputDevice::kKeyboard;
  Surface last_;  // the image on the canvas, or to be put there once shown
  bool shown_ = false;
  bool ended_ = false;
  std::vector<uint32_t> rgba_;  // canvas byte order of last_
  int rate_ = 0;
  MusicHook music_;
  EffectMixer effects_;
  std::vector<int16_t> mix_;
  std::vector<float> out_;
  LocalStorageRecord records_;
};

}  // namespace fg
