// The sign over the field while the wreck of a finished game lies there: GAME OVER, the score,
// and NEW BEST or the place the game took in the table. The title's reveal wipes it away.
#pragma once

#include <string>
#include <vector>

namespace fg {

struct Game;

// The sign's lines for a game with this score that took this place in the table (1 the best,
// 0 when it did not make the table).
std::vector<std::string> GameOverLines(int score, int place);

// Draws the sign centred on the field and shows the window.
void DrawGameOverSign(Game& g, int score, int place);

}  // namespace fg
