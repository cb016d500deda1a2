// The module-player library over libxmp. Rendering runs on the audio thread through the host's
// music hook; every call from the game takes the same lock.
#include "sound/xmp_player.h"

#include <cstring>

#include "platform/mix_levels.h"

namespace fg {

XmpModulePlayer::XmpModulePlayer(Host& host) : host_(host) {}

XmpModulePlayer::~XmpModulePlayer() {
  MIDASclose();
}

void XmpModulePlayer::MIDASstartBackgroundPlay(int32_t /*rate*/) {
  if (background_) return;
  background_ = true;
  host_.SetMusicHook([this](uint8_t* stream, int bytes) { Render(stream, bytes); });
}

int32_t XmpModulePlayer::MIDASloadModule(const std::string& path) {
  const int rate = host_.MusicRate() > 0 ? host_.MusicRate() : 44100;
  std::unique_ptr<XmpModule> m = XmpModule::Load(path, rate);
  if (!m) return 0;
  std::lock_guard<std::mutex> hold(lock_);
  const int32_t handle = nextHandle_++;
  modules_[handle] = std::move(m);
  return handle;
}

void XmpModulePlayer::MIDASsetAmplification(int32_t amplification) {
  std::lock_guard<std::mutex> hold(lock_);
  // Below the amplification asked for by kMusicHeadroom: room for the effects laid on top. [D17]
  volume_ = static_cast<float>(amplification) / 100.0f * kMusicHeadroom;
}

int32_t XmpModulePlayer::MIDASplayModule(int32_t module, int32_t /*loop*/) {
  std::lock_guard<std::mutex> hold(lock_);
  auto it = modules_.find(module);
  if (it == modules_.end()) return 0;
  it->second->Start();
  if (!it->second->Playing()) return 0;
  // One playback per module: a new one replaces whatever that module was playing.
  std::erase_if(playbacks_, [module](const auto& p) { return p.second == module; });
  const int32_t handle = nextHandle_++;
  playbacks_[handle] = module;
  return handle;
}

void XmpModulePlayer::MIDASstopModule(int32_t playback) {
  std::lock_guard<std::mutex> hold(lock_);
  auto it = playbacks_.find(playback);
  if (it == playbacks_.end()) return;
  auto m = modules_.find(it->second);
  if (m != modules_.end()) m->second->Stop();
  playbacks_.erase(it);
}

void XmpModulePlayer::MIDASfreeModule(int32_t module) {
  std::unique_ptr<XmpModule> released;
  {
    std::lock_guard<std::mutex> hold(lock_);
    std::erase_if(playbacks_, [module](const auto& p) { return p.second == module; });
    auto it = modules_.find(module);
    if (it == modules_.end()) return;
    released = std::move(it->second);
    modules_.erase(it);
  }
  // Released outside the lock: the audio thread need not wait for libxmp to tidy up.
}

void XmpModulePlayer::MIDAScloseChannels() {
  std::lock_guard<std::mutex> hold(lock_);
  for (auto& [handle, m] : modules_) m->Stop();
  playbacks_.clear();
}

void XmpModulePlayer::MIDASstopBackgroundPlay() {
  if (!background_) return;
  background_ = false;
  host_.SetMusicHook({});
}

void XmpModulePlayer::MIDASclose() {
  MIDASstopBackgroundPlay();
  std::map<int32_t, std::unique_ptr<XmpModule>> released;
  {
    std::lock_guard<std::mutex> hold(lock_);
    playbacks_.clear();
    released.swap(modules_);
  }
}

void XmpModulePlayer::Render(uint8_t* stream, int bytes) {
  std::memset(stream, 0, static_cast<size_t>(bytes));
  std::lock_guard<std::mutex> hold(lock_);
  for (auto& [handle, module] : playbacks_) {
    auto it = modules_.find(module);
    if (it != modules_.end()) {
      it->second->MixInto(reinterpret_cast<int16_t*>(stream), bytes / 4, volume_);
    }
  }
}

}  // namespace fg
