// The scroller: a strip of 30 font cells slid 2 pixels per tick under a 400-pixel view.
#include "screens/scroller.h"

#include "core/game.h"
#include "screens/buffer_frm.h"

namespace fg {

namespace {

constexpr int kStripCells = 30;  // characters in the strip: 420 pixels, more than the view
constexpr int kGlyphWidth = 14;  // one character of the font
constexpr int kStep = 2;         // pixels the strip slides per tick
constexpr int kScrollerY = 380;  // the lane along the bottom of the title

}  // namespace

const std::string_view kScrollMessage =
    "                            "
    "...GOBBIX!!!   THIS TINY GAME WAS CODED FOR FUN. YOU MUST CATCH ALL DOTS ON MAP BUT YOUR "
    "SNAKE WILL GROW UP ON EACH DOT YOU EAT. TRY TO DON'T EAT YOURSELF AND BEWARE, ALL DOT NOT "
    "REQUIRE TO BE EATEN. GOOD LUCK..."
    "                               ";

void BuildScrollBuffer(Game& g, int16_t pos) {
  BufferFrmWindow& b = Buffers(g);
  MainFormWindow& f = g.MainForm;
  const int length = static_cast<int>(kScrollMessage.size());
  Clear(b.picScrollBuffer, kBlack);
  // Near the end the strip starts over from the blank lead-in, which the run-out matches.
  if (pos + kStripCells < length) {
    f.ScrollWindow = std::string(kScrollMessage.substr(static_cast<size_t>(pos), kStripCells));
  } else {
    f.ScrollWindow = std::string(kScrollMessage.substr(0, kStripCells));
    g.State.ScrollPos = 0;
  }
  for (f.GlyphIndex = 0; f.GlyphIndex < kStripCells; ++f.GlyphIndex) {
    f.GlyphChar = f.ScrollWindow.substr(static_cast<size_t>(f.GlyphIndex), 1);
    // The font sheet holds the characters from the space on, one 14-pixel cell each.
    f.GlyphX =
        static_cast<Integer>((static_cast<unsigned char>(f.GlyphChar[0]) - ' ') * kGlyphWidth);
    BitBlt(b.picScrollBuffer, kGlyphWidth * f.GlyphIndex, 0, kGlyphWidth, 32, b.picFonte, f.GlyphX,
           0, SRCCOPY);
  }
}

void tmrScrollText_Timer(Game& g) {
  BufferFrmWindow& b = Buffers(g);
  GameState& s = g.State;
  Surface& w = g.MainForm.Image;
  s.ScrollShift = static_cast<Integer>(s.ScrollShift + kStep);
  if (s.ScrollShift >= kGlyphWidth) {  // a whole character has gone by: every 7 ticks
    s.ScrollShift = 0;
    ++s.ScrollPos;
    BuildScrollBuffer(g, s.ScrollPos);
  }
  // The lane is restored from the title, then the text is masked in twice (the second time one
  // pixel down and right: the shadow) and painted in.
  BitBlt(w, 0, kScrollerY, 400, 16, b.picTitle, 0, kScrollerY, SRCCOPY);
  BitBlt(w, 0, kScrollerY, 400, 16, b.picScrollBuffer, s.ScrollShift, 16, SRCAND);
  BitBlt(w, 1, kScrollerY + 1, 400, 16, b.picScrollBuffer, s.ScrollShift, 16, SRCAND);
  BitBlt(w, 0, kScrollerY, 400, 16, b.picScrollBuffer, s.ScrollShift, 0, SRCPAINT);
  Refresh(g);
}

}  // namespace fg
