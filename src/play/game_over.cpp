// The end of a game: the self-collision test, and the explosion sequence that follows a hit.
#include "core/game.h"
#include "core/player_record.h"
#include "core/rules.h"
#include "play/play.h"
#include "screens/buffer_frm.h"
#include "screens/game_over_sign.h"
#include "screens/title.h"
#include "sound/effects.h"
#include "support/wait.h"

namespace fg {

namespace {

// True when some probe head + p (p = 0..15) lies strictly inside (t, t + 16): in effect
// -14 <= head - t <= 15. [K9]
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
  for (int f = 0; f <= 3 * kCell; f += kCell) {
    BitBlt(w, x, y, kCell, kCell, b.Playground, x, y, SRCCOPY);
    DrawSprite(w, x, y, kCell, kCell, b.sprGobbix, f, 3 * kCell, f, 2 * kCell);
    Refresh(g);
    Wait(g.Machine, kExplosionFrameMs);
  }
  BitBlt(w, x, y, kCell, kCell, b.Playground, x, y, SRCCOPY);
}

}  // namespace

bool SelfCollides(const Game& g) {
  const GameState& s = g.State;
  // Segments 1 and 2 lie right behind the head and are never tested. [K9]
  for (int w = 3; w <= s.SnakeLength; ++w) {
    if (Overlaps(s.HeadX, SegmentX(s, w)) && Overlaps(s.HeadY, SegmentY(s, w))) return true;
  }
  return false;
}

void GameOver(Game& g) {
  GameState& s = g.State;
  Buffers(g);  // for its effect: the off-screen pictures load on first use [K14]
  s.InGame = kFalse;
  s.Busy = kTrue;
  ++g.GameSerial;
  SetTimer(g, g.MainForm.tmrMain, false);
  PlayEffect(g, kEffectDeath);
  Explode(g, s.HeadX, s.HeadY);
  // Kept as the game does it: the length includes a segment this tick's meal added, which was
  // never drawn, so one more cell explodes than was seen. [K10]
  const int length = s.SnakeLength;
  for (int i = 1; i <= length; ++i) Explode(g, SegmentX(s, i), SegmentY(s, i));
  // The game goes into the record and the sign tells how it did, until the title's reveal
  // wipes it away. [D19]
  const int64_t played = g.PlayTicks * g.MainForm.tmrMain.Interval;
  // A game that scored nothing is no best and is not kept: ten of them would fill a learner's
  // table. [D31]
  const int place =
      s.Score > 0 ? KeepGame(g, FinishedGame{s.Score, length, g.Machine.WallClock(), played, {}, {}}) : 0;
  DrawGameOverSign(g, s.Score, place);
  Wait(g.Machine, kGameOverPauseMs);
  s.Busy = kFalse;
  ShowTitle(g);
}

}  // namespace fg
