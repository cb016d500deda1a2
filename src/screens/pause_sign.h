// The PAUSED sign over the playground, in the scroller's font.
#pragma once

#include "screens/font.h"

namespace fg {

struct Game;

// Where the sign lies: the word centred on the field, with its one-pixel shadow.
inline constexpr int kPauseSignX = 158;
inline constexpr int kPauseSignY = 192;
inline constexpr int kPauseSignWidth = 6 * kGlyphWidth + 1;  // six letters
inline constexpr int kPauseSignHeight = kGlyphHeight + 1;

// Keeps the pixels the sign will cover, then draws it and shows the window.
void DrawPauseSign(Game& g);

// Puts the kept pixels back, so the field is exactly what it was, and shows the window.
void ErasePauseSign(Game& g);

}  // namespace fg
