// The pause in play: P, the Pause key or a pad's Start stop the game clock, the same keys start
// it again, and losing the window's focus stops it too.
#pragma once

#include <cstdint>

namespace fg {

struct Game;

bool IsPauseKey(int16_t keyCode);

// A pause key pressed. In play it stops or restarts the game clock; outside play it does
// nothing, and the key keeps whatever meaning it has there.
void PauseKeyDown(Game& g, int16_t keyCode);
void PauseKeyUp(Game& g, int16_t keyCode);

// The window lost the keyboard: a game in play pauses and waits for a pause key.
void Form_LostFocus(Game& g);

// A pause asked for while the tick or the playground wipe was running, taken once it is over.
void TakePendingPause(Game& g);

// The game was left while paused (Escape): nothing to put back, the title covers the field.
void DropPause(Game& g);

}  // namespace fg
