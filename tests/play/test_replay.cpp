// Replays a recorded session and compares the state it ends in with the stored dump.
// Set FG_UPDATE_FIXTURES=1 to rewrite the dump after an intended change of the rules.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "testkit.h"

namespace fg::test {
namespace {

std::string Dump(TestGame& t) {
  const GameState& s = t.S();
  std::ostringstream o;
  o << "clock " << t.Host.Clock() << "\n"
    << "mode InGame " << s.InGame << " Busy " << s.Busy << "\n"
    << "head " << s.HeadX << " " << s.HeadY << " direction " << s.Direction << " speed " << s.Speed
    << "\n"
    << "length " << s.SnakeLength << " score " << s.Score << " growflash " << s.GrowFlash
    << " spawndelay " << s.SpawnDelay << "\n"
    << "hold left " << s.HoldLeft << " right " << s.HoldRight << " up " << s.HoldUp << " down "
    << s.HoldDown << "\n"
    << "link hover " << s.LinkHover << " scroll " << s.ScrollPos << " " << s.ScrollShift << "\n";
  o << "segments";
  for (int i = 1; i <= s.SnakeLength; ++i) o << " " << s.TrailX[8 * i] << "," << s.TrailY[8 * i];
  o << "\nitems\n";
  for (int k = 0; k < 100; ++k) {
    if (s.ItemKind[k] == 0 && k != 0) continue;
    o << "  " << k << ": kind " << s.ItemKind[k] << " at " << s.ItemX[k] << "," << s.ItemY[k]
      << " frame " << s.ItemFrame[k] << "\n";
  }
  o << "effects";
  for (int id : t.Effects()) o << " " << id;
  o << "\nrefreshes " << t.Host.Refreshes << "\n";
  return o.str();
}

TEST(Replay, ATwoGameSessionEndsInTheRecordedState) {
  const std::string dir = FG_FIXTURES_DIR;
  std::ifstream script(dir + "/replay_two_games.txt");
  ASSERT_TRUE(script) << "missing script";
  TestGame t;
  std::string line;
  int64_t last = 0;
  while (std::getline(script, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream in(line);
    int64_t time = 0;
    std::string what;
    in >> time >> what;
    last = std::max(last, time);
    if (what == "down" || what == "up") {
      int code = 0;
      in >> code;
      t.Host.At(time, what == "down" ? ScriptedEvent::kKeyDown : ScriptedEvent::kKeyUp,
                static_cast<int16_t>(code));
    } else if (what == "move" || what == "click") {
      float x = 0, y = 0;
      in >> x >> y;
      t.Host.At(time, what == "move" ? ScriptedEvent::kMouseMove : ScriptedEvent::kMouseDown, 1, x,
                y);
    }
  }
  t.Load();
  ASSERT_FALSE(t.RunUntil(last + 5000));
  const std::string got = Dump(t);
  const std::string expectedPath = dir + "/replay_two_games.expected";
  if (std::getenv("FG_UPDATE_FIXTURES") != nullptr) {
    std::ofstream(expectedPath) << got;
    GTEST_SKIP() << "rewrote " << expectedPath;
  }
  std::ifstream expected(expectedPath);
  ASSERT_TRUE(expected) << "missing " << expectedPath;
  std::stringstream want;
  want << expected.rdbuf();
  EXPECT_EQ(got, want.str());
}

}  // namespace
}  // namespace fg::test
