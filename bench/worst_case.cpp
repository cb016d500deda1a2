// The worst-case tick's layout: serpentine lanes, a full-length snake, a full item table.
#include "worst_case.h"

#include <stdexcept>
#include <utility>

#include "core/game.h"
#include "play/play.h"
#include "screens/buffer_frm.h"

namespace fg::bench {

namespace {

constexpr int kRows = 10;
constexpr int kLaneGap = 32;
constexpr int kMin = 16;    // the border stop on the left and at the top
constexpr int kMax = 368;   // ... on the right and at the bottom
constexpr int kTurnX = 48;  // where odd rows turn, clear of the return column

std::vector<std::pair<int, int>> Waypoints() {
  std::vector<std::pair<int, int>> w{{kMin, kMin}};
  for (int r = 0; r < kRows; ++r) {
    const int y = kMin + kLaneGap * r;
    if (r > 0) w.emplace_back(w.back().first, y);  // down to this row
    w.emplace_back(r % 2 == 0 ? kMax : kTurnX, y);
  }
  w.emplace_back(kMin, w.back().second);  // onto the return column
  return w;                               // ... which closes back up to (16, 16)
}

}  // namespace

bool Lanes::Contains(int x, int y) const {
  for (size_t i = 0; i < X.size(); ++i) {
    if (X[i] == x && Y[i] == y) return true;
  }
  return false;
}

const Lanes& SerpentineLanes() {
  static const Lanes lanes = [] {
    Lanes l;
    const auto w = Waypoints();
    for (size_t i = 0; i < w.size(); ++i) {
      auto [x, y] = w[i];
      const auto [tx, ty] = w[(i + 1) % w.size()];
      const int16_t heading = tx > x ? kRight : tx < x ? kLeft : ty > y ? kDown : kUp;
      while (x != tx || y != ty) {
        l.X.push_back(static_cast<int16_t>(x));
        l.Y.push_back(static_cast<int16_t>(y));
        l.Heading.push_back(heading);
        x += tx > x ? 2 : tx < x ? -2 : 0;
        y += ty > y ? 2 : ty < y ? -2 : 0;
      }
    }
    return l;
  }();
  return lanes;
}

WorstCase::WorstCase(Game& g, int16_t spawnIn) : g_(g), lanes_(SerpentineLanes()) {
  GameState& s = g.State;
  Buffers(g);
  const size_t n = lanes_.Size();
  if (n < static_cast<size_t>(kTrailSize)) throw std::logic_error("lanes shorter than the trail");

  EnterMode(g, Mode::kPlay);
  s.Speed = 2;
  s.SnakeLength = 100;
  s.GrowFlash = 0;
  s.Score = 95;
  s.SpawnDelay = spawnIn;
  at_ = 0;
  s.HeadX = lanes_.X[0];
  s.HeadY = lanes_.Y[0];
  s.Direction = lanes_.Heading[0];
  // As the game start lays it: entry i is where the head was i steps ago.
  for (int i = 1; i < kTrailSize; ++i) {
    const size_t back = (n - static_cast<size_t>(i) % n) % n;
    s.TrailX[i] = lanes_.X[back];
    s.TrailY[i] = lanes_.Y[back];
  }

  // Items on grid cells the head never passes, from the bottom row up.
  int slot = 1;
  for (int y = kMax; y >= kMin && slot < kItemSlots; y -= 16) {
    for (int x = kMin; x <= kMax && slot < kItemSlots; x += 16) {
      if (lanes_.Contains(x, y)) continue;
      s.ItemX[slot] = static_cast<Integer>(x);
      s.ItemY[slot] = static_cast<Integer>(y);
      s.ItemKind[slot] = static_cast<Integer>(kStar1 + slot % 3);  // stars and skulls alike
      s.ItemFrame[slot] = static_cast<Integer>(slot % 16);
      ++slot;
    }
  }
  if (slot != kItemSlots) throw std::logic_error("no room for 99 items");

  // Start from the playground, as a game does after its wipe.
  BitBlt(g.MainForm.Image, 0, 0, kImageSize, kImageSize, g.BufferFrm.Playground, 0, 0, SRCCOPY);
  g.MainForm.tmrScrollText.Enabled = false;
}

void WorstCase::Steer() {
  g_.State.Direction = lanes_.Heading[at_];
}

bool WorstCase::OnTrack() const {
  const GameState& s = g_.State;
  return s.InGame != 0 && s.HeadX == lanes_.X[at_] && s.HeadY == lanes_.Y[at_];
}

void WorstCase::Tick() {
  Steer();
  tmrMain_Timer(g_);
  Advance();
}

}  // namespace fg::bench
