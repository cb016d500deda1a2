// On X11 the window is presented through its window surface, not an OpenGL renderer: the image
// is drawn by the CPU, and this path costs a fraction of the memory and CPU. Wayland has no
// window surface; there a renderer and a streaming texture take its place. Larger windows get
// the image enlarged by a whole factor, pixel-exact, centred on black.
#include "platform/sdl/sdl_window.h"

#include <SDL.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "gfx/upscale.h"

namespace fg {

namespace {

constexpr const char* kNoDisplay =
    "cannot open a window: no display available (set DISPLAY or WAYLAND_DISPLAY)";  // [D10]
constexpr int kMaxBands = 8;  // one refresh sends at most as many requests

bool Set(const char* v) {
  return v != nullptr && *v != '\0';
}

bool DriverAskedFor() {
  return Set(std::getenv("SDL_VIDEODRIVER"));
}

bool IsDriver(const char* driver, const char* name) {
  return driver != nullptr && std::strcmp(driver, name) == 0;
}

// Starts SDL's video on the first driver that works; true when that is Wayland.
bool StartVideo(SdlLibrary& sdl) {
  std::vector<std::string> drivers;
  if (DriverAskedFor()) {
    drivers.emplace_back();  // SDL reads SDL_VIDEODRIVER itself
  } else {
    drivers = VideoDriversToTry(std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"));
    if (drivers.empty()) throw HostError(kNoDisplay);
  }
  std::string why;
  bool up = false;
  for (const std::string& driver : drivers) {
    if (!driver.empty()) SDL_SetHint(SDL_HINT_VIDEODRIVER, driver.c_str());
    up = sdl.Start(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    if (up) break;
    why = SDL_GetError();
    SDL_Quit();
  }
  if (!up) throw HostError(std::string("cannot open a window: no display available (") + why + ")");
  const char* driver = SDL_GetCurrentVideoDriver();
  const bool wayland = IsDriver(driver, "wayland");
  const bool real = IsDriver(driver, "x11") || IsDriver(driver, "windows");
  if (!wayland && !real && !DriverAskedFor()) throw HostError(kNoDisplay);
  return wayland;
}

}  // namespace

// [D12]
std::vector<std::string> VideoDriversToTry(const char* display, const char* waylandDisplay) {
#ifdef _WIN32
  // Windows has one display, always there; no variable names it. [D25]
  static_cast<void>(display);
  static_cast<void>(waylandDisplay);
  return {"windows"};
#endif
  std::vector<std::string> drivers;
  if (Set(display)) drivers.emplace_back("x11");
  if (Set(waylandDisplay)) drivers.emplace_back("wayland");
  return drivers;
}

SdlWindow::SdlWindow(SdlLibrary& sdl, const SdlHostOptions& options)
    : last_(kImageSize, kImageSize, kBlack), fullscreen_(options.Fullscreen) {
  const bool wayland = StartVideo(sdl);
  askedScale_ = options.Scale >= 1 && options.Scale <= kMaxScale ? options.Scale : 0;
  scale_ = 1;
  Open(wayland);
  // Decided for the display the window opens on, with the frame estimated for now. [D23]
  const int scale = ScaleFor(askedScale_);
  if (scale != scale_) {
    scale_ = scale;
    const int side = kImageSize * scale_;
    SDL_SetWindowSize(window_.get(), side, side);
    SDL_SetWindowPosition(window_.get(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
  }
  // Leaving a fullscreen start, the window comes back centred on the usable area.
  Rect usable;
  if (UsableArea(usable)) {
    const Point at = PlaceWindow(usable, frame_, kImageSize * scale_, usable.X + usable.W / 2,
                                 usable.Y + usable.H / 2);
    windowedX_ = at.X;
    windowedY_ = at.Y;
  }
  UpdateLayout(kImageSize * scale_, kImageSize * scale_);
}

// The usable part of the display the window is on: without panels and docks.
bool SdlWindow::UsableArea(Rect& usable) const {
  SDL_Rect r{};
  const int display = std::max(0, SDL_GetWindowDisplayIndex(window_.get()));
  if (SDL_GetDisplayUsableBounds(display, &r) != 0 || r.w <= 0 || r.h <= 0) return false;
  usable = Rect{r.x, r.y, r.w, r.h};
  return true;
}

// The window manager's frame around the window: known once the window is shown (and kept
// from then on while fullscreen, which has none); estimated before. [D23]
Frame SdlWindow::WindowFrame() {
  Frame f;
  if (shown_ && !fullscreen_ &&
      SDL_GetWindowBordersSize(window_.get(), &f.Top, &f.Left, &f.Bottom, &f.Right) == 0) {
    frame_ = f;
  }
  return frame_;
}

int SdlWindow::ScaleFor(int asked) {
  Rect usable;
  if (!UsableArea(usable)) return asked > 0 ? asked : 1;
  const Frame frame = WindowFrame();
  return asked > 0 ? FittingScale(asked, usable, frame) : DefaultScale(usable, frame);
}

void SdlWindow::Open(bool wayland) {
  const int side = kImageSize * scale_;
  window_.reset(SDL_CreateWindow("", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, side, side,
                                 SDL_WINDOW_HIDDEN |
                                     (fullscreen_ ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) |
                                     (wayland ? SDL_WINDOW_ALLOW_HIGHDPI : 0)));
  if (!window_) throw HostError(std::string("cannot open a window: ") + SDL_GetError());
  if (!wayland) return;
  // No window surface here: a renderer with one streaming texture, refreshed band by band.
  renderer_.reset(SDL_CreateRenderer(window_.get(), -1, 0));
  if (renderer_) {
    texture_.reset(SDL_CreateTexture(renderer_.get(), SDL_PIXELFORMAT_RGB888,
                                     SDL_TEXTUREACCESS_STREAMING, kImageSize, kImageSize));
  }
  if (!texture_) throw HostError(std::string("cannot draw into the window: ") + SDL_GetError());
  SDL_SetTextureScaleMode(texture_.get(), SDL_ScaleModeNearest);
}

void SdlWindow::FitScaleToDisplay() {
  SetScale(ScaleFor(0));
}

// Also at the current scale: a window resized by someone else gets its size back. [D23]
void SdlWindow::SetScale(int scale) {
  scale_ = ScaleFor(scale);
  if (!fullscreen_) PlaceWindowedWindow();  // in fullscreen it is the size to come back to
}

// The windowed window at kImageSize * scale_, its centre where it was as far as its whole
// frame, title bar included, stays on the usable part of the display. [D23]
void SdlWindow::PlaceWindowedWindow() {
  SDL_Window* window = window_.get();
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
  SDL_GetWindowPosition(window, &x, &y);
  SDL_GetWindowSize(window, &w, &h);
  const int side = kImageSize * scale_;
  x += (w - side) / 2;
  y += (h - side) / 2;
  Rect usable;
  if (UsableArea(usable)) {
    const Point at = PlaceWindow(usable, WindowFrame(), side, x + side / 2, y + side / 2);
    x = at.X;
    y = at.Y;
  }
  SDL_SetWindowSize(window, side, side);
  SDL_SetWindowPosition(window, x, y);
  Relayout();
}

void SdlWindow::ToggleFullscreen() {
  SDL_Window* window = window_.get();
  if (!fullscreen_) {
    SDL_GetWindowPosition(window, &windowedX_, &windowedY_);
    if (SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0) fullscreen_ = true;
    Relayout();
    return;
  }
  if (SDL_SetWindowFullscreen(window, 0) != 0) return;
  fullscreen_ = false;
  // Back to the size and place it had, or to the scale chosen meanwhile.
  const int side = kImageSize * scale_;
  SDL_SetWindowSize(window, side, side);
  SDL_SetWindowPosition(window, windowedX_, windowedY_);
  Relayout();
}

// The image is laid out afresh and drawn whole. The window system's own word on the size may
// come later and does the same again.
void SdlWindow::Relayout() {
  presented_ = nullptr;
  if (shown_) Present();
}

bool SdlWindow::PointToImage(int x, int y, int& ix, int& iy) const {
  return WindowToImage(layout_, PointsToPixels(x, pixelWidth_, pointWidth_),
                       PointsToPixels(y, pixelHeight_, pointHeight_), ix, iy);
}

void SdlWindow::UpdateLayout(int pixelWidth, int pixelHeight) {
  pixelWidth_ = pixelWidth;
  pixelHeight_ = pixelHeight;
  SDL_GetWindowSize(window_.get(), &pointWidth_, &pointHeight_);
  layout_ = LayoutFor(pixelWidth, pixelHeight);
}

void SdlWindow::RenderFrame() {
  SDL_Renderer* renderer = renderer_.get();
  int w = 0;
  int h = 0;
  SDL_GetRendererOutputSize(renderer, &w, &h);
  UpdateLayout(w, h);
  const SDL_Rect to{layout_.OffsetX, layout_.OffsetY, kImageSize * layout_.Scale,
                    kImageSize * layout_.Scale};
  SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
  SDL_RenderClear(renderer);
  SDL_RenderCopy(renderer, texture_.get(), nullptr, &to);
  SDL_RenderPresent(renderer);
}

// [D12]
void SdlWindow::Present() {
  presented_ = nullptr;
  if (renderer_) {
    SDL_UpdateTexture(texture_.get(), nullptr, last_.Pixels.data(), last_.Width * 4);
    RenderFrame();
    return;
  }
  SDL_Surface* target = SDL_GetWindowSurface(window_.get());
  if (target == nullptr) return;
  UpdateLayout(target->w, target->h);
  const int side = kImageSize * layout_.Scale;
  if (target->w != side || target->h != side) SDL_FillRect(target, nullptr, 0);
  DrawBand(target, Band{0, 0, last_.Width, last_.Height});
  SDL_UpdateWindowSurface(window_.get());
  presented_ = target;
}

// A band of the image, enlarged, into the window surface at its place in the layout; returns
// the window rectangle it covers (empty when it lies beyond a small window).
SDL_Rect SdlWindow::DrawBand(SDL_Surface* target, const Band& band) {
  const int s = layout_.Scale;
  const int x = band.X;
  const int y = band.Y;
  const int w = std::min(band.Width, std::min(last_.Width, (target->w - layout_.OffsetX) / s) - x);
  const int h = std::min(band.Rows, std::min(last_.Height, (target->h - layout_.OffsetY) / s) - y);
  if (w <= 0 || h <= 0) return SDL_Rect{0, 0, 0, 0};
  const SDL_Rect to{layout_.OffsetX + x * s, layout_.OffsetY + y * s, w * s, h * s};
  const int bpp = target->format->BytesPerPixel;
  uint8_t* at = static_cast<uint8_t*>(target->pixels) +
                static_cast<ptrdiff_t>(to.y) * target->pitch + static_cast<ptrdiff_t>(to.x) * bpp;
  const uint32_t* from = &last_.Pixels[static_cast<size_t>(y) * last_.Width + x];
  if (s == 1) {
    SDL_ConvertPixels(w, h, SDL_PIXELFORMAT_RGB888, from, last_.Width * 4, target->format->format,
                      at, target->pitch);
  } else if (target->format->format == SDL_PIXELFORMAT_RGB888) {
    UpscaleNearest(last_, x, y, w, h, s, reinterpret_cast<uint32_t*>(at), target->pitch);
  } else {
    // A window surface in another format: enlarged first, then converted on the way in.
    scratch_.resize(static_cast<size_t>(to.w) * static_cast<size_t>(to.h));
    UpscaleNearest(last_, x, y, w, h, s, scratch_.data(), static_cast<ptrdiff_t>(to.w) * 4);
    SDL_ConvertPixels(to.w, to.h, SDL_PIXELFORMAT_RGB888, scratch_.data(), to.w * 4,
                      target->format->format, at, target->pitch);
  }
  return to;
}

void SdlWindow::SendBands(const Band* bands, int count) {
  const int w = last_.Width;
  if (renderer_) {
    for (int i = 0; i < count; ++i) {
      const Band& b = bands[i];
      const SDL_Rect r{b.X, b.Y, b.Width, b.Rows};
      SDL_UpdateTexture(texture_.get(), &r, &last_.Pixels[static_cast<size_t>(b.Y) * w + b.X],
                        w * 4);
    }
    RenderFrame();
    return;
  }
  SDL_Rect sent[kMaxBands];
  int n = 0;
  for (int i = 0; i < count && n < kMaxBands; ++i) {
    const SDL_Rect r = DrawBand(presented_, bands[i]);
    if (r.w > 0) sent[n++] = r;
  }
  if (n > 0) SDL_UpdateWindowSurfaceRects(window_.get(), sent, n);
}

void SdlWindow::Refresh(const Surface& image) {
  if (image.Width != last_.Width || image.Height != last_.Height) return;
  if (!shown_) {
    // Drawn while hidden (the title reveal): kept for the first appearance, nothing sent.
    std::copy(image.Pixels.begin(), image.Pixels.end(), last_.Pixels.begin());
    return;
  }
  if (!renderer_) {
    SDL_Surface* target = SDL_GetWindowSurface(window_.get());
    if (target == nullptr || target != presented_) {
      // A new window surface holds nothing yet: it gets the whole image.
      std::copy(image.Pixels.begin(), image.Pixels.end(), last_.Pixels.begin());
      Present();
      return;
    }
  }
  Band bands[kMaxBands];
  const int count = TakeChangedBands(image, last_, bands);
  if (count == 0) return;  // the same frame again: nothing to send
  SendBands(bands, count);
}

// The frame is known now: the scale and the place are decided again with it. [D23]
void SdlWindow::Show() {
  SDL_ShowWindow(window_.get());
  shown_ = true;
  SetScale(askedScale_ > 0 ? askedScale_ : ScaleFor(0));
}

void SdlWindow::SetCaption(const std::string& caption) {
  SDL_SetWindowTitle(window_.get(), caption.c_str());
}

void SdlWindow::SetIcon(const Surface& icon) {
  // The icon keeps its alpha in the top byte of each pixel.
  const SdlOwner<SDL_Surface> s(SDL_CreateRGBSurfaceWithFormatFrom(
      const_cast<uint32_t*>(icon.Pixels.data()), icon.Width, icon.Height, 32, icon.Width * 4,
      SDL_PIXELFORMAT_ARGB8888));
  if (!s) return;
  SDL_SetWindowIcon(window_.get(), s.get());
}

}  // namespace fg
