// Wait: pump, read the clock, sleep until something is due; never returns early. [D6]
#include "support/wait.h"

#include "platform/host.h"

namespace fg {

void Wait(Host& host, int32_t ms) {
  const int64_t deadline = host.Clock() + ms;
  if (deadline <= host.Clock()) return;
  for (;;) {
    host.DoEvents();
    if (deadline <= host.Clock()) return;
    host.BlockUntil(deadline);
  }
}

}  // namespace fg
