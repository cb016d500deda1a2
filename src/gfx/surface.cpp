// Rectangle copies between surfaces.
#include "gfx/surface.h"

#include <algorithm>
#include <cstring>

namespace fg {

bool BitBlt(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy,
            RasterOp op) {
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
  if (w <= 0 || h <= 0) return false;

  for (int row = 0; row < h; ++row) {
    uint32_t* d = &dst.Pixels[static_cast<size_t>(y + row) * dst.Width + x];
    const uint32_t* s = &src.Pixels[static_cast<size_t>(sy + row) * src.Width + sx];
    switch (op) {
      case SRCCOPY:
        std::memmove(d, s, static_cast<size_t>(w) * sizeof(uint32_t));
        break;
      case SRCAND:
        for (int i = 0; i < w; ++i) d[i] &= s[i];
        break;
      case SRCPAINT:
        for (int i = 0; i < w; ++i) d[i] |= s[i];
        break;
    }
  }
  return true;
}

void Clear(Surface& s, uint32_t colour) {
  std::fill(s.Pixels.begin(), s.Pixels.end(), colour);
}

void DrawSprite(Surface& dst, int x, int y, int w, int h, const Surface& sheet, int maskX,
                int maskY, int picX, int picY) {
  BitBlt(dst, x, y, w, h, sheet, maskX, maskY, SRCAND);
  BitBlt(dst, x, y, w, h, sheet, picX, picY, SRCPAINT);
}

}  // namespace fg
