// The title reveal: ten passes of every tenth row, like a venetian blind, 50 ms apart.
#include "screens/title.h"

#include <algorithm>
#include <span>
#include <string>

#include "core/embedded.h"
#include "core/game.h"
#include "core/rules.h"
#include "screens/buffer_frm.h"
#include "screens/prompts.h"
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

// The way to the hall of fame by device: H, a pad's Y, a tap on the plate itself. [D47]
constexpr PromptPiece kFameByKey[] = {{PromptPiece::kKey, "H"},
                                      {PromptPiece::kWords, "- HALL OF FAME", 4}};
constexpr PromptPiece kFameByPad[] = {{PromptPiece::kButton, "Y"},
                                      {PromptPiece::kWords, "- HALL OF FAME", 4}};
constexpr PromptPiece kFameByTouch[] = {{PromptPiece::kKey, "TAP"},
                                        {PromptPiece::kWords, "- HALL OF FAME", 4}};

std::span<const PromptPiece> FameLine(InputDevice device) {
  return ForDevice(device, kFameByKey, kFameByPad, kFameByTouch);
}

// What the title shows of the record: "BEST" and the best score, or nothing before a first game.
std::string BestLine(const PlayerRecord& record) {
  if (record.Best.empty()) return "";
  return "BEST " + std::to_string(record.Best.front().Score);
}

// The width of the plate of the best that shows `best` over the line of `device`.
int BestPlateWidth(const std::string& best, InputDevice device) {
  return std::max(SignTextWidth(best), PromptWidth(FameLine(device))) + 2 * kBestPadX;
}

// Writes the best onto the title picture itself, so the reveal, the scroller and every later
// copy from it show the same title; the pixels under the plate are kept to change it later.
void PutBestOnTitle(Game& g) {
  BufferFrmWindow& b = Buffers(g);
  MainFormWindow& f = g.MainForm;
  const std::string best = BestLine(g.Record);
  if (best == f.BestShown && g.Device == f.BestDevice) return;
  if (f.BestUnder.Width == 0) {
    f.BestUnder = Surface(kBestKeptWidth, kBestKeptHeight);
    BitBlt(f.BestUnder, 0, 0, kBestKeptWidth, kBestKeptHeight, b.picTitle, kBestX, kBestY, SRCCOPY);
  }
  BitBlt(b.picTitle, kBestX, kBestY, kBestKeptWidth, kBestKeptHeight, f.BestUnder, 0, 0, SRCCOPY);
  f.BestShown = best;
  f.BestDevice = g.Device;
  if (best.empty()) return;
  DrawSignPlate(b.picTitle, kBestX, kBestY, BestPlateWidth(best, g.Device), kBestKeptHeight);
  DrawSignText(b.picTitle, b.picFonte, kBestX + kBestPadX, kBestY + kBestPadY, best);
  const int lineY = kBestY + kBestPadY + kGlyphHeight + 1 + kFameLineGap;
  DrawPrompt(b.picTitle, kBestX + kBestPadX, lineY, FameLine(g.Device));
}

// Puts the key lines of the device in hand onto the title picture: the keyboard's are the
// picture's own, kept aside the first time another device's replace them. In the sheet of the
// others, black is a pixel the title keeps. [D47]
void PutKeysOnTitle(Game& g) {
  MainFormWindow& f = g.MainForm;
  if (f.KeysShown == g.Device) return;
  Surface& title = Buffers(g).picTitle;
  if (f.KeysUnder.Width == 0) {
    f.KeysUnder = Surface(kKeyLinesWidth, kKeyLinesHeight);
    BitBlt(f.KeysUnder, 0, 0, kKeyLinesWidth, kKeyLinesHeight, title, kKeyLinesX, kKeyLinesY,
           SRCCOPY);
  }
  BitBlt(title, kKeyLinesX, kKeyLinesY, kKeyLinesWidth, kKeyLinesHeight, f.KeysUnder, 0, 0,
         SRCCOPY);
  f.KeysShown = g.Device;
  if (g.Device == InputDevice::kKeyboard) return;
  static const Surface sheet = LoadPicture("picKeyLines.png");
  const int top = g.Device == InputDevice::kPad ? 0 : kKeyLinesHeight;
  for (int y = 0; y < kKeyLinesHeight; ++y) {
    for (int x = 0; x < kKeyLinesWidth; ++x) {
      const uint32_t p = sheet.At(x, top + y);
      if (p != kBlack) title.At(kKeyLinesX + x, kKeyLinesY + y) = p;
    }
  }
}

// Copies a rectangle of the title picture to the window, the rows the reveal has shown only.
void ShowRevealed(Game& g, int x, int y, int w, int h) {
  const MainFormWindow& f = g.MainForm;
  for (int row = y; row < y + h; ++row) {
    if (row % kRevealPasses < f.RevealedPasses) {
      BitBlt(g.MainForm.Image, x, row, w, 1, g.BufferFrm.picTitle, x, row, SRCCOPY);
    }
  }
}

}  // namespace

void ShowTitle(Game& g) {
  BufferFrmWindow& b = Buffers(g);
  MainFormWindow& f = g.MainForm;
  EnterMode(g, Mode::kReveal);  // Space waits for the end of the reveal [D3]
  PutBestOnTitle(g);            // [D20]
  PutKeysOnTitle(g);            // [D47]
  f.RevealedPasses = 0;
  for (int pass = 0; pass < kRevealPasses; ++pass) {
    for (int line = 0; line <= kImageSize; line += kRevealPasses) {
      const int y = line + pass;
      BitBlt(f.Image, 0, y, kImageSize, 1, b.picTitle, 0, y, SRCCOPY);
    }
    f.RevealedPasses = pass + 1;
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
  const int width = BestPlateWidth(best, g.MainForm.BestDevice);
  return x >= kBestX && x < static_cast<float>(kBestX + width) && y >= kBestY &&
         y < static_cast<float>(kBestY + kBestKeptHeight);
}

void ShowTitlePrompts(Game& g) {
  if (!g.BufferFrm.Loaded) return;  // nothing shown yet: the first reveal puts them on
  PutBestOnTitle(g);
  PutKeysOnTitle(g);
  ShowRevealed(g, kBestX, kBestY, kBestKeptWidth, kBestKeptHeight);
  ShowRevealed(g, kKeyLinesX, kKeyLinesY, kKeyLinesWidth, kKeyLinesHeight);
  Refresh(g);
}

}  // namespace fg
