// WAVE decoding and the effect channel of the web host.
#include "platform/web/effect_mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "platform/mix_levels.h"

namespace fg {

namespace {

uint32_t Le(std::span<const uint8_t> b, size_t at, int width) {
  uint32_t v = 0;
  for (int i = width - 1; i >= 0; --i) v = (v << 8) | b[at + static_cast<size_t>(i)];
  return v;
}

bool Tag(std::span<const uint8_t> b, size_t at, std::string_view tag) {
  return at + 4 <= b.size() && std::memcmp(b.data() + at, tag.data(), 4) == 0;
}

struct Format {
  int Channels = 0;
  int Rate = 0;
  int Bits = 0;
};

// One sample of channel `c` of frame `f`, widened to 16 bits (8-bit PCM is unsigned).
int Sample(std::span<const uint8_t> data, const Format& fmt, size_t f, int c) {
  const auto width = static_cast<size_t>(fmt.Bits / 8);
  const size_t at = (f * static_cast<size_t>(fmt.Channels) + static_cast<size_t>(c)) * width;
  if (fmt.Bits == 8) return (static_cast<int>(data[at]) - 128) * 256;
  return static_cast<int16_t>(Le(data, at, 2));
}

}  // namespace

std::vector<int16_t> DecodeWave(std::span<const uint8_t> image, int rate) {
  if (rate <= 0 || !Tag(image, 0, "RIFF") || !Tag(image, 8, "WAVE")) return {};
  Format fmt;
  std::span<const uint8_t> data;
  for (size_t at = 12; at + 8 <= image.size();) {
    const size_t size = Le(image, at + 4, 4);
    const size_t body = at + 8;
    if (size > image.size() - body) return {};  // a chunk running past the end: cut short
    if (Tag(image, at, "fmt ") && size >= 16) {
      if (Le(image, body, 2) != 1) return {};  // compressed: not ours
      fmt.Channels = static_cast<int>(Le(image, body + 2, 2));
      fmt.Rate = static_cast<int>(Le(image, body + 4, 4));
      fmt.Bits = static_cast<int>(Le(image, body + 14, 2));
    } else if (Tag(image, at, "data")) {
      data = image.subspan(body, size);
    }
    at = body + size + (size & 1);  // chunks are padded to even length
  }
  if ((fmt.Channels != 1 && fmt.Channels != 2) || (fmt.Bits != 8 && fmt.Bits != 16) ||
      fmt.Rate <= 0 || data.empty()) {
    return {};
  }
  const size_t frames = data.size() / static_cast<size_t>(fmt.Channels * fmt.Bits / 8);
  if (frames == 0) return {};
  // Linear interpolation from the image's rate to the output rate.
  const auto outFrames =
      static_cast<size_t>(std::lround(static_cast<double>(frames) * rate / fmt.Rate));
  std::vector<int16_t> out(outFrames * 2);
  const double step = static_cast<double>(fmt.Rate) / rate;
  for (size_t i = 0; i < outFrames; ++i) {
    const double pos = static_cast<double>(i) * step;
    const size_t f0 = std::min(static_cast<size_t>(pos), frames - 1);
    const size_t f1 = std::min(f0 + 1, frames - 1);
    const double t = pos - static_cast<double>(f0);
    for (int c = 0; c < 2; ++c) {
      const int ch = std::min(c, fmt.Channels - 1);
      const double v = Sample(data, fmt, f0, ch) * (1 - t) + Sample(data, fmt, f1, ch) * t;
      out[i * 2 + static_cast<size_t>(c)] = static_cast<int16_t>(v);
    }
  }
  return out;
}

void EffectMixer::Play(std::span<const uint8_t> image) {
  samples_ = DecodeWave(image, rate_);
  next_ = 0;
}

void EffectMixer::MixInto(int16_t* stereo, int frames) {
  const size_t n = std::min(static_cast<size_t>(frames) * 2, samples_.size() - next_);
  for (size_t i = 0; i < n; ++i) {
    const int v = stereo[i] + samples_[next_ + i] * kEffectVolume / kFullEffectVolume;
    stereo[i] = static_cast<int16_t>(std::clamp(v, -32768, 32767));
  }
  next_ += n;
}

}  // namespace fg
