// The title screen.
#pragma once

namespace fg {

struct Game;

// Reveals the title picture in ten interlaced passes, then rewinds and starts the scroller.
void ShowTitle(Game& g);

}  // namespace fg
