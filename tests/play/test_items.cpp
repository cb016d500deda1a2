// Items: the spawn schedule and its draws, animation, eating, and items kept between games.
#include <gtest/gtest.h>

#include "play/play.h"
#include "support/random_pick.h"
#include "testkit.h"

namespace fg::test {
namespace {

// Replays the generator to know where the n-th spawn lands: five draws per pick.
struct Spawn {
  int X, Y, Kind;
};
std::vector<Spawn> ExpectedSpawns(int count) {
  RandomSource r;
  auto pick = [&r](int n) {
    for (int i = 0; i < 4; ++i) r.Next();
    return RoundHalfEven(static_cast<double>(r.Next()) * n);
  };
  std::vector<Spawn> out;
  for (int i = 0; i < count; ++i) {
    int x = 16 * pick(23);
    if (x < 16) x = 368;
    int y = 16 * pick(23);
    if (y < 16) y = 368;
    out.push_back({x, y, pick(4)});
  }
  return out;
}

TEST(Items, SpawnsComeOnTicks1_201_401WithDrawsInTheOrderXYKind) {
  TestGame t;
  t.LoadAndStart();
  GameState& s = t.S();
  const std::vector<Spawn> want = ExpectedSpawns(3);
  std::vector<int> spawnTicks;
  for (int tick = 1; tick <= 401; ++tick) {
    const int pumps = t.Host.Pumps;
    // Keep the head parked at the border in a corner no spawn of this run reaches.
    s.HeadX = 16;
    s.HeadY = 16;
    s.Direction = kUp;
    t.Tick();
    ASSERT_NE(s.InGame, 0) << tick;
    if (t.Host.Pumps - pumps == 15) spawnTicks.push_back(tick);  // three picks, five pumps each
  }
  EXPECT_EQ(spawnTicks, (std::vector<int>{1, 201, 401}));
  // Each spawn takes the lowest free slot (a kind-0 draw leaves its slot free for the next).
  int slot = 1;
  for (const Spawn& sp : want) {
    EXPECT_EQ(s.ItemX[slot], sp.X);
    EXPECT_EQ(s.ItemY[slot], sp.Y);
    EXPECT_EQ(s.ItemKind[slot], sp.Kind);
    if (sp.Kind != 0) ++slot;
  }
}

TEST(Items, WithEverySlotTakenTheDrawsLandInSlotZeroAndNothingAppears) {
  TestGame t;
  t.LoadAndStart();
  GameState& s = t.S();
  for (int k = 1; k <= 99; ++k) PlaceItem(s, k, 368, 368, kSkull);
  s.HeadX = 16;
  s.HeadY = 16;
  s.Direction = kUp;
  t.Tick();
  EXPECT_EQ(s.SpawnDelay, 200);
  const Spawn first = ExpectedSpawns(1)[0];
  EXPECT_EQ(s.ItemX[0], first.X);
  EXPECT_EQ(s.ItemKind[0], first.Kind);
  for (int k = 1; k <= 99; ++k) ASSERT_EQ(s.ItemX[k], 368);
}

TEST(Items, StarsCycleFourCellsAndSkullsShowTheirSilhouetteOnlyAtFirst) {
  TestGame t;
  t.StartQuiet();
  GameState& s = t.S();
  PlaceItem(s, 1, 48, 48, kStar2);
  PlaceItem(s, 2, 80, 48, kSkull);
  std::vector<int> starFrames;
  std::vector<int> skullFrames;
  for (int i = 0; i < 40; ++i) {
    ItemStep(*t.G);
    starFrames.push_back(s.ItemFrame[1]);
    skullFrames.push_back(s.ItemFrame[2]);
  }
  EXPECT_EQ(starFrames[0], 1);  // advanced before the first drawing
  EXPECT_EQ(starFrames[14], 15);
  EXPECT_EQ(starFrames[15], 0);
  EXPECT_EQ(skullFrames[30], 31);
  EXPECT_EQ(skullFrames[31], 4);  // cell 0 never comes back
  // What is on screen is the skull's cell ItemFrame div 4, over clean ground.
  const Surface& sheet = t.G->BufferFrm.sprSkull;
  ItemStep(*t.G);
  ASSERT_EQ(s.ItemFrame[2], 13);  // 31 steps to frame 31, then 4, 5, ... 13: cell 3
  Surface want = t.G->BufferFrm.Playground;
  DrawSprite(want, 80, 48, 16, 16, sheet, 48, 16, 48, 0);
  EXPECT_TRUE(SameCell(t.Image(), want, 80, 48));
}

TEST(Items, TwoItemsInOnePlaceTheLowerSlotIsEatenFirstAndTheSkullKillsLater) {
  TestGame t;
  t.StartQuiet();
  GameState& s = t.S();
  s.HeadX = 16;  // standing at the left border
  PlaceItem(s, 1, 16, 176, kStar1);
  PlaceItem(s, 2, 16, 176, kSkull);
  t.Tick();
  EXPECT_NE(s.InGame, 0);
  EXPECT_EQ(s.ItemKind[1], kFree);
  EXPECT_EQ(s.SnakeLength, 6);
  EXPECT_EQ(s.Score, 1);
  EXPECT_EQ(s.GrowFlash, 5);
  EXPECT_EQ(t.Effects().back(), 103);
  t.Tick();  // still there: now the skull
  EXPECT_EQ(s.InGame, 0);
  EXPECT_EQ(s.Busy, 0);  // the whole game-over sequence ran inside that tick
  EXPECT_EQ(t.Effects().back(), 102);
  EXPECT_EQ(s.ItemKind[2], kSkull);  // skulls stay for good
}

TEST(Items, AtHundredSegmentsAStarStillClicksButNothingGrows) {
  TestGame t;
  t.StartQuiet();
  GameState& s = t.S();
  s.SnakeLength = 100;
  s.Score = 95;
  s.HeadX = 16;
  PlaceItem(s, 3, 16, 176, kStar1);
  const size_t effects = t.Host.Waves.size();
  t.Tick();
  EXPECT_EQ(s.ItemKind[3], kFree);
  EXPECT_EQ(s.SnakeLength, 100);
  EXPECT_EQ(s.Score, 95);
  EXPECT_EQ(s.GrowFlash, 0);
  ASSERT_EQ(t.Host.Waves.size(), effects + 1);
  EXPECT_EQ(t.Effects().back(), 103);
}

TEST(Items, AnInvisibleItemIsNeverDrawnButEatenLikeAStar) {
  TestGame t;
  t.StartQuiet();
  GameState& s = t.S();
  PlaceItem(s, 1, 128, 176, kInvisible);
  PlaceItem(s, 2, 128, 48, kInvisible);
  for (int i = 0; i < 16; ++i) t.Tick();  // 160 -> 128
  EXPECT_EQ(s.HeadX, 128);
  EXPECT_EQ(s.ItemKind[1], kFree);
  EXPECT_EQ(s.SnakeLength, 6);
  EXPECT_EQ(s.Score, 1);
  EXPECT_EQ(t.Effects().back(), 103);
  EXPECT_TRUE(SameCell(t.Image(), t.G->BufferFrm.Playground, 128, 48));
  // The place of an eaten item gives nothing the next time round.
  s.HeadX = 130;
  s.Direction = kLeft;
  t.Tick();
  EXPECT_EQ(s.Score, 1);
}

TEST(Items, ASecondGameKeepsTheItemsButResetsTheSnake) {
  TestGame t;
  t.StartOnSkull();
  GameState& s = t.S();
  PlaceItem(s, 6, 200, 200, kStar1);
  s.Score = 7;
  t.Tick();  // runs into the skull: game over and back to the title
  ASSERT_EQ(s.InGame, 0);
  t.StartFromTitle();
  ASSERT_NE(s.InGame, 0);
  EXPECT_EQ(s.ItemKind[1], kSkull);
  EXPECT_EQ(s.ItemKind[6], kStar1);
  EXPECT_EQ(s.Score, 0);
  EXPECT_EQ(s.SnakeLength, 5);
  EXPECT_EQ(s.HeadX, 160);
  EXPECT_EQ(s.Direction, kLeft);
  EXPECT_EQ(s.SpawnDelay, 1);
}

}  // namespace
}  // namespace fg::test
