// The rules of one tick on the game's course alone, once for every way a tick is run: the live
// tick draws, pumps and sounds between the steps; a replay checked headless does none of that.
#pragma once

#include <cstdint>

#include "core/game_state.h"
#include "core/replay.h"

namespace fg {

// What a tick does besides the rules, at the places the live tick does it. The defaults do
// nothing: a pure advance, no drawing, no pump, no sound.
class TickView {
 public:
  virtual ~TickView() = default;
  virtual void Erase(const GameCourse& /*c*/) {}  // the score and the snake come off the field
  // One random pick of 0..n; the live one pumps events after each draw.
  virtual Integer Pick(RandomSource& source, Integer n) { return PickQuietly(source, n); }
  virtual bool Playing() { return true; }  // false once the game ended inside a pump [D2]
  virtual void DrawItems(const GameCourse& /*c*/) {}
  virtual uint8_t Steering(const GameCourse& c) = 0;  // SteerBits for this tick
  virtual void DrawSnake(const GameCourse& /*c*/) {}  // head, body, new tail, score
  virtual bool Ate() { return true; }  // the eat click; false once the game ended inside it
};

enum class TickEnd { kOn, kOver, kGone };  // goes on; a skull or the snake itself; ended in a pump

// One tick of the rules on `c` with `view` between the steps.
TickEnd RunTick(GameCourse& c, TickView& view);

// The rules' steps, in the order RunTick takes them.
bool SpawnStep(GameCourse& c, TickView& view);        // false when the game ended inside a pick
void AdvanceItems(GameCourse& c);                     // the stars turn, the skulls come up
Integer Steered(const GameCourse& c, uint8_t steer);  // the direction the arrows give
bool Move(GameCourse& c);                             // true when the head moved
void ShiftTrail(GameCourse& c);
bool SelfCollides(const GameCourse& c);  // the probe test alone, no side effects

// Adds a tick's steering to a replay, as the replay keeps it: the last tick's when that steers
// this tick alike, so a run breaks only where the input changes the snake's course. [D34]
void RecordSteering(Replay& r, const GameCourse& c, uint8_t steer);

}  // namespace fg
