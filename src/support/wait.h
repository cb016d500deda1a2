// The paced wait that keeps the window alive while a sequence pauses between its steps.
#pragma once

#include <cstdint>

namespace fg {

class Host;

// Returns at the first clock reading at or after now + ms, pumping events meanwhile and
// sleeping between readings rather than spinning. 0 or less returns at once, without a pump.
// Pumps events: input handlers, even one that ends the game or the program, may run inside.
void Wait(Host& host, int32_t ms);

}  // namespace fg
