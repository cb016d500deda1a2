// The module player over libxmp: the real tune rendered through the host's music hook, bad module
// files refused without harm, and music and effects reaching a real SDL audio device.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "gfx/embedded.h"
#include "platform/headless/headless_host.h"
#include "platform/sdl/sdl_host.h"
#include "sound/xmp_player.h"
#include "testkit.h"

namespace fg {
namespace {

namespace fs = std::filesystem;

constexpr int kRate = 44100;  // the headless host's music rate

std::vector<uint8_t> ReadAll(const fs::path& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, std::span<const uint8_t> bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Asks the host's music hook for `frames` stereo frames, as the audio device would.
std::vector<int16_t> Pull(HeadlessHost& host, int frames) {
  std::vector<int16_t> out(static_cast<size_t>(frames) * 2, 0x5555);  // the hook must overwrite
  host.Music(reinterpret_cast<uint8_t*>(out.data()), frames * 4);
  return out;
}

double Rms(std::span<const int16_t> s) {
  if (s.empty()) return 0;
  double sum = 0;
  for (int16_t v : s) sum += static_cast<double>(v) * v;
  return std::sqrt(sum / static_cast<double>(s.size()));
}

bool AllZero(std::span<const int16_t> s) {
  return std::all_of(s.begin(), s.end(), [](int16_t v) { return v == 0; });
}

// A directory of its own under the test temp dir, removed with everything in it.
struct TempDir {
  fs::path Path;
  TempDir() {
    std::string pattern = (fs::path(testing::TempDir()) / "fg-sound-XXXXXX").string();
    const char* made = mkdtemp(pattern.data());
    if (made == nullptr) throw std::runtime_error("cannot make a temp dir in " + testing::TempDir());
    Path = made;
  }
  ~TempDir() {
    std::error_code ignored;
    fs::remove_all(Path, ignored);
  }
};

class SoundTunePlayer : public testing::Test {
 protected:
  void SetUp() override {
    player.MIDASstartup();
    player.MIDASinit();
    player.MIDASstartBackgroundPlay(100);
    player.MIDASopenChannels(50);
    ASSERT_TRUE(host.Music) << "background play must install the music hook";
  }
  HeadlessHost host;
  XmpModulePlayer player{host};
};

TEST_F(SoundTunePlayer, PlaysTheTuneInAnEndlessLoop) {
  const int32_t module = player.MIDASloadModule(FG_TUNE);
  ASSERT_GT(module, 0);
  player.MIDASsetAmplification(90);
  EXPECT_TRUE(AllZero(Pull(host, 4096))) << "loaded but not started: silence";

  const int32_t playback = player.MIDASplayModule(module, -1);
  ASSERT_GT(playback, 0);
  // The tune is 75 s long; 80 s must sound all the way, every half second of it.
  const int kHalfSecond = kRate / 2;
  double quietest = 1e9;
  int quietestAt = -1;
  for (int half = 0; half < 160; ++half) {
    const double rms = Rms(Pull(host, kHalfSecond));
    if (rms < quietest) {
      quietest = rms;
      quietestAt = half;
    }
  }
  EXPECT_GT(quietest, 500.0) << "quietest half second starts at " << quietestAt * 0.5 << " s";
  RecordProperty("QuietestHalfSecondRms", static_cast<int>(quietest));
}

TEST_F(SoundTunePlayer, StopSilencesAtOnceAndALaterPlayStartsFromTheTop) {
  const int32_t module = player.MIDASloadModule(FG_TUNE);
  ASSERT_GT(module, 0);
  const int32_t first = player.MIDASplayModule(module, -1);
  ASSERT_GT(first, 0);
  const std::vector<int16_t> opening = Pull(host, kRate / 2);
  EXPECT_GT(Rms(opening), 500.0);
  Pull(host, kRate * 3);  // well into the tune

  player.MIDASstopModule(first);
  EXPECT_TRUE(AllZero(Pull(host, 256))) << "the very next buffer after a stop";
  EXPECT_TRUE(AllZero(Pull(host, kRate)));

  const int32_t second = player.MIDASplayModule(module, -1);
  ASSERT_GT(second, 0);
  EXPECT_NE(second, first);
  EXPECT_EQ(Pull(host, kRate / 2), opening) << "a new playback starts at the first pattern";

  // The stale handle, a zero handle and an unknown one stop nothing.
  player.MIDASstopModule(first);
  player.MIDASstopModule(0);
  player.MIDASstopModule(12345);
  EXPECT_GT(Rms(Pull(host, kRate / 4)), 500.0);
  player.MIDASstopModule(second);
  EXPECT_TRUE(AllZero(Pull(host, 256)));
}

TEST_F(SoundTunePlayer, AmplificationScalesTheOutputRelativeToHundred) {
  const int32_t module = player.MIDASloadModule(FG_TUNE);
  ASSERT_GT(module, 0);
  player.MIDASsetAmplification(100);
  player.MIDASplayModule(module, -1);
  const std::vector<int16_t> unity = Pull(host, kRate * 2);
  player.MIDASsetAmplification(90);
  player.MIDASplayModule(module, -1);  // same opening again, now at 90
  const std::vector<int16_t> ninety = Pull(host, kRate * 2);

  const double ratio = Rms(ninety) / Rms(unity);
  EXPECT_NEAR(ratio, 0.9, 0.005);
  RecordProperty("RmsAt100", static_cast<int>(Rms(unity)));
  RecordProperty("RmsAt90", static_cast<int>(Rms(ninety)));
  size_t off = 0;
  for (size_t i = 0; i < unity.size(); ++i) {
    if (std::abs(ninety[i] - static_cast<int>(unity[i] * 0.9)) > 1) ++off;
  }
  EXPECT_EQ(off, 0u) << "every sample scaled, not just the average";
}

TEST_F(SoundTunePlayer, FreeAndCloseReleaseTheModule) {
  const int32_t a = player.MIDASloadModule(FG_TUNE);
  const int32_t b = player.MIDASloadModule(FG_TUNE);
  ASSERT_GT(a, 0);
  ASSERT_GT(b, 0);
  EXPECT_NE(a, b);

  const int32_t playing = player.MIDASplayModule(a, -1);
  ASSERT_GT(playing, 0);
  player.MIDASfreeModule(a);
  EXPECT_TRUE(AllZero(Pull(host, 1024))) << "freeing a playing module silences it";
  EXPECT_EQ(player.MIDASplayModule(a, -1), 0) << "a freed handle plays no more";
  player.MIDASstopModule(playing);  // harmless after the free
  player.MIDASfreeModule(a);        // a second free too

  ASSERT_GT(player.MIDASplayModule(b, -1), 0) << "the other module is untouched";
  EXPECT_GT(Rms(Pull(host, kRate / 2)), 500.0);
  player.MIDAScloseChannels();
  EXPECT_TRUE(AllZero(Pull(host, 1024))) << "closing the channels stops every playback";

  player.MIDASstopBackgroundPlay();
  EXPECT_FALSE(host.Music) << "the hook is removed";
  player.MIDASclose();
  EXPECT_EQ(player.MIDASplayModule(b, -1), 0) << "close frees every module";
  EXPECT_EQ(player.MIDASplayModule(0, -1), 0);
}

// A module file that must not load, and how to make it in `dir`.
struct BadModule {
  const char* Name;
  void (*Make)(const fs::path& file);
};

std::vector<uint8_t> Tune() { return ReadAll(FG_TUNE); }

std::vector<uint8_t> FixedNoise(size_t n, uint32_t seed) {
  std::mt19937 gen(seed);
  std::vector<uint8_t> bytes(n);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(gen());
  return bytes;
}

void MakeSparse(const fs::path& file, std::span<const uint8_t> head, off_t size) {
  const int fd = open(file.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, head.data(), head.size()), static_cast<ssize_t>(head.size()));
  ASSERT_EQ(ftruncate(fd, size), 0);
  close(fd);
}

const BadModule kBadModules[] = {
    {"missing", [](const fs::path&) {}},
    {"empty", [](const fs::path& f) { WriteAll(f, {}); }},
    {"directory", [](const fs::path& f) { fs::create_directory(f); }},
    {"fifo", [](const fs::path& f) { ASSERT_EQ(mkfifo(f.c_str(), 0644), 0); }},
    {"first 1000 bytes",
     [](const fs::path& f) {
       const auto t = Tune();
       WriteAll(f, std::span(t).first(1000));
     }},
    {"first half",
     [](const fs::path& f) {
       const auto t = Tune();
       WriteAll(f, std::span(t).first(t.size() / 2));
     }},
    {"all but the last byte",
     [](const fs::path& f) {
       const auto t = Tune();
       WriteAll(f, std::span(t).first(t.size() - 1));
     }},
    {"random bytes", [](const fs::path& f) { WriteAll(f, FixedNoise(20000, 7)); }},
    {"module header then garbage",
     [](const fs::path& f) {
       // Signature, version and song header (60 + 276 bytes) intact; patterns onwards noise.
       std::vector<uint8_t> bytes = Tune();
       bytes.resize(336);
       const auto noise = FixedNoise(20000, 11);
       bytes.insert(bytes.end(), noise.begin(), noise.end());
       WriteAll(f, bytes);
     }},
    {"the tune padded past 64 MiB",
     [](const fs::path& f) { MakeSparse(f, Tune(), (64L << 20) + 1); }},
    {"huge sparse file", [](const fs::path& f) { MakeSparse(f, {}, 1L << 32); }},
};

TEST(SoundBadModuleFile, LoadGivesHandleZero) {
  TempDir dir;
  HeadlessHost host;
  XmpModulePlayer player(host);
  player.MIDASstartBackgroundPlay(100);
  for (const BadModule& bad : kBadModules) {
    SCOPED_TRACE(bad.Name);
    const fs::path file = dir.Path / (std::string(bad.Name) + ".snd");
    bad.Make(file);
    EXPECT_EQ(player.MIDASloadModule(file.string()), 0);
    EXPECT_EQ(player.MIDASplayModule(1, -1), 0) << "nothing loaded, nothing to play";
    EXPECT_TRUE(AllZero(Pull(host, 512)));
  }
  // The check above can fail: an intact copy, even with bytes after it, does load.
  std::vector<uint8_t> padded = Tune();
  padded.resize(padded.size() + 100, 0);
  WriteAll(dir.Path / "padded.snd", padded);
  EXPECT_GT(player.MIDASloadModule((dir.Path / "padded.snd").string()), 0);
}

// The whole game over a bad module file: no music, nothing played, a normal game and shut-down.
TEST(SoundBadModuleFile, GameRunsSilentlyAndShutsDownCleanly) {
  for (const BadModule& bad : kBadModules) {
    SCOPED_TRACE(bad.Name);
    TempDir dir;
    bad.Make(dir.Path / "FenzoGobbix.snd");
    HeadlessHost audio;  // the player's own output, outliving the game
    test::TestGame t(std::make_unique<XmpModulePlayer>(audio));
    t.Host.ExeDir = dir.Path.string();
    t.Load();
    EXPECT_EQ(t.S().MusicModule, 0);
    EXPECT_EQ(t.S().MusicPlayback, 0);
    ASSERT_GE(t.MidasLog.size(), 6u);
    EXPECT_EQ(t.MidasLog[4], "MIDASloadModule " + (dir.Path / "FenzoGobbix.snd").string() + " -> 0");
    EXPECT_EQ(t.MidasLog.size(), 6u) << "no playback started";

    t.StartFromTitle();
    EXPECT_NE(t.S().InGame, 0) << "the game plays without music";
    EXPECT_FALSE(t.RunUntil(t.Host.Clock() + 500));
    EXPECT_TRUE(AllZero(Pull(audio, 1024)));

    t.Host.KeyPress(t.Host.Clock(), test::kMKey);
    t.Host.At(t.Host.Clock() + 10, ScriptedEvent::kClose);
    EXPECT_TRUE(t.RunUntil(t.Host.Clock() + 100));
    const std::vector<std::string> tail(t.MidasLog.begin() + 6, t.MidasLog.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"MIDAScloseChannels", "MIDASstopBackgroundPlay",
                                               "MIDASclose"}));
  }
}

TEST(SoundBadModuleFile, TheIntactTuneBesideTheGamePlays) {
  TempDir dir;
  WriteAll(dir.Path / "FenzoGobbix.snd", Tune());
  HeadlessHost audio;
  test::TestGame t(std::make_unique<XmpModulePlayer>(audio));
  t.Host.ExeDir = dir.Path.string();
  t.Load();
  EXPECT_GT(t.S().MusicModule, 0);
  EXPECT_GT(t.S().MusicPlayback, 0);
  EXPECT_GT(Rms(Pull(audio, kRate / 2)), 500.0);
  t.Host.At(t.Host.Clock(), ScriptedEvent::kClose);
  EXPECT_TRUE(t.RunUntil(t.Host.Clock() + 100));
  EXPECT_EQ(t.S().MusicModule, 0);
  EXPECT_FALSE(audio.Music) << "shut-down removes the music hook";
}

// Real SDL output through the disk audio driver, which writes the mixed stream to a file in real
// time; the video driver is the dummy one, asked for by name as the host requires.
class SoundSdlDiskOutput : public testing::Test {
 protected:
  void SetUp() override {
    out = dir.Path / "audio.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
  }
  // The samples written, as the 16-bit stereo the host asks the device for.
  std::vector<int16_t> Samples() const {
    const std::vector<uint8_t> bytes = ReadAll(out);
    std::vector<int16_t> s(bytes.size() / 2);
    std::memcpy(s.data(), bytes.data(), s.size() * 2);
    return s;
  }
  // Index of the first and one past the last nonzero sample; {0, 0} when all are zero.
  static std::pair<size_t, size_t> Sounding(const std::vector<int16_t>& s) {
    auto nz = [](int16_t v) { return v != 0; };
    auto first = std::find_if(s.begin(), s.end(), nz);
    if (first == s.end()) return {0, 0};
    auto last = std::find_if(s.rbegin(), s.rend(), nz);
    return {static_cast<size_t>(first - s.begin()), static_cast<size_t>(s.rend() - last)};
  }
  TempDir dir;
  fs::path out;
};

TEST_F(SoundSdlDiskOutput, MusicPlaysUntilStopped) {
  int rate = 0;
  {
    SdlHost host;
    ASSERT_TRUE(host.AudioOpen());
    rate = host.MusicRate();
    XmpModulePlayer player(host);
    player.MIDASstartup();
    player.MIDASinit();
    player.MIDASstartBackgroundPlay(100);
    player.MIDASopenChannels(50);
    const int32_t module = player.MIDASloadModule(FG_TUNE);
    ASSERT_GT(module, 0);
    player.MIDASsetAmplification(90);
    const int32_t playback = player.MIDASplayModule(module, -1);
    ASSERT_GT(playback, 0);
    SDL_Delay(1500);
    player.MIDASstopModule(playback);
    SDL_Delay(500);
    player.MIDASfreeModule(module);
    player.MIDAScloseChannels();
    player.MIDASstopBackgroundPlay();
    player.MIDASclose();
  }
  const std::vector<int16_t> s = Samples();
  const double seconds = static_cast<double>(s.size()) / 2 / rate;
  const auto [begin, end] = Sounding(s);
  const double musicStart = static_cast<double>(begin) / 2 / rate;
  const double musicLength = static_cast<double>(end - begin) / 2 / rate;
  RecordProperty("FileSeconds", std::to_string(seconds));
  RecordProperty("MusicSeconds", std::to_string(musicLength));
  EXPECT_GT(seconds, 1.0);
  EXPECT_LT(musicStart, 0.5) << "music starts as soon as it is played";
  EXPECT_GT(musicLength, 0.8);
  EXPECT_LT(musicLength, 1.8) << "and ends with the stop";
  const size_t probe = std::min(end - begin, static_cast<size_t>(rate) * 2 * 8 / 10);
  EXPECT_GT(Rms(std::span(s).subspan(begin, probe)), 500.0);
}

TEST_F(SoundSdlDiskOutput, EffectsPlayOneAtATime) {
  int rate = 0;
  {
    SdlHost host;
    ASSERT_TRUE(host.AudioOpen());
    rate = host.MusicRate();
    host.PlayWave(EmbeddedAsset("101.wav"));
    SDL_Delay(1000);
    host.PlayWave(EmbeddedAsset("102.wav"));  // 1.41 s long, cut off after 0.2 s
    SDL_Delay(200);
    host.PlayWave(EmbeddedAsset("103.wav"));
    SDL_Delay(800);
  }
  const std::vector<int16_t> s = Samples();
  const size_t second = static_cast<size_t>(rate) * 2;
  // Split between the end of the start effect (0.41 s) and the next play (1 s of wall time).
  const size_t split = second * 7 / 10;
  ASSERT_GT(s.size(), second * 3 / 2);
  const auto [begin, end] = Sounding(std::vector<int16_t>(s.begin(), s.begin() + split));
  const double startLength = static_cast<double>(end - begin) / second;
  RecordProperty("StartEffectSeconds", std::to_string(startLength));
  EXPECT_NEAR(startLength, 0.41, 0.08) << "the start effect, whole and alone";
  EXPECT_GT(Rms(std::span(s).subspan(begin, second / 10)), 2000.0) << "a loud onset";

  const auto [begin2, end2] = Sounding(std::vector<int16_t>(s.begin() + split, s.end()));
  const double laterLength = static_cast<double>(end2 - begin2) / second;
  RecordProperty("DeathThenEatSeconds", std::to_string(laterLength));
  EXPECT_GT(laterLength, 0.2);
  EXPECT_LT(laterLength, 0.6) << "the click cut the long death effect off";
}

}  // namespace
}  // namespace fg
