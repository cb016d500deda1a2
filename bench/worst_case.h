// The heaviest tick the game can run: a 100-segment snake winding through lanes and all 99 item
// slots taken, kept going for as long as the measurement wants.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fg {
struct Game;
}

namespace fg::bench {

// A closed serpentine the head can follow for ever: ten rows 32 pixels apart joined at
// alternate ends, and a return column along the left edge. Rows 32 apart never overlap, and
// one lap (3,840 pixels) is longer than the whole trail (1,998 pixels), so the snake never
// meets itself. Positions are 2 pixels apart, one per tick.
struct Lanes {
  std::vector<int16_t> X;
  std::vector<int16_t> Y;
  std::vector<int16_t> Heading;  // the direction from position i to position i + 1
  size_t Size() const { return X.size(); }
  bool Contains(int x, int y) const;
};

const Lanes& SerpentineLanes();

// Lays the worst case out on a game whose pictures are loaded: head at the start of the lanes,
// 100 segments behind it, slots 1..99 filled with stars and skulls off the lanes, a spawn due
// in `spawnIn` ticks, the game on and the scroller stopped. Starting the main timer is left to
// the caller: a benchmark calls the tick itself, a real message loop lets the timer fire it.
class WorstCase {
 public:
  explicit WorstCase(Game& g, int16_t spawnIn = 200);

  // Turns the head along the lanes; call right before each tick.
  void Steer();
  // Moves the bookkeeping on by one tick; call right after each tick.
  void Advance() { at_ = (at_ + 1) % lanes_.Size(); }
  // True while the game is still on and the head is where the lanes say.
  bool OnTrack() const;
  // One tick of play along the lanes.
  void Tick();

 private:
  Game& g_;
  const Lanes& lanes_;
  size_t at_ = 0;
};

}  // namespace fg::bench
