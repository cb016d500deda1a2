// The three sound effects carried inside the program.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace fg {

struct Game;

// The three effects, by the numbers their WAVE images are known by.
enum EffectId : uint8_t { kEffectStart = 101, kEffectDeath = 102, kEffectEat = 103 };

// The WAVE image of effect `id` (101 start, 102 death, 103 eat), a fresh copy each time;
// empty for an unknown id.
std::vector<uint8_t> LoadEffect(uint8_t id);

// Pumps events once, then, when effects are on, starts effect `id` and returns at once.
// Pumps events: any input handler may run inside it, even one that ends the game.
void PlayEffect(Game& g, uint8_t id);

}  // namespace fg
