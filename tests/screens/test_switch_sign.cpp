// M and S put a plate in a corner for a second in every mode; what the game draws meanwhile
// is what it would have been without the key.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "screens/switch_sign.h"
#include "shell/shell.h"
#include "testkit.h"

namespace fg::test {
namespace {

// Every refresh: when, whether the plate was over the image, and a checksum of the image.
struct Shot {
  int64_t Time;
  bool Plate;
  uint64_t Image = 14695981039346656037u;
};

void Record(TestGame& t, std::vector<Shot>& shots) {
  t.Host.OnRefresh = [&t, &shots](const Surface& shown) {
    Shot& s = shots.emplace_back(Shot{t.Host.Clock(), shown.Pixels != t.Image().Pixels});
    for (const uint32_t p : t.Image().Pixels) s.Image = (s.Image ^ p) * 1099511628211u;
  };
}

TEST(SwitchSign, ShowsForASecondAndLeavesWhatLiesUnderItAsItWouldHaveBeen) {
  // Scenes 0 to 3: the title, the reveal after a game, play, paused. Each readies a game; the key
  // comes at the first pump where its moment holds. In play that is inside a tick's spawn, the
  // snake erased, with a star spinning under the plate.
  struct Scene {
    void (*Ready)(TestGame&);
    bool (*Moment)(const Game&);
  } scenes[] = {
      {[](TestGame& t) { t.Load(); }, [](const Game&) { return true; }},
      {[](TestGame& t) { t.StartOnSkull(); }, [](const Game& g) { return g.Revealing(); }},
      {[](TestGame& t) {
         t.StartQuiet(), t.S().SpawnDelay = 3, PlaceItem(t.S(), 1, 32, 352, kStar1);
       },
       [](const Game& g) { return g.MainForm.tmrMain.Running; }},
      {[](TestGame& t) { t.StartQuiet(), Form_KeyDown(*t.G, kKeyP, 0); },
       [](const Game&) { return true; }}};
  for (const Scene& scene : scenes) {
    for (const int16_t key : {kMKey, kSKey}) {
      SCOPED_TRACE(std::to_string(&scene - scenes) + static_cast<char>(key));
      TestGame games[2];  // the one the key comes to, and a plain one
      std::vector<Shot> shots[2];
      for (int i : {0, 1}) Record(games[i], shots[i]), scene.Ready(games[i]);
      int64_t at = -1;
      size_t first = 0;  // the first refresh after the key
      games[0].Host.OnPump = [&] {
        if (at >= 0 || !scene.Moment(*games[0].G)) return;
        games[0].Host.KeyPress(at = games[0].Host.Clock(), key);
        first = shots[0].size();
      };
      while (at < 0 && games[0].Host.Clock() < 10000) games[0].RunUntil(games[0].Host.Clock() + 10);
      for (TestGame& t : games) t.RunUntil(at + 1500);
      // Up at once and for a second (at its end a tick may refresh before the plate goes), then
      // gone from the window, never in the picture, and never over a half-drawn frame.
      ASSERT_LT(first, shots[0].size());
      EXPECT_EQ(shots[0][first].Time, at);
      std::set<uint64_t> plain;
      for (const Shot& p : shots[1]) plain.insert(p.Image);
      for (size_t i = 0; i < shots[0].size(); ++i) {
        const Shot& s = shots[0][i];
        if (s.Time != at + kSwitchSignMs) {
          EXPECT_EQ(s.Plate, i >= first && s.Time < at + kSwitchSignMs) << i;
        }
        EXPECT_TRUE(plain.contains(s.Image)) << s.Time;
      }
      EXPECT_EQ(games[0].Host.Screen.Pixels, games[0].Image().Pixels);
      EXPECT_EQ(games[0].Image().Pixels, games[1].Image().Pixels);
    }
  }
}

}  // namespace
}  // namespace fg::test
