// The title screen.
#pragma once

namespace fg {

struct Game;

// The rectangle of the title that the key lines of a pad or a touch screen replace: what
// picKeyLines.png holds for each, the pad's above the touch screen's. [D47]
inline constexpr int kKeyLinesX = 68;
inline constexpr int kKeyLinesY = 283;
inline constexpr int kKeyLinesWidth = 267;
inline constexpr int kKeyLinesHeight = 92;

// Reveals the title picture in ten interlaced passes, then rewinds and starts the scroller.
// Pumps events: input handlers, even one that ends the game or the program, may run inside.
void ShowTitle(Game& g);

// Whether (x, y) in window pixels lies on the title's plate of the best, which a click or tap
// opens the hall of fame from. False while the title shows no best. [D46]
bool OnBestPlate(const Game& g, float x, float y);

// Redraws the title's key lines and its plate of the best for the device in hand, on screen as
// far as the reveal has come. [D47]
void ShowTitlePrompts(Game& g);

}  // namespace fg
