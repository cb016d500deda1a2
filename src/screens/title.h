// The title screen.
#pragma once

namespace fg {

struct Game;

// The rectangle of the title that the key lines of a pad or a touch screen replace: what
// picKeyLines.png holds for each, the pad's above the touch screen's. [D45]
inline constexpr int kKeyLinesX = 68;
inline constexpr int kKeyLinesY = 283;
inline constexpr int kKeyLinesWidth = 267;
inline constexpr int kKeyLinesHeight = 92;

// Reveals the title picture in ten interlaced passes, then rewinds and starts the scroller.
// Pumps events: input handlers, even one that ends the game or the program, may run inside.
void ShowTitle(Game& g);

// Redraws the title's key lines and its plate of the best for the device in hand, on screen as
// far as the reveal has come. [D45]
void ShowTitlePrompts(Game& g);

}  // namespace fg
