// The program in a web page: the canvas host, the module player over libxmp, the message loop.
// The page fetches the tune into the root of the in-memory file system before this runs.
#include <cstdint>
#include <limits>
#include <memory>

#include "core/game.h"
#include "platform/web/web_host.h"
#include "shell/shell.h"
#include "sound/xmp_player.h"

int main() {
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
  return 0;
}
