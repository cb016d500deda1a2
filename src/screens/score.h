// The five score digits at the top of the playground.
#pragma once

namespace fg {

struct Game;

void EraseScore(Game& g);  // clean background over the score area
void DrawScore(Game& g);   // Score as five zero-padded digits

}  // namespace fg
