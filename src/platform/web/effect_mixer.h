// The browser has no mixer the game can hand a WAVE image to, so the web host keeps one: the
// effect sounding now, resampled to the output rate and laid over the music, one at a time, as
// the desktop's single mixing channel does.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace fg {

// 16-bit interleaved stereo at `rate` from a RIFF WAVE image of 8- or 16-bit PCM, mono or
// stereo; empty when the image is anything else or is cut short.
std::vector<int16_t> DecodeWave(std::span<const uint8_t> image, int rate);

class EffectMixer {
 public:
  explicit EffectMixer(int rate) : rate_(rate) {}

  // Starts an effect, cutting off the one sounding; an image that does not decode only stops.
  void Play(std::span<const uint8_t> image);
  // Adds the next `frames` of the sounding effect onto interleaved stereo, saturating.
  void MixInto(int16_t* stereo, int frames);
  bool Sounding() const { return next_ < samples_.size(); }

 private:
  int rate_;
  std::vector<int16_t> samples_;
  size_t next_ = 0;
};

}  // namespace fg
