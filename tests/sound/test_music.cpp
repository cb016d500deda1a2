// The music procedures as the game drives them: the order of the player calls at start-up and
// shut-down, the M key, and a game without its module file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "shell/shell.h"
#include "testkit.h"

namespace fg {
namespace {

using Log = std::vector<std::string>;

// The recorder loads any readable file, so the tune's own folder stands in for the program's.
std::string TuneDir() {
  return std::filesystem::path(FG_TUNE).parent_path().string();
}

Log From(const Log& log, size_t first) {
  return {log.begin() + static_cast<long>(first), log.end()};
}

// A close request now; true when it ended the program.
bool CloseNow(test::TestGame& t) {
  t.Host.At(t.Host.Clock(), ScriptedEvent::kClose);
  return t.RunUntil(t.Host.Clock() + 100);
}

void PressM(test::TestGame& t) {
  t.Host.KeyPress(t.Host.Clock(), test::kMKey);
  ASSERT_FALSE(t.RunUntil(t.Host.Clock() + 50));
}

TEST(SoundMusicCalls, StartUpOpensLoadsAndLoopsThenShutDownFreesAndCloses) {
  test::TestGame t;
  t.Host.ExeDir = TuneDir();
  t.Load();
  const std::string path = TuneDir() + "/FenzoGobbix.snd";
  EXPECT_EQ(t.S().MusicPath, path);
  EXPECT_EQ(t.MidasLog, (Log{"MIDASstartup", "MIDASinit", "MIDASstartBackgroundPlay 100",
                             "MIDASopenChannels 50", "MIDASloadModule " + path + " -> 1",
                             "MIDASsetAmplification 90", "MIDASplayModule 1 -1 -> 2"}));
  EXPECT_EQ(t.S().MusicModule, 1);
  EXPECT_EQ(t.S().MusicPlayback, 2);
  EXPECT_NE(t.S().MusicOn, 0);

  // The title, a game, and nothing more is asked of the player until the end.
  t.StartFromTitle();
  EXPECT_FALSE(t.RunUntil(t.Host.Clock() + 300));
  ASSERT_EQ(t.MidasLog.size(), 7u);

  EXPECT_TRUE(CloseNow(t)) << "a close request during play ends the program";
  EXPECT_EQ(From(t.MidasLog, 7),
            (Log{"MIDASstopModule 2", "MIDASfreeModule 1", "MIDAScloseChannels",
                 "MIDASstopBackgroundPlay", "MIDASclose"}));
  EXPECT_EQ(t.S().MusicModule, 0);
  EXPECT_EQ(t.S().MusicPlayback, 0);
}

TEST(SoundMusicCalls, MOffThenOnStartsANewPlaybackOfTheStillLoadedModule) {
  test::TestGame t;
  t.Host.ExeDir = TuneDir();
  t.Load();
  const size_t start = t.MidasLog.size();

  PressM(t);
  EXPECT_EQ(From(t.MidasLog, start), (Log{"MIDASstopModule 2"}));
  EXPECT_EQ(t.S().MusicOn, 0);
  EXPECT_EQ(t.S().MusicPlayback, 0);
  EXPECT_EQ(t.S().MusicModule, 1) << "switching off keeps the module";

  PressM(t);  // nothing to stop any more
  EXPECT_EQ(From(t.MidasLog, start), (Log{"MIDASstopModule 2", "MIDASplayModule 1 -1 -> 3"}));
  EXPECT_NE(t.S().MusicOn, 0);
  EXPECT_EQ(t.S().MusicPlayback, 3);

  // Off again, then the program closes: the module is still freed, with no playback to stop.
  PressM(t);
  const size_t beforeClose = t.MidasLog.size();
  EXPECT_THROW(Form_Unload(*t.G), ProgramEnd);
  EXPECT_EQ(From(t.MidasLog, beforeClose), (Log{"MIDASfreeModule 1", "MIDAScloseChannels",
                                                "MIDASstopBackgroundPlay", "MIDASclose"}));
}

TEST(SoundMusicCalls, WithoutTheModuleFileNothingPlaysAndMOnlyFlipsTheFlag) {
  test::TestGame t;  // its executable folder does not exist
  t.Load();
  EXPECT_EQ(
      t.MidasLog,
      (Log{"MIDASstartup", "MIDASinit", "MIDASstartBackgroundPlay 100", "MIDASopenChannels 50",
           "MIDASloadModule /nonexistent-dir/FenzoGobbix.snd -> 0", "MIDASsetAmplification 90"}));
  EXPECT_EQ(t.S().MusicModule, 0);
  EXPECT_TRUE(t.Host.Shown) << "the window opens all the same";

  PressM(t);
  EXPECT_EQ(t.S().MusicOn, 0);
  PressM(t);
  EXPECT_NE(t.S().MusicOn, 0);
  EXPECT_EQ(t.MidasLog.size(), 6u) << "M calls nothing in the player";

  EXPECT_TRUE(CloseNow(t));
  EXPECT_EQ(From(t.MidasLog, 6),
            (Log{"MIDAScloseChannels", "MIDASstopBackgroundPlay", "MIDASclose"}));
}

}  // namespace
}  // namespace fg
