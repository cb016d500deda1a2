// The module-player library the music procedures call, written over libxmp and the host's
// music hook, so that music and effects share one audio device.
#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "platform/host.h"
#include "platform/mix_levels.h"
#include "platform/module_player.h"
#include "sound/xmp_module.h"

namespace fg {

class XmpModulePlayer : public ModulePlayer {
 public:
  explicit XmpModulePlayer(Host& host);
  ~XmpModulePlayer() override;

  void MIDASstartBackgroundPlay(int32_t rate) override;
  int32_t MIDASloadModule(const std::string& path) override;
  void MIDASsetAmplification(int32_t amplification) override;
  int32_t MIDASplayModule(int32_t module, int32_t loop) override;
  void MIDASstopModule(int32_t playback) override;
  void MIDASfreeModule(int32_t module) override;
  void MIDAScloseChannels() override;
  void MIDASstopBackgroundPlay() override;
  void MIDASclose() override;

  // Renders `bytes` of 16-bit stereo (what the host's hook asks for); public for tests.
  void Render(uint8_t* stream, int bytes);

 private:
  Host& host_;
  std::mutex lock_;  // the audio thread renders while the game thread plays and stops
  std::map<int32_t, std::unique_ptr<XmpModule>> modules_;
  std::map<int32_t, int32_t> playbacks_;  // playback handle -> module handle
  int32_t nextHandle_ = 1;
  float volume_ = kMusicHeadroom;
  bool background_ = false;
};

}  // namespace fg
