// The paced wait: its ending rule, its pumping, and nesting inside a handler.
#include <gtest/gtest.h>

#include "platform/headless/headless_host.h"
#include "support/wait.h"

namespace fg {
namespace {

struct CountingSink : EventSink {
  HeadlessHost* Host = nullptr;
  int Keys = 0;
  int64_t InnerWaitEnded = -1;
  void KeyDown(int16_t code) override {
    ++Keys;
    if (code == 1) {  // a handler that waits itself
      Wait(*Host, 100);
      InnerWaitEnded = Host->Clock();
    }
  }
  void KeyUp(int16_t /*keyCode*/) override {}
  void MouseMove(float /*x*/, float /*y*/) override {}
  void MouseDown(int16_t /*button*/, float /*x*/, float /*y*/) override {}
  void CloseRequest() override {}
};

TEST(Wait, ZeroOrNegativeReturnsAtOnceWithoutPumping) {
  HeadlessHost host;
  CountingSink sink;
  host.SetSink(&sink);
  host.KeyPress(0, 2);  // pending: would be delivered by any pump
  for (int32_t ms : {0, -1, -1000}) {
    Wait(host, ms);
    EXPECT_EQ(host.Pumps, 0) << ms;
    EXPECT_EQ(host.Clock(), 0);
  }
  EXPECT_EQ(sink.Keys, 0);
}

TEST(Wait, PositiveCountPumpsAndEndsAtTheFirstReadingAtOrAfterTheDeadline) {
  HeadlessHost host;
  CountingSink sink;
  host.SetSink(&sink);
  host.KeyPress(0, 2);
  host.KeyPress(30, 2);
  Timer t;
  t.Interval = 7;
  int ticks = 0;
  t.OnTick = [&] { ++ticks; };
  t.SetEnabled(true, 0);
  host.AddTimer(&t);
  Wait(host, 50);
  EXPECT_EQ(host.Clock(), 50);  // never early, and on a virtual clock never late either
  EXPECT_EQ(sink.Keys, 2);
  EXPECT_EQ(ticks, 7);  // 7, 14, ... 49
  EXPECT_GE(host.Pumps, 1);
}

TEST(Wait, NestedWaitRunsToItsEndThenTheOuterReturnsPastItsDeadline) {
  HeadlessHost host;
  CountingSink sink;
  sink.Host = &host;
  host.SetSink(&sink);
  host.KeyPress(20, 1);  // at 20 a handler waits 100 ms
  Wait(host, 50);
  EXPECT_EQ(sink.InnerWaitEnded, 120);
  EXPECT_EQ(host.Clock(), 120);  // the outer wait ends late, not early
}

}  // namespace
}  // namespace fg
