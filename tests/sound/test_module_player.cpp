// The module player over libxmp: the real tune rendered through the host's music hook, bad module
// files refused without harm, and music and effects reaching a real SDL audio device.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <span>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/embedded.h"
#include "platform/headless/headless_host.h"
#include "platform/sdl/sdl_host.h"
#include "sound/xmp_player.h"
#include "testkit.h"

namespace fg {
namespace {

namespace fs = std::filesystem;
using Samples = std::vector<int16_t>;

constexpr int kRate = 44100;  // the headless host's music rate

std::vector<uint8_t> ReadAll(const fs::path& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, std::span<const uint8_t> bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> Tune(size_t keep = SIZE_MAX) {
  std::vector<uint8_t> t = ReadAll(FG_TUNE);
  t.resize(std::min(keep, t.size()));
  return t;
}

// Asks the host's music hook for `frames` stereo frames, as the audio device would.
Samples Pull(HeadlessHost& host, int frames) {
  Samples out(static_cast<size_t>(frames) * 2, 0x5555);  // the hook must overwrite it all
  host.Music(reinterpret_cast<uint8_t*>(out.data()), frames * 4);
  return out;
}

double Rms(std::span<const int16_t> s) {
  double sum = 0;
  for (int16_t v : s) sum += static_cast<double>(v) * v;
  return s.empty() ? 0 : std::sqrt(sum / static_cast<double>(s.size()));
}

bool AllZero(std::span<const int16_t> s) {
  return std::all_of(s.begin(), s.end(), [](int16_t v) { return v == 0; });
}

// A directory of its own under the test temp dir, removed with everything in it.
struct TempDir {
  fs::path Path;
  TempDir() {
    std::string pattern = (fs::path(testing::TempDir()) / "fg-sound-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temp dir: " + pattern);
    Path = pattern;
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
    ASSERT_TRUE(host.Music) << "background play installs the music hook";
    module = player.MIDASloadModule(FG_TUNE);
    ASSERT_GT(module, 0);
  }
  HeadlessHost host;
  XmpModulePlayer player{host};
  int32_t module = 0;
};

TEST_F(SoundTunePlayer, LoopsPastTheEndOfTheTune) {
  player.MIDASsetAmplification(90);
  EXPECT_TRUE(AllZero(Pull(host, 4096))) << "loaded but not started: silence";
  ASSERT_GT(player.MIDASplayModule(module, -1), 0);
  // The tune is 75 s long; every half second of 80 s must sound.
  double quietest = 1e9;
  int quietestAt = -1;
  for (int half = 0; half < 160; ++half) {
    const double rms = Rms(Pull(host, kRate / 2));
    if (rms < quietest) std::tie(quietest, quietestAt) = std::pair(rms, half);
  }
  EXPECT_GT(quietest, 500.0) << "quietest half second starts at " << quietestAt * 0.5 << " s";
  RecordProperty("QuietestHalfSecondRms", static_cast<int>(quietest));
}

TEST_F(SoundTunePlayer, StopSilencesAtOnceAndFreeAndCloseRelease) {
  const int32_t first = player.MIDASplayModule(module, -1);
  ASSERT_GT(first, 0);
  const Samples opening = Pull(host, kRate / 2);
  EXPECT_GT(Rms(opening), 500.0);
  Pull(host, kRate * 3);  // well into the tune
  player.MIDASstopModule(first);
  EXPECT_TRUE(AllZero(Pull(host, 256))) << "the very next buffer after a stop";

  const int32_t second = player.MIDASplayModule(module, -1);
  ASSERT_GT(second, 0);
  EXPECT_NE(second, first);
  EXPECT_EQ(Pull(host, kRate / 2), opening) << "a new playback starts at the first pattern";
  for (int32_t stale : {first, 0, 12345}) player.MIDASstopModule(stale);
  EXPECT_GT(Rms(Pull(host, kRate / 4)), 500.0) << "only its own handle stops a playback";

  // A second copy of the tune outlives the first one's free.
  const int32_t other = player.MIDASloadModule(FG_TUNE);
  ASSERT_GT(other, 0);
  EXPECT_NE(other, module);
  player.MIDASfreeModule(module);
  EXPECT_TRUE(AllZero(Pull(host, 1024))) << "freeing a playing module silences it";
  EXPECT_EQ(player.MIDASplayModule(module, -1), 0) << "a freed handle plays no more";
  player.MIDASstopModule(second);  // harmless after the free, as is a second free
  player.MIDASfreeModule(module);
  ASSERT_GT(player.MIDASplayModule(other, -1), 0);
  EXPECT_GT(Rms(Pull(host, kRate / 4)), 500.0);

  player.MIDAScloseChannels();
  EXPECT_TRUE(AllZero(Pull(host, 1024))) << "closing the channels stops every playback";
  player.MIDASstopBackgroundPlay();
  EXPECT_FALSE(host.Music) << "the hook is removed";
  player.MIDASclose();
  EXPECT_EQ(player.MIDASplayModule(other, -1), 0) << "close frees every module";
}

TEST_F(SoundTunePlayer, AmplificationScalesEverySampleRelativeToHundred) {
  player.MIDASsetAmplification(100);
  player.MIDASplayModule(module, -1);
  const Samples unity = Pull(host, kRate * 2);
  player.MIDASsetAmplification(90);
  player.MIDASplayModule(module, -1);  // the same opening again, now at 90
  const Samples ninety = Pull(host, kRate * 2);
  EXPECT_NEAR(Rms(ninety) / Rms(unity), 0.9, 0.005);
  RecordProperty("RmsAt100", static_cast<int>(Rms(unity)));
  RecordProperty("RmsAt90", static_cast<int>(Rms(ninety)));
  size_t off = 0;
  for (size_t i = 0; i < unity.size(); ++i) {
    if (std::abs(ninety[i] - static_cast<int>(unity[i] * 0.9)) > 1) ++off;
  }
  EXPECT_EQ(off, 0u);
}

// Module files that must not load, each made at `file`.
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

struct BadModule {
  const char* Name;
  void (*Make)(const fs::path& file);
};

const BadModule kBadModules[] = {
    {"missing", [](const fs::path&) {}},
    {"empty", [](const fs::path& f) { WriteAll(f, {}); }},
    {"directory", [](const fs::path& f) { fs::create_directory(f); }},
    {"fifo", [](const fs::path& f) { ASSERT_EQ(mkfifo(f.c_str(), 0644), 0); }},
    {"first 1000 bytes", [](const fs::path& f) { WriteAll(f, Tune(1000)); }},
    {"first half", [](const fs::path& f) { WriteAll(f, Tune(Tune().size() / 2)); }},
    {"all but the last byte", [](const fs::path& f) { WriteAll(f, Tune(Tune().size() - 1)); }},
    {"random bytes", [](const fs::path& f) { WriteAll(f, FixedNoise(20000, 7)); }},
    {"module header then garbage",
     [](const fs::path& f) {
       std::vector<uint8_t> bytes = Tune(336);  // signature and song header, 60 + 276 bytes
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
  // Bytes after an intact tune do no harm.
  std::vector<uint8_t> padded = Tune();
  padded.resize(padded.size() + 100, 0);
  WriteAll(dir.Path / "padded.snd", padded);
  EXPECT_GT(player.MIDASloadModule((dir.Path / "padded.snd").string()), 0);
}

// The whole game beside a module file: a bad one gives no music and a normal game and shut-down;
// the intact one, last, plays until shut-down.
TEST(SoundBadModuleFile, GameRunsSilentlyBesideABadFile) {
  const BadModule intact{"intact", [](const fs::path& f) { WriteAll(f, Tune()); }};
  std::vector<BadModule> cases(std::begin(kBadModules), std::end(kBadModules));
  cases.push_back(intact);
  for (const BadModule& c : cases) {
    SCOPED_TRACE(c.Name);
    const bool good = &c == &cases.back();
    TempDir dir;
    c.Make(dir.Path / "FenzoGobbix.snd");
    HeadlessHost audio;  // the player's own output, outliving the game
    test::TestGame t(std::make_unique<XmpModulePlayer>(audio));
    t.Host.ExeDir = dir.Path.string();
    t.Load();
    EXPECT_EQ(t.S().MusicModule > 0, good);
    EXPECT_EQ(t.S().MusicPlayback > 0, good);
    EXPECT_EQ(t.Player().Playing.size(), good ? 1u : 0u) << "a playback only for the intact file";

    t.StartFromTitle();
    EXPECT_NE(t.S().InGame, 0);
    EXPECT_FALSE(t.RunUntil(t.Host.Clock() + 500));
    EXPECT_EQ(Rms(Pull(audio, kRate / 4)) > 500, good);

    t.Host.At(t.Host.Clock(), ScriptedEvent::kClose);
    EXPECT_TRUE(t.RunUntil(t.Host.Clock() + 100));
    EXPECT_TRUE(t.Player().Closed);
    EXPECT_EQ(t.S().MusicModule, 0);
    EXPECT_FALSE(audio.Music) << "shut-down removes the music hook";
  }
}

// Real SDL output through the disk audio driver, which writes the mixed stream to a file in real
// time; the video driver is the dummy one, asked for by name as the host requires.
class SoundSdlDiskOutput : public testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
  }
  void TearDown() override { unsetenv("SDL_DISKAUDIODELAY"); }
  // The 16-bit stereo written; `rate` frames to the second.
  Samples Written() const {
    const std::vector<uint8_t> bytes = ReadAll(out);
    Samples s(bytes.size() / 2);
    std::memcpy(s.data(), bytes.data(), s.size() * 2);
    return s;
  }
  // Seconds from the start of `s` to its first nonzero sample, and from there to its last.
  std::pair<double, double> Sounding(std::span<const int16_t> s) const {
    auto nz = [](int16_t v) { return v != 0; };
    const auto first = std::find_if(s.begin(), s.end(), nz);
    if (first == s.end()) return {0, 0};
    const auto last = std::find_if(s.rbegin(), s.rend(), nz).base();
    return {static_cast<double>(first - s.begin()) / 2 / rate,
            static_cast<double>(last - first) / 2 / rate};
  }
  TempDir dir;
  fs::path out = dir.Path / "audio.raw";
  int rate = 0;
};

TEST_F(SoundSdlDiskOutput, MusicPlaysUntilStopped) {
  {
    SdlHost host;
    ASSERT_TRUE(host.MusicRate() > 0);
    rate = host.MusicRate();
    XmpModulePlayer player(host);
    player.MIDASstartBackgroundPlay(100);
    const int32_t module = player.MIDASloadModule(FG_TUNE);
    ASSERT_GT(module, 0);
    player.MIDASsetAmplification(90);
    const int32_t playback = player.MIDASplayModule(module, -1);
    SDL_Delay(1500);
    player.MIDASstopModule(playback);
    SDL_Delay(500);
    player.MIDASclose();
  }
  const Samples s = Written();
  const auto [start, length] = Sounding(s);
  RecordProperty("FileSeconds", std::to_string(static_cast<double>(s.size()) / 2 / rate));
  RecordProperty("MusicSeconds", std::to_string(length));
  EXPECT_LT(start, 0.5) << "music starts as soon as it is played";
  EXPECT_GT(length, 0.8);
  EXPECT_LT(length, 1.8) << "and ends with the stop";
  const auto from = static_cast<size_t>(start * rate) * 2;
  EXPECT_GT(Rms(std::span(s).subspan(from, std::min<size_t>(s.size() - from, rate))), 500.0);
}

TEST_F(SoundSdlDiskOutput, EffectsPlayOneAtATime) {
  {
    SdlHost host;
    ASSERT_TRUE(host.MusicRate() > 0);
    rate = host.MusicRate();
    host.PlayWave(EmbeddedAsset("101.wav"));
    SDL_Delay(1000);
    host.PlayWave(EmbeddedAsset("102.wav"));  // 1.41 s long, cut off after 0.2 s
    SDL_Delay(200);
    host.PlayWave(EmbeddedAsset("103.wav"));
    SDL_Delay(800);
  }
  const Samples s = Written();
  // Split between the end of the start effect (0.41 s) and the next play (1 s of wall time).
  const auto split = static_cast<size_t>(rate) * 2 * 7 / 10;
  ASSERT_GT(s.size(), split * 2);
  const auto [start, length] = Sounding(std::span(s).first(split));
  RecordProperty("StartEffectSeconds", std::to_string(length));
  EXPECT_NEAR(length, 0.41, 0.08) << "the start effect, whole and alone";
  const auto from = static_cast<size_t>(start * rate) * 2;
  EXPECT_GT(Rms(std::span(s).subspan(from, static_cast<size_t>(rate) / 5)), 2000.0)
      << "a loud onset";
  const double later = Sounding(std::span(s).subspan(split)).second;
  RecordProperty("DeathThenEatSeconds", std::to_string(later));
  EXPECT_GT(later, 0.2);
  EXPECT_LT(later, 0.6) << "the click cut the long death effect off";
}

// The effects laid over the loudest stretch of the tune, through SDL_mixer itself: the music
// hook's output with each effect added on top, saturating. Nothing may reach full scale.
TEST_F(SoundSdlDiskOutput, EffectsOverTheLoudestPartOfTheTuneNeverClip) {
  // The tune as the game plays it, rendered ahead: the real player at the game's amplification.
  HeadlessHost ahead;
  XmpModulePlayer player(ahead);
  player.MIDASstartBackgroundPlay(100);
  ASSERT_GT(player.MIDASplayModule(player.MIDASloadModule(FG_TUNE), -1), 0);
  player.MIDASsetAmplification(90);
  const Samples tune = Pull(ahead, kRate * 75);
  const auto loudest = std::max_element(tune.begin(), tune.end(), [](int16_t a, int16_t b) {
    return std::abs(static_cast<int>(a)) < std::abs(static_cast<int>(b));
  });
  // Half a second around the loudest sample, played over and over.
  const auto stretch = static_cast<size_t>(kRate);
  const size_t peakAt = static_cast<size_t>(loudest - tune.begin()) / 2 * 2;  // its frame
  const size_t first = std::min(peakAt - std::min(peakAt, stretch / 2), tune.size() - stretch);
  std::atomic<size_t> at{0};
  {
    SdlHost host;
    ASSERT_TRUE(host.MusicRate() > 0);
    rate = host.MusicRate();
    ASSERT_EQ(rate, kRate);
    host.SetMusicHook([&](uint8_t* stream, int bytes) {
      auto* samples = reinterpret_cast<int16_t*>(stream);
      for (size_t i = 0; i < static_cast<size_t>(bytes) / 2; ++i) {
        samples[i] = tune[first + at++ % stretch];
      }
    });
    // Each effect ten times, at start points that do not follow the stretch's rhythm.
    int pause = 60;
    for (int i = 0; i < 30; ++i) {
      host.PlayWave(EmbeddedAsset(i % 3 == 0 ? "101.wav" : i % 3 == 1 ? "102.wav" : "103.wav"));
      SDL_Delay(static_cast<Uint32>(pause));
      pause = 40 + (pause * 37) % 110;
    }
    SDL_Delay(400);
    host.SetMusicHook({});
  }
  const Samples s = Written();
  ASSERT_GT(at.load(), stretch) << "the music hook ran through the loud stretch";
  const auto clipped = std::count_if(s.begin(), s.end(), [](int16_t v) {
    return v == std::numeric_limits<int16_t>::max() || v == std::numeric_limits<int16_t>::min();
  });
  RecordProperty("ClippedSamples", static_cast<int>(clipped));
  RecordProperty("Samples", static_cast<int>(s.size()));
  EXPECT_GT(Rms(s), 3000.0) << "music and effects sounded";
  EXPECT_EQ(clipped, 0) << "samples at full scale";
}

// The audio thread renders without pause (no real-time delay, output thrown away) while the
// game thread loads, plays, stops and frees as fast as it can. Sanitizer builds catch a race
// that reaches freed memory; a plain build catches the crash.
TEST_F(SoundSdlDiskOutput, GameThreadCallsWhileTheAudioThreadRenders) {
  setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
  setenv("SDL_DISKAUDIODELAY", "0", 1);
  SdlHost host;
  ASSERT_TRUE(host.MusicRate() > 0);
  XmpModulePlayer player(host);
  player.MIDASstartBackgroundPlay(100);
  const Uint32 end = SDL_GetTicks() + 500;
  int rounds = 0;
  for (; SDL_GetTicks() < end; ++rounds) {
    const int32_t module = player.MIDASloadModule(FG_TUNE);
    ASSERT_GT(module, 0);
    player.MIDASsetAmplification(rounds % 120);
    const int32_t playback = player.MIDASplayModule(module, -1);
    ASSERT_GT(playback, 0);
    SDL_Delay(1);
    if (rounds % 2 == 0) player.MIDASstopModule(playback);
    if (rounds % 7 == 0) {
      player.MIDASstopBackgroundPlay();
      player.MIDASstartBackgroundPlay(100);
    }
    player.MIDASfreeModule(module);
  }
  RecordProperty("Rounds", rounds);
}

}  // namespace
}  // namespace fg
