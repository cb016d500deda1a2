// The headless host: deterministic time and input for tests and benchmarks.
#include "platform/headless/headless_host.h"

#include <algorithm>
#include <fstream>

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

void RecordingModulePlayer::MIDASstartup() {
  log_.emplace_back("MIDASstartup");
  if (inner_) inner_->MIDASstartup();
}
void RecordingModulePlayer::MIDASinit() {
  log_.emplace_back("MIDASinit");
  if (inner_) inner_->MIDASinit();
}
void RecordingModulePlayer::MIDASstartBackgroundPlay(int32_t rate) {
  log_.push_back("MIDASstartBackgroundPlay " + std::to_string(rate));
  if (inner_) inner_->MIDASstartBackgroundPlay(rate);
}
void RecordingModulePlayer::MIDASopenChannels(int32_t channels) {
  log_.push_back("MIDASopenChannels " + std::to_string(channels));
  if (inner_) inner_->MIDASopenChannels(channels);
}
int32_t RecordingModulePlayer::MIDASloadModule(const std::string& path) {
  int32_t handle = 0;
  if (inner_) {
    handle = inner_->MIDASloadModule(path);
  } else {
    std::ifstream f(path, std::ios::binary);
    if (f && f.peek() != std::ifstream::traits_type::eof()) handle = nextHandle_++;
  }
  log_.push_back("MIDASloadModule " + path + " -> " + std::to_string(handle));
  return handle;
}
void RecordingModulePlayer::MIDASsetAmplification(int32_t amplification) {
  log_.push_back("MIDASsetAmplification " + std::to_string(amplification));
  if (inner_) inner_->MIDASsetAmplification(amplification);
}
int32_t RecordingModulePlayer::MIDASplayModule(int32_t module, int32_t loop) {
  const int32_t handle = inner_ ? inner_->MIDASplayModule(module, loop) : nextHandle_++;
  log_.push_back("MIDASplayModule " + std::to_string(module) + " " + std::to_string(loop) + " -> " +
                 std::to_string(handle));
  return handle;
}
void RecordingModulePlayer::MIDASstopModule(int32_t playback) {
  log_.push_back("MIDASstopModule " + std::to_string(playback));
  if (inner_) inner_->MIDASstopModule(playback);
}
void RecordingModulePlayer::MIDASfreeModule(int32_t module) {
  log_.push_back("MIDASfreeModule " + std::to_string(module));
  if (inner_) inner_->MIDASfreeModule(module);
}
void RecordingModulePlayer::MIDAScloseChannels() {
  log_.emplace_back("MIDAScloseChannels");
  if (inner_) inner_->MIDAScloseChannels();
}
void RecordingModulePlayer::MIDASstopBackgroundPlay() {
  log_.emplace_back("MIDASstopBackgroundPlay");
  if (inner_) inner_->MIDASstopBackgroundPlay();
}
void RecordingModulePlayer::MIDASclose() {
  log_.emplace_back("MIDASclose");
  if (inner_) inner_->MIDASclose();
}

}  // namespace fg
