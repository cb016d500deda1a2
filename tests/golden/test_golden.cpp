// Whole-window pictures of the game compared pixel for pixel with stored PNGs in
// tests/fixtures/golden/. On a difference the picture the game drew is written beside the
// stored one as NAME-actual.png. After an intended change of the artwork or the drawing, set
// FG_UPDATE_GOLDEN=1 to store the new pictures (only those that changed are rewritten).
#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "core/rules.h"
#include "gfx/picture.h"
#include "platform/keys.h"
#include "play/play.h"
#include "shell/shell.h"
#include "testkit.h"

namespace fg::test {
namespace {

namespace fs = std::filesystem;

const fs::path kGoldenDir = FG_GOLDEN_DIR;

bool WritePng(const fs::path& path, const Surface& image) {
  std::vector<unsigned char> rgb;
  rgb.reserve(image.Pixels.size() * 3);
  for (uint32_t p : image.Pixels) {
    rgb.push_back(static_cast<unsigned char>(p >> 16));
    rgb.push_back(static_cast<unsigned char>(p >> 8));
    rgb.push_back(static_cast<unsigned char>(p));
  }
  return stbi_write_png(path.string().c_str(), image.Width, image.Height, 3, rgb.data(),
                        image.Width * 3) != 0;
}

// An empty surface when the file is missing or no PNG.
Surface ReadPng(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  return bytes.empty() ? Surface() : DecodePicture(bytes);
}

// Empty when equal; otherwise how many pixels differ and the first of them.
std::string Difference(const Surface& want, const Surface& got) {
  std::ostringstream o;
  if (want.Width != got.Width || want.Height != got.Height) {
    o << "size " << got.Width << " x " << got.Height << ", stored " << want.Width << " x "
      << want.Height;
    return o.str();
  }
  int count = 0;
  for (int y = 0; y < got.Height; ++y) {
    for (int x = 0; x < got.Width; ++x) {
      if (want.At(x, y) == got.At(x, y)) continue;
      if (count++ == 0) {
        o << std::hex << "first at (" << std::dec << x << ", " << y << "): 0x" << std::hex
          << got.At(x, y) << ", stored 0x" << want.At(x, y) << std::dec;
      }
    }
  }
  if (count == 0) return "";
  return std::to_string(count) + " pixels differ, " + o.str();
}

void ExpectGolden(const std::string& name, const Surface& got) {
  ASSERT_EQ(got.Width, kImageSize);
  ASSERT_EQ(got.Height, kImageSize);
  const fs::path expected = kGoldenDir / (name + ".png");
  const fs::path actual = kGoldenDir / (name + "-actual.png");
  const Surface want = ReadPng(expected);
  const std::string difference =
      want.Pixels.empty() ? "no stored picture " + expected.string() : Difference(want, got);
  if (difference.empty()) {
    fs::remove(actual);  // a leftover of an earlier failure
    return;
  }
  if (std::getenv("FG_UPDATE_GOLDEN") != nullptr) {
    fs::create_directories(kGoldenDir);
    ASSERT_TRUE(WritePng(expected, got)) << "cannot write " << expected;
    ASSERT_EQ(ReadPng(expected).Pixels, got.Pixels) << expected << " does not read back";
    fs::remove(actual);
    std::cout << "rewrote " << expected.string() << " (" << difference << ")\n";
    return;
  }
  const bool written = WritePng(actual, got);
  ADD_FAILURE() << name << ": " << difference << "\n  "
                << (written ? "the game's picture is in " : "could not write ") << actual.string();
}

// What the `wanted`-th refresh from now showed (1 for the next one).
struct FrameGrabber {
  FrameGrabber(TestGame& t, int wanted) : t_(t), wanted_(t.Host.Refreshes + wanted) {
    t.Host.OnRefresh = [this](const Surface& image) {
      if (t_.Host.Refreshes == wanted_) Frame = image;
    };
  }
  ~FrameGrabber() { t_.Host.OnRefresh = nullptr; }
  FrameGrabber(const FrameGrabber&) = delete;
  FrameGrabber& operator=(const FrameGrabber&) = delete;
  Surface Frame;

 private:
  TestGame& t_;
  int wanted_;
};

TEST(Golden, TitleWithTheScrollerUnderWay) {
  TestGame t;
  t.Load();
  ASSERT_FALSE(t.RunUntil(t.Host.Clock() + 1500));
  ExpectGolden("title", t.Host.Screen);
}

TEST(Golden, TitleWithTheLinkLitUnderThePointer) {
  TestGame t;
  t.Load();
  const int64_t now = t.Host.Clock();
  t.Host.At(now + 5, ScriptedEvent::kMouseMove, 0, 200, 57);
  ASSERT_FALSE(t.RunUntil(now + 6));
  ASSERT_NE(t.S().LinkHover, 0);
  ExpectGolden("title_link_lit", t.Host.Screen);
}

TEST(Golden, FirstTickOfAGame) {
  TestGame t;
  t.LoadAndStart();
  t.Tick();
  ExpectGolden("first_tick", t.Host.Screen);
}

// Paused in play: the sign's plate, the word and the line saying how to go on.
TEST(Golden, PausedInPlay) {
  TestGame t;
  t.LoadAndStart();
  t.Tick();
  Form_KeyDown(*t.G, kKeyP, 0);
  ASSERT_TRUE(t.G->Paused());
  ExpectGolden("paused", t.Host.Screen);
}

// M on the title: the plate in the corner, the music struck through, over the title as it was.
TEST(Golden, TitleWithTheMusicSwitchedOff) {
  TestGame t;
  t.Load();
  t.Host.KeyPress(t.Host.Clock() + 1000, kMKey);
  ASSERT_FALSE(t.RunUntil(t.Host.Clock() + 1500));
  ExpectGolden("title_music_off", t.Host.Screen);
}

// The head has exploded on a skull and the first segment is half-way through its explosion.
TEST(Golden, FrameOfTheExplosion) {
  TestGame t;
  t.StartOnSkull();
  FrameGrabber explosion(t, 8);
  t.Tick();
  ASSERT_EQ(t.S().InGame, 0);
  ExpectGolden("explosion", explosion.Frame);
}

// The record's pictures: the game-over sign as a new best, as a place in the table and out of
// it, and the title once a best exists.
TEST(Golden, TheRecordOnTheSignAndTheTitle) {
  const FinishedGame better{50, 9, 1700000000, 60000, {}, {}};
  const std::vector<FinishedGame> table(kBestGames, better);
  struct Case {
    const char* Name;
    std::vector<FinishedGame> Stored;
    bool GameOver;
  } cases[] = {
      {"game_over_new_best", {}, true},
      {"game_over_third", {better, better}, true},
      {"game_over_outside_the_table", table, true},
      {"title_with_a_best", {{1234, 40, 1700000000, 90000, {}, {}}}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TestGame t;
    t.Memory.Stored.Best = c.Stored;
    if (!c.GameOver) {
      t.Load();
      ASSERT_FALSE(t.RunUntil(t.Host.Clock() + 1500));
      ExpectGolden(c.Name, t.Host.Screen);
      continue;
    }
    t.StartOnSkull();
    t.S().Score = 42;
    Surface sign;  // the last picture shown before the title's reveal
    t.Host.OnRefresh = [&](const Surface& image) {
      if (t.S().Busy != 0) sign = image;
    };
    t.Tick();
    t.Host.OnRefresh = nullptr;
    ExpectGolden(c.Name, sign);
  }
}

// The hall of fame: a full table with its third row chosen and its newest game marked; the
// longest score a record holds; and the attract loop's playback with its marks.
TEST(Golden, TheHallOfFame) {
  const FinishedGame kept = PlayableGame(1700000000);
  std::vector<FinishedGame> full;
  full.reserve(kBestGames);
  for (int i = 0; i < kBestGames; ++i) {
    full.push_back(
        {9000 - i * 850, 40 - i * 3, 1700000000 + i * 7919 % 10 * 86400, 0, kept.Replay, {}});
  }
  full[8].Replay.clear();  // kept before games were recorded: dimmed
  struct Case {
    const char* Name;
    std::vector<FinishedGame> Stored;
    std::vector<int16_t> Keys;  // after H
    int64_t ShotAt;             // after the title settled; 0: once the keys are in
  } cases[] = {
      {"hall_of_fame_full", full, {kKeyH, kDownKey, kDownKey}, 0},
      {"hall_of_fame_longest_score", {{kMaxRecordScore, 999, 4102444799, 0, {}, {}}}, {kKeyH}, 0},
      {"attract_replay", {kept}, {}, kAttractIdleMs + kAttractTableMs + 1200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TestGame t;
    t.Memory.Stored.Best = c.Stored;
    t.Load();
    ASSERT_FALSE(t.RunUntil(t.Host.Clock() + 1000));
    for (const int16_t key : c.Keys) Form_KeyDown(*t.G, key, 0);
    Surface shot = t.Host.Screen;
    if (c.ShotAt > 0) {
      const int64_t at = t.G->Fame.IdleSince + c.ShotAt;
      shot = Surface();
      t.Host.OnPump = [&] {
        // The prompt blinks: taken while it shows.
        if (t.Host.Clock() >= at && shot.Width == 0 && t.Host.Clock() % 1000 >= 100 &&
            t.Host.Clock() % 1000 < 400 && t.G->Fame.Phase == FameState::Attract::kReplay) {
          shot = t.Host.Screen;
        }
      };
      ASSERT_FALSE(t.RunUntil(at + 100));
    }
    ExpectGolden(c.Name, shot);
  }
}

// A pad's and a touch screen's prompts: the title's key lines (a pad's with the best's plate),
// and the pause sign's hint.
TEST(Golden, PromptsOfAPadAndATouchScreen) {
  const std::pair<const char*, InputDevice> cases[] = {{"title_pad", InputDevice::kPad},
                                                       {"title_touch", InputDevice::kTouch},
                                                       {"paused_touch", InputDevice::kTouch}};
  for (const auto& [name, device] : cases) {
    TestGame t;
    if (device == InputDevice::kPad) t.Memory.Stored.Best = {PlayableGame(1700000000)};
    t.G->Events->DeviceUsed(device);  // title_touch is also the page's touch title
    t.Load();
    ASSERT_FALSE(t.RunUntil(t.Host.Clock() + 1500));
    if (std::string(name) == "paused_touch") {
      t.StartFromTitle();
      t.Tick();
      Form_KeyDown(*t.G, kKeyP, 0);
    }
    ExpectGolden(name, t.Host.Screen);
  }
}

}  // namespace
}  // namespace fg::test
