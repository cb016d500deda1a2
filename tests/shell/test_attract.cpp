// The attract loop on a title left alone, and the hall of fame's playback: when they come, what
// leaves them, and that the live game never feels them.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "core/rules.h"
#include "platform/keys.h"
#include "play/play.h"
#include "shell/shell.h"
#include "testkit.h"

namespace fg::test {
namespace {

using Phase = FameState::Attract;

// Every change of the attract loop's phase, with the clock it was seen at.
struct PhaseLog {
  std::vector<std::pair<Phase, int64_t>> Seen;
  explicit PhaseLog(TestGame& t) {
    t.Host.OnPump = [this, &t] {
      const Phase p = t.G->Fame.Phase;
      if (Seen.empty() || Seen.back().first != p) Seen.emplace_back(p, t.Host.Clock());
    };
  }
  int64_t When(Phase p, size_t nth = 0) const {
    for (const auto& [phase, at] : Seen) {
      if (phase == p && nth-- == 0) return at;
    }
    return -1;
  }
};

TEST(Attract, ComesOnTimeAndLeavesAtOnce) {
  ASSERT_GT(PlayableGame(1).Score, -1);
  const int64_t kTable = kAttractIdleMs;  // after the title settles
  const int64_t kReplay = kTable + kAttractTableMs;
  struct Input {
    int64_t At;          // after the title settled
    int16_t Key;         // 0: a click
    int64_t Held = 100;  // until its release; 0: a repeat, no release of its own
  };
  struct Case {
    const char* Name;
    bool Kept;
    std::vector<Input> Inputs;
    int64_t WantTable, WantReplay, WantOff;  // -1: never
  } cases[] = {
      {"no kept game: the title stays", false, {}, -1, -1, -1},
      {"left alone: table, replay, title", true, {}, kTable, kReplay, 0},
      {"a key on the title puts it off",
       true,
       {{20000, kKeyM}},
       20100 + kTable,
       20100 + kReplay,
       -1},
      {"Space held on the table, repeating through the reveal",
       true,
       {{kTable + 2000, kKeySpace, 1000}, {kTable + 2300, kKeySpace, 0}},
       kTable,
       -1,
       kTable + 2000},

      {"a click on the table", true, {{kTable + 2000, 0}}, kTable, -1, kTable + 2000},
      {"a pad's Start in the replay",
       true,
       {{kReplay + 500, kKeyPadStart}, {kReplay + 500, kKeySpace}},
       kTable,
       kReplay,
       kReplay + 500},
      {"a click in the replay", true, {{kReplay + 500, 0}}, kTable, kReplay, kReplay + 500},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TestGame t;
    if (c.Kept) t.Memory.Stored.Best = {PlayableGame(1)};
    t.Load();
    const int64_t settled = t.G->Fame.IdleSince;
    PhaseLog log(t);
    for (const Input& in : c.Inputs) {
      if (in.Key == 0) {
        t.Host.At(settled + in.At, ScriptedEvent::kMouseDown, 1, 200, 200);
      } else {
        t.Host.KeyPress(settled + in.At, in.Key);
        if (in.Held > 0) t.Host.KeyRelease(settled + in.At + in.Held, in.Key);
      }
    }
    const int64_t end =
        settled + std::max({c.WantTable, c.WantReplay, c.WantOff, kAttractIdleMs}) + 6000;
    bool started = false;
    while (t.Host.Clock() < end && !started) {
      ASSERT_FALSE(t.RunUntil(t.Host.Clock() + 100));
      started = t.S().InGame != 0 || t.G->Starting();
    }
    EXPECT_FALSE(started);  // the key that leaves does nothing else
    const auto near = [&](int64_t got, int64_t want) {
      if (want < 0) return got < 0;
      return got >= settled + want && got <= settled + want + 2 * kScrollTickMs;
    };
    EXPECT_TRUE(near(log.When(Phase::kTable), c.WantTable)) << log.When(Phase::kTable) - settled;
    EXPECT_TRUE(near(log.When(Phase::kReplay), c.WantReplay)) << log.When(Phase::kReplay) - settled;
    if (c.WantOff > 0) {
      EXPECT_TRUE(near(log.When(Phase::kOff, 1), c.WantOff)) << log.When(Phase::kOff, 1) - settled;
    }
    if (c.WantOff >= 0) {  // once over, the title again; and Space now starts a game
      EXPECT_EQ(t.G->Fame.Phase, Phase::kOff);
      t.RunUntil(t.Host.Clock() + 1000);
      t.StartFromTitle();
      EXPECT_NE(t.S().InGame, 0);
    }
  }
}

// Two attract cycles, then a game: its first item where it would have been without them, the
// random source as it was, the record never written, the music back on the live game.
TEST(Attract, TheLiveGameNeverFeelsIt) {
  using Items = std::tuple<CheckedArray<Integer, kItemSlots>, CheckedArray<Integer, kItemSlots>,
                           CheckedArray<Integer, kItemSlots>, int64_t>;
  const auto firstItem = [](bool attract) -> Items {
    TestGame t;
    t.Memory.Stored.Best = {PlayableGame(1)};
    t.Load();
    const RandomSource before = t.S().Random;
    if (attract) {
      EXPECT_FALSE(t.RunUntil(t.Host.Clock() + 2 * (kAttractIdleMs + kAttractTableMs + 6000)));
      EXPECT_GE(t.G->Fame.IdleSince, kAttractIdleMs);  // the loop did run
    }
    EXPECT_EQ(t.S().Random, before);
    EXPECT_EQ(t.Memory.Commits, 0);
    EXPECT_EQ(t.Memory.Stored.Best.size(), 1u);
    EXPECT_EQ(t.Player().Background, true);
    t.StartFromTitle();
    while (t.S().ItemKind[0] == kFree && t.S().ItemKind[1] == kFree) t.Tick();
    return std::tuple(t.S().ItemX, t.S().ItemY, t.S().ItemKind, t.S().Ticks);
  };
  EXPECT_EQ(firstItem(true), firstItem(false));
}

}  // namespace
}  // namespace fg::test
