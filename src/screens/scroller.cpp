// The scroller: a strip of 30 font cells slid 2 pixels per tick under a 400-pixel view.
#include "screens/scroller.h"

#include "core/game.h"
#include "screens/buffer_frm.h"
#include "screens/font.h"

namespace fg {

namespace {

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
  if (pos + kScrollStripCells < length) {
    f.ScrollWindow =
        std::string(kScrollMessage.substr(static_cast<size_t>(pos), kScrollStripCells));
  } else {
    f.ScrollWindow = std::string(kScrollMessage.substr(0, kScrollStripCells));
    g.State.ScrollPos = 0;
  }
  // Each cell takes the character's face and its mask.
  for (int i = 0; i < kScrollStripCells; ++i) {
    BitBlt(b.picScrollBuffer, kGlyphWidth * i, 0, kGlyphWidth, 2 * kGlyphHeight, b.picFonte,
           GlyphX(f.ScrollWindow[static_cast<size_t>(i)]), 0, SRCCOPY);
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
  const int h = kGlyphHeight;
  BitBlt(w, 0, kScrollerY, kImageSize, h, b.picTitle, 0, kScrollerY, SRCCOPY);
  BitBlt(w, 0, kScrollerY, kImageSize, h, b.picScrollBuffer, s.ScrollShift, h, SRCAND);
  BitBlt(w, 1, kScrollerY + 1, kImageSize, h, b.picScrollBuffer, s.ScrollShift, h, SRCAND);
  BitBlt(w, 0, kScrollerY, kImageSize, h, b.picScrollBuffer, s.ScrollShift, 0, SRCPAINT);
  Refresh(g);
}

}  // namespace fg
