// The window's interval timers: an interval and an enabled flag, fired by the host from its
// event pump when due, and never while their own handler is still running.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

namespace fg {

struct Timer {
  int32_t Interval = 0;          // milliseconds between ticks
  bool Enabled = false;          // ticks are delivered only while enabled
  int64_t Due = 0;               // clock reading at which the next tick is due [D7]
  bool Running = false;          // its handler is on the stack right now
  std::function<void()> OnTick;  // the handler, e.g. tmrMain_Timer

  // Switching a timer on starts a fresh interval from `now`, as a window timer does.
  void SetEnabled(bool on, int64_t now);
};

// Fires every enabled timer that is due at `now` and not already inside its own handler.
// Returns the number of handlers run.
int FireDueTimers(std::span<Timer* const> timers, int64_t now);

// Earliest clock reading at which one of the timers can fire, or `fallback` when none can.
int64_t NextTimerDue(std::span<Timer* const> timers, int64_t fallback);

}  // namespace fg
