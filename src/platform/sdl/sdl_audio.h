// Sound through SDL2_mixer: the device, opened on a thread of its own so that a sound server
// that never answers cannot hold start-up; the effects on one channel; the music hook.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "platform/host.h"
#include "platform/sdl/sdl_owners.h"

namespace fg {

// The open mixer, with the effect last started: when it goes, the music hook and the channels
// are stopped, the effect freed, and the device closed.
class SdlMixer {
 public:
  SdlMixer() = default;
  ~SdlMixer();
  SdlMixer(const SdlMixer&) = delete;
  SdlMixer& operator=(const SdlMixer&) = delete;

  void Opened() { open_ = true; }
  void Keep(SdlOwner<Mix_Chunk> playing) { playing_ = std::move(playing); }

 private:
  bool open_ = false;
  SdlOwner<Mix_Chunk> playing_;
};

class SdlAudio {
 public:
  // Sound is a nicety: without an audio device the game plays silently.
  explicit SdlAudio(SdlLibrary& sdl);
  ~SdlAudio();
  SdlAudio(const SdlAudio&) = delete;
  SdlAudio& operator=(const SdlAudio&) = delete;

  int Rate();  // 0 without a device; waits for the opener first
  void PlayWave(std::span<const uint8_t> image);
  void SetMusicHook(MusicHook hook);

  struct Opening;  // shared with the opener thread

 private:
  void Await();
  static void MusicTrampoline(void* self, uint8_t* stream, int len);

  SdlLibrary& sdl_;
  std::shared_ptr<Opening> opening_;  // until the device has opened or been given up
  int rate_ = 0;
  MusicHook music_;  // read on the audio thread: the mixer lets go of it before it goes
  SdlMixer mixer_;
};

}  // namespace fg
