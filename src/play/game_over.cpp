// The end of a game: the self-collision test, and the explosion sequence that follows a hit.
#include "core/game.h"
#include "play/play.h"
#include "screens/buffer_frm.h"
#include "screens/title.h"
#include "sound/effects.h"
#include "support/wait.h"

namespace fg {

namespace {

// True when some probe head + p (p = 0..15) lies strictly inside (t, t + 16): in effect
// -14 <= head - t <= 15.
bool Overlaps(int head, int t) {
  bool hit = false;
  for (int p = 0; p <= 15; ++p) {
    if (t < head + p && head + p < t + 16) hit = true;
  }
  return hit;
}

void Explode(Game& g, int x, int y) {
  Surface& w = g.MainForm.Image;
  const BufferFrmWindow& b = g.BufferFrm;
  for (int f = 0; f <= 48; f += 16) {
    BitBlt(w, x, y, 16, 16, b.Playground, x, y, SRCCOPY);
    DrawSprite(w, x, y, 16, 16, b.sprGobbix, f, 48, f, 32);
    Refresh(g);
    Wait(g.Machine, 25);
  }
  BitBlt(w, x, y, 16, 16, b.Playground, x, y, SRCCOPY);
}

}  // namespace

bool SelfCollides(const Game& g) {
  const GameState& s = g.State;
  // Segments 1 and 2 lie right behind the head and are never tested.
  for (int w = 3; w <= s.SnakeLength; ++w) {
    if (Overlaps(s.HeadX, s.TrailX[8 * w]) && Overlaps(s.HeadY, s.TrailY[8 * w])) return true;
  }
  return false;
}

void GameOver(Game& g) {
  GameState& s = g.State;
  Buffers(g);
  s.InGame = kFalse;
  s.Busy = kTrue;
  ++g.GameSerial;
  SetTimer(g, g.MainForm.tmrMain, false);
  PlayEffect(g, 102);
  Explode(g, s.HeadX, s.HeadY);
  const int length = s.SnakeLength;
  for (int i = 1; i <= length; ++i) Explode(g, s.TrailX[8 * i], s.TrailY[8 * i]);
  Refresh(g);
  Wait(g.Machine, 2500);
  s.Busy = kFalse;
  ShowTitle(g);
}

}  // namespace fg
