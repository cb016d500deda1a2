// Start-up and shut-down: their order, the caption, the window appearing with the title
// complete, and every way of closing ending cleanly.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "shell/shell.h"
#include "testkit.h"

namespace fg::test {
namespace {

bool SameOutsideScroller(const Surface& a, const Surface& b) {
  for (int y = 0; y < 400; ++y) {
    if (y >= 380 && y <= 396) continue;
    for (int x = 0; x < 400; ++x) {
      if (a.At(x, y) != b.At(x, y)) return false;
    }
  }
  return true;
}

TEST(Startup, RunsInOrderAndTheWindowAppearsWithTheTitleComplete) {
  TestGame t;
  t.Host.ExeDir = FG_ASSETS_DIR;
  Surface atShow;
  t.Host.OnRefresh = nullptr;
  Form_Load(*t.G);
  atShow = t.Host.Screen;
  EXPECT_FALSE(t.Host.Shown);  // start-up draws while the window is hidden
  t.Host.ShowWindow();
  EXPECT_EQ(t.Host.Caption, "Fenzo Gobbix v1.0");
  EXPECT_EQ(t.S().MusicPath, std::string(FG_ASSETS_DIR) + "/FenzoGobbix.snd");
  EXPECT_NE(t.S().SoundOn, 0);
  EXPECT_NE(t.S().MusicOn, 0);
  EXPECT_EQ(t.S().InGame, 0);
  EXPECT_EQ(t.S().Busy, 0);
  EXPECT_TRUE(t.G->BufferFrm.Loaded);
  EXPECT_GE(t.Host.Clock(), 500);  // the reveal's ten 50 ms waits
  EXPECT_TRUE(SameOutsideScroller(atShow, t.G->BufferFrm.picTitle));
  EXPECT_TRUE(t.G->MainForm.tmrScrollText.Enabled);
  EXPECT_EQ(t.Host.Icon.Width, 32);
}

TEST(Startup, WithTheExecutablesDirectoryUnknownNoTuneIsTakenFromTheWorkingDirectory) {
  // A tune lies where the player happens to stand; it must not be played.
  const std::filesystem::path here = std::filesystem::temp_directory_path() / "fg-cwd-tune";
  std::filesystem::create_directories(here);
  std::filesystem::copy_file(std::string(FG_ASSETS_DIR) + "/FenzoGobbix.snd",
                             here / "FenzoGobbix.snd",
                             std::filesystem::copy_options::overwrite_existing);
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(here);
  TestGame t;
  t.Host.ExeDir = "";
  t.Load();
  std::filesystem::current_path(before);
  std::filesystem::remove_all(here);
  EXPECT_EQ(t.S().MusicPath, "");
  EXPECT_EQ(t.S().MusicModule, 0);
  EXPECT_EQ(t.S().MusicPlayback, 0);
}

// A close request at `when` after start-up, with Space pressed at `space` (or never).
struct CloseCase {
  const char* Mode;
  int64_t Space;
  int64_t When;
};

TEST(Shutdown, ACloseRequestEndsTheProgramAtOnceInEveryMode) {
  const CloseCase cases[] = {
      {"title", -1, 100},
      {"wipe", 10, 300},
      {"play", 10, 1500},
      {"reveal after Escape", 10, 2100},  // Escape at 2000 starts a reveal
  };
  for (const CloseCase& c : cases) {
    TestGame t;
    t.Load();
    const int64_t now = t.Host.Clock();
    if (c.Space >= 0) t.Host.KeyPress(now + c.Space, kSpace);
    if (c.When > 2000) t.Host.KeyPress(now + 2000, kEsc);
    t.Host.At(now + c.When, ScriptedEvent::kClose);
    EXPECT_TRUE(t.RunUntil(now + 10000)) << c.Mode;
    EXPECT_EQ(t.Host.Clock(), now + c.When) << c.Mode;  // nothing waited after the close
    EXPECT_TRUE(t.Player().Closed) << c.Mode;
  }
}

TEST(Shutdown, EscapeDuringTheWipeOrTheRevealEndsTheProgramAtOnce) {
  for (int32_t when : {200, 2100}) {
    TestGame t;
    t.Load();
    const int64_t now = t.Host.Clock();
    t.Host.KeyPress(now + 10, kSpace);
    if (when > 2000) t.Host.KeyPress(now + 2000, kEsc);  // back to the title: a reveal
    t.Host.KeyPress(now + when, kEsc);
    const int refreshesBefore = t.Host.Refreshes;
    EXPECT_TRUE(t.RunUntil(now + 10000)) << when;
    EXPECT_EQ(t.Host.Clock(), now + when);
    EXPECT_GT(t.Host.Refreshes, refreshesBefore);
  }
}

TEST(Program, RunsOnAHostWithTheTuneUntilThePlayerEndsIt) {
  HeadlessHost host;
  host.ExeDir = FG_ASSETS_DIR;
  host.KeyPress(3000, kEsc);
  bool shownAtOneSecond = false;
  bool tuneSounds = false;
  host.OnPump = [&] {
    if (host.Clock() >= 1000 && !shownAtOneSecond && host.Music) {
      shownAtOneSecond = host.Shown;
      std::vector<uint8_t> second(44100 * 4);
      host.Music(second.data(), static_cast<int>(second.size()));
      tuneSounds = std::any_of(second.begin(), second.end(), [](uint8_t b) { return b != 0; });
    }
    if (host.Clock() > 60000) throw std::runtime_error("the program did not end");
  };
  EXPECT_NO_THROW(RunProgram(host));
  EXPECT_EQ(host.Clock(), 3000);  // Escape on the title ended it there
  EXPECT_TRUE(shownAtOneSecond);
  EXPECT_TRUE(tuneSounds);
  EXPECT_EQ(host.Caption, "Fenzo Gobbix v1.0");
}

}  // namespace
}  // namespace fg::test
