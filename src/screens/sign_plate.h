// Signs over the field: a dark plate with a bronze rim under the game's lettering, and the
// small font for a second, smaller line that says what to press.
#pragma once

#include <cstdint>
#include <string_view>

#include "gfx/surface.h"
#include "screens/font.h"

namespace fg {

inline constexpr uint32_t kSignPlateColour = 0x0E0C10;
inline constexpr int kSmallTextHeight = 7;

// Darkens the w x h rectangle at (x, y) towards the plate colour (70 % plate, 30 % of what was
// there) and rims it with one pixel of bronze, lit along the top and left; the four corner
// pixels are left as they were, which rounds the plate off.
void DrawSignPlate(Surface& dst, int x, int y, int w, int h);

// Width in pixels of `text` set in the small font, one blank column between glyphs.
int SmallTextWidth(std::string_view text);

// Sets `text` in the small font with its top left at (x, y), the ink in `colour`. Returns where
// the next piece of the same line goes, so a line can change colour from word to word.
int DrawSmallText(Surface& dst, int x, int y, std::string_view text, uint32_t colour);

// Pixels a line in the game's font covers across, its one-pixel shadow included.
constexpr int SignTextWidth(std::string_view text) {
  return static_cast<int>(text.size()) * kGlyphWidth + 1;
}

// A line in the game's font (picFonte) with its top left at (x, y), drawn as the scroller draws
// its letters; a character the font lacks is drawn as a space.
void DrawSignText(Surface& dst, const Surface& font, int x, int y, std::string_view text);

}  // namespace fg
