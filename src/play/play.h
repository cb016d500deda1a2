// Play: the game tick and the steps it runs, the game start and the game over.
#pragma once

#include <cstdint>

namespace fg {

struct Game;

// One tick of play (every 15 ms while a game runs).
void tmrMain_Timer(Game& g);

// Wipes in the playground, resets the snake and starts the tick.
void StartGame(Game& g);

// Explodes the snake, pauses and returns to the title.
void GameOver(Game& g);

// The steps of the tick, exposed for tests and benchmarks. Those that pump events return false
// when the game ended inside them, and the tick then stops.
bool SpawnStep(Game& g);
void ItemStep(Game& g);
void Steer(Game& g);
bool Move(Game& g);  // true when the head moved
void ShiftTrail(Game& g);
bool EatTest(Game& g);             // false when the game ended (skull, or inside the sound's pump)
bool SelfCollides(const Game& g);  // the probe test alone, no side effects

}  // namespace fg
