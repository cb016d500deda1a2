// Surfaces and the rectangle copy that draws everything in the game.
// Pixels are 0x00RRGGBB; the raster operations work bit for bit on those values, so pure black
// and pure white masks behave exactly as the AND/OR sprite convention expects.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fg {

enum RasterOp : uint32_t {
  SRCCOPY = 0x00CC0020,   // destination = source
  SRCAND = 0x008800C6,    // destination = destination AND source
  SRCPAINT = 0x00EE0086,  // destination = destination OR source
};

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;

struct Surface {
  int Width = 0;
  int Height = 0;
  std::vector<uint32_t> Pixels;  // row-major, Width * Height

  Surface() = default;
  Surface(int width, int height, uint32_t fill = kBlack)
      : Width(width), Height(height), Pixels(static_cast<size_t>(width) * height, fill) {}

  uint32_t At(int x, int y) const { return Pixels[static_cast<size_t>(y) * Width + x]; }
  uint32_t& At(int x, int y) { return Pixels[static_cast<size_t>(y) * Width + x]; }
};

// Copies the w x h rectangle at (sx, sy) of src to (x, y) of dst with the given operation.
// The rectangle is clipped against both surfaces; whatever lies outside either is skipped.
// Returns true when any pixel was written (callers in the game ignore it).
bool BitBlt(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy,
            RasterOp op);

// Fills the whole surface with one colour.
void Clear(Surface& s, uint32_t colour);

// Masked sprite: the mask cell ANDed in, then the picture cell ORed over the same place.
void DrawSprite(Surface& dst, int x, int y, int w, int h, const Surface& sheet, int maskX,
                int maskY, int picX, int picY);

}  // namespace fg
