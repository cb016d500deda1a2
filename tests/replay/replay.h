// Replays of recorded sessions on the headless host, and the text dump they are compared by.
// Only the standard library, the game and the headless host live here, so the same replay can
// be built for any target the game runs on and its dump compared with the native one.
//
// A script is one event a line, virtual time in milliseconds first:
//   1000 down 32      key down (key code)
//   1100 up 32        key up
//   2000 move 200 57  pointer moved to (x, y) in window pixels
//   2100 click 200 57 left button pressed at (x, y)
//   3000 close        close request
// Blank lines and lines starting with # are skipped; a # after the last field starts a comment.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/surface.h"
#include "platform/headless/headless_host.h"

namespace fg::test {

// A script line that cannot be read, with its line number (from 1).
class ScriptError : public std::runtime_error {
 public:
  ScriptError(int line, const std::string& message);
  int Line() const { return line_; }

 private:
  int line_;
};

// The events of a script in the order they appear. Throws ScriptError on an unknown verb, a
// missing or malformed field or anything left over on a line.
std::vector<ScriptedEvent> ParseScript(std::string_view text);

// How a game ended: a skull under the head, the head on the snake itself, or Escape.
struct GameEnd {
  std::string Cause;  // "skull", "itself" or "escape"
  int Length = 0;
  int Score = 0;
  int Refresh = 0;          // the first refresh after the end
  std::string Code;         // the game's replay code, for a game that ended by itself
  uint32_t StartImage = 0;  // the window at the game's first tick and at its end
  uint32_t EndImage = 0;
};

struct ReplayResult {
  std::string Dump;
  bool ProgramEnded = false;  // Escape on the title or a close request ended the program
  std::vector<GameEnd> Games;
  std::vector<int> Effects;  // ids of the sound effects played, in order
};

// Refreshes between two image checkpoints of the dump.
constexpr int kCheckpointEvery = 250;
// How long the replay runs on after the last scripted event, in milliseconds.
constexpr int64_t kTailAfterScript = 5000;

// Runs the script on a fresh game on the headless host: start-up, every event at its time, and
// kTailAfterScript more. The dump lists, in the order they happen, a checkpoint every
// kCheckpointEvery refreshes and every start and end of a game, each with a checksum of the
// window image at that refresh; then the state the session ends in.
ReplayResult RunReplay(std::string_view script);

// FNV-1a (32 bits) over the red, green and blue bytes of every pixel, row by row.
uint32_t ImageChecksum(const Surface& image);

// The first line (from 1) where two dumps differ, with both lines ("" past the end); nothing
// when they are equal.
struct LineDifference {
  int Line = 0;
  std::string Expected;
  std::string Actual;
};
std::optional<LineDifference> FirstDifference(std::string_view expected, std::string_view actual);

}  // namespace fg::test
