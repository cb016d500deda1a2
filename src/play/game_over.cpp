// The end of a game: the self-collision test, and the explosion sequence that follows a hit.
#include <string>
#include <utility>

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

// The code of the game whose sign is up, offered for sharing until the sign goes, however it
// goes (a close request unwinds through here).
class SignShare {
 public:
  SignShare(Game& g, std::string code) : g_(g) {
    g_.SharedCode = std::move(code);
    if (!g_.SharedCode.empty()) g_.Machine.OfferShare(g_.SharedCode);
  }
  ~SignShare() {
    if (g_.SharedCode.empty()) return;
    g_.SharedCode.clear();
    g_.Machine.OfferShare({});
  }
  SignShare(const SignShare&) = delete;
  SignShare& operator=(const SignShare&) = delete;

 private:
  Game& g_;
};

}  // namespace

void GameOver(Game& g) {
  GameState& s = g.State;
  Buffers(g);  // for its effect: the off-screen pictures load on first use [K14]
  EnterMode(g, Mode::kGameOver);
  SetTimer(g, g.MainForm.tmrMain, false);
  PlayEffect(g, kEffectDeath);
  Explode(g, s.HeadX, s.HeadY);
  // Kept as the game does it: the length includes a segment this tick's meal added, which was
  // never drawn, so one more cell explodes than was seen. [K10]
  const int length = s.SnakeLength;
  for (int i = 1; i <= length; ++i) Explode(g, SegmentX(s, i), SegmentY(s, i));
  if (g.Playback) {
    // A game played back shows its sign without a place, and ends with its pause; it never
    // enters the table. [D36]
    DrawGameOverSign(g, s.Score, 0);
    Wait(g.Machine, kGameOverPauseMs);
    EnterMode(g, Mode::kTitle);
    throw PlaybackEnd{};
  }
  // The game goes into the record and the sign tells how it did, until the title's reveal
  // wipes it away. [D19]
  const int64_t played = s.Ticks * g.MainForm.tmrMain.Interval;
  g.Recording.Score = s.Score;
  g.Recording.Length = length;
  // A game that scored nothing is no best and is not kept: ten of them would fill a learner's
  // table. [D31]
  const FinishedGame finished{
      s.Score, length, g.Machine.WallClock(), played, EncodeReplay(g.Recording), {}};
  const int place = s.Score > 0 ? KeepGame(g, finished) : 0;
  DrawGameOverSign(g, s.Score, place);
  {
    // While the sign of a kept game is up it may be shared. [D44]
    const SignShare share(g, place > 0 ? finished.Replay : std::string());
    Wait(g.Machine, kGameOverPauseMs);
  }
  EnterMode(g, Mode::kTitle);
  ShowTitle(g);
}

}  // namespace fg
