// Self-collision and the game-over sequence.
#include <gtest/gtest.h>

#include "play/play.h"
#include "shell/share.h"
#include "testkit.h"

namespace fg::test {
namespace {

TEST(SelfCollision, HitsWithinFourteenPixelsOnBothAxesAndNeverTestsSegmentsOneAndTwo) {
  TestGame t;
  GameState& s = t.S();
  s.HeadX = 100;
  s.HeadY = 200;
  s.SnakeLength = 3;
  auto hitWithSegment3At = [&](int x, int y) {
    s.TrailX[24] = static_cast<Integer>(x);
    s.TrailY[24] = static_cast<Integer>(y);
    return SelfCollides(*t.G);
  };
  // Same lane, closing in from either side.
  EXPECT_TRUE(hitWithSegment3At(114, 200));
  EXPECT_FALSE(hitWithSegment3At(116, 200));
  EXPECT_TRUE(hitWithSegment3At(86, 200));
  EXPECT_FALSE(hitWithSegment3At(84, 200));
  EXPECT_TRUE(hitWithSegment3At(85, 200));  // -15 still overlaps by one probe
  // One lane away never hits, even level with the head.
  EXPECT_FALSE(hitWithSegment3At(100, 216));
  EXPECT_FALSE(hitWithSegment3At(116, 184));
  EXPECT_TRUE(hitWithSegment3At(110, 188));
  // Segments 1 and 2 right on the head do not count.
  s.TrailX[24] = 300;
  for (int i : {8, 16}) {
    s.TrailX[i] = 100;
    s.TrailY[i] = 200;
  }
  EXPECT_FALSE(SelfCollides(*t.G));
  // A segment beyond SnakeLength does not count either.
  s.TrailX[32] = 100;
  s.TrailY[32] = 200;
  EXPECT_FALSE(SelfCollides(*t.G));
  s.SnakeLength = 4;
  EXPECT_TRUE(SelfCollides(*t.G));
}

TEST(SelfCollision, AVerticalReversalFoldsTheHeadBackUntilSegmentThreeIsReached) {
  TestGame t;
  t.StartQuiet();
  GameState& s = t.S();
  // Head up the lane x = 160 for a while, then hold Left and Down at a grid point.
  s.Direction = kUp;
  s.HeadX = 160;
  for (int i = 0; i < 32; ++i) t.Tick();
  ASSERT_EQ(s.HeadY, 176 - 64);
  ASSERT_EQ(s.HeadY % 16, 0);
  s.HoldLeft = kTrue;
  s.HoldDown = kTrue;
  int ticks = 0;
  while (s.InGame != 0 && ticks < 40) {
    t.Tick();
    ++ticks;
  }
  EXPECT_EQ(s.InGame, 0);
  // The reversal itself: the first tick already heads down; segment 3 lies 46 px behind the
  // head then, and the head and segment 3 close in at 4 px a tick until they are 14 apart.
  EXPECT_EQ(s.Direction, kDown);
  EXPECT_EQ(ticks, 8);
}

TEST(GameOver, ExplodesEveryCellInHundredMillisecondsThenPausesAndRevealsTheTitle) {
  TestGame t;
  t.StartOnSkull();
  GameState& s = t.S();
  struct Frame {
    int64_t Time;
    Flag InGame, Busy;
  };
  std::vector<Frame> frames;
  t.Host.OnRefresh = [&](const Surface&) { frames.push_back({t.Host.Clock(), s.InGame, s.Busy}); };
  const int64_t start = t.Host.Clock();
  t.Tick();
  // Refreshes: the frame that met the skull, 4 per exploding cell (head + 5 segments), the one
  // before the pause, then the 10 passes of the title reveal.
  ASSERT_EQ(frames.size(), 1u + 24u + 1u + 10u);
  EXPECT_EQ(frames[0].Busy, 0);
  for (size_t i = 1; i <= 25; ++i) {
    EXPECT_EQ(frames[i].InGame, 0);
    EXPECT_NE(frames[i].Busy, 0);
    EXPECT_EQ(frames[i].Time, start + 25 * static_cast<int32_t>(i - 1));
  }
  EXPECT_EQ(frames[25].Time, start + 600);   // 6 cells x 100 ms
  EXPECT_EQ(frames[26].Time, start + 3100);  // the 2500 ms pause, then the reveal
  EXPECT_EQ(frames[26].Busy, 0);
  EXPECT_EQ(t.Host.Clock(), start + 3600);
  EXPECT_FALSE(t.G->MainForm.tmrMain.Enabled);
  EXPECT_TRUE(t.G->MainForm.tmrScrollText.Enabled);
  EXPECT_EQ(t.Image().Pixels, t.G->BufferFrm.picTitle.Pixels);
  EXPECT_EQ(t.Effects().back(), 102);
}

TEST(GameOver, SpaceIsIgnoredDuringTheExplosionAndEscapeThereEndsTheProgram) {
  {
    TestGame t;
    t.StartOnSkull();
    GameState& s = t.S();
    t.Host.KeyPress(t.Host.Clock() + 100, kSpace);
    t.Tick();
    EXPECT_EQ(s.InGame, 0);  // no new game came of it
  }
  {
    TestGame t;
    t.StartOnSkull();
    t.Host.KeyPress(t.Host.Clock() + 1000, kEsc);  // during the pause
    const int refreshes = t.Host.Refreshes;
    EXPECT_THROW(t.Tick(), ProgramEnd);
    EXPECT_EQ(t.Host.Refreshes - refreshes, 26);  // nothing more was drawn after the close
    EXPECT_TRUE(t.Player().Closed);
  }
}

// C on the sign of a kept game copies the link that plays it; the page's button is offered
// while that sign is up. A game not kept has nothing to share, nor has the title.
TEST(GameOver, CopiesTheLinkOfAKeptGameFromItsSignOnly) {
  for (const int score : {0, 5}) {
    TestGame t;
    t.StartOnSkull();
    t.S().Score = static_cast<int16_t>(score);
    std::string offered;
    t.Host.OnPump = [&] { offered = t.Host.Offered.empty() ? offered : t.Host.Offered; };
    t.Host.KeyPress(t.Host.Clock() + 1500, kKeyC);  // during the pause with the sign
    t.Tick();
    t.Host.KeyPress(t.Host.Clock() + 10, kKeyC);  // on the title
    t.RunUntil(t.Host.Clock() + 20);
    const std::vector<std::string> links =
        score == 0 ? std::vector<std::string>{}
                   : std::vector<std::string>{std::string(PageUrl()) +
                                              "#replay=" + t.G->Record.Best.at(0).Replay};
    EXPECT_EQ(t.Host.Copied, links) << score;
    EXPECT_EQ(offered, score == 0 ? "" : t.G->Record.Best.at(0).Replay) << score;
    EXPECT_EQ(t.Host.Offered, "");
  }
}

}  // namespace
}  // namespace fg::test
