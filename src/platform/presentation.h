// Where the game's square image sits in a window of any size, and where a pointer in that
// window lands on the image. Pure arithmetic, shared by every way the host presents a frame.
#pragma once

#include <string>

namespace fg {

inline constexpr int kImageSize = 400;  // the game's window and image, always 400 x 400
inline constexpr int kMaxScale = 6;     // the largest window the player can ask for: 2400 x 2400

// A rectangle on the desktop, in its points: a display's usable area (without panels).
struct Rect {
  int X = 0;
  int Y = 0;
  int W = 0;
  int H = 0;
};

// What the window manager puts around the window: the title bar on top, the borders.
struct Frame {
  int Top = 0;
  int Left = 0;
  int Bottom = 0;
  int Right = 0;
  bool operator==(const Frame&) const = default;
};

// The frame assumed before the window is mapped, when the window manager has not said yet: a
// usual title bar and thin borders. Corrected as soon as the window is shown.
inline constexpr Frame kFrameEstimate{30, 2, 2, 2};

// The share of the usable height the default window takes at most, frame included, in percent.
inline constexpr int kDefaultHeightPercent = 85;

// The window scale a display suits: the largest whose window, frame included, takes at most
// 85 % of the usable height and fits its width: 2 on 1080 rows, 4 on 2160. [D23]
int DefaultScale(const Rect& usable, const Frame& frame);

// The scale asked for if its window, frame included, fits the usable area; otherwise the
// largest that does, and 1 when none does. [D23]
int FittingScale(int asked, const Rect& usable, const Frame& frame);

// Where a window `side` points square goes (the top-left of its inside) so that its centre
// stays at (centreX, centreY) as far as its whole frame can stay on the usable area; a frame
// larger than the area keeps its top-left corner, the title bar, in reach. [D23]
struct Point {
  int X = 0;
  int Y = 0;
  bool operator==(const Point&) const = default;
};
Point PlaceWindow(const Rect& usable, const Frame& frame, int side, int centreX, int centreY);

// Where a window that was `before` (its inside, on the desktop) goes when it becomes `side`
// square: its centre where the old one's was, as far as its whole frame stays on the usable
// area. Every change of the windowed size goes through here: the start (grown out of the
// whole usable area), Ctrl+N and Ctrl+0, and leaving fullscreen, from the window it was
// before. [D23]
Point PlaceResizedWindow(const Rect& usable, const Frame& frame, const Rect& before, int side);

// The one line that says why the command line's scale `asked` gave way to `used`, naming the
// side of the usable area it does not fit; empty when they are the same. [D28]
std::string ScaleRefusal(int asked, int used, const Rect& usable, const Frame& frame);

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
