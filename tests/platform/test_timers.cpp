// Timers: fired from the pump when due, never inside their own handler, at a steady rate.
#include <gtest/gtest.h>

#include "platform/headless/headless_host.h"
#include "support/wait.h"

namespace fg {
namespace {

TEST(Timers, AHandlerThatPumpsIsNeverReenteredButOtherTimersStillFire) {
  HeadlessHost host;
  Timer slow;
  Timer fast;
  int depth = 0;
  int maxDepth = 0;
  int slowTicks = 0;
  int fastTicks = 0;
  slow.Interval = 15;
  fast.Interval = 20;
  slow.OnTick = [&] {
    ++slowTicks;
    maxDepth = std::max(maxDepth, ++depth);
    Wait(host, 100);  // a long sequence inside the tick, pumping all along
    --depth;
  };
  fast.OnTick = [&] { ++fastTicks; };
  slow.SetEnabled(true, 0);
  fast.SetEnabled(true, 0);
  host.AddTimer(&slow);
  host.AddTimer(&fast);
  for (int i = 0; i < 10; ++i) {
    host.DoEvents();
    host.BlockUntil(1000);
  }
  EXPECT_EQ(maxDepth, 1);
  EXPECT_GE(fastTicks, 5);  // the other timer went on ticking during the waits
  EXPECT_GE(slowTicks, 2);
}

TEST(Timers, KeepTheirRateWhenLateAndDropTicksThatWereMissedEntirely) {
  Timer t;
  t.Interval = 15;
  int ticks = 0;
  t.OnTick = [&] { ++ticks; };
  t.SetEnabled(true, 0);
  Timer* list[] = {&t};
  EXPECT_EQ(FireDueTimers(list, 14), 0);
  EXPECT_EQ(FireDueTimers(list, 17), 1);   // 2 ms late...
  EXPECT_EQ(t.Due, 30);                    // ...the next is still due on the 15 ms grid
  EXPECT_EQ(FireDueTimers(list, 100), 1);  // long stall: one tick, not a burst
  EXPECT_EQ(t.Due, 115);
  t.SetEnabled(false, 100);
  EXPECT_EQ(FireDueTimers(list, 200), 0);
  t.SetEnabled(true, 200);  // switching on starts a fresh interval
  EXPECT_EQ(NextTimerDue(list, 10000), 215);
  EXPECT_EQ(ticks, 2);
}

}  // namespace
}  // namespace fg
