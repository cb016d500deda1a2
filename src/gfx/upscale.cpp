#include "gfx/upscale.h"

#include <algorithm>
#include <cstring>

namespace fg {

namespace {

uint32_t* RowAt(uint32_t* base, ptrdiff_t pitch, int row) {
  return reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(base) + pitch * row);
}

// One source row widened into one destination row; the factors the game uses most get loops
// the compiler can unroll.
template <int S>
void WidenFixed(const uint32_t* from, int w, uint32_t* to) {
  for (int i = 0; i < w; ++i) {
    const uint32_t p = from[i];
    for (int k = 0; k < S; ++k) to[k] = p;
    to += S;
  }
}

void Widen(const uint32_t* from, int w, int scale, uint32_t* to) {
  switch (scale) {
    case 1:
      std::memcpy(to, from, static_cast<size_t>(w) * sizeof(uint32_t));
      return;
    case 2:
      WidenFixed<2>(from, w, to);
      return;
    case 3:
      WidenFixed<3>(from, w, to);
      return;
    case 4:
      WidenFixed<4>(from, w, to);
      return;
    default:
      for (int i = 0; i < w; ++i) {
        std::fill_n(to, scale, from[i]);
        to += scale;
      }
      return;
  }
}

}  // namespace

void UpscaleNearest(const Surface& src, int x, int y, int w, int h, int scale, uint32_t* dst,
                    ptrdiff_t dstPitch) {
  if (w <= 0 || h <= 0 || scale <= 0) return;
  const size_t rowBytes = static_cast<size_t>(w) * static_cast<size_t>(scale) * sizeof(uint32_t);
  for (int r = 0; r < h; ++r) {
    uint32_t* first = RowAt(dst, dstPitch, r * scale);
    Widen(&src.Pixels[static_cast<size_t>(y + r) * static_cast<size_t>(src.Width) +
                      static_cast<size_t>(x)],
          w, scale, first);
    // The other rows of the block are copies of the first.
    for (int k = 1; k < scale; ++k)
      std::memcpy(RowAt(dst, dstPitch, r * scale + k), first, rowBytes);
  }
}

}  // namespace fg
