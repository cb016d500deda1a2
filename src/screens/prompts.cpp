// Prompt lines: the small font for key names and words, and our own little drawings for a pad's
// buttons and the page's symbols, sized to stand in a line of the small font. [D47]
#include "screens/prompts.h"

#include <algorithm>

#include "screens/sign_plate.h"

namespace fg {

namespace {

constexpr uint32_t kKeyColour = 0xFFC850;   // the font's gold
constexpr uint32_t kWordColour = 0xE8E0D0;  // bone white
constexpr uint32_t kInkColour = kSignPlateColour;
constexpr int kButtonSize = 9;  // the disc, a pixel taller than the letters above and below
constexpr int kPillPad = 3;     // gold on each side of the pill's name
constexpr int kPlayWidth = 4;
constexpr int kBarsWidth = 6;
constexpr int kCrossWidth = 7;

void Put(Surface& dst, int x, int y, uint32_t colour) {
  if (x >= 0 && x < dst.Width && y >= 0 && y < dst.Height) dst.At(x, y) = colour;
}

// A gold shape kButtonSize high with rounded ends: two pixels cut from the corners of its first
// and last rows, one from the next ones in.
void DrawRounded(Surface& dst, int x, int y, int w) {
  for (int row = 0; row < kButtonSize; ++row) {
    const int edge = std::min(row, kButtonSize - 1 - row);
    const int cut = edge == 0 ? 2 : edge == 1 ? 1 : 0;
    for (int col = cut; col < w - cut; ++col) Put(dst, x + col, y - 1 + row, kKeyColour);
  }
}

int PieceWidth(const PromptPiece& p) {
  switch (p.What) {
    case PromptPiece::kButton:
      return kButtonSize;
    case PromptPiece::kPill:
      return SmallTextWidth(p.Text) + 2 * kPillPad;
    case PromptPiece::kPlay:
      return kPlayWidth;
    case PromptPiece::kBars:
      return kBarsWidth;
    case PromptPiece::kCross:
      return kCrossWidth;
    case PromptPiece::kKey:
    case PromptPiece::kWords:
      break;
  }
  return SmallTextWidth(p.Text);
}

void DrawPiece(Surface& dst, int x, int y, const PromptPiece& p) {
  switch (p.What) {
    case PromptPiece::kKey:
    case PromptPiece::kWords:
      DrawSmallText(dst, x, y, p.Text, p.What == PromptPiece::kKey ? kKeyColour : kWordColour);
      return;
    case PromptPiece::kButton:
      DrawRounded(dst, x, y, kButtonSize);
      DrawSmallText(dst, x + (kButtonSize - SmallTextWidth(p.Text) + 1) / 2, y, p.Text, kInkColour);
      return;
    case PromptPiece::kPill:
      DrawRounded(dst, x, y, PieceWidth(p));
      DrawSmallText(dst, x + kPillPad, y, p.Text, kInkColour);
      return;
    case PromptPiece::kPlay:  // a triangle pointing right, as tall as the letters
      for (int i = 0; i < kPlayWidth; ++i) {
        for (int row = i; row < 7 - i; ++row) Put(dst, x + i, y + row, kKeyColour);
      }
      return;
    case PromptPiece::kBars:
      for (int row = 0; row < 7; ++row) {
        for (const int col : {0, 1, 4, 5}) Put(dst, x + col, y + row, kKeyColour);
      }
      return;
    case PromptPiece::kCross:  // two strokes two pixels thick
      for (int i = 0; i < 7; ++i) {
        for (const int col : {i, 6 - i}) {
          Put(dst, x + col, y + i, kKeyColour);
          Put(dst, x + std::min(col + 1, 6), y + i, kKeyColour);
        }
      }
      return;
  }
}

}  // namespace

int PromptWidth(std::span<const PromptPiece> pieces) {
  int w = 0;
  for (const PromptPiece& p : pieces) w += p.Gap + PieceWidth(p) + 1;
  return std::max(w - 1, 0);
}

int DrawPrompt(Surface& dst, int x, int y, std::span<const PromptPiece> pieces) {
  for (const PromptPiece& p : pieces) {
    x += p.Gap;
    DrawPiece(dst, x, y, p);
    x += PieceWidth(p) + 1;
  }
  return x;
}

}  // namespace fg
