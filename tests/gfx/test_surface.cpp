// Raster copies bit for bit, clipping at every edge, and the masked sprite convention.
#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

#include "gfx/surface.h"

namespace fg {
namespace {

Surface Pattern(int w, int h, uint32_t seed) {
  Surface s(w, h);
  uint32_t x = seed;
  for (uint32_t& p : s.Pixels) {
    x = x * 1664525u + 1013904223u;
    p = x >> 8;
  }
  return s;
}

TEST(BitBlt, OperationsWorkBitForBitOnPixelValues) {
  const Surface src = Pattern(8, 8, 1);
  const Surface before = Pattern(8, 8, 2);
  for (RasterOp op : {SRCCOPY, SRCAND, SRCPAINT}) {
    Surface dst = before;
    EXPECT_TRUE(BitBlt(dst, 0, 0, 8, 8, src, 0, 0, op));
    for (size_t i = 0; i < dst.Pixels.size(); ++i) {
      const uint32_t d = before.Pixels[i];
      const uint32_t s = src.Pixels[i];
      const uint32_t want = op == SRCCOPY ? s : op == SRCAND ? (d & s) : (d | s);
      ASSERT_EQ(dst.Pixels[i], want) << "op " << std::hex << op << " pixel " << i;
    }
  }
}

TEST(BitBlt, CopiesTheRightRectangleAndNothingElse) {
  const Surface src = Pattern(20, 20, 3);
  Surface dst(30, 30, 0x123456);
  BitBlt(dst, 10, 12, 5, 4, src, 3, 7, SRCCOPY);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 30; ++x) {
      const bool inside = x >= 10 && x < 15 && y >= 12 && y < 16;
      ASSERT_EQ(dst.At(x, y), inside ? src.At(x - 10 + 3, y - 12 + 7) : 0x123456u) << x << "," << y;
    }
  }
}

// Compares every clipped copy against a pixel-by-pixel reference that skips what lies outside
// either surface.
TEST(BitBlt, ClipsAgainstBothSurfacesAtEveryEdge) {
  const Surface src = Pattern(10, 10, 4);
  for (int x : {-12, -5, -1, 0, 3, 7, 9, 10, 15}) {
    for (int y : {-12, -5, -1, 0, 4, 9, 10}) {
      for (int sx : {-6, -1, 0, 2, 9, 10}) {
        for (int sy : {-6, 0, 5, 11}) {
          Surface dst(10, 10, 0xABCDEF);
          Surface want = dst;
          bool any = false;
          for (int r = 0; r < 7; ++r) {
            for (int c = 0; c < 8; ++c) {
              const int dx = x + c, dy = y + r, px = sx + c, py = sy + r;
              if (dx < 0 || dy < 0 || dx >= 10 || dy >= 10) continue;
              if (px < 0 || py < 0 || px >= 10 || py >= 10) continue;
              want.At(dx, dy) = src.At(px, py);
              any = true;
            }
          }
          EXPECT_EQ(BitBlt(dst, x, y, 8, 7, src, sx, sy, SRCCOPY), any);
          ASSERT_EQ(dst.Pixels, want.Pixels) << x << " " << y << " " << sx << " " << sy;
        }
      }
    }
  }
}

// The plain definition of a raster copy: pixel by pixel over the part of the rectangle that
// lies inside both surfaces, rows top to bottom; a copy within one row reads before it writes.
void ReferenceBlt(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy,
                  RasterOp op) {
  for (int j = 0; j < h; ++j) {
    std::vector<std::pair<int, uint32_t>> row;
    for (int i = 0; i < w; ++i) {
      const int dx = x + i, dy = y + j, px = sx + i, py = sy + j;
      if (dx < 0 || dy < 0 || dx >= dst.Width || dy >= dst.Height) continue;
      if (px < 0 || py < 0 || px >= src.Width || py >= src.Height) continue;
      if (op == SRCCOPY) {
        row.emplace_back(dx, src.At(px, py));
      } else {
        uint32_t& d = dst.At(dx, dy);
        d = op == SRCAND ? (d & src.At(px, py)) : (d | src.At(px, py));
      }
    }
    for (const auto& [dx, v] : row) dst.At(dx, y + j) = v;
  }
}

TEST(BitBlt, MatchesThePixelByPixelDefinitionForAnyRectangle) {
  // Widths around the four-pixel runs and the 16-pixel cell, every clipping case, and a
  // surface drawn onto itself with overlapping rectangles.
  std::mt19937 rng(7);
  const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int n = 0; n < 3000; ++n) {
    const Surface a0 = Pattern(pick(1, 48), pick(1, 48), static_cast<uint32_t>(rng()));
    const Surface b0 = Pattern(pick(1, 48), pick(1, 48), static_cast<uint32_t>(rng()));
    const bool same = pick(0, 4) == 0;
    const int x = pick(-20, 50), y = pick(-20, 50);
    // Onto itself, the source mostly overlaps the destination, a few pixels or rows away.
    const int sx = same ? x + pick(-5, 5) : pick(-20, 50);
    const int sy = same ? y + pick(-2, 2) : pick(-20, 50);
    const int w = pick(0, 2) == 0 ? 16 : pick(-2, 40), h = pick(-2, 40);
    const int kind = pick(0, 3);
    Surface a = a0, b = b0, wantA = a0, wantB = b0;
    const Surface& src = same ? a : b;
    Surface& wantSrc = same ? wantA : wantB;
    if (kind < 3) {
      const RasterOp op = kind == 0 ? SRCCOPY : kind == 1 ? SRCAND : SRCPAINT;
      BitBlt(a, x, y, w, h, src, sx, sy, op);
      ReferenceBlt(wantA, x, y, w, h, wantSrc, sx, sy, op);
    } else {
      const int px = pick(-20, 50), py = pick(-20, 50);
      DrawSprite(a, x, y, w, h, src, sx, sy, px, py);
      ReferenceBlt(wantA, x, y, w, h, wantSrc, sx, sy, SRCAND);
      ReferenceBlt(wantA, x, y, w, h, wantSrc, px, py, SRCPAINT);
    }
    ASSERT_EQ(a.Pixels, wantA.Pixels) << "case " << n << " kind " << kind << " same " << same;
    ASSERT_EQ(b.Pixels, wantB.Pixels) << "case " << n << ": the source changed";
  }
}

// A sprite is its two copies: the mask cell ANDed in, then the picture cell ORed over, each
// clipped on its own. Sheets of two rows of cells as the game's are, with cells inside the
// sheet (drawn in one pass), cells hanging over the sheet's edges, and destinations clipped at
// every edge; widths around the four-pixel runs and the 16-pixel cell.
TEST(DrawSprite, MatchesItsTwoCopiesForAnyRectangle) {
  std::mt19937 rng(11);
  const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  int onePass = 0;
  for (int n = 0; n < 4000; ++n) {
    const int cell = pick(0, 2) == 0 ? 16 : pick(1, 24);
    const int cells = pick(1, 6);
    const Surface sheet = Pattern(cell * cells, 2 * cell, static_cast<uint32_t>(rng()));
    const Surface before = Pattern(pick(1, 80), pick(1, 80), static_cast<uint32_t>(rng()));
    const int w = pick(0, 5) == 0 ? pick(-2, 40) : cell;
    const int h = pick(0, 5) == 0 ? pick(-2, 40) : cell;
    // Half the time inside the destination where it fits, else anywhere over its edges.
    const auto place = [&](int size, int room) {
      return pick(0, 1) == 0 && size <= room ? pick(0, room - size) : pick(-size - 2, room + 2);
    };
    const int x = place(w, before.Width), y = place(h, before.Height);
    // The mask in the second row under its picture, as on the game's sheets, or anywhere.
    const bool game = pick(0, 3) != 0;
    const int picX = game ? cell * pick(0, cells - 1) : pick(-20, sheet.Width + 4);
    const int picY = game ? 0 : pick(-20, sheet.Height + 4);
    const int maskX = game ? picX : pick(-20, sheet.Width + 4);
    const int maskY = game ? cell : pick(-20, sheet.Height + 4);
    const auto inSheet = [&](int cx, int cy) {
      return cx >= 0 && cy >= 0 && cx + w <= sheet.Width && cy + h <= sheet.Height;
    };
    const bool meets = x < before.Width && y < before.Height && x + w > 0 && y + h > 0;
    if (w > 0 && h > 0 && meets && inSheet(picX, picY) && inSheet(maskX, maskY)) ++onePass;

    Surface got = before, want = before;
    DrawSprite(got, x, y, w, h, sheet, maskX, maskY, picX, picY);
    ReferenceBlt(want, x, y, w, h, sheet, maskX, maskY, SRCAND);
    ReferenceBlt(want, x, y, w, h, sheet, picX, picY, SRCPAINT);
    ASSERT_EQ(got.Pixels, want.Pixels)
        << "case " << n << ": " << w << " x " << h << " at " << x << "," << y << " mask " << maskX
        << "," << maskY << " picture " << picX << "," << picY << " on " << before.Width << " x "
        << before.Height;
  }
  EXPECT_GT(onePass, 1500);  // most cases are the game's, drawn in one pass
}

TEST(BitBlt, EmptyOrNegativeSizesDrawNothing) {
  const Surface src = Pattern(4, 4, 5);
  Surface dst(4, 4, 7);
  EXPECT_FALSE(BitBlt(dst, 0, 0, 0, 4, src, 0, 0, SRCCOPY));
  EXPECT_FALSE(BitBlt(dst, 0, 0, 4, -3, src, 0, 0, SRCCOPY));
  EXPECT_EQ(dst.Pixels, Surface(4, 4, 7).Pixels);
}

// A sheet with a ball: mask black inside a disc, white outside; picture black outside.
Surface BallSheet(uint32_t colour) {
  Surface sheet(32, 16, kBlack);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const bool in = (x - 7.5) * (x - 7.5) + (y - 7.5) * (y - 7.5) < 36;
      sheet.At(x, y) =
          in ? (x == 8 && y == 8 ? kBlack : colour) : kBlack;  // one black pixel inside
      sheet.At(16 + x, y) = in ? kBlack : kWhite;
    }
  }
  return sheet;
}

TEST(DrawSprite, TransparentCornersKeepWhatLiesBelowAndOpaqueBlackDrawsBlack) {
  Surface window(40, 40, 0x2b2b2e);
  const Surface blue = BallSheet(0x2f6fe0);
  const Surface green = BallSheet(0x3fd04f);
  DrawSprite(window, 10, 10, 16, 16, blue, 16, 0, 0, 0);
  DrawSprite(window, 16, 10, 16, 16, green, 16, 0, 0, 0);  // overlaps the first ball
  EXPECT_EQ(window.At(10, 10), 0x2b2b2eu);                 // corner of the first: background
  EXPECT_EQ(window.At(17, 18), 0x2f6fe0u);       // blue shows through the green ball's corner
  EXPECT_EQ(window.At(26, 18), 0x3fd04fu);       // green where the second ball is opaque
  EXPECT_EQ(window.At(16 + 8, 10 + 8), kBlack);  // a black pixel inside the sprite is drawn
  EXPECT_EQ(window.At(39, 39), 0x2b2b2eu);
}

}  // namespace
}  // namespace fg
