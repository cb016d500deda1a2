// The attract loop on a title left alone: when it comes, what leaves it, and that the live game
// never feels it.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/keys.h"
#include "play/play.h"
#include "shell/share.h"
#include "shell/shell.h"
#include "testkit.h"

namespace fg::test {
namespace {

// Times in tenths of a second after the title settled. Each case ends with Space pressed on the
// title: a game must start then, and never before; and the live game never felt the loop: its
// first item where it is in a game started at once, its record never written, its music back.
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
    const char* Want;  // the loop's phases as they came: Off (the title), Table, Replay
  } cases[] = {
      {"no kept game: the title stays", false, {}, ""},
      {"left alone", true, {}, " T300 R380 O424"},
      {"a key on the title puts it off", true, {{200, kLeftKey}}, " T501 R581 O625"},
      {"Space held, repeating into the reveal",
       true,
       {{320, kKeySpace, 10}, {323, kKeySpace, 0}},
       " T300 O320 T630 R710 O754"},
      {"a click on the table", true, {{320, 0}}, " T300 O320 T625 R705 O749"},
      {"a pad's Start in the replay",
       true,
       {{385, kKeyPadStart}, {385, kKeySpace}},
       " T300 R380 O385"},
      {"a click in the replay", true, {{385, 0}}, " T300 R380 O385"},
  };
  std::optional<GameCourse> straight;  // a game started at once, up to its first item
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
      seen += std::string(" ") + "OTR"[static_cast<int>(now)];
      seen += std::to_string((t.Host.Clock() - settled) / 100);
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
    EXPECT_EQ(t.Memory.Commits, 0);
    EXPECT_TRUE(t.Player().Background);
    t.StartFromTitle();  // and a second Space starts a game
    EXPECT_NE(t.S().InGame, 0);
    while (t.S().ItemKind[0] == kFree && t.S().ItemKind[1] == kFree) t.Tick();
    if (!straight) straight = t.S();  // the first case: a game with no loop before it
    EXPECT_TRUE(*straight == t.S());  // items, random source, snake, ticks
  }
}

// The table offers its chosen game as the sign of a kept game does: C copies that game's link,
// the page's share button is offered it, and nothing once the table is left.
TEST(HallOfFame, OffersTheChosenGameForSharing) {
  TestGame t;
  const FinishedGame best = PlayableGame(2);
  FinishedGame second = best;
  second.Score -= 1;
  second.Replay = "R1-second";  // never played here: only copied
  t.Memory.Stored.Best = {best, second};
  t.Load();
  std::vector<std::string> offered;
  const auto key = [&](int16_t k) {
    t.Host.KeyPress(t.Host.Clock() + 10, k);
    t.Host.KeyRelease(t.Host.Clock() + 20, k);
    t.RunUntil(t.Host.Clock() + 30);
    offered.push_back(t.Host.Offered);
  };
  for (const int16_t k : {kKeyH, kKeyDown, kKeyC, kKeyUp, kKeyEscape}) key(k);
  EXPECT_EQ(offered,
            (std::vector<std::string>{best.Replay, second.Replay, second.Replay, best.Replay, ""}));
  EXPECT_EQ(t.Host.Copied, std::vector<std::string>{ShareLink(second.Replay)});
}

}  // namespace
}  // namespace fg::test
