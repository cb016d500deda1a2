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
#include <iostream>

#include "gfx/upscale.h"

namespace fg {

namespace {

constexpr const char* kNoDisplay =
    "cannot open a window: no display available (set DISPLAY or WAYLAND_DISPLAY)";  // [D10]
constexpr int kMaxBands = 8;  // one refresh sends at most as many requests
// How long after a placement a frame SDL learns late still makes it again: the window manager
// answers in milliseconds, and a window the player moves later is theirs.
constexpr uint64_t kSettleMs = 3000;

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
  // Windows has one display, always there; no variable names it. [D40]
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
  const int side = kImageSize * scale_;
  windowed_ = Rect{0, 0, side, side};
  Rect usable;
  if (UsableArea(usable)) {
    const Point at = PlaceResizedWindow(usable, frame_, usable, side);
    windowed_.X = at.X;
    windowed_.Y = at.Y;
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
  if (shown_ && !fullscreen_ && Borders(f) && f != Frame{}) frame_ = f;
  return frame_;
}

// The frame as SDL knows it, which is what it takes off a position asked for; none at first
// and while fullscreen. False where the video driver has no frames at all.
bool SdlWindow::Borders(Frame& f) const {
  return SDL_GetWindowBordersSize(window_.get(), &f.Top, &f.Left, &f.Bottom, &f.Right) == 0;
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
  Rect now;
  SDL_GetWindowPosition(window, &now.X, &now.Y);
  SDL_GetWindowSize(window, &now.W, &now.H);
  ResizeWindowedWindow(now);
}

// The windowed window at kImageSize * scale_, placed from where it was `before`. [D23]
void SdlWindow::ResizeWindowedWindow(const Rect& before) {
  SDL_Window* window = window_.get();
  placedFrom_ = before;
  placedAt_ = SDL_GetTicks64();
  placing_ = Borders(placedWith_);
  const int side = kImageSize * scale_;
  Point at{before.X + (before.W - side) / 2, before.Y + (before.H - side) / 2};
  Rect usable;
  if (UsableArea(usable)) at = PlaceResizedWindow(usable, WindowFrame(), before, side);
  SDL_SetWindowSize(window, side, side);
  SDL_SetWindowPosition(window, at.X, at.Y);
  Relayout();
}

// SDL learns the window manager's frame some time after the window is shown or leaves
// fullscreen (sooner or later on a busy machine), and until then puts the frame, not the
// window, at the place asked for: the window lands a title bar lower than meant. A frame
// learned soon after a placement makes it again. [D23]
void SdlWindow::Settle() {
  if (!placing_ || fullscreen_) return;
  Frame now;
  if (!Borders(now) || SDL_GetTicks64() - placedAt_ > kSettleMs) {
    placing_ = false;
  } else if (now != placedWith_) {
    placedWith_ = now;
    if (now != Frame{}) {
      ResizeWindowedWindow(placedFrom_);
      placing_ = false;
    }
  }
}

void SdlWindow::ToggleFullscreen() {
  SDL_Window* window = window_.get();
  if (!fullscreen_) {
    SDL_GetWindowPosition(window, &windowed_.X, &windowed_.Y);
    SDL_GetWindowSize(window, &windowed_.W, &windowed_.H);
    placing_ = false;
    if (SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0) fullscreen_ = true;
    Relayout();
    return;
  }
  if (SDL_SetWindowFullscreen(window, 0) != 0) return;
  // Back to the place it had, or, at a scale chosen meanwhile, grown or shrunk from there and
  // kept on the usable area; the frame is still the one it had before. [D23]
  ResizeWindowedWindow(windowed_);
  fullscreen_ = false;
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
  // The command line's scale given way is told once, now that it is decided; Ctrl+N is
  // answered by the window alone. [D28]
  Rect usable;
  if (askedScale_ > 0 && UsableArea(usable)) {
    const std::string why = ScaleRefusal(askedScale_, scale_, usable, frame_);
    if (!why.empty()) std::cerr << "fenzogobbix: " << why << '\n';
  }
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
