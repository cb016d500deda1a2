// The plate and the lettering of the signs.
#include "screens/sign.h"

#include <cstdint>

namespace fg {

namespace {

constexpr uint32_t kPlateColour = 0x0E0C10;
constexpr uint32_t kPlatePercent = 70;     // how much of the plate covers what lies under it
constexpr uint32_t kRimColour = 0x8C5A2B;  // the frame's bronze

int GlyphX(char c) {
  const auto code = static_cast<unsigned char>(c);
  return (code < ' ' || code > ']' ? 0 : code - ' ') * kFontWidth;
}

uint32_t Blend(uint32_t under, uint32_t over, uint32_t percent) {
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const uint32_t a = (under >> shift) & 0xFF;
    const uint32_t b = (over >> shift) & 0xFF;
    out |= ((a * (100 - percent) + b * percent + 50) / 100) << shift;
  }
  return out;
}

}  // namespace

void DrawText(Surface& dst, const Surface& font, int x, int y, std::string_view text) {
  const int n = static_cast<int>(text.size());
  for (int pass = 0; pass < 3; ++pass) {
    const int d = pass == 1 ? 1 : 0;              // the shadow's offset
    const int row = pass == 2 ? 0 : kFontHeight;  // faces, or masks
    const RasterOp op = pass == 2 ? SRCPAINT : SRCAND;
    for (int i = 0; i < n; ++i) {
      BitBlt(dst, x + kFontWidth * i + d, y + d, kFontWidth, kFontHeight, font,
             GlyphX(text[static_cast<size_t>(i)]), row, op);
    }
  }
}

void DrawPlate(Surface& dst, int x, int y, int w, int h) {
  for (int py = y; py < y + h; ++py) {
    for (int px = x; px < x + w; ++px) {
      if (px < 0 || py < 0 || px >= dst.Width || py >= dst.Height) continue;
      const bool rim = px == x || py == y || px == x + w - 1 || py == y + h - 1;
      dst.At(px, py) = rim ? kRimColour : Blend(dst.At(px, py), kPlateColour, kPlatePercent);
    }
  }
}

}  // namespace fg
