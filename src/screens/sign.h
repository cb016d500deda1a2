// Signs over a picture: words in the game's font on a dark plate with a one-pixel bronze rim,
// as the scores and the game-over message are shown.
#pragma once

#include <string_view>

#include "gfx/surface.h"

namespace fg {

inline constexpr int kFontWidth = 14;  // a font cell: the face in rows 0..15, its mask in 16..31
inline constexpr int kFontHeight = 16;

// Pixels a line of text covers across, its one-pixel shadow included.
constexpr int TextWidth(std::string_view text) {
  return static_cast<int>(text.size()) * kFontWidth + 1;
}

// The text with its top-left corner at (x, y), drawn as the scroller draws its letters: masks,
// the shadow one pixel down and right, then the faces. The font holds the characters from the
// space to ']'; any other is drawn as a space.
void DrawText(Surface& dst, const Surface& font, int x, int y, std::string_view text);

// Darkens the rectangle towards the plate's colour and rims it with one pixel of bronze.
void DrawPlate(Surface& dst, int x, int y, int w, int h);

}  // namespace fg
