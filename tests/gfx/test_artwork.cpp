// The artwork obeys the rules the drawing code relies on: sheet sizes, pure masks, pictures
// black under transparent mask pixels, the link label matching the title, the scroller lane.
#include <gtest/gtest.h>

#include <string>

#include "core/embedded.h"
#include "gfx/picture.h"
#include "screens/scroller.h"
#include "sound/effects.h"

namespace fg {
namespace {

struct Sheet {
  const char* Name;
  int MinWidth, MinHeight;
};

TEST(Artwork, EveryPictureHasItsSize) {
  const Sheet sheets[] = {
      {"Playground.png", 400, 400}, {"picTitle.png", 400, 400}, {"sprGobbix.png", 80, 64},
      {"sprStar.png", 64, 32},      {"sprSkull.png", 128, 32},  {"sprStatus.png", 90, 27},
      {"sprLink.png", 141, 20},     {"picFonte.png", 868, 32},  {"picSmallFont.png", 768, 8}};
  for (const Sheet& s : sheets) {
    const Surface p = LoadPicture(s.Name);
    EXPECT_GE(p.Width, s.MinWidth) << s.Name;
    EXPECT_GE(p.Height, s.MinHeight) << s.Name;
  }
  EXPECT_EQ(LoadPicture("Playground.png").Width, 400);
  EXPECT_EQ(LoadPicture("sprGobbix.png").Width, 80);
  EXPECT_EQ(LoadPicture("sprGobbix.png").Height, 64);
  EXPECT_EQ(LoadPicture("picFonte.png").Width, 868);
  const Surface icon = DecodePictureWithAlpha(EmbeddedAsset("icon32.png"));
  EXPECT_EQ(icon.Width, 32);
  EXPECT_EQ(icon.Height, 32);
}

// One masked cell: mask (mx, my), picture (px, py), w x h.
struct Cell {
  int Mx, My, Px, Py, W, H;
};

void CheckCell(const Surface& s, const Cell& c, const std::string& what) {
  for (int y = 0; y < c.H; ++y) {
    for (int x = 0; x < c.W; ++x) {
      const uint32_t m = s.At(c.Mx + x, c.My + y);
      ASSERT_TRUE(m == kBlack || m == kWhite) << what << " mask pixel " << x << "," << y;
      if (m == kWhite) {
        ASSERT_EQ(s.At(c.Px + x, c.Py + y), kBlack)
            << what << " picture under white " << x << "," << y;
      }
    }
  }
}

TEST(Artwork, MasksArePureBlackAndWhiteAndPicturesAreBlackWhereTransparent) {
  const Surface gobbix = LoadPicture("sprGobbix.png");
  for (int px = 0; px <= 48; px += 16) CheckCell(gobbix, {64, 0, px, 0, 16, 16}, "ball");
  for (int px = 0; px <= 48; px += 16) CheckCell(gobbix, {64, 0, px, 16, 16, 16}, "head");
  for (int f = 0; f <= 48; f += 16) CheckCell(gobbix, {f, 48, f, 32, 16, 16}, "explosion");
  const Surface star = LoadPicture("sprStar.png");
  for (int c = 0; c < 4; ++c) CheckCell(star, {16 * c, 16, 16 * c, 0, 16, 16}, "star");
  const Surface skull = LoadPicture("sprSkull.png");
  for (int c = 0; c < 8; ++c) CheckCell(skull, {16 * c, 16, 16 * c, 0, 16, 16}, "skull");
  const Surface digits = LoadPicture("sprStatus.png");
  for (int d = 0; d < 10; ++d) CheckCell(digits, {9 * d, 18, 9 * d, 0, 9, 9}, "digit");
  const Surface font = LoadPicture("picFonte.png");
  for (int c = 32; c <= 93; ++c) {
    CheckCell(font, {(c - 32) * 14, 16, (c - 32) * 14, 0, 14, 16}, "glyph " + std::to_string(c));
  }
}

TEST(Artwork, EveryMessageCharacterHasAGlyphWithAClearShadowRow) {
  const Surface font = LoadPicture("picFonte.png");
  for (unsigned char ch : kScrollMessage) {
    ASSERT_GE(ch, 32);
    ASSERT_LE(ch, 93);
    const int x0 = (ch - 32) * 14;
    bool opaque = false;
    for (int y = 16; y < 32; ++y) {
      for (int x = x0; x < x0 + 14; ++x) opaque |= font.At(x, y) == kBlack;
    }
    EXPECT_EQ(opaque, ch != ' ') << "glyph for '" << ch << "'";
    for (int x = x0; x < x0 + 14; ++x) {
      ASSERT_EQ(font.At(x, 31), kWhite) << "shadow row of '" << ch << "'";
    }
  }
  // Space and code 64 are empty cells.
  for (int c : {32, 64}) {
    for (int y = 0; y < 32; ++y) {
      for (int x = (c - 32) * 14; x < (c - 31) * 14; ++x) {
        ASSERT_EQ(font.At(x, y), y < 16 ? kBlack : kWhite) << c;
      }
    }
  }
}

TEST(Artwork, NormalLinkLabelEqualsTheTitleAndTheHighlightDiffers) {
  const Surface title = LoadPicture("picTitle.png");
  const Surface link = LoadPicture("sprLink.png");
  int differing = 0;
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 141; ++x) {
      ASSERT_EQ(link.At(x, y), title.At(132 + x, 52 + y)) << x << "," << y;
      if (link.At(x, y + 10) != link.At(x, y)) ++differing;
    }
  }
  EXPECT_GT(differing, 100);  // the address is lit up, not just a pixel or two
}

TEST(Artwork, TheScrollerRunsOverPlainGroundAndTheScoreOverPlainGrey) {
  const Surface title = LoadPicture("picTitle.png");
  for (int y = 380; y <= 396; ++y) {
    for (int x = 0; x < 400; ++x) {
      const uint32_t p = title.At(x, y);
      const int r = p >> 16, g = (p >> 8) & 0xFF, b = p & 0xFF;
      ASSERT_TRUE(b > r && b > g) << "title ground at " << x << "," << y;
    }
  }
  const Surface ground = LoadPicture("Playground.png");
  const uint32_t grey = ground.At(178, 10);
  for (int y = 10; y <= 18; ++y) {
    for (int x = 178; x <= 227; ++x) ASSERT_EQ(ground.At(x, y), grey) << x << "," << y;
  }
}

// RIFF chunks of a WAVE image, in file order.
struct Chunk {
  std::string Id;
  size_t Offset, Size;
};
std::vector<Chunk> Chunks(const std::vector<uint8_t>& w) {
  std::vector<Chunk> out;
  auto u32 = [&w](size_t o) {
    return static_cast<size_t>(w[o] | (w[o + 1] << 8) | (w[o + 2] << 16) | (w[o + 3] << 24));
  };
  size_t o = 12;
  while (o + 8 <= w.size()) {
    const size_t size = u32(o + 4);
    out.push_back(
        {std::string(w.begin() + static_cast<long>(o), w.begin() + static_cast<long>(o) + 4), o + 8,
         size});
    o += 8 + size + (size & 1);
  }
  return out;
}

TEST(Artwork, TheThreeEffectsHaveTheirFormatsAndSizes) {
  struct Want {
    uint8_t Id;
    size_t Bytes;
    int Rate, Bits;
    bool ListFirst;
  };
  for (const Want& want : {Want{101, 18146, 22050, 16, false}, Want{102, 15612, 11025, 8, false},
                           Want{103, 1728, 22050, 8, true}}) {
    const std::vector<uint8_t> w = LoadEffect(want.Id);
    ASSERT_EQ(w.size(), want.Bytes) << int{want.Id};
    EXPECT_EQ(std::string(w.begin(), w.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(w.begin() + 8, w.begin() + 12), "WAVE");
    const std::vector<Chunk> chunks = Chunks(w);
    ASSERT_GE(chunks.size(), 2u);
    EXPECT_EQ(chunks.front().Id, want.ListFirst ? "LIST" : "fmt ") << int{want.Id};
    for (const Chunk& c : chunks) {
      if (c.Id != "fmt ") continue;
      const uint8_t* f = &w[c.Offset];
      EXPECT_EQ(f[0] | (f[1] << 8), 1);                         // PCM
      EXPECT_EQ(f[2] | (f[3] << 8), 1);                         // mono
      EXPECT_EQ(f[4] | (f[5] << 8) | (f[6] << 16), want.Rate);  // sample rate
      EXPECT_EQ(f[14] | (f[15] << 8), want.Bits);
    }
    EXPECT_EQ(chunks.back().Id, "data");
    EXPECT_EQ(chunks.back().Offset + chunks.back().Size, w.size());
  }
  EXPECT_TRUE(LoadEffect(104).empty());
}

}  // namespace
}  // namespace fg
