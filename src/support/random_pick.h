// The random source and RandomPick, which places and chooses the items.
#pragma once

#include <cstdint>

namespace fg {

class Host;

// The classic 24-bit linear congruential generator. It is never seeded, so every run of the
// game sees the same sequence of items.
class RandomSource {
 public:
  RandomSource() = default;
  explicit RandomSource(uint32_t seed) : x_(seed & 0xFFFFFFu) {}
  float Next();  // 0 <= r < 1
  uint32_t Seed() const { return x_; }
  bool operator==(const RandomSource&) const = default;

 private:
  uint32_t x_ = 0x50000;
};

// The draw counter and picked value of RandomPick, shared by every call (a pick started inside
// another pick's event pump restarts the counter the outer one is using [K12]), and the
// generator.
struct RandomRounds {
  int16_t DrawCount = 0;
  int16_t Picked = 0;
  RandomSource Source;
};

// Rounds to the nearest integer, ties to the even neighbour (2.5 -> 2, 3.5 -> 4).
int16_t RoundHalfEven(double v);

// Five draws, pumping events after each; returns the fifth, 0..n.
// Pumps events: input handlers, even one that ends the game or the program, may run inside.
int16_t RandomPick(Host& host, RandomRounds& rounds, int16_t n);
// The same, drawing from `source` rather than the rounds' own.
int16_t RandomPick(Host& host, RandomRounds& rounds, RandomSource& source, int16_t n);

// The five draws of RandomPick without the pumps: what a pick comes to when nothing runs inside.
int16_t PickQuietly(RandomSource& source, int16_t n);

}  // namespace fg
