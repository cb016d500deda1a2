// Timer bookkeeping shared by the real and the headless host.
#include "platform/timer.h"

#include <algorithm>

namespace fg {

void Timer::SetEnabled(bool on, int64_t now) {
  if (on && !Enabled) Due = now + Interval;
  Enabled = on;
}

int FireDueTimers(std::span<Timer* const> timers, int64_t now) {
  int fired = 0;
  for (Timer* t : timers) {
    // Never inside its own handler: ticks do not overlap, even when the handler waits. [D1]
    if (!t->Enabled || t->Running || now < t->Due) continue;
    // Keep the nominal rate when a tick was merely late; drop ticks that were missed entirely,
    // as a window timer coalesces them. [D6]
    t->Due += t->Interval;
    if (t->Due <= now) t->Due = now + t->Interval;
    t->Running = true;
    struct Reset {
      Timer* T;
      ~Reset() { T->Running = false; }
    } reset{t};
    if (t->OnTick) t->OnTick();
    ++fired;
  }
  return fired;
}

int64_t NextTimerDue(std::span<Timer* const> timers, int64_t fallback) {
  int64_t next = fallback;
  for (const Timer* t : timers) {
    if (t->Enabled && !t->Running) next = std::min(next, t->Due);
  }
  return next;
}

}  // namespace fg
