// The rules of the tick on the game's course: spawn, items, steering, movement, growth, eating
// and the collision test. Drawing, pumps and sounds are the view's.
#include "play/course.h"

#include <algorithm>

#include "core/rules.h"

namespace fg {

namespace {

// A coordinate of the 23 x 23 grid from a pick of 0..23. The two end picks are half as likely
// as the others (rounding), and 0 maps to the far edge with 23, so every one of the 23 places
// is equally likely. [K2]
Integer GridPlace(Integer pick) {
  const auto v = static_cast<Integer>(kCell * pick);
  return v < kFieldMin ? kFieldMax : v;
}

// True when some probe head + p (p = 0..15) lies strictly inside (t, t + 16): in effect
// -14 <= head - t <= 15. [K9]
bool Overlaps(int head, int t) {
  bool hit = false;
  for (int p = 0; p <= 15; ++p) {
    if (t < head + p && head + p < t + 16) hit = true;
  }
  return hit;
}

enum class Meal { kNone, kSkull, kEaten };

Meal Eat(GameCourse& c) {
  // Only the lowest matching slot is eaten; a second item on the same cell waits for the next
  // tick (a skull under an eaten star then still kills). [K4] An invisible item (kind 4) is
  // eaten like a star. [K3]
  for (int k = kFirstItemSlot; k <= kLastItemSlot; ++k) {
    if (c.ItemKind[k] == kFree || c.ItemX[k] != c.HeadX || c.ItemY[k] != c.HeadY) continue;
    if (c.ItemKind[k] == kSkull) return Meal::kSkull;
    c.ItemKind[k] = kFree;
    if (c.SnakeLength < kMaxSnakeLength) {
      ++c.SnakeLength;
      ++c.Score;
      c.GrowFlash = kGrowFlashTicks;
    }
    return Meal::kEaten;  // the click sounds even when the snake can grow no longer [K5]
  }
  return Meal::kNone;
}

}  // namespace

bool SpawnStep(GameCourse& c, TickView& view) {
  --c.SpawnDelay;
  if (c.SpawnDelay != 0) return true;
  c.SpawnDelay = kSpawnInterval;
  // Kept as the game does it: when every slot on the field is taken the draws land in slot 0,
  // which nothing draws or eats, so a full field simply gets nothing new. [K1]
  int slot = 0;
  for (int k = kFirstItemSlot; k <= kLastItemSlot; ++k) {
    if (c.ItemKind[k] == kFree) {
      slot = k;
      break;
    }
  }
  c.ItemX[slot] = GridPlace(view.Pick(c.Random, kGridPlaces));
  if (!view.Playing()) return false;
  c.ItemY[slot] = GridPlace(view.Pick(c.Random, kGridPlaces));
  if (!view.Playing()) return false;
  c.ItemFrame[slot] = 0;
  c.ItemKind[slot] = view.Pick(c.Random, kHighestItemKind);
  return view.Playing();
}

void AdvanceItems(GameCourse& c) {
  for (int k = kFirstItemSlot; k <= kLastItemSlot; ++k) {
    const Integer kind = c.ItemKind[k];
    if (kind == kSkull) {
      // A skull shows its dark silhouette for three ticks, then turns in cells 1..7 for good.
      if (++c.ItemFrame[k] == 32) c.ItemFrame[k] = 4;
    } else if (kind == kStar1 || kind == kStar2) {
      if (++c.ItemFrame[k] == 16) c.ItemFrame[k] = 0;
    }  // the invisible item never turns [K3]
  }
}

Integer Steered(const GameCourse& c, uint8_t steer) {
  const bool onRow = c.HeadY % kCell == 0;
  const bool onColumn = c.HeadX % kCell == 0;
  Integer d = c.Direction;
  // Fixed order; each test sees the direction the earlier ones left, so the last passing test
  // decides. Tests 3 and 4 can therefore fold the snake back vertically in one tick. [K7]
  if ((steer & kSteerLeft) != 0 && onRow && d != kRight) d = kLeft;
  if ((steer & kSteerRight) != 0 && onRow && d != kLeft) d = kRight;
  if ((steer & kSteerUp) != 0 && onColumn && d != kDown) d = kUp;
  if ((steer & kSteerDown) != 0 && onColumn && d != kUp) d = kDown;
  return d;
}

bool Move(GameCourse& c) {
  // The border is not deadly: the head simply stops there until it is turned. [K8]
  switch (c.Direction) {
    case kDown:
      if (c.HeadY < kFieldMax) {
        c.HeadY = static_cast<Integer>(c.HeadY + c.Speed);
        return true;
      }
      break;
    case kLeft:
      if (c.HeadX > kFieldMin) {
        c.HeadX = static_cast<Integer>(c.HeadX - c.Speed);
        return true;
      }
      break;
    case kRight:
      if (c.HeadX < kFieldMax) {
        c.HeadX = static_cast<Integer>(c.HeadX + c.Speed);
        return true;
      }
      break;
    case kUp:
      if (c.HeadY > kFieldMin) {
        c.HeadY = static_cast<Integer>(c.HeadY - c.Speed);
        return true;
      }
      break;
    default:
      break;
  }
  return false;
}

void ShiftTrail(GameCourse& c) {
  // Entries 1..998 move up by one; the oldest (999) is dropped and index 0 is left alone.
  std::copy_backward(c.TrailX.Data.begin() + 1, c.TrailX.Data.begin() + kTrailSize - 1,
                     c.TrailX.Data.begin() + kTrailSize);
  std::copy_backward(c.TrailY.Data.begin() + 1, c.TrailY.Data.begin() + kTrailSize - 1,
                     c.TrailY.Data.begin() + kTrailSize);
  c.TrailX[1] = c.HeadX;
  c.TrailY[1] = c.HeadY;
}

bool SelfCollides(const GameCourse& c) {
  // Segments 1 and 2 lie right behind the head and are never tested. [K9]
  for (int w = 3; w <= c.SnakeLength; ++w) {
    if (Overlaps(c.HeadX, SegmentX(c, w)) && Overlaps(c.HeadY, SegmentY(c, w))) return true;
  }
  return false;
}

void RecordSteering(Replay& r, const GameCourse& c, uint8_t steer) {
  if (!r.Runs.empty()) {
    const uint8_t last = r.Runs.back().Steer;
    if (last != steer && Steered(c, last) == Steered(c, steer)) steer = last;
  }
  r.Add(steer);
}

TickEnd RunTick(GameCourse& c, TickView& view) {
  ++c.Ticks;
  view.Erase(c);
  if (!SpawnStep(c, view)) return TickEnd::kGone;  // the game ended inside a pick [D2]
  AdvanceItems(c);
  view.DrawItems(c);
  c.Direction = Steered(c, view.Steering(c));
  // The trail shifts only on a move; the head is drawn even when it stands at the border. [K8]
  if (Move(c)) ShiftTrail(c);
  c.GrowFlash = static_cast<Integer>(std::max(0, c.GrowFlash - 1));
  view.DrawSnake(c);
  switch (Eat(c)) {
    case Meal::kSkull:
      return TickEnd::kOver;
    case Meal::kEaten:
      if (!view.Ate()) return TickEnd::kGone;  // the game ended inside the eat click [D2]
      break;
    case Meal::kNone:
      break;
  }
  return SelfCollides(c) ? TickEnd::kOver : TickEnd::kOn;
}

}  // namespace fg
