// The scroller: a strip of 30 font cells slid 2 pixels per tick under a 400-pixel view.
#include "screens/scroller.h"

#include "core/game.h"
#include "screens/buffer_frm.h"

namespace fg {

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
  if (pos + 30 < length) {
    f.ScrollWindow = std::string(kScrollMessage.substr(static_cast<size_t>(pos), 30));
  } else {
    f.ScrollWindow = std::string(kScrollMessage.substr(0, 30));
    g.State.ScrollPos = 0;
  }
  for (f.GlyphIndex = 0; f.GlyphIndex <= 29; ++f.GlyphIndex) {
    f.GlyphChar = f.ScrollWindow.substr(static_cast<size_t>(f.GlyphIndex), 1);
    f.GlyphX = static_cast<Integer>((static_cast<unsigned char>(f.GlyphChar[0]) - 32) * 14);
    BitBlt(b.picScrollBuffer, 14 * f.GlyphIndex, 0, 14, 32, b.picFonte, f.GlyphX, 0, SRCCOPY);
  }
}

void tmrScrollText_Timer(Game& g) {
  BufferFrmWindow& b = Buffers(g);
  GameState& s = g.State;
  Surface& w = g.MainForm.Image;
  s.ScrollShift = static_cast<Integer>(s.ScrollShift + 2);
  if (s.ScrollShift > 13) {
    s.ScrollShift = 0;
    ++s.ScrollPos;
    BuildScrollBuffer(g, s.ScrollPos);
  }
  BitBlt(w, 0, 380, 400, 16, b.picTitle, 0, 380, SRCCOPY);
  BitBlt(w, 0, 380, 400, 16, b.picScrollBuffer, s.ScrollShift, 16, SRCAND);
  BitBlt(w, 1, 381, 400, 16, b.picScrollBuffer, s.ScrollShift, 16, SRCAND);  // the shadow
  BitBlt(w, 0, 380, 400, 16, b.picScrollBuffer, s.ScrollShift, 0, SRCPAINT);
  Refresh(g);
}

}  // namespace fg
