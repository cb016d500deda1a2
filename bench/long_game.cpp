// The one-cell-ahead player, steering a copy of the course to see where each way leads.
#include "long_game.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>
#include <random>

#include "core/rules.h"
#include "play/course.h"

namespace fg::bench {

namespace {

class Steady : public TickView {
 public:
  explicit Steady(uint8_t steer) : steer_(steer) {}
  uint8_t Steering(const GameCourse& /*c*/) override { return steer_; }

 private:
  uint8_t steer_;
};

constexpr std::array<uint8_t, 4> kWays = {kSteerLeft, kSteerRight, kSteerUp, kSteerDown};

// Where the snake, steered `steer` for the next cell, stands: nothing when it ends the game
// on the way.
std::optional<GameCourse> Ahead(const GameCourse& c, uint8_t steer) {
  GameCourse ahead = c;
  Steady view(steer);
  for (int t = 0; t < kTrailStride; ++t) {
    if (RunTick(ahead, view) == TickEnd::kOver) return std::nullopt;
  }
  return ahead;
}

// How far the head is from the nearest star, in pixels along the grid.
int ToStar(const GameCourse& c) {
  int best = 1 << 20;
  for (int k = kFirstItemSlot; k <= kLastItemSlot; ++k) {
    if (c.ItemKind[k] != kStar1 && c.ItemKind[k] != kStar2) continue;
    best = std::min(best, std::abs(c.ItemX[k] - c.HeadX) + std::abs(c.ItemY[k] - c.HeadY));
  }
  return best;
}

// The way to take at a grid point: towards the nearest star on a safe cell that moves, now and
// then another safe one; once the game is long enough, one that ends it.
uint8_t Choose(const GameCourse& c, uint8_t steer, bool ending, std::mt19937& rng) {
  if (ending) {
    // Round and round the same way: the head comes back onto its own body within four cells.
    for (const uint8_t way : kWays) {
      if (!Ahead(c, way)) return way;
    }
    const uint8_t clockwise[] = {0, kSteerLeft, kSteerUp, kSteerDown, kSteerRight};  // by Heading
    return clockwise[c.Direction];
  }
  uint8_t chosen = steer;
  int best = 1 << 30;
  for (const uint8_t way : kWays) {
    const std::optional<GameCourse> a = Ahead(c, way);
    if (!a || (a->HeadX == c.HeadX && a->HeadY == c.HeadY)) continue;
    const int score = ToStar(*a) * 4 + static_cast<int>(rng() % 64) + (way == steer ? 0 : 8);
    if (score < best) {
      best = score;
      chosen = way;
    }
  }
  return chosen;
}

Replay OneGame(int64_t ticks, uint32_t seed) {
  std::mt19937 rng(seed);
  Replay r;
  ResetSnake(r.Start);
  GameCourse c = r.Start;
  uint8_t steer = kSteerLeft;
  for (;;) {
    const bool ending = c.Ticks >= ticks;
    if (c.HeadX % kCell == 0 && c.HeadY % kCell == 0) steer = Choose(c, steer, ending, rng);
    Steady view(steer);
    RecordSteering(r, c, steer);
    if (RunTick(c, view) == TickEnd::kOver || c.Ticks > 2 * ticks + 10000) break;
  }
  r.Score = c.Score;
  r.Length = c.SnakeLength;
  return r;
}

}  // namespace

Replay LongGame(int64_t ticks, uint32_t seed) {
  for (;; ++seed) {
    Replay r = OneGame(ticks, seed);
    if (r.Ticks() >= ticks) return r;
  }
}

}  // namespace fg::bench
