// The sign over the field while the wreck of a finished game lies there: GAME OVER, the score,
// and NEW BEST or the place the game took in the table. The title's reveal wipes it away.
#pragma once

namespace fg {

struct Game;

// Draws the sign centred on the field and shows the window.
void DrawGameOverSign(Game& g, int score, int place);

}  // namespace fg
