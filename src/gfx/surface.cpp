// Rectangle copies between surfaces.
#include "gfx/surface.h"

#include <algorithm>
#include <cstring>

namespace fg {

namespace {

// A rectangle after clipping against both surfaces; empty when nothing is left.
struct Clipped {
  int X, Y, W, H, Sx, Sy;
  bool Empty() const { return W <= 0 || H <= 0; }
};

Clipped Clip(const Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy) {
  // Clip the left/top edges of both rectangles together, then the right/bottom edges.
  if (x < 0) {
    w += x;
    sx -= x;
    x = 0;
  }
  if (y < 0) {
    h += y;
    sy -= y;
    y = 0;
  }
  if (sx < 0) {
    w += sx;
    x -= sx;
    sx = 0;
  }
  if (sy < 0) {
    h += sy;
    y -= sy;
    sy = 0;
  }
  w = std::min({w, dst.Width - x, src.Width - sx});
  h = std::min({h, dst.Height - y, src.Height - sy});
  return {x, y, w, h, sx, sy};
}

template <typename S>
auto* At(S& s, int x, int y) {
  return s.Pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(s.Width) + x;
}

// Four pixels at a time: one 128-bit operation on any target the compiler knows.
using Quad = uint32_t __attribute__((vector_size(16)));

inline Quad Load(const uint32_t* p) {
  Quad q;
  std::memcpy(&q, p, sizeof q);
  return q;
}
inline void Store(uint32_t* p, Quad q) {
  std::memcpy(p, &q, sizeof q);
}

// `op` over a w x h rectangle of two distinct surfaces, one row after another. The game's cells
// are 16 pixels wide, and a row of them is four vector operations written out.
template <typename Op>
void Rows(uint32_t* d, size_t dStride, const uint32_t* s, size_t sStride, int w, int h, Op op) {
  if (w == 16) {
    for (int r = 0; r < h; ++r, d += dStride, s += sStride) {
      Store(d, op(Load(d), Load(s)));
      Store(d + 4, op(Load(d + 4), Load(s + 4)));
      Store(d + 8, op(Load(d + 8), Load(s + 8)));
      Store(d + 12, op(Load(d + 12), Load(s + 12)));
    }
    return;
  }
  for (int r = 0; r < h; ++r, d += dStride, s += sStride) {
    int i = 0;
    for (; i + 4 <= w; i += 4) Store(d + i, op(Load(d + i), Load(s + i)));
    for (; i < w; ++i) d[i] = op(d[i], s[i]);
  }
}

}  // namespace

bool BitBlt(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy,
            RasterOp op) {
  const Clipped c = Clip(dst, x, y, w, h, src, sx, sy);
  if (c.Empty()) return false;
  uint32_t* d = At(dst, c.X, c.Y);
  const uint32_t* s = At(src, c.Sx, c.Sy);
  const auto dStride = static_cast<size_t>(dst.Width);
  const auto sStride = static_cast<size_t>(src.Width);
  if (&dst == &src) {
    // Within one surface the rows go top to bottom and the pixels left to right, as ever.
    for (int row = 0; row < c.H; ++row, d += dStride, s += sStride) {
      switch (op) {
        case SRCCOPY:
          std::memmove(d, s, static_cast<size_t>(c.W) * sizeof(uint32_t));
          break;
        case SRCAND:
          for (int i = 0; i < c.W; ++i) d[i] &= s[i];
          break;
        case SRCPAINT:
          for (int i = 0; i < c.W; ++i) d[i] |= s[i];
          break;
      }
    }
    return true;
  }
  switch (op) {
    case SRCCOPY:
      if (c.W > 32) {
        for (int row = 0; row < c.H; ++row, d += dStride, s += sStride) {
          std::memcpy(d, s, static_cast<size_t>(c.W) * sizeof(uint32_t));
        }
      } else {
        Rows(d, dStride, s, sStride, c.W, c.H, [](auto /*a*/, auto b) { return b; });
      }
      break;
    case SRCAND:
      Rows(d, dStride, s, sStride, c.W, c.H, [](auto a, auto b) { return a & b; });
      break;
    case SRCPAINT:
      Rows(d, dStride, s, sStride, c.W, c.H, [](auto a, auto b) { return a | b; });
      break;
  }
  return true;
}

void Clear(Surface& s, uint32_t colour) {
  std::fill(s.Pixels.begin(), s.Pixels.end(), colour);
}

void DrawSprite(Surface& dst, int x, int y, int w, int h, const Surface& sheet, int maskX,
                int maskY, int picX, int picY) {
  const Clipped m = Clip(dst, x, y, w, h, sheet, maskX, maskY);
  const Clipped p = Clip(dst, x, y, w, h, sheet, picX, picY);
  // When both cells clip to the same place, the AND and the OR are done in one pass: the same
  // pixels as the two copies, each read and written once.
  if (&dst == &sheet || m.X != p.X || m.Y != p.Y || m.W != p.W || m.H != p.H) {
    BitBlt(dst, x, y, w, h, sheet, maskX, maskY, SRCAND);
    BitBlt(dst, x, y, w, h, sheet, picX, picY, SRCPAINT);
    return;
  }
  if (m.Empty()) return;
  uint32_t* d = At(dst, m.X, m.Y);
  const uint32_t* mask = At(sheet, m.Sx, m.Sy);
  const uint32_t* pic = At(sheet, p.Sx, p.Sy);
  const auto dStride = static_cast<size_t>(dst.Width);
  const auto sStride = static_cast<size_t>(sheet.Width);
  const auto one = [&](int i) { Store(d + i, (Load(d + i) & Load(mask + i)) | Load(pic + i)); };
  for (int row = 0; row < m.H; ++row, d += dStride, mask += sStride, pic += sStride) {
    if (m.W == 16) {
      one(0);
      one(4);
      one(8);
      one(12);
      continue;
    }
    int i = 0;
    for (; i + 4 <= m.W; i += 4) one(i);
    for (; i < m.W; ++i) d[i] = (d[i] & mask[i]) | pic[i];
  }
}

}  // namespace fg
