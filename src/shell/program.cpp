// The program's start sequence, the same on every host.
#include <cstdint>
#include <limits>
#include <memory>

#include "core/game.h"
#include "shell/shell.h"
#include "sound/xmp_player.h"

namespace fg {

void StartProgram(Game& g) {
  Form_Load(g);
  g.Machine.ShowWindow();
}

void RunProgram(Host& host) {
  Game game(host, std::make_unique<XmpModulePlayer>(host));
  AttachHandlers(game);
  try {
    StartProgram(game);
    RunMessageLoop(game, std::numeric_limits<int64_t>::max());
  } catch (const ProgramEnd&) {
    // Escape on the title or a close request: the program ends here, every sequence unwound.
  }
}

}  // namespace fg
