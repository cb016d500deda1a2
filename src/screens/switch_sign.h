// The small plate M and S show in a corner for a moment: the note or the speaker, struck
// through when off. It is never drawn into the window's image, only over what a refresh shows.
#pragma once

#include <cstdint>

namespace fg {

struct Game;

// Where the plate lies, on the title and in play alike: the field's bottom-left corner, left of
// the title's key lines and above the scroller's lane, far from the score and the best.
inline constexpr int kSwitchSignX = 20;
inline constexpr int kSwitchSignY = 356;
inline constexpr int kSwitchSignWidth = 60;
inline constexpr int kSwitchSignHeight = 24;

// Shows, for kSwitchSignMs, what `key` (M or S) has just switched; another press starts the
// time again with its own plate. [D27]
void ShowSwitchSign(Game& g, int16_t key);

}  // namespace fg
