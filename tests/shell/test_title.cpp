// The title reveal and the scroller.
#include <gtest/gtest.h>

#include "screens/scroller.h"
#include "screens/sign_plate.h"
#include "screens/title.h"
#include "testkit.h"

namespace fg::test {
namespace {

constexpr uint32_t kMarker = 0xFF00FF;

TEST(Title, RevealsEveryTenthRowPerPassWithOneRefreshAndFiftyMillisecondsEach) {
  TestGame t;
  t.Load();
  Clear(t.Image(), kMarker);
  const Surface& title = t.G->BufferFrm.picTitle;
  int pass = 0;
  std::vector<int64_t> times;
  t.G->MainForm.tmrScrollText.Enabled = false;  // as after a game: only the reveal draws
  t.Host.OnRefresh = [&](const Surface& image) {
    times.push_back(t.Host.Clock());
    for (int y = 0; y < 400; ++y) {
      const bool revealed = y % 10 <= pass;
      ASSERT_EQ(image.At(7, y) == title.At(7, y) && image.At(7, y) != kMarker, revealed)
          << "pass " << pass << " row " << y;
    }
    ++pass;
  };
  const int64_t start = t.Host.Clock();
  ShowTitle(*t.G);
  EXPECT_EQ(pass, 10);
  EXPECT_EQ(times.back() - times.front(), 450);
  EXPECT_EQ(t.Host.Clock() - start, 500);
  EXPECT_EQ(t.Image().Pixels, title.Pixels);
}

TEST(Title, ALowerBestLeavesNoTraceOfTheWidestPlate) {
  TestGame clean;
  clean.Load();
  TestGame t;
  t.Memory.Stored.Best = {{kMaxRecordScore, 5, 0, 15, {}, {}}};
  t.Load();
  ASSERT_EQ(t.G->MainForm.BestShown, "BEST 99999999");
  t.G->Record.Best = {{3, 5, 0, 15, {}, {}}};  // another copy of the game rewrote the table
  ShowTitle(*t.G);
  // Right of the new, narrow plate the title is the picture as drawn.
  const Surface& now = t.G->BufferFrm.picTitle;
  const Surface& drawn = clean.G->BufferFrm.picTitle;
  int traces = 0;
  for (int y = 60; y < 110; ++y) {
    for (int x = 10 + SignTextWidth("BEST 3") + 14; x < 240; ++x)
      traces += now.At(x, y) != drawn.At(x, y) ? 1 : 0;
  }
  EXPECT_EQ(traces, 0);
}

TEST(Scroller, FirstFrameShowsTheLeadingDotAtTheRightEdgeWithItsShadow) {
  TestGame t;
  t.Load();
  const Surface& title = t.G->BufferFrm.picTitle;
  tmrScrollText_Timer(*t.G);
  EXPECT_EQ(t.S().ScrollShift, 2);
  EXPECT_EQ(t.S().ScrollPos, 0);
  int changed = 0;
  for (int y = 380; y <= 396; ++y) {
    for (int x = 0; x < 400; ++x) {
      const bool same = t.Image().At(x, y) == title.At(x, y);
      if (x < 390 || y == 396) {
        ASSERT_TRUE(same) << x << "," << y;  // blanks, and the row the shadow never darkens
      } else {
        if (!same) ++changed;
      }
    }
  }
  EXPECT_GT(changed, 0);   // the first dot, at strip x 392 - 2
  EXPECT_LT(changed, 40);  // one dot, not a whole word
}

TEST(Scroller, AdvancesACharacterEverySevenTicksAndWrapsAfterPosition240) {
  TestGame t;
  t.Load();
  GameState& s = t.S();
  for (int i = 0; i < 6; ++i) tmrScrollText_Timer(*t.G);
  EXPECT_EQ(s.ScrollPos, 0);
  tmrScrollText_Timer(*t.G);  // the 7th tick takes the next character at shift 0
  EXPECT_EQ(s.ScrollPos, 1);
  EXPECT_EQ(s.ScrollShift, 0);
  EXPECT_EQ(t.G->MainForm.ScrollWindow, std::string(kScrollMessage.substr(1, 30)));

  s.ScrollPos = 239;
  s.ScrollShift = 12;
  tmrScrollText_Timer(*t.G);
  EXPECT_EQ(s.ScrollPos, 240);
  EXPECT_EQ(t.G->MainForm.ScrollWindow, std::string(30, ' '));  // the message has gone by
  for (int x = 0; x < 400; ++x) ASSERT_EQ(t.Image().At(x, 388), t.G->BufferFrm.picTitle.At(x, 388));
  for (int i = 0; i < 7; ++i) tmrScrollText_Timer(*t.G);
  EXPECT_EQ(s.ScrollPos, 0);  // 241 is never shown: the start comes back
  EXPECT_EQ(t.G->MainForm.ScrollWindow, std::string(kScrollMessage.substr(0, 30)));
  EXPECT_EQ(kScrollMessage.size(), 271u);
  EXPECT_EQ(kScrollMessage.substr(28, 12), "...GOBBIX!!!");
}

TEST(Scroller, StopsWhenAGameStartsAndLeavesTheFieldAlone) {
  TestGame t;
  const int64_t now = t.LoadAndStart();
  EXPECT_FALSE(t.G->MainForm.tmrScrollText.Enabled);
  t.RunUntil(now + 1000);
  // The bottom rows of the field show the playground, not the scroller.
  for (int x = 0; x < 400; ++x) {
    ASSERT_EQ(t.Image().At(x, 389), t.G->BufferFrm.Playground.At(x, 389)) << x;
  }
}

}  // namespace
}  // namespace fg::test
