// Play: the game tick and the steps it runs, the game start and the game over.
#pragma once

#include <cstdint>

#include "play/course.h"

namespace fg {

struct Game;

// One tick of play (every 15 ms while a game runs).
// Pumps events: input handlers, even one that ends the game or the program, may run inside.
void tmrMain_Timer(Game& g);

// Wipes in the playground, resets the snake and starts the tick.
// Pumps events: input handlers, even one that ends the game or the program, may run inside.
void StartGame(Game& g);

// Explodes the snake, pauses and returns to the title (a game played back ends instead).
// Pumps events: input handlers, even one that ends the game or the program, may run inside.
void GameOver(Game& g);

// An arrow pressed in play: remembered for the tick at which the head can turn. [D16]
void ArrowPressed(Game& g, int16_t keyCode);

// The tick's drawing on the game window, with the steering of a game played back (none for
// the live game): what the live tick and a timedemo in the window draw.
class DrawnTick : public TickView {
 public:
  explicit DrawnTick(Game& g) : g_(g) {}
  void Erase(const GameCourse& c) override;
  void DrawItems(const GameCourse& c) override;
  uint8_t Steering(const GameCourse& c) override;
  void DrawSnake(const GameCourse& c) override;

 protected:
  Game& Owner() const { return g_; }

 private:
  Game& g_;
};

// The steps of the tick on the game in play, for tests and benchmarks.
void ItemStep(Game& g);  // the items turn and are drawn
void Steer(Game& g);     // the arrows as the keys and the tap give them
bool Move(Game& g);      // true when the head moved
void ShiftTrail(Game& g);
bool SelfCollides(const Game& g);  // the probe test alone, no side effects

}  // namespace fg
