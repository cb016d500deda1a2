// The program in a web page: the canvas host, the module player over libxmp, the message loop.
// The page fetches the tune into the root of the in-memory file system before this runs.
#include <emscripten.h>

#include <cstdint>
#include <limits>
#include <memory>

#include "core/game.h"
#include "core/rules.h"
#include "platform/web/web_host.h"
#include "shell/shell.h"
#include "sound/xmp_player.h"

namespace {

// One run of the program, from start-up to its end. The page stays, showing the last image.
void RunProgram() {
  fg::WebHost host;
  {
    fg::Game game(host, std::make_unique<fg::XmpModulePlayer>(host));
    fg::AttachHandlers(game);
    try {
      fg::Form_Load(game);
      host.ShowWindow();
      fg::RunMessageLoop(game, std::numeric_limits<int64_t>::max());
    } catch (const fg::ProgramEnd&) {
    }
  }
  host.End();
}

}  // namespace

int main() {
  RunProgram();
  return 0;
}

// The page's "play again" after the end: the program starts afresh in the same page, with a new
// game and a new host.
// NOLINTNEXTLINE(readability-identifier-naming)
extern "C" EMSCRIPTEN_KEEPALIVE void fg_play_again() {
  RunProgram();
}

// Whether a tap at (x, y) in window pixels lands on the title's address, which a tap opens
// rather than starting a game.
// NOLINTNEXTLINE(readability-identifier-naming)
extern "C" EMSCRIPTEN_KEEPALIVE int fg_on_link(float x, float y) {
  return fg::InLinkZone(x, y) ? 1 : 0;
}
