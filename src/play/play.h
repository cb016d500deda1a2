// Play: the game tick and the steps it runs, the game start and the game over.
#pragma once

#include <cstdint>

namespace fg {

struct Game;

// One tick of play (every 15 ms while a game runs).
// Pumps events: input handlers, even one that ends the game or the program, may run inside.
void tmrMain_Timer(Game& g);

// Wipes in the playground, resets the snake and starts the tick.
// Pumps events: input handlers, even one that ends the game or the program, may run inside.
void StartGame(Game& g);

// Explodes the snake, pauses and returns to the title.
// Pumps events: input handlers, even one that ends the game or the program, may run inside.
void GameOver(Game& g);

// The steps of the tick, exposed for tests and benchmarks. Those that pump events return false
// when the game ended inside them, and the tick then stops.
bool SpawnStep(Game& g);  // pumps events (three random picks)
void ItemStep(Game& g);
void Steer(Game& g);
bool Move(Game& g);  // true when the head moved
void ShiftTrail(Game& g);
bool EatTest(Game& g);  // pumps events; false when the game ended (skull, or inside a pump)
bool SelfCollides(const Game& g);  // the probe test alone, no side effects

}  // namespace fg
