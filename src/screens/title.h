// The title screen.
#pragma once

namespace fg {

struct Game;

// Reveals the title picture in ten interlaced passes, then rewinds and starts the scroller.
// Pumps events: input handlers, even one that ends the game or the program, may run inside.
void ShowTitle(Game& g);

}  // namespace fg
