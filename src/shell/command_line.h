// The program's command line: read before anything touches the display, so --help and
// --version answer on a machine without one.
#pragma once

#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "platform/presentation.h"  // kMaxScale, the largest window the host makes

namespace fg {

inline constexpr int kMinScale = 1;

struct CommandLine {
  enum Action { kPlay, kHelp, kVersion, kScores, kBad, kReplay, kExportReplay, kTimedemo, kShare };
  Action What = kPlay;
  int Scale = 0;            // 0: the default for the display
  bool Fullscreen = false;  // --fullscreen; --windowed, the default, turns it off again
  std::string Problem;      // for kBad: what was wrong, in one line
  std::string Replay;       // --replay, --export-replay, --timedemo: N (the table), a file or a
                            // link; --share: N
  std::string ExportTo;     // --export-replay: the file written
  bool Window = false;      // --timedemo --window
};

// Reads the arguments after the program's name, left to right: --help and --version answer at
// once, the first bad argument stops the reading, and of repeated options the last one counts.
CommandLine ParseCommandLine(std::span<const std::string_view> args);

// Answers --help, --version, --scores (the table in the user's data folder) and a bad command
// line on the streams given and returns the exit status; returns nothing when the game is to be
// played.
std::optional<int> AnswerCommandLine(const CommandLine& line, std::ostream& out, std::ostream& err);

}  // namespace fg
