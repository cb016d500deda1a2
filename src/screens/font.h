// The font sheet picFonte: one cell per character from the space on, each 14 pixels wide, the
// face in rows 0..15 and its mask below it in rows 16..31. The scroller and the PAUSED sign
// both letter with it.
#pragma once

namespace fg {

inline constexpr int kGlyphWidth = 14;
inline constexpr int kGlyphHeight = 16;  // the face; the mask takes as many rows under it

// The x of character c's cell in the sheet: the sheet starts at the space (code 32).
constexpr int GlyphX(char c) {
  return (static_cast<unsigned char>(c) - ' ') * kGlyphWidth;
}

}  // namespace fg
