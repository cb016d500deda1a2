// The music as the game drives it: after start-up, the M key and shut-down, which module file
// is loaded, at what volume, and whether it plays, loops, renders by itself or is closed.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "shell/shell.h"
#include "testkit.h"

namespace fg {
namespace {

// The recorder loads any readable file, so the tune's own folder stands in for the program's.
std::string TuneDir() {
  return std::filesystem::path(FG_TUNE).parent_path().string();
}

// What the player is doing: the one module file loaded ("" for none), the one playback's
// module and loop, the rest of its state.
struct Music {
  std::string File;
  int Playbacks;
  bool Loops;
  bool Background;
  bool Closed;
  bool On;  // MusicOn
};

struct MusicCase {
  const char* Name;
  bool Tune;         // the module file lies beside the executable
  const char* Keys;  // after start-up: M presses, a game (G), a close request (X)
  Music Want;
};

const MusicCase kCases[] = {
    {"start-up plays the tune in a loop", true, "", {"tune", 1, true, true, false, true}},
    {"a game asks nothing of the player", true, "G", {"tune", 1, true, true, false, true}},
    {"M stops, keeps the module", true, "M", {"tune", 0, false, true, false, false}},
    {"M twice plays it anew", true, "MM", {"tune", 1, true, true, false, true}},
    {"shut-down frees and closes", true, "GX", {"", 0, false, false, true, true}},
    {"shut-down with music off frees too", true, "MX", {"", 0, false, false, true, false}},
    {"no file: silence, the window opens", false, "", {"", 0, false, true, false, true}},
    {"no file: M only flips the flag", false, "MMM", {"", 0, false, true, false, false}},
    {"no file: shut-down closes", false, "MX", {"", 0, false, false, true, false}},
};

TEST(SoundMusic, WhatPlaysAfterStartUpTheMKeyAndShutDown) {
  for (const MusicCase& c : kCases) {
    SCOPED_TRACE(c.Name);
    test::TestGame t;  // its executable folder does not exist
    if (c.Tune) t.Host.ExeDir = TuneDir();
    t.Load();
    bool ended = false;
    for (const char* k = c.Keys; *k != '\0'; ++k) {
      if (*k == 'M') t.Host.KeyPress(t.Host.Clock(), test::kMKey);
      if (*k == 'G') t.StartFromTitle();
      if (*k == 'X') t.Host.At(t.Host.Clock(), ScriptedEvent::kClose);
      ended = t.RunUntil(t.Host.Clock() + 300);
    }
    EXPECT_EQ(ended, c.Want.Closed);
    EXPECT_TRUE(t.Host.Shown);

    const RecordingModulePlayer& p = t.Player();
    const std::string tune = TuneDir() + "/FenzoGobbix.snd";
    ASSERT_LE(p.Files.size(), 1u);
    const std::string file = p.Files.empty() ? "" : p.Files.begin()->second;
    EXPECT_EQ(file, c.Want.File.empty() ? "" : tune);
    EXPECT_EQ(static_cast<int>(p.Playing.size()), c.Want.Playbacks);
    if (!p.Playing.empty()) {
      EXPECT_EQ(p.Playing.begin()->second.Module, p.Files.begin()->first);
      EXPECT_EQ(p.Playing.begin()->second.Loop, c.Want.Loops);
    }
    EXPECT_EQ(p.Background, c.Want.Background);
    EXPECT_EQ(p.Closed, c.Want.Closed);
    EXPECT_EQ(t.S().MusicOn != 0, c.Want.On);
    EXPECT_EQ(p.Amplification, 90) << "the music plays at 90 % of the effects' level";
    EXPECT_EQ(p.Rate, 100) << "the background play's rate";
    EXPECT_EQ(p.StrayHandles, 0) << "a call with a handle that was not live";
    // The game's handles say what the player does.
    EXPECT_EQ(t.S().MusicModule > 0, !p.Files.empty());
    EXPECT_EQ(t.S().MusicPlayback > 0, !p.Playing.empty());
  }
}

}  // namespace
}  // namespace fg
