// A game left running for weeks: the millisecond clock passes 2^31 (24.8 days) and every paced
// wait, timer and sequence keeps its timing across it.
#include <gtest/gtest.h>

#include <vector>

#include "play/play.h"
#include "support/wait.h"
#include "testkit.h"

namespace fg::test {
namespace {

constexpr int64_t kBoundary = int64_t{1} << 31;

TEST(LongRun, WaitsAndTimersKeepTheirLengthAcrossTwoToTheThirtyFirstMilliseconds) {
  HeadlessHost host(kBoundary - 50);
  Wait(host, 100);
  EXPECT_EQ(host.Clock(), kBoundary + 50);

  Timer timer;
  timer.Interval = 15;
  int ticks = 0;
  timer.OnTick = [&] { ++ticks; };
  timer.SetEnabled(true, kBoundary - 10);
  EXPECT_EQ(timer.Due, kBoundary + 5);
  Timer* timers[] = {&timer};
  EXPECT_EQ(NextTimerDue(timers, kBoundary + 1000), kBoundary + 5);
  EXPECT_EQ(FireDueTimers(timers, kBoundary + 4), 0);
  EXPECT_EQ(FireDueTimers(timers, kBoundary + 5), 1);
  EXPECT_EQ(timer.Due, kBoundary + 20);
  EXPECT_EQ(ticks, 1);
}

TEST(LongRun, PlayTicksEveryFifteenMillisecondsAcrossTheBoundary) {
  TestGame t(kBoundary - 2000);
  t.StartQuiet();
  ASSERT_LT(t.Host.Clock(), kBoundary);
  std::vector<int64_t> ticks;
  t.Host.OnRefresh = [&](const Surface&) { ticks.push_back(t.Host.Clock()); };
  ASSERT_FALSE(t.RunUntil(kBoundary + 1000));
  ASSERT_GT(ticks.size(), 2u);
  EXPECT_LT(ticks.front(), kBoundary);
  EXPECT_GE(ticks.back(), kBoundary + 985);
  for (size_t i = 1; i < ticks.size(); ++i) EXPECT_EQ(ticks[i] - ticks[i - 1], 15) << i;
  EXPECT_NE(t.S().InGame, 0);
}

TEST(LongRun, GameOverPauseAndTitleRevealSpanTheBoundaryWithTheirFullLength) {
  // Start-up and the wipe take about 1.3 s: the game ends shortly before the boundary and the
  // explosion, the 2500 ms pause and the reveal run across it.
  TestGame t(kBoundary - 1500);
  t.StartOnSkull();
  std::vector<int64_t> frames;
  t.Host.OnRefresh = [&](const Surface&) { frames.push_back(t.Host.Clock()); };
  const int64_t start = t.Host.Clock();
  ASSERT_LT(start, kBoundary);
  t.Tick();
  ASSERT_EQ(frames.size(), 36u);
  EXPECT_EQ(frames[25], start + 600);
  EXPECT_EQ(frames[26], start + 3100);
  EXPECT_EQ(t.Host.Clock(), start + 3600);
  EXPECT_GT(t.Host.Clock(), kBoundary);
  EXPECT_EQ(t.S().InGame, 0);
  EXPECT_EQ(t.Image().Pixels, t.G->BufferFrm.picTitle.Pixels);
  // And the title goes on: the scroller runs and a new game starts.
  EXPECT_FALSE(t.RunUntil(t.Host.Clock() + 500));
  t.StartFromTitle();
  EXPECT_NE(t.S().InGame, 0);
}

}  // namespace
}  // namespace fg::test
