// The PAUSED sign: the word drawn as the scroller draws its text, so the pause speaks the
// game's own lettering.
#include "screens/pause_sign.h"

#include <string_view>

#include "core/game.h"
#include "screens/buffer_frm.h"
#include "screens/font.h"

namespace fg {

namespace {

constexpr std::string_view kPauseWord = "PAUSED";

}  // namespace

void DrawPauseSign(Game& g) {
  const BufferFrmWindow& b = Buffers(g);
  Surface& w = g.MainForm.Image;
  Surface& under = g.Pause.Under;
  under = Surface(kPauseSignWidth, kPauseSignHeight);
  BitBlt(under, 0, 0, kPauseSignWidth, kPauseSignHeight, w, kPauseSignX, kPauseSignY, SRCCOPY);
  // Masks, then the shadow one pixel down and right, then the faces: the scroller's order.
  const int n = static_cast<int>(kPauseWord.size());
  for (int i = 0; i < n; ++i) {
    BitBlt(w, kPauseSignX + kGlyphWidth * i, kPauseSignY, kGlyphWidth, kGlyphHeight, b.picFonte,
           GlyphX(kPauseWord[static_cast<size_t>(i)]), kGlyphHeight, SRCAND);
  }
  for (int i = 0; i < n; ++i) {
    BitBlt(w, kPauseSignX + kGlyphWidth * i + 1, kPauseSignY + 1, kGlyphWidth, kGlyphHeight,
           b.picFonte, GlyphX(kPauseWord[static_cast<size_t>(i)]), kGlyphHeight, SRCAND);
  }
  for (int i = 0; i < n; ++i) {
    BitBlt(w, kPauseSignX + kGlyphWidth * i, kPauseSignY, kGlyphWidth, kGlyphHeight, b.picFonte,
           GlyphX(kPauseWord[static_cast<size_t>(i)]), 0, SRCPAINT);
  }
  Refresh(g);
}

void ErasePauseSign(Game& g) {
  const Surface& under = g.Pause.Under;
  BitBlt(g.MainForm.Image, kPauseSignX, kPauseSignY, under.Width, under.Height, under, 0, 0,
         SRCCOPY);
  Refresh(g);
}

}  // namespace fg
