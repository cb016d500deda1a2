// The sound effects: the three embedded WAVE images, what PlayEffect hands the host, and
// SDL2_mixer accepting each image.
#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "core/embedded.h"
#include "sound/effects.h"
#include "testkit.h"

namespace fg {
namespace {

std::span<const uint8_t> Image(int id) {
  return EmbeddedAsset(std::to_string(id) + ".wav");
}

std::vector<uint8_t> Bytes(int id) {
  const auto s = Image(id);
  return {s.begin(), s.end()};
}

// The chunks of a RIFF WAVE image, in file order, read the way a player walks them.
struct Chunk {
  std::string Id;
  size_t Offset = 0;  // of the chunk's data
  uint32_t Size = 0;
};

uint32_t Le(std::span<const uint8_t> b, size_t at, int width) {
  uint32_t v = 0;
  for (int i = width - 1; i >= 0; --i) v = (v << 8) | b[at + static_cast<size_t>(i)];
  return v;
}

std::vector<Chunk> Chunks(std::span<const uint8_t> b) {
  std::vector<Chunk> chunks;
  size_t at = 12;
  while (at + 8 <= b.size()) {
    Chunk c{std::string(reinterpret_cast<const char*>(&b[at]), 4), at + 8, Le(b, at + 4, 4)};
    chunks.push_back(c);
    at = c.Offset + c.Size + (c.Size & 1);  // chunks are padded to even length
  }
  EXPECT_EQ(at, b.size()) << "the last chunk ends exactly at the end of the image";
  return chunks;
}

struct Expected {
  int Id;
  uint32_t Rate;
  uint16_t Bits;
  size_t Size;
  double Seconds;
};

constexpr Expected kEffects[] = {
    {101, 22050, 16, 18146, 0.41},
    {102, 11025, 8, 15612, 1.41},
    {103, 22050, 8, 1728, 0.075},
};

TEST(SoundEffectImages, AreMonoPcmWaveFilesOfTheExpectedShape) {
  for (const Expected& e : kEffects) {
    SCOPED_TRACE(e.Id);
    const std::span<const uint8_t> b = Image(e.Id);
    ASSERT_EQ(b.size(), e.Size);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data()), 4), "RIFF");
    EXPECT_EQ(Le(b, 4, 4), b.size() - 8);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data() + 8), 4), "WAVE");

    const std::vector<Chunk> chunks = Chunks(b);
    std::vector<std::string> ids;
    ids.reserve(chunks.size());
    for (const Chunk& c : chunks) ids.push_back(c.Id);
    const std::vector<std::string> order = e.Id == 103
                                               ? std::vector<std::string>{"LIST", "fmt ", "data"}
                                               : std::vector<std::string>{"fmt ", "data"};
    ASSERT_EQ(ids, order);
    const Chunk& fmt = chunks[chunks.size() - 2];
    const Chunk& data = chunks.back();
    ASSERT_GE(fmt.Size, 16u);
    EXPECT_EQ(Le(b, fmt.Offset, 2), 1u) << "uncompressed PCM";
    EXPECT_EQ(Le(b, fmt.Offset + 2, 2), 1u) << "mono";
    EXPECT_EQ(Le(b, fmt.Offset + 4, 4), e.Rate);
    const uint32_t blockAlign = e.Bits / 8;
    EXPECT_EQ(Le(b, fmt.Offset + 8, 4), e.Rate * blockAlign) << "byte rate";
    EXPECT_EQ(Le(b, fmt.Offset + 12, 2), blockAlign);
    EXPECT_EQ(Le(b, fmt.Offset + 14, 2), e.Bits);
    EXPECT_NEAR(static_cast<double>(data.Size) / blockAlign / e.Rate, e.Seconds, 0.01);
    if (e.Id == 103) {
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[chunks[0].Offset]), 8), "INFOINAM")
          << "a list with a title entry";
    }
  }
}

TEST(SoundEffectImages, LoadIntoSdlMixer) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
  ASSERT_EQ(Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024), 0) << Mix_GetError();
  int rate = 0;
  Uint16 format = 0;
  int channels = 0;
  Mix_QuerySpec(&rate, &format, &channels);
  const double bytesPerSecond = rate * channels * 2.0;
  for (const Expected& e : kEffects) {
    SCOPED_TRACE(e.Id);
    const std::span<const uint8_t> b = Image(e.Id);
    Mix_Chunk* chunk = Mix_LoadWAV_RW(SDL_RWFromConstMem(b.data(), static_cast<int>(b.size())), 1);
    ASSERT_NE(chunk, nullptr) << Mix_GetError();
    // Converted to the device's format, the sound keeps its length.
    EXPECT_NEAR(chunk->alen / bytesPerSecond, e.Seconds, 0.01);
    Mix_FreeChunk(chunk);
  }
  Mix_CloseAudio();
  SDL_Quit();
}

TEST(SoundPlayEffect, PumpsOnceThenPlaysOnlyWhenSoundIsOn) {
  test::TestGame t;
  t.S().SoundOn = 0;
  t.S().EffectData = {1, 2, 3};
  const int pumps = t.Host.Pumps;
  PlayEffect(*t.G, 101);
  EXPECT_EQ(t.Host.Pumps, pumps + 1);
  EXPECT_TRUE(t.Host.Waves.empty());
  EXPECT_EQ(t.S().EffectData, (std::vector<uint8_t>{1, 2, 3})) << "the last image is kept";

  // The pump comes first: an S press waiting in it decides whether this effect sounds.
  t.Host.KeyPress(t.Host.Clock(), test::kSKey);
  PlayEffect(*t.G, 103);
  EXPECT_NE(t.S().SoundOn, 0);
  EXPECT_EQ(t.Effects(), (std::vector<int>{103}));
  t.Host.KeyPress(t.Host.Clock(), test::kSKey);
  PlayEffect(*t.G, 103);
  EXPECT_EQ(t.S().SoundOn, 0);
  EXPECT_EQ(t.Effects(), (std::vector<int>{103}));
  EXPECT_EQ(t.S().EffectData, Bytes(103));
}

TEST(SoundPlayEffect, HandsTheHostTheEmbeddedImageAndKeepsIt) {
  test::TestGame t;
  t.S().SoundOn = -1;
  for (const Expected& e : kEffects) {
    PlayEffect(*t.G, static_cast<uint8_t>(e.Id));
    ASSERT_FALSE(t.Host.Waves.empty());
    EXPECT_EQ(t.Host.Waves.back().Image, Bytes(e.Id)) << e.Id;
    EXPECT_EQ(t.S().EffectData, Bytes(e.Id)) << e.Id;
  }
  // Each play is a new start, the same id twice included; the newest image is the one kept.
  PlayEffect(*t.G, 101);
  PlayEffect(*t.G, 101);
  PlayEffect(*t.G, 103);
  EXPECT_EQ(t.Effects(), (std::vector<int>{101, 102, 103, 101, 101, 103}));
  EXPECT_EQ(t.S().EffectData, Bytes(103));

  // An id with no image plays nothing and keeps the last one.
  PlayEffect(*t.G, 7);
  EXPECT_EQ(t.Host.Waves.size(), 6u);
  EXPECT_EQ(t.S().EffectData, Bytes(103));
}

}  // namespace
}  // namespace fg
