// The attract loop on a title left alone: when it comes, what leaves it, and that the live game
// never feels it.
#include <gtest/gtest.h>

#include <string>

#include "platform/keys.h"
#include "play/play.h"
#include "shell/shell.h"
#include "testkit.h"

namespace fg::test {
namespace {

// Times in tenths of a second after the title settled. Each case ends with Space pressed on the
// title: a game must start then, and never before.
TEST(Attract, ComesOnTimeAndLeavesAtOnce) {
  struct Input {
    int At;        // tenths
    int16_t Key;   // 0: a click
    int Held = 1;  // tenths until its release; 0: a repeat, no release of its own
  };
  struct Case {
    const char* Name;
    bool Kept;
    std::vector<Input> Inputs;
    const char* Want;  // the loop's phases as they came
  } cases[] = {
      {"no kept game: the title stays", false, {}, ""},
      {"left alone", true, {}, " table 300 replay 380 title 424"},
      {"a key on the title puts it off", true, {{200, kKeyM}}, " table 501 replay 581 title 625"},
      {"Space held on the table, repeating into the reveal",
       true,
       {{320, kKeySpace, 10}, {323, kKeySpace, 0}},
       " table 300 title 320 table 630 replay 710 title 754"},
      {"a click on the table",
       true,
       {{320, 0}},
       " table 300 title 320 table 625 replay 705 title 749"},
      {"a pad's Start in the replay",
       true,
       {{385, kKeyPadStart}, {385, kKeySpace}},
       " table 300 replay 380 title 385"},
      {"a click in the replay", true, {{385, 0}}, " table 300 replay 380 title 385"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TestGame t;
    if (c.Kept) t.Memory.Stored.Best = {PlayableGame(1)};
    t.Load();
    const int64_t settled = t.G->Fame.IdleSince;
    std::string seen;
    FameState::Attract last = FameState::Attract::kOff;
    t.Host.OnPump = [&] {
      const FameState::Attract now = t.G->Fame.Phase;
      if (now == last) return;
      last = now;
      const char* names[] = {" title ", " table ", " replay "};
      seen += names[static_cast<int>(now)] + std::to_string((t.Host.Clock() - settled) / 100);
    };
    for (const Input& in : c.Inputs) {
      const int64_t at = settled + in.At * 100;
      if (in.Key == 0) t.Host.At(at, ScriptedEvent::kMouseDown, 1, 200, 200);
      if (in.Key != 0) t.Host.KeyPress(at, in.Key);
      if (in.Key != 0 && in.Held > 0) t.Host.KeyRelease(at + in.Held * 100, in.Key);
    }
    const int64_t end = settled + 65000;
    while (t.Host.Clock() < end && t.S().InGame == 0 && !t.G->Starting()) {
      ASSERT_FALSE(t.RunUntil(t.Host.Clock() + 100));
    }
    EXPECT_EQ(t.S().InGame, 0);  // the key that leaves does nothing else
    EXPECT_EQ(seen, c.Want);
    t.StartFromTitle();  // and a second Space starts a game
    EXPECT_NE(t.S().InGame, 0);
  }
}

// Two attract cycles, then a game: its first item where it would have been without them, the
// random source as it was, the record never written, the music back on the live game.
TEST(Attract, TheLiveGameNeverFeelsIt) {
  const auto firstItem = [](bool attract) -> GameCourse {
    TestGame t;
    t.Memory.Stored.Best = {PlayableGame(1)};
    t.Load();
    const RandomSource before = t.S().Random;
    if (attract) {
      EXPECT_FALSE(t.RunUntil(t.Host.Clock() + 2 * 43000));
    }
    EXPECT_EQ(t.G->Fame.IdleSince >= 2 * kAttractIdleMs, attract);  // the loop did run twice
    EXPECT_EQ(t.S().Random, before);
    EXPECT_EQ(t.Memory.Commits, 0);
    EXPECT_TRUE(t.Player().Background);
    t.StartFromTitle();
    while (t.S().ItemKind[0] == kFree && t.S().ItemKind[1] == kFree) t.Tick();
    return t.S();  // the whole course: items, random source, snake, ticks
  };
  EXPECT_TRUE(firstItem(true) == firstItem(false));
}

}  // namespace
}  // namespace fg::test
