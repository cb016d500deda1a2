// The window and what it shows: the video driver, the scale, fullscreen, the window's place on
// the display, and the image presented in bands of what changed.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "gfx/surface.h"
#include "platform/bands.h"
#include "platform/presentation.h"
#include "platform/sdl/sdl_owners.h"

struct SDL_Rect;

namespace fg {

// A failure the game cannot run through (no display); main prints it and exits with 1.
struct HostError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// How the window is shown. Presentation only: the game's image stays 400 x 400 whatever these say.
struct SdlHostOptions {
  int Scale = 0;            // 1 to 6; 0 picks the default for the display
  bool Fullscreen = false;  // start in fullscreen (desktop resolution, image centred)
};

// The video drivers to try, in order, for the display variables given: X11 first where there is
// an X display, Wayland only where there is a Wayland one. Empty when there is no display.
std::vector<std::string> VideoDriversToTry(const char* display, const char* waylandDisplay);

class SdlWindow {
 public:
  // Starts SDL's video and opens the window, hidden; throws HostError without a display.
  SdlWindow(SdlLibrary& sdl, const SdlHostOptions& options);

  void Show();  // the first appearance; Present then draws what was refreshed while hidden
  void Refresh(const Surface& image);
  void SetCaption(const std::string& caption);
  void SetIcon(const Surface& icon);

  // The window at `scale`, or at the largest scale whose window, frame included, fits the
  // display's usable area; its size is restored even when the scale is the current one.
  void SetScale(int scale);
  void FitScaleToDisplay();  // the default scale for the display the window is on
  void ToggleFullscreen();
  void Relayout();  // the window's size changed, or is about to
  void Settle();    // after the events: a placement made again with a frame learned late
  void Present();   // the whole image, drawn afresh

  // The image pixel under a pointer at (x, y) in the window's points; false on the black.
  bool PointToImage(int x, int y, int& ix, int& iy) const;

 private:
  friend struct SdlHostProbe;

  void Open(bool wayland);
  bool UsableArea(Rect& usable) const;
  Frame WindowFrame();
  bool Borders(Frame& f) const;
  int ScaleFor(int asked);  // 0 asks for the default
  void PlaceWindowedWindow();
  void ResizeWindowedWindow(const Rect& before);
  void UpdateLayout(int pixelWidth, int pixelHeight);
  void RenderFrame();
  SDL_Rect DrawBand(SDL_Surface* target, const Band& band);
  void SendBands(const Band* bands, int count);

  SdlOwner<SDL_Window> window_;
  SdlOwner<SDL_Renderer> renderer_;  // only where the window has no surface of its own
  SdlOwner<SDL_Texture> texture_;
  Surface last_;                      // the image last refreshed, repainted on expose
  bool shown_ = false;                // nothing is sent to the display before the window is shown
  SDL_Surface* presented_ = nullptr;  // the window surface that holds all of last_, if any
  std::vector<uint32_t> scratch_;     // an enlarged band on its way to an unusual pixel format
  int scale_ = 1;                     // windowed size: kImageSize * scale_ square
  int askedScale_ = 0;                // the command line's scale, 0 for the default
  Frame frame_ = kFrameEstimate;      // the window manager's frame, once the window is shown
  bool fullscreen_ = false;
  Rect windowed_;  // the window's inside before it went fullscreen
  // The last placement, made again once if SDL learns the frame soon after it.
  bool placing_ = false;
  Rect placedFrom_;
  Frame placedWith_;
  uint64_t placedAt_ = 0;
  Layout layout_;                 // the image in the window, in the window's pixels
  int pixelWidth_ = kImageSize;   // the window in pixels and in points (pointer events):
  int pixelHeight_ = kImageSize;  // they differ on a HiDPI Wayland output
  int pointWidth_ = kImageSize;
  int pointHeight_ = kImageSize;
};

}  // namespace fg
