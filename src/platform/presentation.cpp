#include "platform/presentation.h"

#include <algorithm>
#include <cstdint>

namespace fg {

namespace {

// Division rounding towards minus infinity: a pointer a pixel left of the image is at -1.
int FloorDiv(int a, int b) {
  const int q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

}  // namespace

int DefaultScale(int usableHeight) {
  return std::clamp(usableHeight / (2 * kImageSize), 1, kMaxScale);
}

Layout LayoutFor(int windowWidth, int windowHeight) {
  Layout l;
  l.Scale = std::max(1, std::min(windowWidth, windowHeight) / kImageSize);
  l.OffsetX = std::max(0, (windowWidth - kImageSize * l.Scale) / 2);
  l.OffsetY = std::max(0, (windowHeight - kImageSize * l.Scale) / 2);
  return l;
}

bool WindowToImage(const Layout& layout, int wx, int wy, int& x, int& y) {
  const int ix = FloorDiv(wx - layout.OffsetX, layout.Scale);
  const int iy = FloorDiv(wy - layout.OffsetY, layout.Scale);
  if (ix < 0 || iy < 0 || ix >= kImageSize || iy >= kImageSize) return false;
  x = ix;
  y = iy;
  return true;
}

int PointsToPixels(int points, int pixelSize, int pointSize) {
  if (pointSize <= 0 || pixelSize == pointSize) return points;
  return static_cast<int>(static_cast<int64_t>(points) * pixelSize / pointSize);
}

}  // namespace fg
