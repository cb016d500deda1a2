// The real backend under SDL's dummy drivers: the window opens, keys arrive with the codes the
// game expects, and a close request ends the program through the unload handler.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

#include "core/game.h"
#include "platform/sdl/sdl_host.h"
#include "shell/shell.h"
#include "sound/xmp_player.h"

namespace fg {
namespace {

void PushKey(Uint32 type, SDL_Keycode key, Uint16 mod) {
  SDL_Event e{};
  e.type = type;
  e.key.keysym.sym = key;
  e.key.keysym.mod = mod;
  e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  SDL_PushEvent(&e);
}

TEST(SdlHost, MapsKeysToTheGamesCodesWhateverShiftSays) {
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_ESCAPE), 27);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_SPACE), 32);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_LEFT), 37);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_UP), 38);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_RIGHT), 39);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_DOWN), 40);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_m), 77);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_s), 83);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_F1), 0);
  // The keypad steers while Num Lock is off; with it on those keys are digits the game ignores.
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_4), 37);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_8), 38);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_6), 39);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_2), 40);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_8, KMOD_NUM), 0);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_5), 0);
}

TEST(SdlHost, TheTuneIsLookedForBesideTheExecutableOnlyWhenThatIsKnown) {
  EXPECT_EQ(DirectoryFromBasePath("/usr/lib/fenzogobbix/"), "/usr/lib/fenzogobbix");
  EXPECT_EQ(DirectoryFromBasePath("/"), "/");
  // No base path (no /proc) or a relative one: unknown, never the working directory.
  EXPECT_EQ(DirectoryFromBasePath(nullptr), "");
  EXPECT_EQ(DirectoryFromBasePath("./"), "");
}

TEST(SdlHost, TriesX11WhereThereIsAnXDisplayAndWaylandOnlyWhereThereIsAWaylandOne) {
  using V = std::vector<std::string>;
  EXPECT_EQ(VideoDriversToTry(":0", nullptr), V{"x11"});
  EXPECT_EQ(VideoDriversToTry(":0", ""), V{"x11"});
  EXPECT_EQ(VideoDriversToTry(":0", "wayland-0"), (V{"x11", "wayland"}));
  EXPECT_EQ(VideoDriversToTry(nullptr, "wayland-0"), V{"wayland"});
  EXPECT_EQ(VideoDriversToTry("", nullptr), V{});
}

TEST(SdlHost, OpensTheWindowTakesKeysAndEndsCleanlyOnACloseRequest) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  SdlHost host;
  Game game(host, std::make_unique<XmpModulePlayer>(host));
  AttachHandlers(game);
  Form_Load(game);
  host.ShowWindow();
  EXPECT_EQ(game.State.SoundOn, kTrue);
  PushKey(SDL_KEYDOWN, SDLK_s, KMOD_LSHIFT);  // a capital S is still the S key
  PushKey(SDL_KEYUP, SDLK_s, KMOD_LSHIFT);
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  EXPECT_THROW(RunMessageLoop(game, std::numeric_limits<int64_t>::max()), ProgramEnd);
  EXPECT_EQ(game.State.SoundOn, kFalse);
  EXPECT_EQ(game.State.MusicModule, 0);
}

}  // namespace
}  // namespace fg
