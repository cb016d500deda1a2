// Where the game's square image sits in a window of any size, and where a pointer in that
// window lands on the image. Pure arithmetic, shared by every way the host presents a frame.
#pragma once

namespace fg {

inline constexpr int kImageSize = 400;  // the game's window and image, always 400 x 400
inline constexpr int kMaxScale = 6;     // the largest window the player can ask for: 2400 x 2400

// The window scale a display suits: the largest s with 800 * s within its usable height, so
// the window never fills more than half of it; 1 up to 1440 rows, 2 on 2160, 3 on 2880.
int DefaultScale(int usableHeight);

// The image in a window: enlarged `Scale` times, its top-left pixel at (OffsetX, OffsetY).
struct Layout {
  int Scale = 1;
  int OffsetX = 0;
  int OffsetY = 0;
  bool operator==(const Layout&) const = default;
};

// The largest whole scale at which the image fits the window, centred, the rest black. A
// window smaller than the image shows its top-left part at 1x.
Layout LayoutFor(int windowWidth, int windowHeight);

// The image pixel under window pixel (wx, wy): floor((w - offset) / scale). False, and the
// outputs untouched, when the pointer is on the black around the image or off the window.
bool WindowToImage(const Layout& layout, int wx, int wy, int& x, int& y);

// A coordinate in the window's points (what pointer events report) in its pixels: the two
// differ on a HiDPI Wayland output, where one point may cover two pixels or more.
int PointsToPixels(int points, int pixelSize, int pointSize);

}  // namespace fg
