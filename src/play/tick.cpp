// The game tick: erase, spawn, items, steering, movement, snake, score, eat and collision
// tests, then one refresh.
#include "core/game.h"
#include "core/rules.h"
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
  // Fixed order; each test sees the direction the earlier ones left, so the last passing test
  // decides. Tests 3 and 4 can therefore fold the snake back vertically in one tick.
  if (s.HoldLeft && s.HeadY % kCell == 0 && s.Direction != kRight) s.Direction = kLeft;
  if (s.HoldRight && s.HeadY % kCell == 0 && s.Direction != kLeft) s.Direction = kRight;
  if (s.HoldUp && s.HeadX % kCell == 0 && s.Direction != kDown) s.Direction = kUp;
  if (s.HoldDown && s.HeadX % kCell == 0 && s.Direction != kUp) s.Direction = kDown;
}

bool Move(Game& g) {
  GameState& s = g.State;
  // The border is not deadly: the head simply stops there until it is turned.
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
  // a hidden window loads on first use.
  Buffers(g);

  EraseScore(g);
  EraseCell(g, s.HeadX, s.HeadY);
  for (int i = 1; i <= s.SnakeLength; ++i) EraseCell(g, SegmentX(s, i), SegmentY(s, i));

  if (!SpawnStep(g)) return;  // the game ended while a random pick pumped events
  ItemStep(g);

  Steer(g);
  const bool moved = Move(g);
  // The head is drawn even when it stands at the border, and the trail only shifts on a move.
  DrawBall(g, s.HeadX, s.HeadY, kCell * (s.Direction - 1), kCell);
  if (moved) ShiftTrail(g);
  for (int i = 1; i <= s.SnakeLength; ++i) DrawBall(g, SegmentX(s, i), SegmentY(s, i), kCell, 0);

  s.GrowFlash = static_cast<Integer>(std::max(0, s.GrowFlash - 1));
  if (s.GrowFlash > 0) {
    DrawBall(g, SegmentX(s, s.SnakeLength), SegmentY(s, s.SnakeLength), 3 * kCell, 0);
  }

  DrawScore(g);

  if (!EatTest(g)) return;
  if (SelfCollides(g)) {
    Refresh(g);
    GameOver(g);
    return;
  }
  Refresh(g);
}

}  // namespace fg
