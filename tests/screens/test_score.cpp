// The score as the player reads it: each of the five places shows its own digit, most
// significant first.
#include <gtest/gtest.h>

#include <string>

#include "core/rules.h"
#include "screens/buffer_frm.h"
#include "screens/score.h"
#include "testkit.h"

namespace fg::test {
namespace {

// Reads the five places off the window: each 9 x 9 place is matched against every digit of
// the sheet (digit d's picture at (9d, 0), its mask at (9d, 18)) drawn alone on the
// playground's patch. '?' for a place that matches no digit, '*' for one that matches several.
std::string ReadScore(Game& g) {
  const BufferFrmWindow& b = Buffers(g);
  std::string read;
  for (int place = 0; place < 5; ++place) {
    const int x = 178 + 9 * place;
    char found = '?';
    for (int d = 0; d <= 9; ++d) {
      Surface cell(9, 9);
      BitBlt(cell, 0, 0, 9, 9, b.Playground, x, 10, SRCCOPY);
      DrawSprite(cell, 0, 0, 9, 9, b.sprStatus, 9 * d, 18, 9 * d, 0);
      bool same = true;
      for (int yy = 0; yy < 9; ++yy) {
        for (int xx = 0; xx < 9; ++xx)
          same = same && cell.At(xx, yy) == g.MainForm.Image.At(x + xx, 10 + yy);
      }
      if (same) found = found == '?' ? static_cast<char>('0' + d) : '*';
    }
    read += found;
  }
  return read;
}

TEST(Score, EachPlaceShowsItsDigitMostSignificantFirst) {
  const struct {
    Integer Score;
    const char* Shown;
  } cases[] = {{0, "00000"},   {7, "00007"},    {95, "00095"},
               {907, "00907"}, {1234, "01234"}, {31415, "31415"}};
  TestGame t;
  t.StartQuiet();
  for (const auto& c : cases) {
    t.S().Score = c.Score;
    EraseScore(*t.G);
    DrawScore(*t.G);
    EXPECT_EQ(ReadScore(*t.G), c.Shown) << "score " << c.Score;
  }
}

}  // namespace
}  // namespace fg::test
