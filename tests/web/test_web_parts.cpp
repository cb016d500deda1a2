// The web host's parts that run without a browser: effect decoding and mixing, key names and
// pointer scaling.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/embedded.h"
#include "platform/keys.h"
#include "platform/mix_levels.h"
#include "platform/web/effect_mixer.h"
#include "platform/web/page_input.h"

namespace fg {
namespace {

void Put(std::vector<uint8_t>& b, uint32_t v, int width) {
  for (int i = 0; i < width; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutTag(std::vector<uint8_t>& b, const char* tag) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(tag[i]));
}

// A RIFF WAVE image with the given format and raw sample bytes.
std::vector<uint8_t> Wave(int channels, int rate, int bits, const std::vector<uint8_t>& data,
                          int formatTag = 1) {
  std::vector<uint8_t> b;
  PutTag(b, "RIFF");
  Put(b, static_cast<uint32_t>(4 + 24 + 8 + data.size()), 4);
  PutTag(b, "WAVE");
  PutTag(b, "fmt ");
  Put(b, 16, 4);
  Put(b, static_cast<uint32_t>(formatTag), 2);
  Put(b, static_cast<uint32_t>(channels), 2);
  Put(b, static_cast<uint32_t>(rate), 4);
  Put(b, static_cast<uint32_t>(rate * channels * bits / 8), 4);
  Put(b, static_cast<uint32_t>(channels * bits / 8), 2);
  Put(b, static_cast<uint32_t>(bits), 2);
  PutTag(b, "data");
  Put(b, static_cast<uint32_t>(data.size()), 4);
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

std::vector<uint8_t> Pcm16(const std::vector<int16_t>& samples) {
  std::vector<uint8_t> b;
  for (int16_t s : samples) Put(b, static_cast<uint16_t>(s), 2);
  return b;
}

TEST(WebEffects, DecodeToStereoAtTheOutputRate) {
  // 16-bit mono at the output rate: every sample on both channels, unchanged.
  const auto same = DecodeWave(Wave(1, 44100, 16, Pcm16({1000, -2000, 32767})), 44100);
  EXPECT_EQ(same, (std::vector<int16_t>{1000, 1000, -2000, -2000, 32767, 32767}));
  // 8-bit is unsigned around 128, and keeps its sign once widened.
  const auto eight = DecodeWave(Wave(1, 44100, 8, {128, 255, 0}), 44100);
  EXPECT_EQ(eight, (std::vector<int16_t>{0, 0, 127 * 256, 127 * 256, -128 * 256, -128 * 256}));
  // Stereo keeps its channels apart.
  const auto stereo = DecodeWave(Wave(2, 44100, 16, Pcm16({100, -100})), 44100);
  EXPECT_EQ(stereo, (std::vector<int16_t>{100, -100}));
  // Half the rate: twice the frames, the new ones between their neighbours.
  const auto doubled = DecodeWave(Wave(1, 22050, 16, Pcm16({0, 1000})), 44100);
  ASSERT_EQ(doubled.size(), 8u);
  EXPECT_EQ(doubled[2], 500);
  EXPECT_EQ(doubled[4], 1000);
}

TEST(WebEffects, TheGamesEffectsDecodeToTheirLength) {
  // 101 is 16-bit mono at 22050 Hz, 102 8-bit at 11025 Hz, 103 8-bit at 22050 Hz.
  struct Effect {
    int Id;
    int Bytes;  // per sample
    int Rate;
  };
  for (const Effect e : {Effect{101, 2, 22050}, Effect{102, 1, 11025}, Effect{103, 1, 22050}}) {
    const int id = e.Id;
    const auto image = EmbeddedAsset(std::to_string(id) + ".wav");
    ASSERT_FALSE(image.empty()) << id;
    const auto pcm = DecodeWave(image, 44100);
    ASSERT_FALSE(pcm.empty()) << id;
    const std::string text(image.begin(), image.end());
    const size_t data = text.find("data");
    ASSERT_NE(data, std::string::npos) << id;
    const size_t size = image[data + 4] | image[data + 5] << 8 | image[data + 6] << 16;
    const size_t frames = size / e.Bytes;   // whole frames of the source
    const size_t samples = pcm.size() / 2;  // 16-bit samples out
    const double expected = static_cast<double>(frames) * 44100 / e.Rate;
    EXPECT_NEAR(static_cast<double>(samples), expected, expected * 0.01 + 2) << id;
    bool sound = false;
    for (int16_t s : pcm) sound = sound || s != 0;
    EXPECT_TRUE(sound) << id;
  }
}

TEST(WebEffects, WhatIsNotPlainPcmIsRefused) {
  const auto good = Wave(1, 44100, 16, Pcm16({1, 2, 3, 4}));
  EXPECT_TRUE(DecodeWave({}, 44100).empty());
  EXPECT_TRUE(DecodeWave(good, 0).empty());
  EXPECT_TRUE(DecodeWave(Wave(1, 44100, 16, Pcm16({1, 2}), 3), 44100).empty());  // float
  EXPECT_TRUE(DecodeWave(Wave(1, 44100, 24, {1, 2, 3}), 44100).empty());
  EXPECT_TRUE(DecodeWave(Wave(3, 44100, 16, Pcm16({1, 2, 3})), 44100).empty());
  // Cut short inside the data chunk.
  std::vector<uint8_t> cut(good.begin(), good.end() - 3);
  EXPECT_TRUE(DecodeWave(cut, 44100).empty());
  std::vector<uint8_t> notRiff = good;
  notRiff[0] = 'X';
  EXPECT_TRUE(DecodeWave(notRiff, 44100).empty());
}

TEST(WebEffects, OneEffectAtATimeLaidOverTheMusicWithoutWrapping) {
  EffectMixer mixer(44100);
  // Effects are laid on at the desktop's effect volume, which leaves the music its headroom.
  const auto at = [](int v) { return static_cast<int16_t>(v * kEffectVolume / kFullEffectVolume); };
  mixer.Play(Wave(1, 44100, 16, Pcm16({30000, -30000, 5})));
  std::vector<int16_t> out = {30000, -10000, -30000, 10000};
  mixer.MixInto(out.data(), 2);
  // Saturates at the ends instead of wrapping round.
  EXPECT_EQ(out, (std::vector<int16_t>{32767, static_cast<int16_t>(-10000 + at(30000)), -32768,
                                       static_cast<int16_t>(10000 - at(30000))}));
  // A new effect cuts the old one off and starts from its own beginning.
  mixer.Play(Wave(1, 44100, 16, Pcm16({700, 800})));
  std::vector<int16_t> next(6, 0);
  mixer.MixInto(next.data(), 3);
  EXPECT_EQ(next, (std::vector<int16_t>{at(700), at(700), at(800), at(800), 0, 0}));
  EXPECT_FALSE(mixer.Sounding());
  // Once over, the music passes untouched; an image that does not decode only stops.
  std::vector<int16_t> music = {5, 6};
  mixer.MixInto(music.data(), 1);
  EXPECT_EQ(music, (std::vector<int16_t>{5, 6}));
  mixer.Play(Wave(1, 44100, 16, Pcm16({9, 9, 9})));
  mixer.Play(std::vector<uint8_t>{1, 2, 3});
  EXPECT_FALSE(mixer.Sounding());
}

TEST(WebInput, KeyNamesBecomeTheGamesKeyCodes) {
  EXPECT_EQ(VirtualKeyFromDom("ArrowLeft"), 37);
  EXPECT_EQ(VirtualKeyFromDom("ArrowUp"), 38);
  EXPECT_EQ(VirtualKeyFromDom("ArrowRight"), 39);
  EXPECT_EQ(VirtualKeyFromDom("ArrowDown"), 40);
  EXPECT_EQ(VirtualKeyFromDom(" "), 32);
  EXPECT_EQ(VirtualKeyFromDom("Escape"), 27);
  EXPECT_EQ(VirtualKeyFromDom("Pause"), 19);
  // Shift or Caps Lock do not change a letter's code.
  EXPECT_EQ(VirtualKeyFromDom("m"), 'M');
  EXPECT_EQ(VirtualKeyFromDom("M"), 'M');
  EXPECT_EQ(VirtualKeyFromDom("s"), 'S');
  EXPECT_EQ(VirtualKeyFromDom("7"), '7');
  for (const char* unused : {"F5", "Shift", "Tab", "Enter", "é", "", "-"}) {
    EXPECT_EQ(VirtualKeyFromDom(unused), 0) << unused;
  }
}

TEST(WebInput, OnlyTheGamesKeysAreKeptFromTheBrowser) {
  for (int code : std::initializer_list<int>{27, 32, 37, 38, 39, 40, 'M', 'S', 'P', 19}) {
    EXPECT_TRUE(KeyKeptFromBrowser(static_cast<int16_t>(code))) << code;
  }
  for (int code : std::initializer_list<int>{0, 'A', 'R', 'W', '1', 116}) {
    EXPECT_FALSE(KeyKeptFromBrowser(static_cast<int16_t>(code))) << code;
  }
}

TEST(WebInput, PointerOnAScaledCanvasMapsBackToWindowPixels) {
  EXPECT_FLOAT_EQ(ToWindowPixels(400, 800, 400), 200);
  EXPECT_FLOAT_EQ(ToWindowPixels(199, 1200, 400), 199.0f / 3);
  EXPECT_FLOAT_EQ(ToWindowPixels(57, 400, 400), 57);
  EXPECT_FLOAT_EQ(ToWindowPixels(10, 0, 400), 10);  // not laid out yet: taken as it comes
}

}  // namespace
}  // namespace fg
