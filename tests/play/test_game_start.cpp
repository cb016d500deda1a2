// Game start: the wipe, the reset, and what a start leaves alone; a tick cut short by a pump.
#include <gtest/gtest.h>

#include "play/play.h"
#include "testkit.h"

namespace fg::test {
namespace {

TEST(GameStart, WipesInEightyOneStripsThenResetsPlaysTheStartEffectAndStartsTheTick) {
  TestGame t;
  t.Load();
  GameState& s = t.S();
  s.HoldDown = kTrue;  // a release that came outside play would have been honoured
  s.TrailX[0] = 1234;
  PlaceItem(s, 4, 64, 64, kStar1);
  std::vector<int64_t> times;
  t.Host.OnRefresh = [&](const Surface&) { times.push_back(t.Host.Clock()); };
  const int64_t start = t.Host.Clock();
  StartGame(*t.G);
  ASSERT_EQ(times.size(), 81u);
  for (size_t i = 0; i < times.size(); ++i) EXPECT_EQ(times[i], start + 10 * static_cast<int>(i));
  EXPECT_EQ(t.Host.Clock(), start + 810);
  EXPECT_EQ(t.Image().Pixels, t.G->BufferFrm.Playground.Pixels);
  EXPECT_NE(s.InGame, 0);
  EXPECT_TRUE(t.G->MainForm.tmrMain.Enabled);
  EXPECT_FALSE(t.G->MainForm.tmrScrollText.Enabled);
  EXPECT_EQ(t.Effects(), std::vector<int>{101});
  EXPECT_EQ(s.SpawnDelay, 1);
  EXPECT_EQ(s.TrailX[0], 1234);  // index 0 is never written
  EXPECT_EQ(s.ItemKind[4], kStar1);
  EXPECT_NE(s.HoldDown, 0);                   // hold flags are the key handler's business
  EXPECT_EQ(s.TrailX[kTrailSize - 1], 2158);  // the starting row runs on to the trail's end
  EXPECT_EQ(s.TrailY[kTrailSize - 1], 176);
}

TEST(GameStart, ASecondSpaceDuringTheWipeIsIgnored) {
  TestGame t;
  t.Load();
  const int64_t now = t.Host.Clock();
  t.Host.KeyPress(now + 10, kSpace);
  t.Host.KeyPress(now + 300, kSpace);
  t.Host.KeyPress(now + 600, kSpace);
  t.RunUntil(now + 1000);
  EXPECT_NE(t.S().InGame, 0);
  EXPECT_EQ(t.Effects(), std::vector<int>{101});
}

TEST(GameStart, EscapeHandledInsideASpawnPumpStopsTheTickBeforeItDrawsOverTheTitle) {
  TestGame t;
  const int64_t now = t.LoadAndStart();
  // The first tick's spawn pumps events: Escape is handled there, the title is revealed
  // inside the pump, and the tick must not draw the old game over it.
  t.Host.KeyPress(now, kEsc);
  t.Tick();
  EXPECT_EQ(t.S().InGame, 0);
  EXPECT_EQ(t.Image().Pixels, t.G->BufferFrm.picTitle.Pixels);
  EXPECT_EQ(t.S().HeadX, 160);  // the tick went no further than the spawn
}

TEST(GameStart, EscapeInsideTheEatingSoundsPumpEndsTheTickThere) {
  TestGame t;
  const int64_t now = t.StartQuiet();
  GameState& s = t.S();
  PlaceItem(s, 1, 158, 176, kStar1);
  t.Host.KeyPress(now, kEsc);  // delivered by the eat click's pump, the tick's first pump
  const int refreshes = t.Host.Refreshes;
  t.Tick();
  EXPECT_EQ(s.Score, 1);
  EXPECT_EQ(s.InGame, 0);
  EXPECT_EQ(t.Host.Refreshes - refreshes, 10);  // the reveal's passes only, no final frame
  EXPECT_EQ(t.Image().Pixels, t.G->BufferFrm.picTitle.Pixels);
}

}  // namespace
}  // namespace fg::test
