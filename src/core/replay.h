// A finished game as a value: the course it started from and the steering of every tick, with
// the result it came to; and its code, the short text a record, a file or a page keeps it as
// (docs/replay-file.md).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/game_state.h"
#include "core/record.h"

namespace fg {

// The arrows as steering reads them at a tick: held, or tapped and remembered. [D16]
enum SteerBit : uint8_t { kSteerLeft = 1, kSteerRight = 2, kSteerUp = 4, kSteerDown = 8 };

// So many ticks in a row steered alike.
struct SteerRun {
  uint8_t Steer = 0;  // SteerBits
  uint32_t Ticks = 0;

  bool operator==(const SteerRun&) const = default;
};

struct Replay {
  GameCourse Start;            // the course as the game began: items and random source too
  std::vector<SteerRun> Runs;  // the steering of every tick, in runs
  int Score = 0;               // what the game came to
  int Length = 0;

  // Appends one tick's steering.
  void Add(uint8_t steer);
  int64_t Ticks() const;
  bool operator==(const Replay&) const = default;
};

// Reads a replay's steering tick by tick; past its end, no arrow.
class ReplayTape {
 public:
  explicit ReplayTape(const Replay& r) : runs_(&r.Runs) {}
  uint8_t Next();

 private:
  const std::vector<SteerRun>* runs_;
  size_t run_ = 0;
  uint32_t used_ = 0;
};

// The code: "R1" then the replay's bytes in URL-safe base 64, no padding. [D35]
inline constexpr std::string_view kReplayCodePrefix = "R";
inline constexpr int kReplayCodeVersion = 1;
std::string EncodeReplay(const Replay& r);
// Nothing, and why in `problem`, for a text that is not a whole replay of a version this
// program plays. Whether its game comes to its result is for the one who plays it to check.
std::optional<Replay> DecodeReplay(std::string_view code, std::string* problem = nullptr);

// The replay file: a first line "fenzogobbix replay 1", then "score N", "length N", "ended
// <UTC date>" and "code <code>", one a line (docs/replay-file.md).
inline constexpr int kReplayFileVersion = 1;
std::string FormatReplayFile(const FinishedGame& game);
// The game a replay file holds (its code not yet decoded); nothing, and why in `problem`, for
// a text that is not a replay file or lacks one of its lines. Lines it does not know are
// skipped, so a later version's additions do not stop it.
std::optional<FinishedGame> ParseReplayFile(std::string_view text, std::string* problem = nullptr);

}  // namespace fg
