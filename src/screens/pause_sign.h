// The PAUSED sign over the playground: the word in the scroller's font on a dark plate, and
// under it a small line saying how to carry on.
#pragma once

#include "screens/font.h"

namespace fg {

struct Game;

// Where the sign lies: the plate, centred on the field, with everything drawn inside it.
inline constexpr int kPauseSignX = 147;
inline constexpr int kPauseSignY = 186;
inline constexpr int kPauseSignWidth = 106;
inline constexpr int kPauseSignHeight = 37;

// Keeps the pixels the sign will cover, then draws it and shows the window.
void DrawPauseSign(Game& g);

// Draws the sign anew over the kept pixels, its hint for the device now in hand. [D47]
void RedrawPauseSign(Game& g);

// Puts the kept pixels back, so the field is exactly what it was, and shows the window.
void ErasePauseSign(Game& g);

}  // namespace fg
