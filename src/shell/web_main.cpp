// The program in a web page: the canvas host; the rest is the program every host runs. The page
// fetches the tune into the root of the in-memory file system before this runs.
#include <emscripten.h>

#include "core/rules.h"
#include "platform/web/web_host.h"
#include "shell/shell.h"

namespace {

// One run of the program, from start-up to its end, on a host of its own. The page stays,
// showing the last image.
void RunInPage() {
  fg::WebHost host;
  fg::RunProgram(host);
  // With the game gone: the page takes its keys back and says how to play again.
  host.End();
}

}  // namespace

int main() {
  RunInPage();
  return 0;
}

// The page's "play again" after the end: the program starts afresh in the same page, with a new
// game and a new host.
// NOLINTNEXTLINE(readability-identifier-naming)
extern "C" EMSCRIPTEN_KEEPALIVE void fg_play_again() {
  RunInPage();
}

// Whether a tap at (x, y) in window pixels lands on the title's address, which a tap opens
// rather than starting a game.
// NOLINTNEXTLINE(readability-identifier-naming)
extern "C" EMSCRIPTEN_KEEPALIVE int fg_on_link(float x, float y) {
  return fg::InLinkZone(x, y) ? 1 : 0;
}
