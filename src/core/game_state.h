// The one record of variables the whole game shares, in its declared order and types.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/random_pick.h"

namespace fg {

using Integer = int16_t;  // every game quantity
using Flag = int16_t;     // 0 false, -1 true; any nonzero value tests true
using Long = int32_t;     // music handles

constexpr Flag kTrue = -1;
constexpr Flag kFalse = 0;
constexpr Flag ToFlag(bool b) {
  return b ? kTrue : kFalse;
}

// Headings of the snake.
enum Heading : Integer { kDown = 1, kLeft = 2, kRight = 3, kUp = 4 };

// What an item slot holds.
enum ItemKindCode : Integer { kFree = 0, kStar1 = 1, kStar2 = 2, kSkull = 3, kInvisible = 4 };

// A fixed-size zero-based array whose every access is checked: an index out of bounds is a
// fault of the game, never a silent write into a neighbouring variable.
template <typename T, size_t N>
struct CheckedArray {
  std::array<T, N> Data{};
  T& operator[](int i) {
    if (i < 0 || static_cast<size_t>(i) >= N) throw std::out_of_range("game array index");
    return Data[static_cast<size_t>(i)];
  }
  const T& operator[](int i) const {
    if (i < 0 || static_cast<size_t>(i) >= N) throw std::out_of_range("game array index");
    return Data[static_cast<size_t>(i)];
  }
  static constexpr int Size() { return static_cast<int>(N); }
  bool operator==(const CheckedArray&) const = default;
};

constexpr int kTrailSize = 1000;
constexpr int kItemSlots = 100;

// What decides a game's course, and nothing else: the snake, its trail, the items on the field,
// the random source, the score and the ticks played. A copy of it, advanced tick by tick with
// the same steering, goes exactly the same way: that is how a finished game is replayed.
struct GameCourse {
  Integer HeadX = 0;
  Integer HeadY = 0;
  Integer Speed = 0;
  Integer Direction = 0;
  CheckedArray<Integer, kTrailSize> TrailX;
  CheckedArray<Integer, kTrailSize> TrailY;
  Integer GrowFlash = 0;
  Integer SnakeLength = 0;
  Integer SpawnDelay = 0;
  CheckedArray<Integer, kItemSlots> ItemX;
  CheckedArray<Integer, kItemSlots> ItemY;
  CheckedArray<Integer, kItemSlots> ItemFrame;
  CheckedArray<Integer, kItemSlots> ItemKind;
  Integer Score = 0;
  RandomSource Random;  // where the items' places and kinds come from
  int64_t Ticks = 0;    // ticks of this game so far: its duration, pauses left out

  bool operator==(const GameCourse&) const = default;
};

// The rules' shared variables: the course of the game in play, then the rest.
struct GameState : GameCourse {
  Flag HoldRight = 0;
  Flag HoldLeft = 0;
  Flag HoldUp = 0;
  Flag HoldDown = 0;
  Flag InGame = 0;
  Flag Busy = 0;
  Flag SoundOn = 0;
  Flag MusicOn = 0;
  Flag LinkHover = 0;
  Flag LinkDirty = 0;
  Integer ScrollPos = 0;
  Integer ScrollShift = 0;
  std::string MusicPath;
  Long MusicModule = 0;
  Long MusicPlayback = 0;
  std::vector<uint8_t> EffectData;

  bool operator==(const GameState&) const = default;
};

}  // namespace fg
