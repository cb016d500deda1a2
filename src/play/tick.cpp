// The game tick: erase, spawn, items, steering, movement, snake, score, eat and collision
// tests, then one refresh.
#include "core/game.h"
#include "core/rules.h"
#include "platform/keys.h"
#include "play/play.h"
#include "screens/buffer_frm.h"
#include "screens/score.h"

#include <algorithm>

namespace fg {

namespace {

// The head, body and highlight share one circular mask.
constexpr int kBallMaskX = 64;
constexpr int kBallMaskY = 0;

void EraseCell(Game& g, int x, int y) {
  BitBlt(g.MainForm.Image, x, y, kCell, kCell, g.BufferFrm.Playground, x, y, SRCCOPY);
}

void DrawBall(Game& g, int x, int y, int picX, int picY) {
  DrawSprite(g.MainForm.Image, x, y, kCell, kCell, g.BufferFrm.sprGobbix, kBallMaskX, kBallMaskY,
             picX, picY);
}

}  // namespace

void Steer(Game& g) {
  GameState& s = g.State;
  // A quick tap steers: the last arrow pressed in this game counts as held until the first tick
  // at which the head is aligned for its turn, whether or not it turned the snake. A key still
  // held steers exactly as before.
  const int16_t tap = g.Tap.Serial == g.GameSerial ? g.Tap.Key : 0;
  const bool onRow = s.HeadY % kCell == 0;
  const bool onColumn = s.HeadX % kCell == 0;
  // Fixed order; each test sees the direction the earlier ones left, so the last passing test
  // decides. Tests 3 and 4 can therefore fold the snake back vertically in one tick. [K7]
  if ((s.HoldLeft || tap == kKeyLeft) && onRow && s.Direction != kRight) s.Direction = kLeft;
  if ((s.HoldRight || tap == kKeyRight) && onRow && s.Direction != kLeft) s.Direction = kRight;
  if ((s.HoldUp || tap == kKeyUp) && onColumn && s.Direction != kDown) s.Direction = kUp;
  if ((s.HoldDown || tap == kKeyDown) && onColumn && s.Direction != kUp) s.Direction = kDown;
  // [D16]
  const bool horizontal = tap == kKeyLeft || tap == kKeyRight;
  if (tap == 0 || (horizontal ? onRow : onColumn)) g.Tap.Key = 0;
}

bool Move(Game& g) {
  GameState& s = g.State;
  // The border is not deadly: the head simply stops there until it is turned. [K8]
  switch (s.Direction) {
    case kDown:
      if (s.HeadY < kFieldMax) {
        s.HeadY = static_cast<Integer>(s.HeadY + s.Speed);
        return true;
      }
      break;
    case kLeft:
      if (s.HeadX > kFieldMin) {
        s.HeadX = static_cast<Integer>(s.HeadX - s.Speed);
        return true;
      }
      break;
    case kRight:
      if (s.HeadX < kFieldMax) {
        s.HeadX = static_cast<Integer>(s.HeadX + s.Speed);
        return true;
      }
      break;
    case kUp:
      if (s.HeadY > kFieldMin) {
        s.HeadY = static_cast<Integer>(s.HeadY - s.Speed);
        return true;
      }
      break;
    default:
      break;
  }
  return false;
}

void ShiftTrail(Game& g) {
  GameState& s = g.State;
  // Entries 1..998 move up by one; the oldest (999) is dropped and index 0 is left alone.
  std::copy_backward(s.TrailX.Data.begin() + 1, s.TrailX.Data.begin() + kTrailSize - 1,
                     s.TrailX.Data.begin() + kTrailSize);
  std::copy_backward(s.TrailY.Data.begin() + 1, s.TrailY.Data.begin() + kTrailSize - 1,
                     s.TrailY.Data.begin() + kTrailSize);
  s.TrailX[1] = s.HeadX;
  s.TrailY[1] = s.HeadY;
}

void tmrMain_Timer(Game& g) {
  GameState& s = g.State;
  ++g.PlayTicks;
  // Called for its effect: the off-screen pictures are loaded before the first one is read, as
  // a hidden window loads on first use. [K14]
  Buffers(g);

  EraseScore(g);
  EraseCell(g, s.HeadX, s.HeadY);
  for (int i = 1; i <= s.SnakeLength; ++i) EraseCell(g, SegmentX(s, i), SegmentY(s, i));

  if (!SpawnStep(g)) return;  // the game ended while a random pick pumped events [D2]
  ItemStep(g);

  Steer(g);
  const bool moved = Move(g);
  // The head is drawn even when it stands at the border [K8]; the trail shifts only on a move.
  DrawBall(g, s.HeadX, s.HeadY, kCell * (s.Direction - 1), kCell);
  if (moved) ShiftTrail(g);
  for (int i = 1; i <= s.SnakeLength; ++i) DrawBall(g, SegmentX(s, i), SegmentY(s, i), kCell, 0);

  s.GrowFlash = static_cast<Integer>(std::max(0, s.GrowFlash - 1));
  if (s.GrowFlash > 0) {
    DrawBall(g, SegmentX(s, s.SnakeLength), SegmentY(s, s.SnakeLength), 3 * kCell, 0);
  }

  DrawScore(g);

  if (!EatTest(g)) return;  // a skull, or the game ended inside the eat click's pump [D2]
  if (SelfCollides(g)) {
    Refresh(g);
    GameOver(g);
    return;
  }
  Refresh(g);
}

}  // namespace fg
