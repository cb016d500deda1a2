// Score display: drawn every tick of play from the digit sheet.
#include "screens/score.h"

#include "core/game.h"
#include "core/rules.h"
#include "screens/buffer_frm.h"

namespace fg {

void EraseScore(Game& g) {
  BitBlt(g.MainForm.Image, kScoreX, kScoreY, kScoreEraseWidth, kDigitSize, Buffers(g).Playground,
         kScoreX, kScoreY, SRCCOPY);
}

void DrawScore(Game& g) {
  const BufferFrmWindow& b = Buffers(g);
  int value = g.State.Score;  // 0..95 in play; "00000" keeps the five places
  int digits[kScoreDigits];
  for (int j = kScoreDigits - 1; j >= 0; --j) {
    digits[j] = value % 10;
    value /= 10;
  }
  for (int j = 0; j < kScoreDigits; ++j) {
    DrawSprite(g.MainForm.Image, kScoreX + kDigitSize * j, kScoreY, kDigitSize, kDigitSize,
               b.sprStatus, kDigitSize * digits[j], 2 * kDigitSize, kDigitSize * digits[j], 0);
  }
}

}  // namespace fg
