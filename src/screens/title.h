// The title screen.
#pragma once

#include <string>

#include "platform/record.h"

namespace fg {

struct Game;

// What the title shows of the record: "BEST" and the best score, or nothing before a first game.
std::string BestLine(const PlayerRecord& record);

// Reveals the title picture in ten interlaced passes, then rewinds and starts the scroller.
// Pumps events: input handlers, even one that ends the game or the program, may run inside.
void ShowTitle(Game& g);

}  // namespace fg
