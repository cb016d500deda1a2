// The program: the real window, the module player over libxmp, the message loop.
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>

#include "core/game.h"
#include "platform/sdl/sdl_host.h"
#include "shell/shell.h"
#include "sound/xmp_player.h"

int main() {
  try {
    fg::SdlHost host;
    fg::Game game(host, std::make_unique<fg::XmpModulePlayer>(host));
    fg::AttachHandlers(game);
    try {
      fg::Form_Load(game);
      host.ShowWindow();
      fg::RunMessageLoop(game, std::numeric_limits<int64_t>::max());
    } catch (const fg::ProgramEnd&) {
      return 0;
    }
  } catch (const fg::HostError& e) {
    std::fprintf(stderr, "fenzogobbix: %s\n", e.what());
    return 1;
  }
  return 0;
}
