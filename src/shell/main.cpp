// The desktop program: the command line and the real window; the rest is the program every
// host runs.
#include <cstdio>
#include <exception>
#include <iostream>
#include <string_view>
#include <vector>

#include "platform/sdl/sdl_host.h"
#include "shell/command_line.h"
#include "shell/playback.h"
#include "shell/shell.h"

int main(int argc, char** argv) {
  // Read before the host exists: --help and --version need no display and touch no library.
  const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  const fg::CommandLine line = fg::ParseCommandLine(args);
  if (const auto status = fg::AnswerCommandLine(line, std::cout, std::cerr)) return *status;
  // A replay to show is read and checked before any window opens.
  const bool replays =
      line.What == fg::CommandLine::kReplay || line.What == fg::CommandLine::kTimedemo;
  const std::optional<fg::Replay> shown =
      replays ? fg::LoadReplay(line.Replay, std::cerr) : std::nullopt;
  if (replays && !shown) return 2;
  if (line.What == fg::CommandLine::kTimedemo && !line.Window) {
    return fg::TimedemoHeadless(*shown, std::cout);
  }
  try {
    fg::SdlHost host(fg::SdlHostOptions{line.Scale, line.Fullscreen});
    if (line.What == fg::CommandLine::kTimedemo)
      return fg::TimedemoInWindow(host, *shown, std::cout);
    if (shown) {
      try {
        fg::RunPlayback(host, *shown);
      } catch (const fg::ProgramEnd&) {
        // the close box: the program ends here
      }
      return 0;
    }
    fg::RunProgram(host);
  } catch (const fg::HostError& e) {
    std::fprintf(stderr, "fenzogobbix: %s\n", e.what());
    return 1;
  } catch (const std::exception& e) {
    // Whatever else went wrong ends the program with one line, never silently. [D32]
    std::fprintf(stderr, "fenzogobbix: unexpected failure: %s\n", e.what());
    return 1;
  } catch (...) {
    std::fprintf(stderr, "fenzogobbix: unexpected failure\n");
    return 1;
  }
  return 0;
}
