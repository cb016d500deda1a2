// Replays recorded sessions and compares what they show and the state they end in with the
// stored dumps. Set FG_UPDATE_FIXTURES=1 to rewrite the dumps after an intended change of the
// rules or the pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

#include "play/replay_check.h"
#include "replay/replay.h"
#include "shell/playback.h"

namespace fg::test {
namespace {

const std::string kDir = FG_FIXTURES_DIR;

std::optional<std::string> ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string WhereTheyDiffer(const std::string& want, const std::string& got) {
  const auto d = FirstDifference(want, got);
  if (!d) return "";
  return "first difference at line " + std::to_string(d->Line) +
         " of the dump\n  expected: " + d->Expected + "\n  actual:   " + d->Actual;
}

// The stored dump of a session; rewritten from `got` instead under FG_UPDATE_FIXTURES.
struct Expected {
  bool Rewrote = false;
  std::optional<std::string> Text;
};
Expected ExpectedDump(const std::string& name, const std::string& got) {
  const std::string path = kDir + "/" + name + ".expected";
  if (std::getenv("FG_UPDATE_FIXTURES") != nullptr) {
    if (ReadText(path) != got) {
      std::ofstream(path, std::ios::binary) << got;
      std::cout << "rewrote " << path << "\n";
    }
    return {true, got};
  }
  return {false, ReadText(path)};
}

// Runs a stored script and checks its dump: the whole text, and where it first goes astray.
ReplayResult CheckSession(const std::string& name) {
  const auto script = ReadText(kDir + "/" + name + ".txt");
  EXPECT_TRUE(script) << "missing script " << name;
  if (!script) return {};
  ReplayResult r = RunReplay(*script);
  const Expected want = ExpectedDump(name, r.Dump);
  EXPECT_TRUE(want.Text) << "missing " << name << ".expected";
  if (want.Text && !want.Rewrote) {
    EXPECT_EQ(r.Dump, *want.Text) << WhereTheyDiffer(*want.Text, r.Dump);
  }
  return r;
}

int Count(const std::vector<int>& ids, int id) {
  return static_cast<int>(std::count(ids.begin(), ids.end(), id));
}

TEST(Replay, ATwoGameSessionEndsInTheRecordedState) {
  const ReplayResult r = CheckSession("replay_two_games");
  ASSERT_FALSE(r.ProgramEnded);
  EXPECT_EQ(r.Games.size(), 2u);
}

// The snake circles until the first skull appears, then heads for it and dies on it.
TEST(Replay, AGameEndsOnASkull) {
  const ReplayResult r = CheckSession("replay_skull");
  ASSERT_FALSE(r.ProgramEnded);
  ASSERT_EQ(r.Games.size(), 1u);
  EXPECT_EQ(r.Games[0].Cause, "skull");
}

// A route past every star the generator places until the snake is a hundred long, then one
// more: the click sounds but the snake and the score stay where the cap holds them.
TEST(Replay, ALongGameGrowsTheSnakeToItsCapOfAHundred) {
  const ReplayResult r = CheckSession("replay_cap");
  ASSERT_FALSE(r.ProgramEnded);
  ASSERT_EQ(r.Games.size(), 1u);
  EXPECT_EQ(r.Games[0].Cause, "escape");
  EXPECT_EQ(r.Games[0].Length, 100);
  EXPECT_EQ(r.Games[0].Score, 95);
  EXPECT_GT(Count(r.Effects, 103), 95) << "no star eaten at the cap";
}

// Every game of the stored sessions that ended by itself, recorded, written to a replay file,
// read back, checked and played back, shows what it showed when it was played: its first tick
// and its end pixel for pixel. One host serves every playback, each a game made and destroyed
// on it.
TEST(Replay, EveryFinishedGamePlaysBackAsItWasPlayed) {
  HeadlessHost host;
  int played = 0;
  for (const char* name : {"replay_two_games", "replay_skull"}) {
    for (const GameEnd& end : CheckSession(name).Games) {
      if (end.Code.empty()) continue;
      std::string problem;
      const auto file = ParseReplayFile(
          FormatReplayFile(FinishedGame{end.Score, end.Length, 0, 0, end.Code, {}}), &problem);
      const auto r = file ? DecodeReplay(file->Replay, &problem) : std::nullopt;
      ASSERT_TRUE(r && CheckReplay(*r, &problem)) << name << ": " << problem;
      std::vector<uint32_t> shown;
      host.OnRefresh = [&](const Surface& image) { shown.push_back(ImageChecksum(image)); };
      RunPlayback(host, *r);
      // The wipe's 81 strips, then a refresh a tick; the first after them is the explosion's.
      const size_t first = 81;
      const size_t last = first + static_cast<size_t>(r->Ticks());
      ASSERT_GT(shown.size(), last) << name;
      EXPECT_EQ(shown[first], end.StartImage) << name;
      EXPECT_EQ(shown[last], end.EndImage) << name;
      ++played;
    }
  }
  EXPECT_EQ(played, 3);
  EXPECT_EQ(host.TimerCount(), 0u);  // each game took its timers away with it
}

TEST(Replay, ScriptErrorsNameTheirLine) {
  const auto lineOf = [](const std::string& script) {
    try {
      ParseScript(script);
    } catch (const ScriptError& e) {
      return e.Line();
    }
    return 0;
  };
  EXPECT_EQ(lineOf("1000 down 32\n# a comment\n\n2000 press 37\n"), 4);
  EXPECT_EQ(lineOf("1000 down\n"), 1);
  EXPECT_EQ(lineOf("1000 down 32 37\n"), 1);
  EXPECT_EQ(lineOf("1000 up 32\nsoon down 32\n"), 2);
  EXPECT_EQ(lineOf("1000 move 20\n"), 1);
  EXPECT_EQ(lineOf("1000 click 20 x\n"), 1);
  EXPECT_EQ(lineOf("1000 close now\n"), 1);
  EXPECT_EQ(lineOf("-5 down 32\n"), 1);
  EXPECT_EQ(lineOf("1000\n"), 1);

  const auto events = ParseScript("1000 down 32  # Space\n\t2000 move 200.5 57\n3000 close\n");
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].What, ScriptedEvent::kKeyDown);
  EXPECT_EQ(events[0].Code, 32);
  EXPECT_EQ(events[1].What, ScriptedEvent::kMouseMove);
  EXPECT_EQ(events[1].X, 200.5f);
  EXPECT_EQ(events[2].What, ScriptedEvent::kClose);
  EXPECT_EQ(events[2].Time, 3000);
}

TEST(Replay, AScriptThatClosesTheWindowEndsTheProgram) {
  const ReplayResult r = RunReplay("1000 down 32\n4000 close\n");
  EXPECT_TRUE(r.ProgramEnded);
  ASSERT_TRUE(r.Games.empty());  // the game was still on; it never ended by itself
  EXPECT_NE(r.Dump.find("game 1 starts"), std::string::npos);
}

}  // namespace
}  // namespace fg::test
