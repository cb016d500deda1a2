// The game tick as the player sees it: the rules' steps (play/course.cpp) with the erasing and
// drawing between them, the event pumps of the random picks and the eat click, and the
// steering read from the keys, or from the tape of a game played back.
#include "core/game.h"
#include "core/rules.h"
#include "platform/keys.h"
#include "play/course.h"
#include "play/play.h"
#include "screens/buffer_frm.h"
#include "screens/score.h"
#include "sound/effects.h"
#include "support/random_pick.h"

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

// The arrows a key stands for in SteerBits.
uint8_t SteerBitOf(int16_t keyCode) {
  switch (keyCode) {
    case kKeyLeft:
      return kSteerLeft;
    case kKeyRight:
      return kSteerRight;
    case kKeyUp:
      return kSteerUp;
    case kKeyDown:
      return kSteerDown;
    default:
      return 0;
  }
}

// A quick tap steers: the last arrow pressed in this game counts as held until the first tick
// at which the head is aligned for its turn, whether or not it turned the snake. A key still
// held steers exactly as before. [D16]
uint8_t SteerInput(Game& g, const GameCourse& c) {
  const GameState& s = g.State;
  const int16_t tap = g.Tap.Serial == g.GameSerial ? g.Tap.Key : 0;
  const auto steer = static_cast<uint8_t>(
      (s.HoldLeft != 0 ? kSteerLeft : 0) | (s.HoldRight != 0 ? kSteerRight : 0) |
      (s.HoldUp != 0 ? kSteerUp : 0) | (s.HoldDown != 0 ? kSteerDown : 0) | SteerBitOf(tap));
  const bool horizontal = tap == kKeyLeft || tap == kKeyRight;
  if (tap == 0 || (horizontal ? c.HeadY % kCell == 0 : c.HeadX % kCell == 0)) g.Tap.Key = 0;
  return steer;
}

}  // namespace

void DrawnTick::Erase(const GameCourse& c) {
  EraseScore(g_);
  EraseCell(g_, c.HeadX, c.HeadY);
  for (int i = 1; i <= c.SnakeLength; ++i) EraseCell(g_, SegmentX(c, i), SegmentY(c, i));
}

void DrawnTick::DrawItems(const GameCourse& c) {
  const BufferFrmWindow& b = g_.BufferFrm;
  Surface& w = g_.MainForm.Image;
  for (int k = kFirstItemSlot; k <= kLastItemSlot; ++k) {
    const Integer kind = c.ItemKind[k];
    if (kind != kStar1 && kind != kStar2 && kind != kSkull) continue;  // kInvisible too [K3]
    const Surface& sheet = kind == kSkull ? b.sprSkull : b.sprStar;
    const int cell = c.ItemFrame[k] / 4;
    BitBlt(w, c.ItemX[k], c.ItemY[k], kCell, kCell, b.Playground, c.ItemX[k], c.ItemY[k], SRCCOPY);
    DrawSprite(w, c.ItemX[k], c.ItemY[k], kCell, kCell, sheet, kCell * cell, kCell, kCell * cell,
               0);
  }
}

void DrawnTick::DrawSnake(const GameCourse& c) {
  // The head is drawn even when it stands at the border. [K8]
  DrawBall(g_, c.HeadX, c.HeadY, kCell * (c.Direction - 1), kCell);
  for (int i = 1; i <= c.SnakeLength; ++i) DrawBall(g_, SegmentX(c, i), SegmentY(c, i), kCell, 0);
  if (c.GrowFlash > 0) {
    DrawBall(g_, SegmentX(c, c.SnakeLength), SegmentY(c, c.SnakeLength), 3 * kCell, 0);
  }
  DrawScore(g_);
}

uint8_t DrawnTick::Steering(const GameCourse& /*c*/) {
  return g_.Playback ? g_.Playback->Tape.Next() : 0;
}

namespace {

// The tick in play: the rules drawn, with the pumps and the sound where the game has them.
class LiveTick : public DrawnTick {
 public:
  explicit LiveTick(Game& g) : DrawnTick(g), serial_(g.GameSerial) {}
  Integer Pick(RandomSource& source, Integer n) override {
    return RandomPick(Owner().Machine, Owner().Rounds, source, n);
  }
  // True while the game that was running when the tick began is still being played. [D2]
  bool Playing() override { return Owner().State.InGame != 0 && Owner().GameSerial == serial_; }
  uint8_t Steering(const GameCourse& c) override {
    if (Owner().Playback) return DrawnTick::Steering(c);
    const uint8_t steer = SteerInput(Owner(), c);
    RecordSteering(Owner().Recording, c, steer);
    return steer;
  }
  bool Ate() override {
    PlayEffect(Owner(), kEffectEat);  // even when the snake can grow no longer [K5]
    return Playing();
  }

 private:
  uint32_t serial_;
};

}  // namespace

void ArrowPressed(Game& g, int16_t keyCode) {
  g.Tap = {keyCode, g.GameSerial};  // a quick tap steers too [D16]
}

void Steer(Game& g) {
  g.State.Direction = Steered(g.State, SteerInput(g, g.State));
}

bool Move(Game& g) {
  return Move(static_cast<GameCourse&>(g.State));
}

void ShiftTrail(Game& g) {
  ShiftTrail(static_cast<GameCourse&>(g.State));
}

void ItemStep(Game& g) {
  AdvanceItems(g.State);
  DrawnTick(g).DrawItems(g.State);
}

bool SelfCollides(const Game& g) {
  return SelfCollides(static_cast<const GameCourse&>(g.State));
}

void tmrMain_Timer(Game& g) {
  // Called for its effect: the off-screen pictures are loaded before the first one is read, as
  // a hidden window loads on first use. [K14]
  Buffers(g);
  LiveTick view(g);
  switch (RunTick(g.State, view)) {
    case TickEnd::kGone:
      return;  // the game ended while a random pick or the eat click pumped events [D2]
    case TickEnd::kOver:
      Refresh(g);
      GameOver(g);
      return;
    case TickEnd::kOn:
      Refresh(g);
      return;
  }
}

}  // namespace fg
