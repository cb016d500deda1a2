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

// The default scale, a scale refused for one that fits, and the window's place, on usable
// areas of common displays with and without a window manager's frame.
TEST(Presentation, TheWindowAndItsFrameStayOnTheUsableArea) {
  const Frame none{};
  const Frame bar{30, 2, 2, 2};  // a title bar and thin borders
  struct Scales {
    Rect Usable;
    Frame Around;
    int Default;
    int Asked;
    int Fitting;
  };
  const Scales scales[] = {
      {{0, 0, 1920, 1080}, none, 2, 3, 2},     // 1080p: 800 of 918 rows; 1200 does not fit
      {{0, 0, 1920, 1080}, bar, 2, 2, 2},      //
      {{0, 0, 1920, 1040}, bar, 2, 6, 2},      // with a panel
      {{0, 0, 1366, 768}, bar, 1, 2, 1},       // 834 rows of 768: even 2x is refused
      {{0, 0, 2560, 1440}, none, 3, 3, 3},     // 1200 rows is 83 % of 1440
      {{0, 0, 2560, 1440}, bar, 2, 3, 3},      // 1234 rows is more than 85 %, but fits
      {{0, 0, 3840, 2160}, bar, 4, 6, 5},      // 2160: 1634 of 1836 rows; 2432 does not fit
      {{0, 48, 3840, 2112}, bar, 4, 5, 5},     //
      {{0, 0, 5120, 2880}, bar, 6, 7, 6},      // 5K; asked for more than there is
      {{0, 0, 1080, 1920}, bar, 2, 4, 2},      // portrait: the width decides
      {{0, 0, 0, 0}, bar, 1, 3, 1},            // nothing usable: never below 1
      {{1920, 0, 1920, 1200}, none, 2, 3, 3},  // a second display; 1200 just fits
  };
  for (const Scales& c : scales) {
    SCOPED_TRACE(::testing::Message() << c.Usable.W << "x" << c.Usable.H << " top " << c.Around.Top
                                      << " asked " << c.Asked);
    EXPECT_EQ(DefaultScale(c.Usable, c.Around), c.Default);
    EXPECT_EQ(FittingScale(c.Asked, c.Usable, c.Around), c.Fitting);
  }

  const Rect hd{0, 0, 1920, 1080};
  EXPECT_EQ(ScaleRefusal(4, 2, {0, 0, 1080, 1920}, bar),
            "--scale 4 does not fit this screen's 1080 columns; using 2");
  EXPECT_EQ(ScaleRefusal(2, 2, hd, bar), "");

  // Every change of size: the window grows or shrinks about its centre, then its frame moves
  // onto the usable area; the start grows out of the whole area.
  struct Places {
    Rect Usable;
    Frame Around;
    Rect Before;  // the window's inside before: the start, Ctrl+N, leaving fullscreen
    int Side;
    Point Inside;  // the top-left of the window inside its frame
  };
  const Frame thin{20, 1, 1, 1};
  const Places places[] = {
      {hd, thin, hd, 800, {560, 140}},                                      // start: centred
      {{0, 48, 3840, 2112}, thin, {0, 48, 3840, 2112}, 1600, {1120, 304}},  // panel on top
      {hd, thin, {760, 340, 400, 400}, 800, {560, 140}},    // Ctrl+2, or F11 Ctrl+2 F11
      {hd, thin, {560, 140, 800, 800}, 400, {760, 340}},    // Ctrl+1, or F11 Ctrl+1 F11
      {hd, thin, {1700, 100, 400, 400}, 400, {1519, 100}},  // F11 F11 from half off the right
      {hd, thin, {760, 200, 400, 400}, 800, {560, 20}},     // title bar above the top
      {hd, thin, {760, 800, 400, 400}, 800, {560, 279}},    // below the bottom
      {hd, thin, {1700, 340, 400, 400}, 800, {1119, 140}},  // beyond the right
      {{0, 32, 1920, 1048}, thin, {760, 52, 400, 400}, 800, {560, 52}},       // under a top panel
      {{64, 0, 1856, 1080}, thin, {100, 340, 400, 400}, 800, {65, 140}},      // a panel on the left
      {{0, 0, 5120, 2880}, thin, {4700, 2460, 400, 400}, 2400, {2719, 479}},  // Ctrl+6 on 5K
      {hd, thin, {0, 20, 2500, 1500}, 800, {850, 279}},  // resized from outside, Ctrl+2
      {{0, 24, 1920, 1056}, thin, {760, 340, 400, 400}, 1200, {360, 44}},  // too tall
      {{0, 0, 1000, 1000}, thin, {300, 300, 400, 400}, 1200, {1, 20}},  // too large: corner shows
      {{1920, 0, 2560, 1440}, none, {3000, 520, 400, 400}, 800, {2800, 320}},  // second display
  };
  for (const Places& c : places) {
    SCOPED_TRACE(::testing::Message()
                 << "from " << c.Before.W << "x" << c.Before.H << "+" << c.Before.X << "+"
                 << c.Before.Y << " to " << c.Side << " on " << c.Usable.X << "," << c.Usable.Y);
    const Point p = PlaceResizedWindow(c.Usable, c.Around, c.Before, c.Side);
    EXPECT_EQ(std::pair(p.X, p.Y), std::pair(c.Inside.X, c.Inside.Y));
  }
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
