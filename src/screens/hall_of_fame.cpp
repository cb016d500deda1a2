// The hall of fame's plate, and the marks of a playback.
#include "screens/hall_of_fame.h"

#include <algorithm>
#include <string>

#include "core/game.h"
#include "screens/buffer_frm.h"
#include "screens/prompts.h"
#include "screens/sign_plate.h"

namespace fg {

namespace {

constexpr int kPlateX = 24;
constexpr int kPlateY = 30;
constexpr int kPlateWidth = 352;
constexpr int kPlateHeight = 340;
constexpr int kHeadingY = kPlateY + 14;
constexpr int kColumnsY = kPlateY + 48;  // the columns' names
constexpr int kFirstRowY = kColumnsY + 18;
constexpr int kRowPitch = 22;
constexpr int kHintY = kPlateY + kPlateHeight - 18;

// Where each column's digits end (rank, score, length) and where the date begins.
constexpr int kArrowX = kPlateX + 14;
constexpr int kRankRight = kPlateX + 54;
constexpr int kScoreRight = kPlateX + 140;
constexpr int kLengthRight = kPlateX + 204;
constexpr int kDateX = kPlateX + 232;
constexpr int kNewX = kPlateX + 300;

constexpr uint32_t kRowColour = 0xC8A050;    // a dull gold
constexpr uint32_t kLitColour = 0xFFE890;    // the chosen row: brighter
constexpr uint32_t kNameColour = 0xE8E0D0;   // the column names and the hint, bone white
constexpr uint32_t kNewColour = 0xFF8C1A;    // the newest entry's mark, the head's orange
constexpr uint32_t kKeyColour = 0xFFC850;    // the font's gold, for key names
constexpr uint32_t kBlankColour = 0x6A5A48;  // a game kept before games were recorded

void RightAligned(Surface& dst, int right, int y, const std::string& text, uint32_t colour) {
  DrawSmallText(dst, right - SmallTextWidth(text), y, text, colour);
}

// The hint under the table by the device in hand, centred; the keyboard's ends with the key that
// shares the chosen game. [D47]
constexpr PromptPiece kHintByKey[] = {
    {PromptPiece::kKey, "SPACE"},      {PromptPiece::kWords, "WATCH", 4},
    {PromptPiece::kKey, "ARROWS", 16}, {PromptPiece::kWords, "CHOOSE", 4},
    {PromptPiece::kKey, "ESC", 16},    {PromptPiece::kWords, "TITLE", 4},
    {PromptPiece::kKey, "C", 16},      {PromptPiece::kWords, "SHARE", 4}};
constexpr PromptPiece kHintByPad[] = {
    {PromptPiece::kButton, "A"},      {PromptPiece::kWords, "WATCH", 4},
    {PromptPiece::kKey, "D-PAD", 16}, {PromptPiece::kWords, "CHOOSE", 4},
    {PromptPiece::kButton, "B", 16},  {PromptPiece::kWords, "TITLE", 4}};
constexpr PromptPiece kHintByTouch[] = {{PromptPiece::kKey, "TAP"},
                                        {PromptPiece::kWords, "A ROW TO WATCH", 4},
                                        {PromptPiece::kCross, "", 16},
                                        {PromptPiece::kWords, "TITLE", 4}};
// The attract loop's prompt.
constexpr PromptPiece kPlayByKey[] = {{PromptPiece::kKey, "SPACE"},
                                      {PromptPiece::kWords, "TO PLAY", 4}};
constexpr PromptPiece kPlayByPad[] = {{PromptPiece::kButton, "A"},
                                      {PromptPiece::kWords, "TO PLAY", 4}};
constexpr PromptPiece kPlayByTouch[] = {{PromptPiece::kKey, "TAP"},
                                        {PromptPiece::kWords, "TO PLAY", 4}};

// A small arrow pointing at the chosen row.
void DrawArrow(Surface& dst, int x, int y, uint32_t colour) {
  for (int i = 0; i < 4; ++i) {
    for (int yy = y + i; yy < y + 7 - i; ++yy) dst.At(x + i, yy) = colour;
  }
}

// The newest game of the table: the one that ended last.
int NewestRow(const std::vector<FinishedGame>& best) {
  int newest = -1;
  for (size_t i = 0; i < best.size(); ++i) {
    if (newest < 0 || best[i].Ended > best[static_cast<size_t>(newest)].Ended) {
      newest = static_cast<int>(i);
    }
  }
  return newest;
}

}  // namespace

void DrawHallOfFame(Game& g) {
  Surface& w = g.MainForm.Image;
  const BufferFrmWindow& b = Buffers(g);
  BitBlt(w, 0, 0, kImageSize, kImageSize, b.Playground, 0, 0, SRCCOPY);
  DrawSignPlate(w, kPlateX, kPlateY, kPlateWidth, kPlateHeight);
  const std::string heading = "HALL OF FAME";
  DrawSignText(w, b.picFonte, kImageSize / 2 - SignTextWidth(heading) / 2, kHeadingY, heading);
  RightAligned(w, kRankRight, kColumnsY, "RANK", kNameColour);
  RightAligned(w, kScoreRight, kColumnsY, "SCORE", kNameColour);
  RightAligned(w, kLengthRight, kColumnsY, "LENGTH", kNameColour);
  DrawSmallText(w, kDateX, kColumnsY, "DATE", kNameColour);
  const std::vector<FinishedGame>& best = g.Record.Best;
  const int newest = NewestRow(best);
  for (int i = 0; i < static_cast<int>(best.size()) && i < kBestGames; ++i) {
    const FinishedGame& game = best[static_cast<size_t>(i)];
    const int y = kFirstRowY + i * kRowPitch;
    const bool lit = i == g.Fame.Chosen;
    const uint32_t colour = lit ? kLitColour : game.Replay.empty() ? kBlankColour : kRowColour;
    if (lit) DrawArrow(w, kArrowX, y, colour);
    RightAligned(w, kRankRight, y, std::to_string(i + 1), colour);
    RightAligned(w, kScoreRight, y, std::to_string(game.Score), colour);
    RightAligned(w, kLengthRight, y, std::to_string(game.Length), colour);
    DrawSmallText(w, kDateX, y, FormatUtc(game.Ended).substr(0, 10), colour);
    if (i == newest) DrawSmallText(w, kNewX, y, "NEW", kNewColour);
  }
  auto hint = ForDevice(g.Device, kHintByKey, kHintByPad, kHintByTouch);
  // The attract loop's table shares nothing: any key there returns to the title. [D44]
  if (hint.data() == kHintByKey && g.Fame.Phase != FameState::Attract::kOff) {
    hint = hint.first(hint.size() - 2);
  }
  DrawPrompt(w, kImageSize / 2 - PromptWidth(hint) / 2, kHintY, hint);
  Refresh(g);
}

int HallOfFameRowAt(const Game& g, float x, float y) {
  if (x < kPlateX || x >= kPlateX + kPlateWidth) return -1;
  constexpr int kRowsTop = kFirstRowY - (kRowPitch - kSmallTextHeight) / 2;  // a row's band
  const float dy = y - static_cast<float>(kRowsTop);
  if (dy < 0) return -1;
  const int row = static_cast<int>(dy) / kRowPitch;
  return row < static_cast<int>(g.Record.Best.size()) ? row : -1;
}

void ComposePlaybackMarks(Game& g, Surface& shown) {
  const PlaybackState* p = g.Playback.get();
  if (p == nullptr) return;
  if (p->Marked) {
    const std::string mark = "REPLAY";
    DrawSignPlate(shown, 6, 6, SmallTextWidth(mark) + 12, kSmallTextHeight + 10);
    DrawSmallText(shown, 12, 11, mark, kKeyColour);
  }
  // Half a second on, half off.
  if (p->Prompted && (g.Machine.Clock() / 500) % 2 == 0) {
    const auto prompt = ForDevice(g.Device, kPlayByKey, kPlayByPad, kPlayByTouch);
    const int width = PromptWidth(prompt) + 16;
    const int x = kImageSize / 2 - width / 2;
    const int y = kImageSize - 28;
    DrawSignPlate(shown, x, y, width, kSmallTextHeight + 10);
    DrawPrompt(shown, x + 8, y + 5, prompt);
  }
}

}  // namespace fg
