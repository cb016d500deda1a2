// The PAUSED sign: the word drawn as the scroller draws its text, so the pause speaks the
// game's own lettering, on a plate that keeps it readable over any field.
#include "screens/pause_sign.h"

#include <string_view>

#include "core/game.h"
#include "screens/buffer_frm.h"
#include "screens/font.h"
#include "screens/sign_plate.h"

namespace fg {

namespace {

constexpr std::string_view kPauseWord = "PAUSED";
constexpr int kWordX = 158;  // the word centred on the field
constexpr int kWordY = 192;
constexpr int kHintY = 211;

// The line under the word: the keys in the font's gold, the rest in bone white.
struct HintPiece {
  std::string_view Text;
  bool Key;
};
constexpr HintPiece kHint[] = {{"P", true}, {" OR ", false}, {"START", true}, {" TO GO ON", false}};
constexpr uint32_t kHintKeyColour = 0xFFC850;
constexpr uint32_t kHintColour = 0xE8E0D0;

}  // namespace

void DrawPauseSign(Game& g) {
  const BufferFrmWindow& b = Buffers(g);
  Surface& w = g.MainForm.Image;
  Surface& under = g.Pause.Under;
  under = Surface(kPauseSignWidth, kPauseSignHeight);
  BitBlt(under, 0, 0, kPauseSignWidth, kPauseSignHeight, w, kPauseSignX, kPauseSignY, SRCCOPY);
  DrawSignPlate(w, kPauseSignX, kPauseSignY, kPauseSignWidth, kPauseSignHeight);
  DrawSignText(w, b.picFonte, kWordX, kWordY, kPauseWord);
  int hintWidth = 0;
  for (const HintPiece& p : kHint) hintWidth += SmallTextWidth(p.Text) + 1;
  int x = kPauseSignX + (kPauseSignWidth - (hintWidth - 1)) / 2;
  for (const HintPiece& p : kHint) {
    x = DrawSmallText(w, x, kHintY, p.Text, p.Key ? kHintKeyColour : kHintColour);
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
