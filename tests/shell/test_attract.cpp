// The attract loop on a title left alone and the hall of fame it shows: when the loop comes, what
// leaves it, a chosen row played back, and that the live game never feels any of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/keys.h"
#include "play/play.h"
#include "shell/share.h"
#include "shell/shell.h"
#include "sound/effects.h"
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
    int Kept;  // 0 none, 1 a short game, 2 one of over a minute
    std::vector<Input> Inputs;
    const char* Want;  // the loop's phases as they came: Off (the title), Table, Replay
  } cases[] = {
      {"no kept game: the title stays", 0, {}, ""},
      {"left alone: the game played to its end", 1, {}, " T300 R380 O424"},
      {"a long game: cut after the wipe and a minute", 2, {}, " T300 R380 O988"},
      {"a key on the title puts it off", 1, {{200, kLeftKey}}, " T501 R581 O625"},
      {"Space held, repeating into the reveal",
       1,
       {{320, kKeySpace, 10}, {323, kKeySpace, 0}},
       " T300 O320 T630 R710 O754"},
      {"a click on the table", 1, {{320, 0}}, " T300 O320 T625 R705 O749"},
      {"a pad's Start in the replay",
       1,
       {{385, kKeyPadStart}, {385, kKeySpace}},
       " T300 R380 O385"},
      {"a click in the replay", 1, {{385, 0}}, " T300 R380 O385"},
  };
  const FinishedGame longGame = PlayableGame(1, 1, 70000);
  ASSERT_GT(DecodeReplay(longGame.Replay)->Ticks() * kTickMs, 70000);
  std::optional<GameCourse> straight;  // a game started at once, up to its first item
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TestGame t;
    if (c.Kept == 1) t.Memory.Stored.Best = {PlayableGame(1)};
    if (c.Kept == 2) t.Memory.Stored.Best = {longGame};
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
    const int64_t end = settled + (c.Kept == 2 ? 110000 : 65000);
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

// The hall of fame opened from the title (H, or a click on the plate of the best), a row chosen
// and played back: the game of that row plays (its eat clicks, its death on its last tick), the
// table comes back with the row still chosen, Escape goes to the title, and the live game and
// its record never felt it.
TEST(HallOfFame, PlaysTheChosenRowBack) {
  constexpr float kRow[] = {100, 122, 144};  // a point in each row's band
  struct Input {
    int16_t Key;  // 0: a click at (X, Y)
    float X = 0;
    float Y = 0;
  };
  struct Case {
    const char* Name;
    std::vector<Input> Inputs;
    int Played;  // the row played back, -1 for none
  } cases[] = {
      {"Down, Down, Space", {{kKeyH}, {kDownKey}, {kDownKey}, {kSpace}}, 2},
      {"Up wraps round to the last row", {{kKeyH}, {kUpKey}, {kSpace}}, 2},
      {"a click on a row", {{kKeyH}, {0, 200, kRow[1]}}, 1},
      {"the plate of the best clicked, then a row", {{0, 20, 80}, {0, 200, kRow[2]}}, 2},
      {"a click beside the plate of the best", {{0, 20, 140}, {kSpace}}, -1},
      {"a click below the rows", {{kKeyH}, {0, 200, kRow[2] + 22}}, -1},
  };
  std::vector<FinishedGame> kept;  // best first: three stars, two, one
  for (int stars = 3; stars >= 1; --stars) kept.push_back(PlayableGame(stars, stars));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TestGame t;
    t.Memory.Stored.Best = kept;
    t.Load();
    const GameCourse live = t.S();
    const PlayerRecord record = t.G->Record;
    int64_t at = t.Host.Clock() + 100;
    for (const Input& in : c.Inputs) {
      if (in.Key == 0) t.Host.At(at, ScriptedEvent::kMouseDown, 1, in.X, in.Y);
      if (in.Key != 0) t.Host.KeyPress(at, in.Key);
      if (in.Key != 0) t.Host.KeyRelease(at + 50, in.Key);
      at += 200;
    }
    const size_t before = t.Effects().size();
    ASSERT_FALSE(t.RunUntil(at + 15000));
    std::vector<int> heard = t.Effects();
    heard.erase(heard.begin(), heard.begin() + static_cast<std::ptrdiff_t>(before));
    if (c.Played < 0) {
      // Nothing played; a Space on the title starts the live game itself.
      const bool spaced = c.Inputs.back().Key == kSpace;
      EXPECT_EQ(heard.empty(), !spaced);
      EXPECT_EQ(t.G->Now == Mode::kFame, !spaced);
      continue;
    }
    std::vector<int> played(heard);
    std::erase(played, kEffectEat);
    EXPECT_EQ(played, (std::vector<int>{kEffectStart, kEffectDeath}));
    EXPECT_EQ(std::count(heard.begin(), heard.end(), kEffectEat), 3 - c.Played);
    const std::vector<PlayedWave>& w = t.Host.Waves;
    const int64_t ticks = DecodeReplay(kept[static_cast<size_t>(c.Played)].Replay)->Ticks();
    EXPECT_EQ(w.back().Time - w[before].Time, ticks * kTickMs);  // the death on its last tick
    EXPECT_EQ(t.G->Now, Mode::kFame);
    EXPECT_EQ(t.G->Fame.Chosen, c.Played);
    t.Host.KeyPress(t.Host.Clock() + 10, kEsc);
    ASSERT_FALSE(t.RunUntil(t.Host.Clock() + 1000));
    EXPECT_EQ(t.G->Now, Mode::kTitle);
    EXPECT_TRUE(live == t.S());
    EXPECT_TRUE(record == t.G->Record);
    EXPECT_EQ(t.Memory.Commits, 0);
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
