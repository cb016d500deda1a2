// The program: the command line, the real window, the module player over libxmp, the message
// loop.
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <limits>
#include <memory>
#include <string_view>
#include <vector>

#include "core/game.h"
#include "platform/sdl/sdl_host.h"
#include "shell/command_line.h"
#include "shell/shell.h"
#include "sound/xmp_player.h"

int main(int argc, char** argv) {
  // Read before the host exists: --help and --version need no display and touch no library.
  const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  const fg::CommandLine line = fg::ParseCommandLine(args);
  if (const auto status = fg::AnswerCommandLine(line, std::cout, std::cerr)) return *status;
  try {
    fg::SdlHost host(fg::SdlHostOptions{line.Scale, line.Fullscreen});
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
