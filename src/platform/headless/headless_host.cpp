// The headless host: deterministic time and input for tests and benchmarks.
#include "platform/headless/headless_host.h"

#include <algorithm>

namespace fg {

void HeadlessHost::At(int64_t time, ScriptedEvent::Kind what, int16_t code, float x, float y) {
  ScriptedEvent e{time, what, code, x, y};
  // Keep the script ordered by time; events at the same time keep the order they were added.
  auto pos = std::upper_bound(
      script_.begin() + static_cast<long>(next_), script_.end(), e,
      [](const ScriptedEvent& a, const ScriptedEvent& b) { return a.Time < b.Time; });
  script_.insert(pos, e);
}

void HeadlessHost::DoEvents() {
  ++Pumps;
  if (OnPump) OnPump();
  while (next_ < script_.size() && script_[next_].Time <= now_) {
    const ScriptedEvent e = script_[next_++];
    if (sink_ == nullptr) continue;
    switch (e.What) {
      case ScriptedEvent::kKeyDown:
        sink_->KeyDown(e.Code);
        break;
      case ScriptedEvent::kKeyUp:
        sink_->KeyUp(e.Code);
        break;
      case ScriptedEvent::kMouseMove:
        sink_->MouseMove(e.X, e.Y);
        break;
      case ScriptedEvent::kMouseDown:
        sink_->MouseDown(e.Code, e.X, e.Y);
        break;
      case ScriptedEvent::kClose:
        sink_->CloseRequest();
        break;
      case ScriptedEvent::kFocusLost:
        sink_->FocusLost();
        break;
      case ScriptedEvent::kDevice:
        sink_->DeviceUsed(static_cast<InputDevice>(e.Code));
        break;
    }
  }
  FireDueTimers(timers_, now_);
}

void HeadlessHost::BlockUntil(int64_t deadline) {
  int64_t wake = NextTimerDue(timers_, deadline);
  if (next_ < script_.size()) wake = std::min(wake, script_[next_].Time);
  now_ = std::max(now_, wake);
}

void HeadlessHost::Refresh(const Surface& image) {
  ++Refreshes;
  Screen = image;
  if (OnRefresh) OnRefresh(image);
}

void HeadlessHost::PlayWave(std::span<const uint8_t> image) {
  PlayedWave w{now_, {}};
  if (KeepWaveImages) w.Image.assign(image.begin(), image.end());
  Waves.push_back(std::move(w));
}

}  // namespace fg
