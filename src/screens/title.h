// The title screen.
#pragma once

namespace fg {

struct Game;

// Reveals the title picture in ten interlaced passes, then rewinds and starts the scroller.
// Pumps events: input handlers, even one that ends the game or the program, may run inside.
void ShowTitle(Game& g);

// Whether (x, y) in window pixels lies on the title's plate of the best, which a click or tap
// opens the hall of fame from. False while the title shows no best. [D46]
bool OnBestPlate(const Game& g, float x, float y);

}  // namespace fg
