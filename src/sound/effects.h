// The three sound effects carried inside the program.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace fg {

struct Game;

// The WAVE image of effect `id` (101 start, 102 death, 103 eat), a fresh copy each time;
// empty for an unknown id.
std::vector<uint8_t> LoadEffect(uint8_t id);

// Pumps events once, then, when effects are on, starts effect `id` and returns at once.
void PlayEffect(Game& g, uint8_t id);

}  // namespace fg
