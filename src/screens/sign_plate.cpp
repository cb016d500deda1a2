// The plate under a sign and the small font. The small font comes from picSmallFont.png: one
// 8 x 8 cell a character code from 32, the glyph's ink white on black in rows 0..6 and its
// width as a white bar in row 7.
#include "screens/sign_plate.h"

#include "core/embedded.h"
#include "screens/font.h"

namespace fg {

namespace {

constexpr uint32_t kRimLit = 0xC88A4A;     // the playground frame's bronze, lit edge
constexpr uint32_t kRimShaded = 0x8C5A2B;  // and its base, for the edges in shade
constexpr int kCell = 8;
constexpr int kFirstCode = 32;
constexpr int kCodes = 96;

const Surface& SmallFont() {
  static const Surface font = LoadPicture("picSmallFont.png");
  return font;
}

// The glyph's column in the sheet, or -1 for a character the font lacks.
int SmallGlyphX(char c) {
  const int code = static_cast<unsigned char>(c) - kFirstCode;
  return code >= 0 && code < kCodes ? code * kCell : -1;
}

int GlyphWidth(char c) {
  const int gx = SmallGlyphX(c);
  if (gx < 0) return 0;
  const Surface& font = SmallFont();
  int w = 0;
  while (w < kCell && font.At(gx + w, kCell - 1) == kWhite) ++w;
  return w;
}

// 70 % of the plate colour over 30 % of the pixel, channel by channel, rounded.
uint32_t Darkened(uint32_t p) {
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const uint32_t under = (p >> shift) & 0xFF;
    const uint32_t plate = (kSignPlateColour >> shift) & 0xFF;
    out |= ((under * 3 + plate * 7 + 5) / 10) << shift;
  }
  return out;
}

}  // namespace

void DrawSignPlate(Surface& dst, int x, int y, int w, int h) {
  for (int py = y; py < y + h; ++py) {
    if (py < 0 || py >= dst.Height) continue;
    for (int px = x; px < x + w; ++px) {
      if (px < 0 || px >= dst.Width) continue;
      const bool left = px == x, right = px == x + w - 1, top = py == y, bottom = py == y + h - 1;
      if ((left || right) && (top || bottom)) continue;  // the open corners
      uint32_t& p = dst.At(px, py);
      if (top || left) {
        p = kRimLit;
      } else if (bottom || right) {
        p = kRimShaded;
      } else {
        p = Darkened(p);
      }
    }
  }
}

int SmallTextWidth(std::string_view text) {
  int w = 0;
  for (char c : text) w += GlyphWidth(c) + 1;
  return w > 0 ? w - 1 : 0;
}

int DrawSmallText(Surface& dst, int x, int y, std::string_view text, uint32_t colour) {
  const Surface& font = SmallFont();
  for (char c : text) {
    const int gx = SmallGlyphX(c);
    const int w = GlyphWidth(c);
    for (int gy = 0; gy < kSmallTextHeight; ++gy) {
      for (int i = 0; i < w; ++i) {
        const int px = x + i, py = y + gy;
        if (font.At(gx + i, gy) == kWhite && px >= 0 && px < dst.Width && py >= 0 &&
            py < dst.Height) {
          dst.At(px, py) = colour;
        }
      }
    }
    x += w + 1;
  }
  return x;
}

void DrawSignText(Surface& dst, const Surface& font, int x, int y, std::string_view text) {
  const auto cell = [](char c) {
    const auto code = static_cast<unsigned char>(c);
    return GlyphX(code < ' ' || code > ']' ? ' ' : c);  // the font ends at ']'
  };
  const int n = static_cast<int>(text.size());
  // Masks, then the shadow one pixel down and right, then the faces: the scroller's order.
  for (int pass = 0; pass < 3; ++pass) {
    const int d = pass == 1 ? 1 : 0;
    const int row = pass == 2 ? 0 : kGlyphHeight;
    const RasterOp op = pass == 2 ? SRCPAINT : SRCAND;
    for (int i = 0; i < n; ++i) {
      BitBlt(dst, x + kGlyphWidth * i + d, y + d, kGlyphWidth, kGlyphHeight, font,
             cell(text[static_cast<size_t>(i)]), row, op);
    }
  }
}

}  // namespace fg
