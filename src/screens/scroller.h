// The shadowed message that scrolls along the bottom of the title screen.
#pragma once

#include <cstdint>
#include <string_view>

namespace fg {

struct Game;

// Characters in the strip: 420 pixels, more than the 400-pixel view.
inline constexpr int kScrollStripCells = 30;

// The message with the blank lead-in and run-out that let it enter and leave the view.
extern const std::string_view kScrollMessage;

// Renders the 30 characters from `pos` into the scroll strip; near the end of the message it
// renders the start instead and rewinds ScrollPos.
void BuildScrollBuffer(Game& g, int16_t pos);

// One scroller step: 2 pixels further, a new strip every 7 ticks, drawn with its shadow.
void tmrScrollText_Timer(Game& g);

}  // namespace fg
