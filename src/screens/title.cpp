// The title reveal: ten passes of every tenth row, like a venetian blind, 50 ms apart.
#include "screens/title.h"

#include <algorithm>
#include <string>

#include "core/game.h"
#include "core/rules.h"
#include "screens/buffer_frm.h"
#include "screens/scroller.h"
#include "screens/sign_plate.h"
#include "support/wait.h"

namespace fg {

namespace {

// The best score's plate: top left, under the logo's first letters and left of the sword, clear
// of the link, the rider and the key lines.
constexpr int kBestX = 10;
constexpr int kBestY = 70;
constexpr int kBestPadX = 7;
constexpr int kBestPadY = 5;
constexpr int Digits(int n) {
  int digits = 1;
  for (; n >= 10; n /= 10) ++digits;
  return digits;
}
// The most a plate can cover: BEST and the largest score a record file may hold.
constexpr int kBestKeptWidth =
    SignTextWidth("BEST ") + Digits(kMaxRecordScore) * kGlyphWidth + 2 * kBestPadX;
// Under the best, the key line of the hall of fame. [D42]
constexpr int kFameLineGap = 4;
constexpr int kBestKeptHeight = kGlyphHeight + 1 + kFameLineGap + kSmallTextHeight + 2 * kBestPadY;
constexpr uint32_t kFameKeyColour = 0xFFC850;   // the font's gold, as the pause sign's keys
constexpr uint32_t kFameLineColour = 0xE8E0D0;  // and its bone white

// What the title shows of the record: "BEST" and the best score, or nothing before a first game.
std::string BestLine(const PlayerRecord& record) {
  if (record.Best.empty()) return "";
  return "BEST " + std::to_string(record.Best.front().Score);
}

// The width of the plate of the best that shows `best`.
int BestPlateWidth(const std::string& best) {
  const int lineWidth = SmallTextWidth("H") + 4 + SmallTextWidth("- HALL OF FAME");
  return std::max(SignTextWidth(best), lineWidth) + 2 * kBestPadX;
}

// Writes the best onto the title picture itself, so the reveal, the scroller and every later
// copy from it show the same title; the pixels under the plate are kept to change it later.
void PutBestOnTitle(Game& g) {
  BufferFrmWindow& b = Buffers(g);
  MainFormWindow& f = g.MainForm;
  const std::string best = BestLine(g.Record);
  if (best == f.BestShown) return;
  if (f.BestUnder.Width == 0) {
    f.BestUnder = Surface(kBestKeptWidth, kBestKeptHeight);
    BitBlt(f.BestUnder, 0, 0, kBestKeptWidth, kBestKeptHeight, b.picTitle, kBestX, kBestY, SRCCOPY);
  }
  BitBlt(b.picTitle, kBestX, kBestY, kBestKeptWidth, kBestKeptHeight, f.BestUnder, 0, 0, SRCCOPY);
  f.BestShown = best;
  if (best.empty()) return;
  DrawSignPlate(b.picTitle, kBestX, kBestY, BestPlateWidth(best), kBestKeptHeight);
  DrawSignText(b.picTitle, b.picFonte, kBestX + kBestPadX, kBestY + kBestPadY, best);
  const int lineY = kBestY + kBestPadY + kGlyphHeight + 1 + kFameLineGap;
  const int x = DrawSmallText(b.picTitle, kBestX + kBestPadX, lineY, "H", kFameKeyColour);
  DrawSmallText(b.picTitle, x + 4, lineY, "- HALL OF FAME", kFameLineColour);
}

}  // namespace

void ShowTitle(Game& g) {
  BufferFrmWindow& b = Buffers(g);
  MainFormWindow& f = g.MainForm;
  EnterMode(g, Mode::kReveal);  // Space waits for the end of the reveal [D3]
  PutBestOnTitle(g);            // [D20]
  for (int pass = 0; pass < kRevealPasses; ++pass) {
    for (int line = 0; line <= kImageSize; line += kRevealPasses) {
      const int y = line + pass;
      BitBlt(f.Image, 0, y, kImageSize, 1, b.picTitle, 0, y, SRCCOPY);
    }
    Refresh(g);
    Wait(g.Machine, kRevealPassMs);
  }
  g.State.ScrollPos = 0;
  g.State.ScrollShift = 0;
  BuildScrollBuffer(g, 0);
  SetTimer(g, f.tmrScrollText, true);
  EnterMode(g, Mode::kTitle);
}

bool OnBestPlate(const Game& g, float x, float y) {
  const std::string& best = g.MainForm.BestShown;
  if (best.empty()) return false;
  return x >= kBestX && x < static_cast<float>(kBestX + BestPlateWidth(best)) && y >= kBestY &&
         y < static_cast<float>(kBestY + kBestKeptHeight);
}

}  // namespace fg
