// RandomPick: five draws a call, the last one kept, with the event pump between them.
#include "support/random_pick.h"

#include <cmath>

#include "platform/host.h"

namespace fg {

float RandomSource::Next() {
  x_ = (x_ * 0x43FD43FDu + 0xC39EC3u) & 0xFFFFFFu;
  return static_cast<float>(x_) / 16777216.0f;  // exact: 24 bits fit a float's mantissa
}

int16_t RoundHalfEven(double v) {
  return static_cast<int16_t>(std::nearbyint(v));
}

namespace {

int16_t Draw(RandomSource& source, int16_t n) {
  const float r = source.Next();
  // The product of two floats is exact in double precision, so ties are real ties.
  return RoundHalfEven(static_cast<double>(r) * static_cast<double>(static_cast<float>(n)));
}

}  // namespace

int16_t RandomPick(Host& host, RandomRounds& rounds, RandomSource& source, int16_t n) {
  rounds.DrawCount = 0;  // shared: a pick inside this one's pump restarts it [K12]
  while (rounds.DrawCount <= 4) {
    rounds.Picked = Draw(source, n);
    host.DoEvents();
    ++rounds.DrawCount;
  }
  return rounds.Picked;
}

int16_t RandomPick(Host& host, RandomRounds& rounds, int16_t n) {
  return RandomPick(host, rounds, rounds.Source, n);
}

int16_t PickQuietly(RandomSource& source, int16_t n) {
  int16_t picked = 0;
  for (int i = 0; i < 5; ++i) picked = Draw(source, n);
  return picked;
}

}  // namespace fg
