// Where the image sits in windows of every size, where the pointer lands on it, and the
// enlargement that puts it there.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "gfx/upscale.h"
#include "platform/presentation.h"

namespace fg {
namespace {

TEST(Presentation, DefaultScaleLeavesTheWindowAtMostHalfTheUsableHeight) {
  EXPECT_EQ(DefaultScale(0), 1);
  EXPECT_EQ(DefaultScale(768), 1);
  EXPECT_EQ(DefaultScale(1080 - 40), 1);  // 1080p with a panel
  EXPECT_EQ(DefaultScale(1440), 1);
  EXPECT_EQ(DefaultScale(1599), 1);
  EXPECT_EQ(DefaultScale(1600), 2);
  EXPECT_EQ(DefaultScale(2160 - 48), 2);
  EXPECT_EQ(DefaultScale(2880), 3);  // 5K
  EXPECT_EQ(DefaultScale(4320), 5);  // 8K
  EXPECT_EQ(DefaultScale(100000), kMaxScale);
}

TEST(Presentation, TheImageFillsItsOwnWindowAtEveryScale) {
  for (int s = 1; s <= kMaxScale; ++s) {
    EXPECT_EQ(LayoutFor(400 * s, 400 * s), (Layout{s, 0, 0})) << s;
    // One pixel short of the next scale still shows this one, centred on the spare pixel.
    EXPECT_EQ(LayoutFor(400 * (s + 1) - 1, 400 * (s + 1) - 1), (Layout{s, 199, 199})) << s;
  }
}

TEST(Presentation, OtherWindowsGetTheLargestScaleThatFitsCentredOnBlack) {
  EXPECT_EQ(LayoutFor(1920, 1080), (Layout{2, 560, 140}));
  EXPECT_EQ(LayoutFor(1366, 768), (Layout{1, 483, 184}));
  EXPECT_EQ(LayoutFor(3840, 2160), (Layout{5, 920, 80}));
  EXPECT_EQ(LayoutFor(2560, 1600), (Layout{4, 480, 0}));
  // Odd margins put the spare pixel right and below.
  EXPECT_EQ(LayoutFor(401, 403), (Layout{1, 0, 1}));
  EXPECT_EQ(LayoutFor(1203, 801), (Layout{2, 201, 0}));
  // A tall narrow window: the width decides.
  EXPECT_EQ(LayoutFor(850, 2000), (Layout{2, 25, 600}));
  // Smaller than the image: the top-left part at 1x rather than nothing.
  EXPECT_EQ(LayoutFor(300, 200), (Layout{1, 0, 0}));
  EXPECT_EQ(LayoutFor(300, 900), (Layout{1, 0, 250}));
  EXPECT_EQ(LayoutFor(0, 0), (Layout{1, 0, 0}));
}

// The window pixels that land on image pixel `p` along one axis, by brute force.
std::vector<int> WindowPixelsOf(const Layout& l, int p, int windowSize) {
  std::vector<int> hits;
  for (int w = -5; w < windowSize + 5; ++w) {
    int x = -99;
    int y = -99;
    if (WindowToImage(l, w, l.OffsetY, x, y) && x == p) hits.push_back(w);
  }
  return hits;
}

TEST(Presentation, EveryImagePixelIsExactlyItsBlockOfWindowPixels) {
  const int sizes[][2] = {{400, 400},   {800, 800},  {1200, 1200}, {2400, 2400},
                          {1920, 1080}, {1201, 999}, {3840, 2160}, {2561, 2401}};
  for (const auto& size : sizes) {
    const Layout l = LayoutFor(size[0], size[1]);
    const int s = l.Scale;
    // The link's hot zone is strict: 132 and 273 across, 52 and 62 down, are inert. Both
    // neighbours of each of those edges must start and end exactly on block boundaries.
    for (int p : {0, 131, 132, 133, 272, 273, 274, 399}) {
      std::vector<int> want;
      want.reserve(static_cast<size_t>(s));
      for (int k = 0; k < s; ++k) want.push_back(l.OffsetX + p * s + k);
      EXPECT_EQ(WindowPixelsOf(l, p, size[0]), want) << size[0] << "x" << size[1] << " at " << p;
    }
    for (int p : {51, 52, 53, 61, 62, 63}) {
      const int first = l.OffsetY + p * s;
      for (int wy : {first - 1, first, first + s - 1, first + s}) {
        int x = 0;
        int y = 0;
        ASSERT_TRUE(WindowToImage(l, l.OffsetX, wy, x, y));
        EXPECT_EQ(y, wy < first ? p - 1 : (wy < first + s ? p : p + 1))
            << size[0] << "x" << size[1] << " row " << wy;
      }
    }
  }
}

TEST(Presentation, TheBlackAroundTheImageIsOutsideEverything) {
  const Layout l = LayoutFor(1920, 1080);  // image at (560, 140), 800 x 800
  int x = 7;
  int y = 7;
  EXPECT_FALSE(WindowToImage(l, 559, 500, x, y));
  EXPECT_FALSE(WindowToImage(l, 1360, 500, x, y));
  EXPECT_FALSE(WindowToImage(l, 900, 139, x, y));
  EXPECT_FALSE(WindowToImage(l, 900, 940, x, y));
  EXPECT_FALSE(WindowToImage(l, -1, -1, x, y));
  EXPECT_EQ(x, 7);  // untouched
  EXPECT_EQ(y, 7);
  ASSERT_TRUE(WindowToImage(l, 560, 140, x, y));
  EXPECT_EQ((std::pair{x, y}), (std::pair{0, 0}));
  ASSERT_TRUE(WindowToImage(l, 561, 141, x, y));
  EXPECT_EQ((std::pair{x, y}), (std::pair{0, 0}));
  ASSERT_TRUE(WindowToImage(l, 1359, 939, x, y));
  EXPECT_EQ((std::pair{x, y}), (std::pair{399, 399}));
}

TEST(Presentation, PointsBecomePixelsOnHiDpiOutputs) {
  EXPECT_EQ(PointsToPixels(123, 400, 400), 123);
  EXPECT_EQ(PointsToPixels(123, 800, 400), 246);
  EXPECT_EQ(PointsToPixels(100, 1200, 800), 150);  // a 1.5 output
  EXPECT_EQ(PointsToPixels(-1, 800, 400), -2);
  EXPECT_EQ(PointsToPixels(5, 800, 0), 5);  // size unknown yet: as given
}

// The enlargement as plainly as it can be written.
std::vector<uint32_t> NaiveUpscale(const Surface& src, int x0, int y0, int w, int h, int s,
                                   int pitchPixels, uint32_t fill) {
  std::vector<uint32_t> out(static_cast<size_t>(pitchPixels) * h * s, fill);
  for (int y = 0; y < h * s; ++y) {
    for (int x = 0; x < w * s; ++x) {
      out[static_cast<size_t>(y) * pitchPixels + x] = src.At(x0 + x / s, y0 + y / s);
    }
  }
  return out;
}

TEST(Upscale, MatchesTheNaiveEnlargementAtEveryScaleAndLeavesTheRestAlone) {
  Surface src(400, 400);
  std::mt19937 rng(14);
  for (uint32_t& p : src.Pixels) p = rng() & 0xFFFFFF;
  constexpr uint32_t kFill = 0xDEADBEEF;  // what lies beyond the rectangle must stay
  struct Case {
    int X, Y, W, H;
  };
  const Case cases[] = {
      {0, 0, 400, 400}, {0, 37, 400, 17}, {0, 399, 400, 1}, {131, 52, 142, 10}, {3, 5, 1, 1}};
  for (int s = 1; s <= kMaxScale; ++s) {
    for (const Case& c : cases) {
      const int pitch = c.W * s + 7;  // rows with a gap after them, as window surfaces have
      std::vector<uint32_t> got(static_cast<size_t>(pitch) * c.H * s, kFill);
      UpscaleNearest(src, c.X, c.Y, c.W, c.H, s, got.data(), static_cast<ptrdiff_t>(pitch) * 4);
      EXPECT_EQ(got, NaiveUpscale(src, c.X, c.Y, c.W, c.H, s, pitch, kFill))
          << "scale " << s << ", " << c.W << "x" << c.H << " at " << c.X << "," << c.Y;
    }
  }
}

}  // namespace
}  // namespace fg
