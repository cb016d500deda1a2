// Score display: drawn every tick of play from the digit sheet.
#include "screens/score.h"

#include "core/game.h"
#include "screens/buffer_frm.h"

namespace fg {

void EraseScore(Game& g) {
  BitBlt(g.MainForm.Image, 178, 10, 50, 9, Buffers(g).Playground, 178, 10, SRCCOPY);
}

void DrawScore(Game& g) {
  const BufferFrmWindow& b = Buffers(g);
  int value = g.State.Score;  // 0..95 in play; "00000" keeps the five places
  int digits[5];
  for (int j = 4; j >= 0; --j) {
    digits[j] = value % 10;
    value /= 10;
  }
  for (int j = 0; j < 5; ++j) {
    DrawSprite(g.MainForm.Image, 178 + 9 * j, 10, 9, 9, b.sprStatus, 9 * digits[j], 18,
               9 * digits[j], 0);
  }
}

}  // namespace fg
