// A long, real-looking game made by a player that looks one cell ahead: it heads for the nearest
// star by safe cells, wavers now and then, and after the ticks asked for looks for its end.
// What the replay benchmark re-simulates and the timedemo figures are measured on.
#pragma once

#include <cstdint>

#include "core/replay.h"

namespace fg::bench {

// A finished game of at least `ticks` ticks, from the program's first start (no items yet, the
// random source as never seeded), ending on its last tick.
Replay LongGame(int64_t ticks, uint32_t seed = 1);

}  // namespace fg::bench
