#include "platform/presentation.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace fg {

namespace {

// Division rounding towards minus infinity: a pointer a pixel left of the image is at -1.
int FloorDiv(int a, int b) {
  const int q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

}  // namespace

namespace {

bool Fits(int scale, const Rect& usable, const Frame& frame) {
  const int side = kImageSize * scale;
  return side + frame.Left + frame.Right <= usable.W && side + frame.Top + frame.Bottom <= usable.H;
}

// Where a span `size` long starting at `at` goes within [from, from + room): as near as it may,
// its start within reach when it is longer than the room.
int Clamp(int at, int size, int from, int room) {
  return std::max(from, std::min(at, from + room - size));
}

}  // namespace

int DefaultScale(const Rect& usable, const Frame& frame) {
  int scale = 1;
  for (int s = 2; s <= kMaxScale; ++s) {
    const int height = kImageSize * s + frame.Top + frame.Bottom;
    if (height * 100 <= usable.H * kDefaultHeightPercent && Fits(s, usable, frame)) scale = s;
  }
  return scale;
}

int FittingScale(int asked, const Rect& usable, const Frame& frame) {
  int scale = std::clamp(asked, 1, kMaxScale);
  while (scale > 1 && !Fits(scale, usable, frame)) --scale;
  return scale;
}

Point PlaceWindow(const Rect& usable, const Frame& frame, int side, int centreX, int centreY) {
  const int frameX = centreX - side / 2 - frame.Left;
  const int frameY = centreY - side / 2 - frame.Top;
  const int frameW = side + frame.Left + frame.Right;
  const int frameH = side + frame.Top + frame.Bottom;
  return Point{Clamp(frameX, frameW, usable.X, usable.W) + frame.Left,
               Clamp(frameY, frameH, usable.Y, usable.H) + frame.Top};
}

Point PlaceResizedWindow(const Rect& usable, const Frame& frame, const Rect& before, int side) {
  return PlaceWindow(usable, frame, side, before.X + before.W / 2, before.Y + before.H / 2);
}

std::string ScaleRefusal(int asked, int used, const Rect& usable, const Frame& frame) {
  if (asked == used) return "";
  const bool rows = kImageSize * asked + frame.Top + frame.Bottom > usable.H;
  return "--scale " + std::to_string(asked) + " does not fit this screen's " +
         std::to_string(rows ? usable.H : usable.W) + (rows ? " rows" : " columns") + "; using " +
         std::to_string(used);
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
