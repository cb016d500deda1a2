// M and S put a plate in a corner for a second in every mode: what the game draws meanwhile,
// and what the window shows around the plate, is what it would have been without the key.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "screens/switch_sign.h"
#include "shell/shell.h"
#include "testkit.h"

namespace fg::test {
namespace {

// Every refresh: when, a checksum of all but the plate's corner, and whether the plate was up.
struct Shot {
  int64_t Time;
  uint64_t Around;
  bool Plate;
};

void Record(TestGame& t, std::vector<Shot>& shots) {
  t.Host.OnRefresh = [&t, &shots](const Surface& shown) {
    Shot s{t.Host.Clock(), 14695981039346656037u, false};
    for (int y = 0; y < kImageSize; ++y) {
      for (int x = 0; x < kImageSize; ++x) {
        if (x >= kSwitchSignX && x < kSwitchSignX + kSwitchSignWidth && y >= kSwitchSignY &&
            y < kSwitchSignY + kSwitchSignHeight) {
          s.Plate |= shown.At(x, y) != t.Image().At(x, y);
        } else {
          s.Around = (s.Around ^ shown.At(x, y)) * 1099511628211u;
        }
      }
    }
    shots.push_back(s);
  };
}

// In play, with a star spinning under the plate and a spawn at the third tick.
void Play(TestGame& t) {
  t.StartQuiet();
  PlaceItem(t.S(), 1, 32, 352, kStar1);
  t.S().SpawnDelay = 3;
}

TEST(SwitchSign, ShowsForASecondAndLeavesWhatLiesUnderAndAroundItAsItWouldHaveBeen) {
  // Each scene readies a game; the key comes at the first pump where its moment holds. In play,
  // that is inside a tick's spawn, where the snake is erased and not yet drawn again.
  struct Scene {
    const char* Name;
    void (*Ready)(TestGame&);
    bool (*Moment)(const Game&);
  } scenes[] = {
      {"title", [](TestGame& t) { t.Load(); }, [](const Game&) { return true; }},
      {"reveal", [](TestGame& t) { t.StartOnSkull(); }, [](const Game& g) { return g.Revealing; }},
      {"play", Play, [](const Game& g) { return g.MainForm.tmrMain.Running; }},
      {"paused", [](TestGame& t) { Play(t), Form_KeyDown(*t.G, kKeyP, 0); },
       [](const Game&) { return true; }}};
  for (const Scene& scene : scenes) {
    for (const int16_t key : {kMKey, kSKey}) {
      SCOPED_TRACE(std::string(scene.Name) + ' ' + static_cast<char>(key));
      TestGame k, plain;
      std::vector<Shot> shots, plainShots;
      Record(k, shots);
      Record(plain, plainShots);
      scene.Ready(k);
      scene.Ready(plain);
      int64_t at = -1;
      k.Host.OnPump = [&] {
        if (at < 0 && scene.Moment(*k.G)) k.Host.KeyPress(at = k.Host.Clock(), key);
      };
      while (at < 0 && k.Host.Clock() < 10000) k.RunUntil(k.Host.Clock() + 10);
      ASSERT_GT(at, 0);
      k.RunUntil(at + 1500);
      plain.RunUntil(at + 1500);
      // Up at once and for a second (a refresh at either moment may come before the key, or
      // before the plate's going), then gone from the window, and never in the picture.
      const auto last =
          std::find_if(shots.rbegin(), shots.rend(), [at](const Shot& s) { return s.Time <= at; });
      EXPECT_TRUE(last != shots.rend() && last->Plate);
      for (const Shot& s : shots) {
        if (s.Time != at && s.Time != at + kSwitchSignMs) {
          EXPECT_EQ(s.Plate, s.Time > at && s.Time < at + kSwitchSignMs) << s.Time;
        }
        // Around the plate, what the plain game showed then, or just before.
        auto p = std::lower_bound(plainShots.begin(), plainShots.end(), s.Time,
                                  [](const Shot& a, int64_t time) { return a.Time < time; });
        if (p != plainShots.begin()) --p;
        bool seen = false;
        for (; p != plainShots.end() && p->Time <= s.Time; ++p) seen |= p->Around == s.Around;
        EXPECT_TRUE(seen) << s.Time;
      }
      EXPECT_EQ(k.Host.Screen.Pixels, k.Image().Pixels);
      EXPECT_EQ(k.Image().Pixels, plain.Image().Pixels);
    }
  }
}

}  // namespace
}  // namespace fg::test
