// The numbers the game's rules are made of, each with what it is and why it has that value.
// Change a rule here and the replay fixtures tell you what else moved.
#pragma once

#include "core/game_state.h"

namespace fg {

// The field: a 23 x 23 grid of 16-pixel cells inside the 16-pixel frame of the 400-pixel window.
inline constexpr Integer kCell = 16;       // every sprite, and one step of the grid
inline constexpr int kGridPlaces = 23;     // cells along each side of the field
inline constexpr Integer kFieldMin = 16;   // left and top cell: the frame lies before it
inline constexpr Integer kFieldMax = 368;  // right and bottom cell: 16 + 22 x 16
static_assert(kFieldMin + (kGridPlaces - 1) * kCell == kFieldMax);

// Time, in milliseconds of the host's clock. The two timers fire at these intervals; each step
// of a long sequence is shown, then paced by a Wait of its own length.
inline constexpr int32_t kTickMs = 15;        // tmrMain: one tick of play
inline constexpr int32_t kScrollTickMs = 20;  // tmrScrollText: one step of the title's scroller
inline constexpr int kWipeStripRows = 5;      // the game start wipes the playground in strips
inline constexpr int32_t kWipeStepMs = 10;    // of 5 rows, 10 ms apart: 81 strips, 810 ms
inline constexpr int kRevealPasses = 10;      // the title reveal: pass p draws rows p, p + 10, ...
inline constexpr int32_t kRevealPassMs = 50;  // 50 ms after each pass: 500 ms
inline constexpr int32_t kExplosionFrameMs = 25;   // four frames a cell: 100 ms per exploding ball
inline constexpr int32_t kGameOverPauseMs = 2500;  // the wreck stays before the title returns

// The snake.
inline constexpr Integer kStartX = 160;          // the head's start: the middle of the field,
inline constexpr Integer kStartY = 176;          // on a cell boundary so it can turn at once
inline constexpr Integer kStartLength = 5;       // segments behind the head at the start
inline constexpr Integer kStartSpeed = 2;        // pixels per tick: 8 ticks (120 ms) a cell
inline constexpr Integer kMaxSnakeLength = 100;  // no growth beyond this many segments
inline constexpr Integer kGrowFlashTicks = 5;    // the new tail lights up for 4 ticks after a meal
// Positions in the trail between two segments. The trail gets one entry per move of Speed
// pixels, so segment i sits kTrailStride * i moves, 8 x 2 = 16 pixels, one cell, behind the
// one before it.
inline constexpr int kTrailStride = 8;
static_assert(kTrailStride * kStartSpeed == kCell);
static_assert(kTrailStride * kMaxSnakeLength < kTrailSize);  // the longest snake fits the trail

// Where segment i (1 = the one behind the head) of the snake lies.
inline Integer SegmentX(const GameCourse& s, int i) {
  return s.TrailX[kTrailStride * i];
}
inline Integer SegmentY(const GameCourse& s, int i) {
  return s.TrailY[kTrailStride * i];
}

// Items.
inline constexpr Integer kSpawnInterval = 200;  // ticks between two spawns: 3 s at 15 ms
inline constexpr Integer kFirstSpawnDelay = 1;  // the first item comes with the first tick
inline constexpr int kFirstItemSlot = 1;        // slots 1..99 are on the field; slot 0 takes the
inline constexpr int kLastItemSlot = kItemSlots - 1;  // draws when they are all taken
// A spawn picks a kind from 0 (free: nothing appears) to this, the invisible item, which is
// eaten like a star but never drawn.
inline constexpr Integer kHighestItemKind = kInvisible;

// The snake put back at its start for a new game; the items and the random source stay. [K11]
inline void ResetSnake(GameCourse& c) {
  c.Score = 0;
  c.HeadX = kStartX;
  c.HeadY = kStartY;
  c.Direction = kLeft;
  c.Speed = kStartSpeed;
  c.SnakeLength = kStartLength;
  c.GrowFlash = 0;
  // The trail continues the starting row to the right, so early growth extends it.
  for (int i = 1; i < kTrailSize; ++i) {
    c.TrailX[i] = static_cast<Integer>(kStartSpeed * i + c.HeadX);
    c.TrailY[i] = kStartY;
  }
  c.SpawnDelay = kFirstSpawnDelay;
  c.Ticks = 0;
}

// The five score digits, 9 x 9 pixels each, on a flat patch at the top of the frame.
inline constexpr int kScoreX = 178;
inline constexpr int kScoreY = 10;
inline constexpr int kDigitSize = 9;
inline constexpr int kScoreDigits = 5;
// The erase copies a strip 5 pixels wider than the digits from the playground picture, whose
// patch there is one flat colour.
inline constexpr int kScoreEraseWidth = 50;

// The link label under the logo: its rectangle on the title, and the hot zone whose every
// bound is strict, so the label's edge pixels do nothing.
inline constexpr int kLinkX = 132;
inline constexpr int kLinkY = 52;
inline constexpr int kLinkWidth = 141;
inline constexpr int kLinkHeight = 10;
constexpr bool InLinkZone(float x, float y) {
  return kLinkX < x && x < kLinkX + kLinkWidth && kLinkY < y && y < kLinkY + kLinkHeight;
}

}  // namespace fg
