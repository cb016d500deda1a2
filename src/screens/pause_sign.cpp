// The PAUSED sign: the word drawn as the scroller draws its text, so the pause speaks the
// game's own lettering, on a plate that keeps it readable over any field.
#include "screens/pause_sign.h"

#include <span>
#include <string_view>

#include "core/game.h"
#include "screens/buffer_frm.h"
#include "screens/font.h"
#include "screens/prompts.h"
#include "screens/sign_plate.h"

namespace fg {

namespace {

constexpr std::string_view kPauseWord = "PAUSED";
constexpr int kWordX = 158;  // the word centred on the field
constexpr int kWordY = 192;
constexpr int kHintY = 211;

// The line under the word, by the device in hand: the keys in the font's gold, the rest in bone
// white; a pad's Start, or the page's pause button, which resumes as it paused. [D47]
constexpr PromptPiece kByKey[] = {{PromptPiece::kKey, "P"},
                                  {PromptPiece::kWords, " OR "},
                                  {PromptPiece::kKey, "START"},
                                  {PromptPiece::kWords, " TO GO ON"}};
constexpr PromptPiece kByPad[] = {{PromptPiece::kPill, "START"},
                                  {PromptPiece::kWords, " TO GO ON"}};
constexpr PromptPiece kByTouch[] = {
    {PromptPiece::kWords, "TAP "}, {PromptPiece::kBars, ""}, {PromptPiece::kWords, " TO GO ON"}};

std::span<const PromptPiece> Hint(InputDevice device) {
  return ForDevice(device, kByKey, kByPad, kByTouch);
}

}  // namespace

void DrawPauseSign(Game& g) {
  const BufferFrmWindow& b = Buffers(g);
  Surface& w = g.MainForm.Image;
  Surface& under = g.Pause.Under;
  under = Surface(kPauseSignWidth, kPauseSignHeight);
  BitBlt(under, 0, 0, kPauseSignWidth, kPauseSignHeight, w, kPauseSignX, kPauseSignY, SRCCOPY);
  DrawSignPlate(w, kPauseSignX, kPauseSignY, kPauseSignWidth, kPauseSignHeight);
  DrawSignText(w, b.picFonte, kWordX, kWordY, kPauseWord);
  const std::span<const PromptPiece> hint = Hint(g.Device);
  DrawPrompt(w, kPauseSignX + (kPauseSignWidth - PromptWidth(hint)) / 2, kHintY, hint);
  Refresh(g);
}

void RedrawPauseSign(Game& g) {
  const Surface& under = g.Pause.Under;
  BitBlt(g.MainForm.Image, kPauseSignX, kPauseSignY, under.Width, under.Height, under, 0, 0,
         SRCCOPY);
  DrawPauseSign(g);
}

void ErasePauseSign(Game& g) {
  const Surface& under = g.Pause.Under;
  BitBlt(g.MainForm.Image, kPauseSignX, kPauseSignY, under.Width, under.Height, under, 0, 0,
         SRCCOPY);
  Refresh(g);
}

}  // namespace fg
