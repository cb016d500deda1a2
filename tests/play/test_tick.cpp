// The game tick: erase and redraw, steering, movement, the border stop and the trail.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "play/play.h"
#include "testkit.h"

namespace fg::test {
namespace {

constexpr uint32_t kMarker = 0xFF00FF;  // a colour no picture uses

TEST(Tick, FirstTickOfAGameErasesTheStartPositionsMovesLeftAndDrawsTheBody) {
  TestGame t;
  t.LoadAndStart();
  GameState& s = t.S();
  ASSERT_EQ(s.HeadX, 160);
  ASSERT_EQ(s.HeadY, 176);
  ASSERT_EQ(s.TrailX[8], 176);
  ASSERT_EQ(s.TrailX[999], 2158);
  // Paint over the cells the previous frame would have drawn; the tick must erase them all.
  for (int y = 176; y < 192; ++y) {
    for (int x = 160; x < 256; ++x) t.Image().At(x, y) = kMarker;
  }
  const int refreshes = t.Host.Refreshes;
  t.Tick();
  EXPECT_EQ(s.HeadX, 158);
  EXPECT_EQ(s.HeadY, 176);
  EXPECT_EQ(s.TrailX[1], 158);
  for (int k = 2; k < 1000; ++k) ASSERT_EQ(s.TrailX[k], 158 + 2 * k) << k;
  for (int k = 1; k < 1000; ++k) ASSERT_EQ(s.TrailY[k], 176) << k;
  EXPECT_EQ(s.SpawnDelay, 200);                // the first tick made its spawn attempt
  EXPECT_EQ(t.Host.Refreshes, refreshes + 1);  // one refresh per frame
  for (int y = 176; y < 192; ++y) {
    for (int x = 158; x < 256; ++x) ASSERT_NE(t.Image().At(x, y), kMarker) << x << "," << y;
  }
  // Segments at x = 174, 190, ... 238: their centres show the body ball, x = 254 the ground.
  const Surface& sheet = t.G->BufferFrm.sprGobbix;
  for (int i = 1; i <= 5; ++i) {
    EXPECT_EQ(t.Image().At(158 + 16 * i + 8, 184), sheet.At(16 + 8, 8)) << "segment " << i;
  }
  EXPECT_EQ(t.Image().At(254, 184), t.G->BufferFrm.Playground.At(254, 184));
  EXPECT_EQ(t.Image().At(158 + 8, 184), sheet.At(16 + 8, 16 + 8));  // head heading left
}

TEST(Tick, AtTheBorderTheSnakeStandsStillWithoutShiftingTheTrail) {
  TestGame t;
  t.LoadAndStart();
  GameState& s = t.S();
  s.HeadX = 16;
  s.SpawnDelay = 100;
  const auto trailX = s.TrailX.Data;
  for (int i = 0; i < 5; ++i) t.Tick();
  EXPECT_EQ(s.HeadX, 16);
  EXPECT_EQ(s.Direction, kLeft);
  EXPECT_EQ(s.TrailX.Data, trailX);
  EXPECT_NE(s.InGame, 0);  // the border is not deadly
}

// Sets up a head position and direction, holds keys, and runs one steering + movement step.
struct SteerCase {
  int X, Y, Dir;
  bool Left, Right, Up, Down;
  int WantDir, WantX, WantY;
};

TEST(Tick, SteeringTestsRunInAFixedOrderAndTheLastPassingOneDecides) {
  const SteerCase cases[] = {
      // Left and Right both held while moving up: left passes, right is refused against it.
      {160, 176, kUp, true, true, false, false, kLeft, 158, 176},
      // Moving up on a grid point with Left and Down: left, then down: a reversal in one tick.
      {160, 176, kUp, true, false, false, true, kDown, 160, 178},
      {160, 176, kUp, false, true, false, true, kDown, 160, 178},
      // Moving down with a horizontal key and Up reverses to up.
      {160, 176, kDown, false, true, true, false, kUp, 160, 174},
      // A horizontal reversal is impossible: right alone is refused while moving left.
      {160, 176, kLeft, false, true, false, false, kLeft, 158, 176},
      // Up while between grid points does nothing; the turn waits for an aligned position.
      {158, 176, kLeft, false, false, true, false, kLeft, 156, 176},
      {144, 176, kLeft, false, false, true, false, kUp, 144, 174},
      // Standing at the left border, Up turns and moves in the same tick.
      {16, 176, kLeft, false, false, true, false, kUp, 16, 174},
      // Down at the bottom border: turned, but blocked there.
      {160, 368, kLeft, false, false, false, true, kDown, 160, 368},
  };
  for (const SteerCase& c : cases) {
    TestGame t;
    GameState& s = t.S();
    s.HeadX = static_cast<Integer>(c.X);
    s.HeadY = static_cast<Integer>(c.Y);
    s.Direction = static_cast<Integer>(c.Dir);
    s.Speed = 2;
    s.HoldLeft = ToFlag(c.Left);
    s.HoldRight = ToFlag(c.Right);
    s.HoldUp = ToFlag(c.Up);
    s.HoldDown = ToFlag(c.Down);
    Steer(*t.G);
    const bool moved = Move(*t.G);
    EXPECT_EQ(s.Direction, c.WantDir) << c.X << "," << c.Y << " dir " << c.Dir;
    EXPECT_EQ(s.HeadX, c.WantX) << c.X << "," << c.Y << " dir " << c.Dir;
    EXPECT_EQ(s.HeadY, c.WantY) << c.X << "," << c.Y << " dir " << c.Dir;
    EXPECT_EQ(moved, c.WantX != c.X || c.WantY != c.Y);
  }
}

// A quick tap steers: presses and releases at offsets from the game's start (the head leaves
// x = 160 moving left and is next on a column at x = 144, 120 ms later).
struct TapCase {
  const char* What;
  std::vector<std::tuple<int, int16_t, bool>> Keys;  // offset ms, key, pressed
  int TurnDir, TurnX, TurnY;                         // the first turn taken
  int FinalDir;                                      // the direction 400 ms in
};

TEST(Tick, ATappedArrowTurnsAtTheNextAlignedTickAndIsThenForgotten) {
  const TapCase cases[] = {
      {"a 40 ms tap of Up between columns",
       {{20, kUpKey, true}, {60, kUpKey, false}},
       kUp,
       144,
       176,
       kUp},
      {"a newer tap replaces the older",
       {{20, kUpKey, true}, {60, kUpKey, false}, {70, kDownKey, true}, {110, kDownKey, false}},
       kDown,
       144,
       176,
       kDown},
      // Right, tapped while Up is held, is refused against the way left and forgotten at that
      // tick all the same: it must not turn the snake right when Up brings it onto a row.
      {"a refused tap is forgotten",
       {{20, kUpKey, true}, {35, kRightKey, true}, {70, kRightKey, false}, {200, kUpKey, false}},
       kUp,
       144,
       176,
       kUp},
      {"a key held through the turn",
       {{20, kUpKey, true}, {200, kUpKey, false}},
       kUp,
       144,
       176,
       kUp},
  };
  for (const TapCase& c : cases) {
    TestGame t;
    const int64_t start = t.LoadAndStart();
    for (const auto& [at, key, down] : c.Keys) {
      if (down) {
        t.Host.KeyPress(start + at, key);
      } else {
        t.Host.KeyRelease(start + at, key);
      }
    }
    int turn[3] = {-1, -1, -1};
    t.Host.OnRefresh = [&](const Surface&) {
      if (turn[0] < 0 && t.S().Direction != kLeft) {
        turn[0] = t.S().Direction;
        turn[1] = t.S().HeadX;
        turn[2] = t.S().HeadY;
      }
    };
    t.RunUntil(start + 400);
    // The head has moved one step on from where the turn was taken.
    const int stepX = turn[0] == kRight ? 2 : 0;
    const int stepY = turn[0] == kUp ? -2 : (turn[0] == kDown ? 2 : 0);
    EXPECT_EQ(turn[0], c.TurnDir) << c.What;
    EXPECT_EQ(turn[1] - stepX, c.TurnX) << c.What;
    EXPECT_EQ(turn[2] - stepY, c.TurnY) << c.What;
    EXPECT_EQ(t.S().Direction, c.FinalDir) << c.What;
    // After the turn the head keeps to its lane.
    EXPECT_EQ(t.S().HeadX, c.TurnX) << c.What;
    EXPECT_EQ(t.S().HeadY % 2, 0) << c.What;
  }
}

TEST(Tick, ATapDoesNotOutliveItsGame) {
  TestGame t;
  const int64_t start = t.LoadAndStart();
  // Tapped between columns, then the game is left before the head could turn.
  t.Host.KeyPress(start + 20, kUpKey);
  t.Host.KeyRelease(start + 60, kUpKey);
  t.Host.KeyPress(start + 70, kKeyEscape);
  t.Host.KeyRelease(start + 80, kKeyEscape);
  t.RunUntil(start + 100);
  ASSERT_EQ(t.S().InGame, 0);
  t.StartFromTitle();
  t.Tick();  // the new game's head starts on a column, where a stale Up would turn it
  EXPECT_EQ(t.S().Direction, kLeft);
}

TEST(Tick, GrowthHighlightShowsForFourTicksAndNeverGoesNegative) {
  TestGame t;
  t.LoadAndStart();
  GameState& s = t.S();
  s.SpawnDelay = 100;
  s.GrowFlash = 5;  // as eating leaves it
  const Surface& sheet = t.G->BufferFrm.sprGobbix;
  std::vector<bool> shown;
  for (int i = 0; i < 6; ++i) {
    t.Tick();
    const int x = s.TrailX[8 * s.SnakeLength] + 8;
    const int y = s.TrailY[8 * s.SnakeLength] + 8;
    shown.push_back(t.Image().At(x, y) == sheet.At(48 + 8, 8));
  }
  EXPECT_EQ(shown, (std::vector<bool>{true, true, true, true, false, false}));
  EXPECT_EQ(s.GrowFlash, 0);
}

}  // namespace
}  // namespace fg::test
