// The hall of fame: the ten best games on one large plate over the playground, and the marks a
// game played back inside the program wears.
#pragma once

namespace fg {

struct Game;
struct Surface;

// Draws the table of g.Record into the image, the row g.Fame.Chosen lit, and refreshes. [D42]
void DrawHallOfFame(Game& g);

// The row of the table at a point of the window, or -1 for none.
int HallOfFameRowAt(const Game& g, float x, float y);

// Puts a playback's marks over a picture: the REPLAY plate in the top-left corner, clear of the
// score's plate, and in the attract loop SPACE TO PLAY blinking at the bottom. [D42]
void ComposePlaybackMarks(Game& g, Surface& shown);

}  // namespace fg
