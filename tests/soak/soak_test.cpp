// Soak: thousands of seeded random games on the headless host, with the rules of play checked
// after every tick, the title checked on every scroller frame and the music checked on the way.
//
// FG_SOAK_SEED picks the run (it is printed with any failure, so the run replays exactly) and
// FG_SOAK_GAMES how many games to play; sanitizer builds default to fewer games.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/game.h"
#include "play/play.h"
#include "play/replay_check.h"
#include "screens/buffer_frm.h"
#include "screens/switch_sign.h"
#include "shell/shell.h"
#include "sound/xmp_player.h"
#include "testkit.h"

#if defined(__SANITIZE_ADDRESS__)
#define FG_SOAK_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
#define FG_SOAK_SANITIZED 1
#endif
#endif
#ifndef FG_SOAK_SANITIZED
#define FG_SOAK_SANITIZED 0
#endif

namespace fg::test {
namespace {

#if FG_SOAK_SANITIZED
constexpr long kDefaultGames = 150;
#else
constexpr long kDefaultGames = 1500;
#endif
constexpr uint64_t kDefaultSeed = 20240607;

// A game played by the seeker is ended with Escape after this many ticks (about 12 virtual
// minutes), long enough to grow the snake to its full length now and then.
constexpr long kSeekerTickLimit = 48000;
// One game in this many is played by the seeker.
constexpr long kSeekerEvery = 25;
// A random game that has not ended by itself after this long is left with Escape.
constexpr int32_t kRandomGameLimitMs = 120000;

// What the soak checks failed on; carries a readable account.
struct Violation : std::runtime_error {
  using std::runtime_error::runtime_error;
};

long EnvNumber(const char* name, long fallback) {
  const char* v = std::getenv(name);
  if (v == nullptr || *v == '\0') return fallback;
  char* end = nullptr;
  const long n = std::strtol(v, &end, 0);
  return (end != nullptr && *end == '\0') ? n : fallback;
}

struct Totals {
  long Programs = 0;
  long Games = 0;
  long SeekerGames = 0;
  long Ticks = 0;
  long TitleFrames = 0;
  long MusicRenders = 0;
  long AudibleRenders = 0;
  long UrlsOpened = 0;
  long KeysDuringTicks = 0;
  long GamesEndedByCollision = 0;
  int LongestSnake = 0;
  int64_t VirtualMs = 0;
  long Replayed = 0;  // kept games whose replay was played through and came out the same
  int64_t ReplayBytes = 0;
  int64_t ReplayTicks = 0;
};

// The record's store, which plays the replay of every game kept as it comes in: it must end in
// the very course the live game ended in.
class ReplayCheckingStore : public MemoryRecordStore {
 public:
  ReplayCheckingStore(const Game*& game, Totals& totals) : game_(game), totals_(totals) {}
  bool Commit(const Merge& merge, bool last) override {
    const Game& g = *game_;
    if (g.Now == Mode::kGameOver && g.Recording.Length > 0 && g.GameSerial != checked_) {
      checked_ = g.GameSerial;
      const std::string code = EncodeReplay(g.Recording);
      std::string problem;
      const std::optional<Replay> r = DecodeReplay(code, &problem);
      const std::optional<GameCourse> end = r ? CheckReplay(*r, &problem) : std::nullopt;
      if (!end) throw std::runtime_error("replay refused: " + problem);
      if (*end != static_cast<const GameCourse&>(g.State)) {
        throw std::runtime_error("replay ends elsewhere than its game");
      }
      ++totals_.Replayed;
      totals_.ReplayBytes += static_cast<int64_t>(code.size());
      totals_.ReplayTicks += r->Ticks();
    }
    return MemoryRecordStore::Commit(merge, last);
  }

 private:
  const Game*& game_;
  Totals& totals_;
  uint32_t checked_ = 0;
};

// The headless host, with a chance for input to arrive while a tick pumps events (as it does
// in the real program, where time passes while the tick picks a number or starts a sound).
class SoakHost : public HeadlessHost {
 public:
  std::function<void()> BeforePump;
  void DoEvents() override {
    if (BeforePump) BeforePump();
    HeadlessHost::DoEvents();
  }
};

// Stands between the host and the game's handlers and notes which clicks must open the link:
// those inside the hot zone (strict bounds) on the title, while no game is being played and
// neither the hall of fame nor the attract loop covers it.
class Witness : public EventSink {
 public:
  Witness(Game& g, long& expectedOpens) : g_(g), inner_(*g.Events), expected_(expectedOpens) {}
  void KeyDown(int16_t keyCode) override { inner_.KeyDown(keyCode); }
  void KeyUp(int16_t keyCode) override { inner_.KeyUp(keyCode); }
  void MouseMove(float x, float y) override { inner_.MouseMove(x, y); }
  void MouseDown(int16_t button, float x, float y) override {
    const bool title =
        g_.State.InGame == 0 && g_.Now != Mode::kFame && g_.Fame.Phase == FameState::Attract::kOff;
    if (title && 132 < x && x < 273 && 52 < y && y < 62) ++expected_;
    inner_.MouseDown(button, x, y);
  }
  void CloseRequest() override { inner_.CloseRequest(); }
  void FocusLost() override { inner_.FocusLost(); }
  bool Clickable(float x, float y) const override { return inner_.Clickable(x, y); }
  void DeviceUsed(InputDevice device) override { inner_.DeviceUsed(device); }

 private:
  Game& g_;
  EventSink& inner_;
  long& expected_;
};

// One run of the program, from start-up to its end (Escape on the title) or to the soak's end:
// the real module player over libxmp, the title and playground pictures, scripted input.
class Program {
 public:
  Program(std::mt19937_64& rng, Totals& totals, long gamesWanted, long seekerEvery)
      : rng_(rng), totals_(totals), gamesWanted_(gamesWanted), seekerEvery_(seekerEvery) {
    host_.ExeDir = FG_SOAK_ASSETS;
    host_.KeepWaveImages = false;
    host_.Store = &store_;
    game_ = std::make_unique<Game>(host_, std::make_unique<XmpModulePlayer>(host_));
    live_ = game_.get();
    AttachHandlers(*game_);
    sink_ = std::make_unique<Witness>(*game_, expectedOpens_);
    host_.SetSink(sink_.get());
    host_.BeforePump = [this] { InputDuringTick(); };
    game_->MainForm.tmrMain.OnTick = [this] { CheckedTick(); };
    host_.OnRefresh = [this](const Surface& image) { CheckTitle(image); };
    ++totals_.Programs;
  }

  // Plays until the program ends or enough games have been played; true when it ended.
  bool Run() {
    struct Clocked {
      HeadlessHost& Host;
      int64_t& Total;
      ~Clocked() { Total += Host.Clock(); }
    } clocked{host_, totals_.VirtualMs};
    try {
      Form_Load(*game_);
      host_.ShowWindow();
      int idleSlices = 0;
      for (;;) {
        if (totals_.Games >= gamesWanted_ && S().InGame == 0 && S().Busy == 0) return false;
        // Space comes about once a second; two minutes on the title means it no longer works.
        idleSlices = (S().InGame == 0 && S().Busy == 0) ? idleSlices + 1 : 0;
        if (idleSlices > 120) Fail("no game started in two minutes of random input");
        const int64_t sliceEnd = host_.Clock() + 1000;
        ScriptSlice(sliceEnd);
        RunMessageLoop(*game_, sliceEnd);
        CheckUrls();
      }
    } catch (const ProgramEnd&) {
      CheckUrls();
      return true;
    }
  }

  std::string Where() {
    std::ostringstream o;
    o << "program " << totals_.Programs << ", game " << totals_.Games << ", virtual time "
      << host_.Clock() << " ms, head (" << game_->State.HeadX << "," << game_->State.HeadY
      << ") direction " << game_->State.Direction << " length " << game_->State.SnakeLength
      << " score " << game_->State.Score;
    return o.str();
  }

 private:
  GameState& S() { return game_->State; }

  void Fail(const std::string& what) { throw Violation(what + " at " + Where()); }

  int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  // Random input for the next virtual second. In a seeker game the arrows come from the
  // seeker instead, and Space and Escape stay away so the snake can grow.
  void ScriptSlice(int64_t sliceEnd) {
    const bool playing = S().InGame != 0;
    if (playing && seeking_ && ticksThisGame_ > kSeekerTickLimit) {
      host_.KeyPress(host_.Clock(), kEsc);
      return;
    }
    if (playing && !seeking_ && host_.Clock() - gameStartedAt_ > kRandomGameLimitMs) {
      host_.KeyPress(host_.Clock(), kEsc);
      return;
    }
    static constexpr int16_t kArrows[] = {kLeftKey, kUpKey, kRightKey, kDownKey};
    for (int64_t t = host_.Clock() + Uniform(0, 120); t < sliceEnd; t += Uniform(5, 250)) {
      const int roll = Uniform(0, 999);
      if (seeking_ && playing) {
        // Only the switches and the pointer: the seeker steers.
        if (roll < 20) host_.KeyPress(t, roll < 10 ? kMKey : kSKey);
        if (roll >= 20 && roll < 60) MousePoint(t);
        continue;
      }
      if (roll < 520) {
        const int16_t key = kArrows[Uniform(0, 3)];
        host_.KeyPress(t, key);
        host_.KeyRelease(t + Uniform(10, 700), key);
      } else if (roll < 620) {
        host_.KeyRelease(t, kArrows[Uniform(0, 3)]);
      } else if (roll < 760) {
        host_.KeyPress(t, kSpace);
        host_.KeyRelease(t + Uniform(10, 200), kSpace);
      } else if (roll < 775) {
        host_.KeyPress(t, kEsc);
      } else if (roll < 800) {
        host_.KeyPress(t, kMKey);
      } else if (roll < 825) {
        host_.KeyPress(t, kSKey);
      } else if (roll < 900) {
        MousePoint(t);
      } else if (roll < 930) {
        const bool link = Uniform(0, 1) == 0;
        const auto x = static_cast<float>(link ? Uniform(131, 274) : Uniform(0, 399));
        const auto y = static_cast<float>(link ? Uniform(51, 63) : Uniform(0, 399));
        host_.At(t, ScriptedEvent::kMouseMove, 0, x, y);
        host_.At(t, ScriptedEvent::kMouseDown, 1, x, y);
      }
    }
  }

  void MousePoint(int64_t t) {
    // Half the moves go to the label's edges and inside it, where the hover changes.
    if (Uniform(0, 1) == 0) {
      host_.At(t, ScriptedEvent::kMouseMove, 0, static_cast<float>(Uniform(130, 275)),
               static_cast<float>(Uniform(50, 64)));
    } else {
      host_.At(t, ScriptedEvent::kMouseMove, 0, static_cast<float>(Uniform(0, 399)),
               static_cast<float>(Uniform(0, 399)));
    }
  }

  // The seeker plays the way a careful player would: at each grid point it holds the arrow
  // that brings the head nearest to the closest star, keeping away from skulls, its own body,
  // dead ends and the border (where the snake would stand still for good), so that some games
  // grow the snake to its full length.
  void Seek() {
    GameState& st = S();
    // Turns happen on grid points only; decide there, and keep the key held in between.
    if (st.HeadX % 16 != 0 || st.HeadY % 16 != 0) return;
    int target = -1;
    int nearest = 1 << 30;
    for (int k = 1; k <= 99; ++k) {
      if (st.ItemKind[k] != kStar1 && st.ItemKind[k] != kStar2) continue;
      const int d = std::abs(st.ItemX[k] - st.HeadX) + std::abs(st.ItemY[k] - st.HeadY);
      if (d < nearest) {
        nearest = d;
        target = k;
      }
    }
    // The 23 x 23 field: cells under a skull or a body segment are blocked.
    constexpr int kCells = 23;
    std::array<bool, kCells * kCells> blocked{};
    const auto block = [&](int x, int y) {
      for (int cx : {(x - 16) / 16, (x - 1) / 16}) {
        for (int cy : {(y - 16) / 16, (y - 1) / 16}) {
          if (cx >= 0 && cx < kCells && cy >= 0 && cy < kCells) blocked[cy * kCells + cx] = true;
        }
      }
    };
    for (int k = 1; k <= 99; ++k) {
      if (st.ItemKind[k] == kSkull) block(st.ItemX[k], st.ItemY[k]);
    }
    for (int w = 2; w <= st.SnakeLength; ++w) block(st.TrailX[8 * w], st.TrailY[8 * w]);
    // Free cells reachable from a cell: a way in that leaves no room for the body is a trap.
    const auto room = [&](int cx, int cy) {
      std::array<bool, kCells* kCells> seen = blocked;
      std::vector<int> todo{cy * kCells + cx};
      seen[cy * kCells + cx] = true;
      int n = 0;
      while (!todo.empty()) {
        const int c = todo.back();
        todo.pop_back();
        ++n;
        const int x = c % kCells;
        const int y = c / kCells;
        for (const auto& [ddx, ddy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
          const int nx = x + ddx;
          const int ny = y + ddy;
          if (nx < 0 || nx >= kCells || ny < 0 || ny >= kCells || seen[ny * kCells + nx]) continue;
          seen[ny * kCells + nx] = true;
          todo.push_back(ny * kCells + nx);
        }
      }
      return n;
    };
    struct Option {
      Heading Dir;
      int16_t Key;
      int Dx, Dy;
    };
    static constexpr Option kOptions[] = {{kLeft, kLeftKey, -16, 0},
                                          {kRight, kRightKey, 16, 0},
                                          {kUp, kUpKey, 0, -16},
                                          {kDown, kDownKey, 0, 16}};
    const auto reverse = [](int d) {
      return d == kLeft ? kRight : d == kRight ? kLeft : d == kUp ? kDown : kUp;
    };
    int16_t want = 0;
    long best = 1L << 40;
    std::vector<int16_t> safe;
    for (const Option& o : kOptions) {
      if (o.Dir == reverse(st.Direction)) continue;
      const int nx = st.HeadX + o.Dx;
      const int ny = st.HeadY + o.Dy;
      long cost = target >= 0 ? std::abs(st.ItemX[target] - nx) + std::abs(st.ItemY[target] - ny)
                              : (o.Dir == st.Direction ? 0 : 1);
      if (nx < 16 || nx > 368 || ny < 16 || ny > 368) {
        cost += 1L << 30;
      } else {
        const int cx = (nx - 16) / 16;
        const int cy = (ny - 16) / 16;
        if (blocked[cy * kCells + cx]) {
          cost += 1L << 26;
        } else if (room(cx, cy) < st.SnakeLength + 2) {
          cost += 1L << 22;
        }
      }
      if (cost < best) {
        best = cost;
        want = o.Key;
      }
      if (cost < (1L << 22)) safe.push_back(o.Key);
    }
    // Now and then a detour, so that seeker games differ from one another.
    if (!safe.empty() && Uniform(0, 39) == 0)
      want = safe[static_cast<size_t>(Uniform(0, static_cast<int>(safe.size()) - 1))];
    if (want == seekerKey_) return;
    if (seekerKey_ != 0) host_.KeyRelease(host_.Clock(), seekerKey_);
    if (want != 0) host_.KeyPress(host_.Clock(), want);
    seekerKey_ = want;
  }

  // A key pressed while the tick pumps: Escape there must end the game without the rest of the
  // tick drawing over the title.
  void InputDuringTick() {
    if (!inTick_ || S().InGame == 0 || seeking_ || Uniform(0, 19) != 0) return;
    static constexpr int16_t kKeys[] = {kEsc,      kEsc,     kSpace, kLeftKey, kUpKey,
                                        kRightKey, kDownKey, kMKey,  kSKey,    kSpace};
    const int16_t key = kKeys[Uniform(0, 9)];
    host_.KeyPress(host_.Clock(), key);
    host_.KeyRelease(host_.Clock() + Uniform(5, 300), key);
    ++totals_.KeysDuringTicks;
  }

  // The tick as the timer runs it, with the rules of play checked around it.
  void CheckedTick() {
    GameState& st = S();
    if (inTick_) Fail("a tick started inside another tick");
    if (st.InGame == 0) Fail("a tick ran while no game was being played");
    if (game_->GameSerial != serial_) {
      // First tick of a new game.
      serial_ = game_->GameSerial;
      ++totals_.Games;
      ticksThisGame_ = 0;
      gameStartedAt_ = host_.Clock();
      seeking_ = totals_.Games % seekerEvery_ == seekerEvery_ / 2;
      if (seeking_) ++totals_.SeekerGames;
      seekerKey_ = 0;
    }
    struct Guard {
      bool& Flag;
      explicit Guard(bool& f) : Flag(f) { Flag = true; }
      ~Guard() { Flag = false; }
    } guard(inTick_);

    exploded_ = false;
    try {
      tmrMain_Timer(*game_);
    } catch (const std::out_of_range& e) {
      Fail(std::string("array index out of bounds in the tick: ") + e.what());
    }
    ++totals_.Ticks;
    ++ticksThisGame_;
    CheckPlay();
    if (st.SnakeLength > totals_.LongestSnake) totals_.LongestSnake = st.SnakeLength;
    // A game that ended inside its tick with the explosion shown ended by a skull or a collision.
    if (game_->GameSerial != serial_ && exploded_) ++totals_.GamesEndedByCollision;
    if (seeking_ && st.InGame != 0) Seek();
    if (totals_.Ticks % 16 == 0) CheckMusic();
  }

  void CheckPlay() {
    const GameState& st = S();
    const int x = st.HeadX;
    const int y = st.HeadY;
    if (x % 2 != 0 || y % 2 != 0) Fail("head on an odd position");
    if (x < 16 || x > 368 || y < 16 || y > 368) Fail("head outside the field 16..368");
    if (st.Direction < kDown || st.Direction > kUp) Fail("direction not one of the four");
    const bool across =
        (st.Direction == kLeft || st.Direction == kRight) ? y % 16 == 0 : x % 16 == 0;
    if (!across) Fail("head off the grid across its direction");
    // With the length capped at 100 the trail is read at most at index 8 * 100 = 800.
    if (st.SnakeLength < 5 || st.SnakeLength > 100) Fail("snake length outside 5..100");
    if (st.Score < 0 || st.Score > 95) Fail("score outside 0..95");
    if (st.Score != st.SnakeLength - 5) Fail("score and length disagree");
    for (int k = 0; k < kItemSlots; ++k) {
      const int kind = st.ItemKind[k];
      if (kind < kFree || kind > kInvisible)
        Fail("item kind outside 0..4 in slot " + std::to_string(k));
      if (k == 0 || kind == kFree) continue;
      const int ix = st.ItemX[k];
      const int iy = st.ItemY[k];
      if (ix < 16 || ix > 368 || iy < 16 || iy > 368 || ix % 16 != 0 || iy % 16 != 0) {
        Fail("item " + std::to_string(k) + " off the 23 x 23 grid");
      }
    }
  }

  // On the finished title every pixel but the scroller's and the link label's is the title
  // picture; a tick or a sequence that drew on after its game ended would show up here.
  void CheckTitle(const Surface& image) {
    if (S().Busy != 0) exploded_ = true;
    if (S().InGame != 0 || S().Busy != 0 || game_->Starting() || game_->Revealing()) return;
    if (!game_->MainForm.tmrScrollText.Enabled) return;
    const Surface& title = game_->BufferFrm.picTitle;
    ++totals_.TitleFrames;
    const int phase = static_cast<int>(totals_.TitleFrames % 7);
    const bool sign = game_->Sign.tmrSign.Enabled;
    for (int y = phase; y < 380; y += 7) {
      for (int x = 0; x < 400; ++x) {
        if (y >= 52 && y < 62 && x >= 132 && x < 273) continue;
        if (sign && x >= kSwitchSignX && x < kSwitchSignX + kSwitchSignWidth && y >= kSwitchSignY &&
            y < kSwitchSignY + kSwitchSignHeight) {
          continue;  // M or S shows its plate over the frame, never in the picture
        }
        if (image.At(x, y) != title.At(x, y)) {
          Fail("title pixel (" + std::to_string(x) + "," + std::to_string(y) +
               ") differs from the title picture");
        }
      }
    }
  }

  // What the audio device would be handed now: silence whenever music is switched off.
  void CheckMusic() {
    if (!host_.Music) return;
    std::vector<int16_t> buffer(2 * 256, 0x5A5A);
    host_.Music(reinterpret_cast<uint8_t*>(buffer.data()), static_cast<int>(buffer.size() * 2));
    ++totals_.MusicRenders;
    bool any = false;
    for (int16_t v : buffer) any = any || v != 0;
    if (any) ++totals_.AudibleRenders;
    if (S().MusicOn == 0 && any) Fail("music heard while it is switched off");
  }

  void CheckUrls() {
    for (size_t i = urlsChecked_; i < host_.Urls.size(); ++i) {
      if (host_.Urls[i] != kHomePage) Fail("link opened \"" + host_.Urls[i] + "\"");
    }
    urlsChecked_ = host_.Urls.size();
    if (static_cast<long>(host_.Urls.size()) != expectedOpens_) {
      Fail("the link opened " + std::to_string(host_.Urls.size()) + " times for " +
           std::to_string(expectedOpens_) + " clicks on it outside a game");
    }
    totals_.UrlsOpened += static_cast<long>(host_.Urls.size()) - urlsCounted_;
    urlsCounted_ = static_cast<long>(host_.Urls.size());
  }

  std::mt19937_64& rng_;
  Totals& totals_;
  long gamesWanted_;
  long seekerEvery_;
  SoakHost host_;
  std::unique_ptr<Game> game_;
  uint32_t serial_ = 0;
  bool inTick_ = false;
  bool seeking_ = false;
  bool exploded_ = false;  // the game-over sequence refreshed the window during this tick
  int16_t seekerKey_ = 0;
  long ticksThisGame_ = 0;
  int64_t gameStartedAt_ = 0;
  const Game* live_ = nullptr;
  ReplayCheckingStore store_{live_, totals_};
  long expectedOpens_ = 0;
  std::unique_ptr<EventSink> sink_;
  size_t urlsChecked_ = 0;
  long urlsCounted_ = 0;
};

TEST(Soak, RandomGamesKeepEveryRuleOfPlay) {
  const auto seed =
      static_cast<uint64_t>(EnvNumber("FG_SOAK_SEED", static_cast<long>(kDefaultSeed)));
  const long games = EnvNumber("FG_SOAK_GAMES", kDefaultGames);
  const long seekerEvery = std::max(1L, EnvNumber("FG_SOAK_SEEKER_EVERY", kSeekerEvery));
  std::printf("soak: seed %llu, %ld games\n", static_cast<unsigned long long>(seed), games);
  std::fflush(stdout);  // on record even if the run dies
  std::mt19937_64 rng(seed);
  Totals totals;
  std::string failure;
  int fruitless = 0;  // program runs in a row that ended without a game
  while (totals.Games < games && failure.empty()) {
    Program program(rng, totals, games, seekerEvery);
    const long before = totals.Games;
    try {
      program.Run();
    } catch (const Violation& v) {
      failure = v.what();
    } catch (const std::exception& e) {
      failure = std::string("exception: ") + e.what() + " at " + program.Where();
    }
    fruitless = totals.Games == before ? fruitless + 1 : 0;
    if (fruitless > 50 && failure.empty()) {
      failure = "50 program runs in a row ended without a game being played";
    }
  }
  std::printf(
      "soak: seed %llu, %ld games (%ld by the seeker), %ld ticks, %ld program runs, "
      "%lld virtual seconds, %ld title frames checked, %ld music renders (%ld audible), "
      "%ld links opened, longest snake %d, %ld games ended by a skull or a collision, "
      "%ld keys pressed inside a tick; %ld kept games replayed alike, %.0f bytes of replay "
      "a minute of play\n",
      static_cast<unsigned long long>(seed), totals.Games, totals.SeekerGames, totals.Ticks,
      totals.Programs, static_cast<long long>(totals.VirtualMs / 1000), totals.TitleFrames,
      totals.MusicRenders, totals.AudibleRenders, totals.UrlsOpened, totals.LongestSnake,
      totals.GamesEndedByCollision, totals.KeysDuringTicks, totals.Replayed,
      static_cast<double>(totals.ReplayBytes) * 4000.0 /
          static_cast<double>(std::max<int64_t>(1, totals.ReplayTicks)));
  ASSERT_TRUE(failure.empty()) << failure << "\nreplay with FG_SOAK_SEED=" << seed
                               << " FG_SOAK_GAMES=" << games;
  // The tune beside the sources loads, so with music on some renders must be heard.
  EXPECT_GT(totals.AudibleRenders, 0);
  EXPECT_GT(totals.Replayed, totals.Games / 10);  // every game that scored is kept, and checked
}

}  // namespace
}  // namespace fg::test
