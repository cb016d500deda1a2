// The title reveal: ten passes of every tenth row, like a venetian blind, 50 ms apart.
#include "screens/title.h"

#include "core/game.h"
#include "screens/buffer_frm.h"
#include "screens/scroller.h"
#include "screens/sign.h"
#include "support/wait.h"

namespace fg {

namespace {

// The best score's plate: top left, under the logo's first letters and left of the sword, clear
// of the link, the rider and the key lines.
constexpr int kBestX = 10;
constexpr int kBestY = 70;
constexpr int kBestPadX = 7;
constexpr int kBestPadY = 5;
constexpr int kBestKeptWidth = 190;  // the most a plate can cover: "BEST" and eight digits
constexpr int kBestKeptHeight = kFontHeight + 1 + 2 * kBestPadY;

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
  DrawPlate(b.picTitle, kBestX, kBestY, TextWidth(best) + 2 * kBestPadX, kBestKeptHeight);
  DrawText(b.picTitle, b.picFonte, kBestX + kBestPadX, kBestY + kBestPadY, best);
}

}  // namespace

std::string BestLine(const PlayerRecord& record) {
  if (record.Best.empty()) return "";
  return "BEST " + std::to_string(record.Best.front().Score);
}

void ShowTitle(Game& g) {
  BufferFrmWindow& b = Buffers(g);
  MainFormWindow& f = g.MainForm;
  g.Revealing = true;
  PutBestOnTitle(g);
  for (f.RevealPass = 0; f.RevealPass <= 9; ++f.RevealPass) {
    for (f.RevealLine = 0; f.RevealLine <= 400; f.RevealLine += 10) {
      const int y = f.RevealLine + f.RevealPass;
      BitBlt(f.Image, 0, y, 400, 1, b.picTitle, 0, y, SRCCOPY);
    }
    Refresh(g);
    Wait(g.Machine, 50);
  }
  g.State.ScrollPos = 0;
  g.State.ScrollShift = 0;
  BuildScrollBuffer(g, 0);
  SetTimer(g, f.tmrScrollText, true);
  g.Revealing = false;
}

}  // namespace fg
