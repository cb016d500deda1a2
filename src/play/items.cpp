// Items: the spawn every 200 ticks, the star and skull animations, and eating.
#include "core/game.h"
#include "core/rules.h"
#include "play/play.h"
#include "screens/buffer_frm.h"
#include "sound/effects.h"
#include "support/random_pick.h"

namespace fg {

namespace {

// True while the game that was running when `serial` was taken is still being played. [D2]
bool StillPlaying(const Game& g, uint32_t serial) {
  return g.State.InGame != 0 && g.GameSerial == serial;
}

// A coordinate of the 23 x 23 grid from a pick of 0..23. The two end picks are half as likely
// as the others (rounding), and 0 maps to the far edge with 23, so every one of the 23 places
// is equally likely. [K2]
Integer GridPlace(Integer pick) {
  const auto v = static_cast<Integer>(kCell * pick);
  return v < kFieldMin ? kFieldMax : v;
}

}  // namespace

bool SpawnStep(Game& g) {
  GameState& s = g.State;
  const uint32_t serial = g.GameSerial;
  --s.SpawnDelay;
  if (s.SpawnDelay != 0) return true;
  s.SpawnDelay = kSpawnInterval;
  // Kept as the game does it: when every slot on the field is taken the draws land in slot 0,
  // which nothing draws or eats, so a full field simply gets nothing new. [K1]
  int slot = 0;
  for (int k = kFirstItemSlot; k <= kLastItemSlot; ++k) {
    if (s.ItemKind[k] == kFree) {
      slot = k;
      break;
    }
  }
  s.ItemX[slot] = GridPlace(RandomPick(g.Machine, g.Rounds, kGridPlaces));
  if (!StillPlaying(g, serial)) return false;
  s.ItemY[slot] = GridPlace(RandomPick(g.Machine, g.Rounds, kGridPlaces));
  if (!StillPlaying(g, serial)) return false;
  s.ItemFrame[slot] = 0;
  s.ItemKind[slot] = RandomPick(g.Machine, g.Rounds, kHighestItemKind);
  return StillPlaying(g, serial);
}

void ItemStep(Game& g) {
  GameState& s = g.State;
  BufferFrmWindow& b = g.BufferFrm;
  Surface& w = g.MainForm.Image;
  for (int k = kFirstItemSlot; k <= kLastItemSlot; ++k) {
    const Integer kind = s.ItemKind[k];
    if (kind != kStar1 && kind != kStar2 && kind != kSkull) continue;  // kInvisible too [K3]
    const Surface* sheet = &b.sprStar;
    if (kind == kSkull) {
      // A skull shows its dark silhouette for three ticks, then turns in cells 1..7 for good.
      if (++s.ItemFrame[k] == 32) s.ItemFrame[k] = 4;
      sheet = &b.sprSkull;
    } else {
      if (++s.ItemFrame[k] == 16) s.ItemFrame[k] = 0;
    }
    const int c = s.ItemFrame[k] / 4;
    BitBlt(w, s.ItemX[k], s.ItemY[k], kCell, kCell, b.Playground, s.ItemX[k], s.ItemY[k], SRCCOPY);
    DrawSprite(w, s.ItemX[k], s.ItemY[k], kCell, kCell, *sheet, kCell * c, kCell, kCell * c, 0);
  }
}

bool EatTest(Game& g) {
  GameState& s = g.State;
  const uint32_t serial = g.GameSerial;
  // Only the lowest matching slot is eaten; a second item on the same cell waits for the next
  // tick (a skull under an eaten star then still kills). [K4] An invisible item (kind 4) is
  // eaten like a star. [K3]
  for (int k = kFirstItemSlot; k <= kLastItemSlot; ++k) {
    if (s.ItemKind[k] == kFree || s.ItemX[k] != s.HeadX || s.ItemY[k] != s.HeadY) continue;
    if (s.ItemKind[k] == kSkull) {
      Refresh(g);
      GameOver(g);
      return false;
    }
    s.ItemKind[k] = kFree;
    if (s.SnakeLength < kMaxSnakeLength) {
      ++s.SnakeLength;
      ++s.Score;
      s.GrowFlash = kGrowFlashTicks;
    }
    PlayEffect(g, kEffectEat);  // even when the snake can grow no longer [K5]
    return StillPlaying(g, serial);
  }
  return true;
}

}  // namespace fg
