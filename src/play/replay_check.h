// A replay played through headless, as fast as the machine allows: no drawing, no pump, no
// sound. A replay whose game does not come to its recorded result is damaged.
#pragma once

#include <optional>
#include <string>

#include "core/replay.h"

namespace fg {

// The course the replay's game ends in, when it ends on its last tick with the score and the
// length it carries; otherwise nothing, and why in `problem`.
std::optional<GameCourse> CheckReplay(const Replay& r, std::string* problem = nullptr);

}  // namespace fg
