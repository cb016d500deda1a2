// The game-over sign, on the plate all signs share.
#include "screens/game_over_sign.h"

#include <string>
#include <vector>

#include "core/game.h"
#include "screens/buffer_frm.h"
#include "screens/sign_plate.h"

namespace fg {

namespace {

constexpr int kFieldCentre = 200;  // the field's middle, both ways
constexpr int kPlateWidth = 176;   // room for the longest line, "10TH PLACE", and a margin
constexpr int kPadding = 10;       // above the first line and below the last
constexpr int kLinePitch = 22;     // from one line's top to the next

// The sign's lines for a game with this score that took this place in the table (1 the best,
// up to the table's ten; 0 when it did not make the table).
std::vector<std::string> GameOverLines(int score, int place) {
  std::vector<std::string> lines{"GAME OVER", "SCORE " + std::to_string(score)};
  if (place == 1) lines.emplace_back("NEW BEST!");
  if (place > 1) {
    lines.push_back(std::to_string(place) +
                    (place == 2   ? "ND"
                     : place == 3 ? "RD"
                                  : "TH") +
                    " PLACE");
  }
  return lines;
}

}  // namespace

void DrawGameOverSign(Game& g, int score, int place) {
  const std::vector<std::string> lines = GameOverLines(score, place);
  const int n = static_cast<int>(lines.size());
  const int height = 2 * kPadding + (n - 1) * kLinePitch + kGlyphHeight + 1;
  const int x = kFieldCentre - kPlateWidth / 2;
  const int y = kFieldCentre - height / 2;
  Surface& w = g.MainForm.Image;
  DrawSignPlate(w, x, y, kPlateWidth, height);
  for (int i = 0; i < n; ++i) {
    const std::string& line = lines[static_cast<size_t>(i)];
    DrawSignText(w, Buffers(g).picFonte, kFieldCentre - SignTextWidth(line) / 2,
                 y + kPadding + i * kLinePitch, line);
  }
  Refresh(g);
}

}  // namespace fg
