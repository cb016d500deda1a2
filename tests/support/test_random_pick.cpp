// RandomPick: rounding, the shape of its distribution, repeatability, and its pumping.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "platform/headless/headless_host.h"
#include "support/random_pick.h"

namespace fg {
namespace {

TEST(RandomPick, TiesRoundToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(22.5), 22);
  EXPECT_EQ(RoundHalfEven(2.4999), 2);
  EXPECT_EQ(RoundHalfEven(2.5001), 3);
}

TEST(RandomPick, GeneratorYieldsValuesInTheUnitIntervalFromAFixedStart) {
  RandomSource a;
  RandomSource b;
  EXPECT_EQ(a.Seed(), 0x50000u);
  for (int i = 0; i < 100000; ++i) {
    const float r = a.Next();
    ASSERT_GE(r, 0.0f);
    ASSERT_LT(r, 1.0f);
    ASSERT_EQ(r, b.Next());
  }
  // First step worked by hand: (0x50000 * 0x43FD43FD + 0xC39EC3) mod 2^24.
  RandomSource c;
  const uint32_t expected = (0x50000u * 0x43FD43FDu + 0xC39EC3u) & 0xFFFFFFu;
  EXPECT_EQ(c.Next(), static_cast<float>(expected) / 16777216.0f);
}

std::vector<int> Histogram(int16_t n, int draws) {
  HeadlessHost host;
  RandomRounds rounds;
  std::vector<int> h(static_cast<size_t>(n) + 1, 0);
  for (int i = 0; i < draws; ++i) {
    const int16_t v = RandomPick(host, rounds, n);
    EXPECT_GE(v, 0);
    EXPECT_LE(v, n);
    ++h[static_cast<size_t>(v)];
  }
  return h;
}

TEST(RandomPick, EndsAreHalfAsLikelyAsTheValuesBetween) {
  const int draws = 230000;
  const std::vector<int> h23 = Histogram(23, draws);
  const double inner = draws / 23.0;  // 22 inner values of weight 1 and two ends of 1/2
  for (int v = 1; v < 23; ++v) EXPECT_NEAR(h23[v], inner, inner * 0.06) << v;
  EXPECT_NEAR(h23[0], inner / 2, inner * 0.06);
  EXPECT_NEAR(h23[23], inner / 2, inner * 0.06);

  const std::vector<int> h4 = Histogram(4, 80000);
  EXPECT_NEAR(h4[0], 10000, 600);
  EXPECT_NEAR(h4[4], 10000, 600);
  for (int v = 1; v <= 3; ++v) EXPECT_NEAR(h4[v], 20000, 900) << v;
}

TEST(RandomPick, FiveDrawsAndFivePumpsPerPickAndTheSamePicksEveryRun) {
  HeadlessHost host1;
  HeadlessHost host2;
  RandomRounds r1;
  RandomRounds r2;
  RandomSource manual;
  for (int i = 0; i < 50; ++i) {
    for (int d = 0; d < 4; ++d) manual.Next();
    const int16_t expected = RoundHalfEven(static_cast<double>(manual.Next()) * 23.0);
    const int16_t a = RandomPick(host1, r1, 23);
    EXPECT_EQ(a, expected);
    EXPECT_EQ(a, RandomPick(host2, r2, 23));
  }
  EXPECT_EQ(host1.Pumps, 250);
  EXPECT_EQ(r1.DrawCount, 5);
  EXPECT_EQ(RandomPick(host1, r1, 0), 0);
}

// A pick started inside another pick's pump restarts the shared counter: the outer pick then
// stops after its current draw and returns the inner pick's value.
TEST(RandomPick, NestedPickSharesTheCounterAndTheValue) {
  struct Nest : EventSink {
    HeadlessHost* Host;
    RandomRounds* Rounds;
    int16_t Inner = -1;
    void KeyDown(int16_t /*keyCode*/) override { Inner = RandomPick(*Host, *Rounds, 23); }
    void KeyUp(int16_t /*keyCode*/) override {}
    void MouseMove(float /*x*/, float /*y*/) override {}
    void MouseDown(int16_t /*button*/, float /*x*/, float /*y*/) override {}
    void CloseRequest() override {}
  };
  HeadlessHost host;
  RandomRounds rounds;
  Nest sink;
  sink.Host = &host;
  sink.Rounds = &rounds;
  host.SetSink(&sink);
  host.KeyPress(0, 1);  // delivered by the outer pick's first pump
  const int16_t outer = RandomPick(host, rounds, 23);
  EXPECT_EQ(outer, sink.Inner);
  EXPECT_EQ(host.Pumps, 6);  // one pump of the outer pick, five of the inner one
}

}  // namespace
}  // namespace fg
