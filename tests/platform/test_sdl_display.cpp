// The real backend's window at other sizes, under SDL's dummy video driver (whose window
// surface is plain memory, 1024 x 768 desktop): the enlarged image, the window keys, and the
// pointer in image pixels.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "core/game.h"
#include "gfx/surface.h"
#include "platform/keys.h"
#include "platform/sdl/sdl_host.h"
#include "platform/sdl_test_util.h"
#include "shell/shell.h"
#include "sound/xmp_player.h"

namespace fg {
namespace {

using test::PushClick;
using test::PushKey;
using test::PushMotion;
using Strings = std::vector<std::string>;

struct DummyDrivers {
  DummyDrivers() {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
  }
};

Surface Noise(uint32_t seed) {
  Surface s(400, 400);
  std::mt19937 rng(seed);
  for (uint32_t& p : s.Pixels) p = rng() & 0xFFFFFF;
  return s;
}

uint32_t WindowPixel(SdlHost& host, int x, int y) {
  SDL_Surface* s = SDL_GetWindowSurface(SdlHostProbe::Window(host));
  return static_cast<const uint32_t*>(s->pixels)[y * (s->pitch / 4) + x] & 0xFFFFFF;
}

// Every window pixel: the image pixel its block belongs to, black around the image. Returns
// the first pixel that is not, as text, or "" when all are.
std::string FirstWrongPixel(SdlHost& host, const Surface& image) {
  SDL_Surface* s = SDL_GetWindowSurface(SdlHostProbe::Window(host));
  const Layout l = LayoutFor(s->w, s->h);
  for (int y = 0; y < s->h; ++y) {
    for (int x = 0; x < s->w; ++x) {
      // Worked out here rather than through the host's own mapping, which is under test too.
      const int ix = (x - l.OffsetX) / l.Scale;
      const int iy = (y - l.OffsetY) / l.Scale;
      const bool onImage = x >= l.OffsetX && y >= l.OffsetY && ix < 400 && iy < 400;
      const uint32_t want = onImage ? image.At(ix, iy) : kBlack;
      const uint32_t got = WindowPixel(host, x, y);
      if (got != want) {
        return "(" + std::to_string(x) + "," + std::to_string(y) + ") is " + std::to_string(got) +
               ", want " + std::to_string(want);
      }
    }
  }
  return "";
}

void WindowSize(SdlHost& host, int& w, int& h) {
  SDL_GetWindowSize(SdlHostProbe::Window(host), &w, &h);
}

// The 768-row dummy desktop refuses every scale above 1 [D23]: larger windows come from
// outside, as a window manager would make them.
void ResizeFromOutside(SdlHost& host, int w, int h) {
  SDL_SetWindowSize(SdlHostProbe::Window(host), w, h);
  host.DoEvents();
}

TEST(SdlDisplay, WithoutOptionsTheWindowIsTheImagesOwnSize) {
  DummyDrivers drivers;
  SdlHost host;
  int w = 0;
  int h = 0;
  WindowSize(host, w, h);
  EXPECT_EQ(w, 400);
  EXPECT_EQ(h, 400);
  EXPECT_EQ(SdlHostProbe::Scale(host), 1);
  EXPECT_FALSE(SdlHostProbe::Fullscreen(host));
}

TEST(SdlDisplay, EnlargedRefreshesShowEveryPixelAsABlock) {
  DummyDrivers drivers;
  for (int scale : {1, 2, 3}) {
    SdlHost host;
    Surface image = Noise(1);
    host.Refresh(image);  // drawn while hidden, shown whole on the first appearance
    host.ShowWindow();
    EXPECT_EQ(FirstWrongPixel(host, image), "") << "first appearance at " << scale;
    ResizeFromOutside(host, 400 * scale, 400 * scale);
    EXPECT_EQ(SdlHostProbe::CurrentLayout(host), (Layout{scale, 0, 0}));
    EXPECT_EQ(FirstWrongPixel(host, image), "") << "resized to " << scale;
    // A few changed rows: only those bands are drawn again, and they must land in place.
    for (int y : {0, 57, 200, 201, 399}) {
      for (int x = 0; x < 400; ++x) image.At(x, y) = ~image.At(x, y) & 0xFFFFFF;
    }
    host.Refresh(image);
    EXPECT_EQ(FirstWrongPixel(host, image), "") << "band refresh at " << scale;
    // A cell of play, a pixel further left in the same band, one alone at the right edge:
    // bands as narrow as what changed must still cover all of it.
    for (int y = 100; y < 116; ++y) {
      for (int x = 200; x < 216; ++x) image.At(x, y) = 0x00FF00;
    }
    image.At(3, 110) = 0x0000FF;
    image.At(399, 300) = 0xFF0000;
    host.Refresh(image);
    EXPECT_EQ(FirstWrongPixel(host, image), "") << "narrow bands at " << scale;
    image = Noise(2);  // every row changed
    host.Refresh(image);
    EXPECT_EQ(FirstWrongPixel(host, image), "") << "whole refresh at " << scale;
  }
}

TEST(SdlDisplay, CtrlAndADigitChooseTheScaleAndNeverReachTheGame) {
  DummyDrivers drivers;
  SdlHost host;
  test::RecordingSink sink;
  host.SetSink(&sink);
  Surface image = Noise(3);
  host.Refresh(image);
  host.ShowWindow();
  int w = 0;
  int h = 0;

  // The 768-row dummy desktop has no room for 800 rows: Ctrl+2 and Ctrl+3 are refused for
  // the largest scale that fits, 1x [D23]; Ctrl+7 to Ctrl+9 are no scale. All are swallowed.
  PushKey(SDL_KEYDOWN, SDLK_2, KMOD_LCTRL);
  PushKey(SDL_KEYDOWN, SDLK_3, KMOD_RCTRL);
  PushKey(SDL_KEYDOWN, SDLK_3, KMOD_RCTRL, 1);
  PushKey(SDL_KEYUP, SDLK_3, KMOD_RCTRL);
  test::Press(SDLK_7, KMOD_LCTRL);
  test::Press(SDLK_9, KMOD_LCTRL);
  host.DoEvents();
  WindowSize(host, w, h);
  EXPECT_EQ(w, 400);
  EXPECT_EQ(SdlHostProbe::Scale(host), 1);
  EXPECT_EQ(FirstWrongPixel(host, image), "") << "after Ctrl+3";

  // Resized from outside, the window gets its size back at Ctrl+1, the current scale, and
  // at Ctrl+0, the default for the 768-row dummy desktop.
  for (SDL_Keycode key : {SDLK_1, SDLK_0}) {
    ResizeFromOutside(host, 700, 600);
    test::Press(key, KMOD_LCTRL);
    host.DoEvents();
    WindowSize(host, w, h);
    EXPECT_EQ(w, 400) << key;
    EXPECT_EQ(h, 400) << key;
    EXPECT_EQ(SdlHostProbe::Scale(host), 1);
  }
  EXPECT_TRUE(sink.Take().empty());

  // Without Ctrl a digit is the game's, as it always was.
  test::Press(SDLK_2);
  host.DoEvents();
  EXPECT_EQ(sink.Take(), (Strings{"down 50", "up 50"}));
  WindowSize(host, w, h);
  EXPECT_EQ(w, 400);
}

TEST(SdlDisplay, F11AndAltEnterFillTheScreenCentredAndComeBack) {
  DummyDrivers drivers;
  SdlHost host;
  test::RecordingSink sink;
  host.SetSink(&sink);
  Surface image = Noise(4);
  host.Refresh(image);
  host.ShowWindow();
  int x0 = 0;
  int y0 = 0;
  SDL_GetWindowPosition(SdlHostProbe::Window(host), &x0, &y0);
  int w = 0;
  int h = 0;

  PushKey(SDL_KEYDOWN, SDLK_F11);
  PushKey(SDL_KEYDOWN, SDLK_F11, 0, 1);  // held: repeats do nothing
  PushKey(SDL_KEYDOWN, SDLK_F11, 0, 1);
  PushKey(SDL_KEYUP, SDLK_F11);
  host.DoEvents();
  EXPECT_TRUE(SdlHostProbe::Fullscreen(host));
  WindowSize(host, w, h);
  EXPECT_EQ(w, 1024);
  EXPECT_EQ(h, 768);
  EXPECT_EQ(SdlHostProbe::CurrentLayout(host), (Layout{1, 312, 184}));
  EXPECT_EQ(FirstWrongPixel(host, image), "") << "fullscreen";
  image.At(10, 10) = 0x123456;  // a refresh in fullscreen lands in the centred image
  host.Refresh(image);
  EXPECT_EQ(WindowPixel(host, 322, 194), 0x123456U);

  // Ctrl+2 in fullscreen would be the size to come back to, but it is refused here too.
  test::Press(SDLK_2, KMOD_LCTRL);
  host.DoEvents();
  EXPECT_TRUE(SdlHostProbe::Fullscreen(host));

  // Either Alt with Enter, main or keypad; the Enter never reaches the game.
  test::Press(SDLK_RETURN, KMOD_RALT);
  host.DoEvents();
  EXPECT_FALSE(SdlHostProbe::Fullscreen(host));
  WindowSize(host, w, h);
  EXPECT_EQ(w, 400);
  test::Press(SDLK_KP_ENTER, KMOD_LALT);
  host.DoEvents();
  EXPECT_TRUE(SdlHostProbe::Fullscreen(host));
  test::Press(SDLK_1, KMOD_LCTRL);
  test::Press(SDLK_F11);
  host.DoEvents();
  EXPECT_FALSE(SdlHostProbe::Fullscreen(host));
  WindowSize(host, w, h);
  EXPECT_EQ(w, 400);
  int x1 = 0;
  int y1 = 0;
  SDL_GetWindowPosition(SdlHostProbe::Window(host), &x1, &y1);
  EXPECT_EQ(x1, x0);
  EXPECT_EQ(y1, y0);
  EXPECT_EQ(FirstWrongPixel(host, image), "") << "back in a window";
  EXPECT_TRUE(sink.Take().empty());
}

TEST(SdlDisplay, StartsInFullscreenWhenAsked) {
  DummyDrivers drivers;
  SdlHost host(SdlHostOptions{0, true});
  Surface image = Noise(5);
  host.Refresh(image);
  host.ShowWindow();
  host.DoEvents();
  EXPECT_TRUE(SdlHostProbe::Fullscreen(host));
  EXPECT_EQ(FirstWrongPixel(host, image), "");
  test::Press(SDLK_F11);
  host.DoEvents();
  int w = 0;
  int h = 0;
  WindowSize(host, w, h);
  EXPECT_EQ(w, 400);
  EXPECT_EQ(h, 400);
}

TEST(SdlDisplay, AWindowResizedByOthersStillShowsTheImage) {
  DummyDrivers drivers;
  SdlHost host;
  Surface image = Noise(6);
  host.Refresh(image);
  host.ShowWindow();
  for (auto [w, h] :
       {std::pair{1000, 900}, std::pair{1203, 801}, std::pair{300, 250}, std::pair{401, 1600}}) {
    SDL_SetWindowSize(SdlHostProbe::Window(host), w, h);  // as a tiling window manager would
    host.DoEvents();
    image.At(0, 0) ^= 0x010101;  // and the game goes on drawing
    host.Refresh(image);
    EXPECT_EQ(FirstWrongPixel(host, image), "") << w << "x" << h;
  }
}

TEST(SdlDisplay, ThePauseKeyAndALostFocusReachTheGame) {
  DummyDrivers drivers;
  SdlHost host;
  test::RecordingSink sink;
  host.SetSink(&sink);
  host.ShowWindow();
  test::Press(SDLK_PAUSE);
  test::Press(SDLK_p, KMOD_LSHIFT);
  SDL_Event focus{};
  focus.type = SDL_WINDOWEVENT;
  focus.window.windowID = SDL_GetWindowID(SdlHostProbe::Window(host));
  focus.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
  SDL_PushEvent(&focus);
  host.DoEvents();
  EXPECT_EQ(sink.Take(), (Strings{"down 19", "up 19", "down 80", "up 80", "focus lost"}));
}

TEST(SdlDisplay, ThePointerIsInImagePixelsAndNothingOnTheBlack) {
  DummyDrivers drivers;
  SdlHost host;
  test::RecordingSink sink;
  host.SetSink(&sink);
  host.ShowWindow();
  PushMotion(0, 0);
  PushMotion(399, 399);
  PushClick(132, 57);
  host.DoEvents();
  EXPECT_EQ(sink.Take(), (Strings{"move 0,0", "move 399,399", "click 1 132,57"}));

  test::Press(SDLK_F11);  // 1024 x 768: the image at (312, 184), 1x
  host.DoEvents();
  PushMotion(312, 184);
  PushMotion(711, 583);
  PushMotion(311, 300);  // off the image: reported once at (-1, -1) so a hover ends
  PushMotion(100, 100);
  PushClick(100, 100);  // a click on the black reaches nothing
  PushMotion(500, 583);
  PushMotion(500, 584);
  host.DoEvents();
  EXPECT_EQ(sink.Take(),
            (Strings{"move 0,0", "move 399,399", "move -1,-1", "move 188,399", "move -1,-1"}));

  test::Press(SDLK_F11);
  host.DoEvents();
  ResizeFromOutside(host, 1200, 1200);
  PushMotion(2, 3);
  PushMotion(3, 2);
  PushMotion(1199, 1199);
  PushClick(398, 171);
  host.DoEvents();
  EXPECT_EQ(sink.Take(), (Strings{"move 0,1", "move 1,0", "move 399,399", "click 1 132,57"}));
}

// The link through the real game, at every scale: its hot zone is strict on all four sides,
// so the blocks of image pixels 132 and 273 across, 52 and 62 down, stay dark to their last
// window pixel, and their neighbours inside light it from their first.
TEST(SdlDisplay, TheLinksEdgePixelsStayInertAtEveryScale) {
  DummyDrivers drivers;
  SdlHost host;
  Game game(host, std::make_unique<XmpModulePlayer>(host));
  AttachHandlers(game);
  Form_Load(game);
  host.ShowWindow();
  auto litAt = [&](int wx, int wy) {
    PushMotion(wx, wy);
    host.DoEvents();
    return game.State.LinkHover != 0;
  };
  for (int s = 1; s <= kMaxScale; ++s) {
    ResizeFromOutside(host, 400 * s, 400 * s);
    ASSERT_EQ(SdlHostProbe::CurrentLayout(host), (Layout{s, 0, 0}));
    const int midY = 57 * s;
    const int midX = 200 * s;
    EXPECT_FALSE(litAt(133 * s - 1, midY)) << "left edge, scale " << s;
    EXPECT_TRUE(litAt(133 * s, midY)) << "left edge, scale " << s;
    EXPECT_TRUE(litAt(273 * s - 1, midY)) << "right edge, scale " << s;
    EXPECT_FALSE(litAt(273 * s, midY)) << "right edge, scale " << s;
    EXPECT_FALSE(litAt(midX, 53 * s - 1)) << "top edge, scale " << s;
    EXPECT_TRUE(litAt(midX, 53 * s)) << "top edge, scale " << s;
    EXPECT_TRUE(litAt(midX, 62 * s - 1)) << "bottom edge, scale " << s;
    EXPECT_FALSE(litAt(midX, 62 * s)) << "bottom edge, scale " << s;
  }
  // In fullscreen the black bars come first: the image starts at (312, 184) at 1x.
  test::Press(SDLK_1, KMOD_LCTRL);
  test::Press(SDLK_F11);
  host.DoEvents();
  EXPECT_FALSE(litAt(312 + 132, 184 + 57));
  EXPECT_TRUE(litAt(312 + 133, 184 + 57));
  EXPECT_FALSE(litAt(311, 184 + 57));  // leaving the image through the black ends the hover
}

}  // namespace
}  // namespace fg
