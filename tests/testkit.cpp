// Scenario helpers for tests on the headless host.
#include "testkit.h"

#include <algorithm>
#include <fstream>

#include "core/embedded.h"
#include "play/play.h"
#include "shell/shell.h"

namespace fg {

void RecordingModulePlayer::MIDASstartBackgroundPlay(int32_t rate) {
  Rate = rate;
  Background = true;
  if (inner_) inner_->MIDASstartBackgroundPlay(rate);
}

int32_t RecordingModulePlayer::MIDASloadModule(const std::string& path) {
  if (!Background) ++StrayHandles;  // a module is loaded into a running player
  int32_t handle = 0;
  if (inner_) {
    handle = inner_->MIDASloadModule(path);
  } else {
    std::ifstream f(path, std::ios::binary);
    if (f && f.peek() != std::ifstream::traits_type::eof()) handle = nextHandle_++;
  }
  if (handle > 0) Files[handle] = path;
  return handle;
}

void RecordingModulePlayer::MIDASsetAmplification(int32_t amplification) {
  Amplification = amplification;
  if (inner_) inner_->MIDASsetAmplification(amplification);
}

int32_t RecordingModulePlayer::MIDASplayModule(int32_t module, int32_t loop) {
  if (!Files.contains(module) || !Background) ++StrayHandles;
  const int32_t handle = inner_ ? inner_->MIDASplayModule(module, loop) : nextHandle_++;
  if (handle > 0) Playing[handle] = {module, loop != 0};
  return handle;
}

void RecordingModulePlayer::MIDASstopModule(int32_t playback) {
  if (Playing.erase(playback) == 0) ++StrayHandles;
  if (inner_) inner_->MIDASstopModule(playback);
}

void RecordingModulePlayer::MIDASfreeModule(int32_t module) {
  if (Files.erase(module) == 0) ++StrayHandles;
  std::erase_if(Playing, [module](const auto& p) { return p.second.Module == module; });
  if (inner_) inner_->MIDASfreeModule(module);
}

void RecordingModulePlayer::MIDAScloseChannels() {
  Playing.clear();
  if (inner_) inner_->MIDAScloseChannels();
}

void RecordingModulePlayer::MIDASstopBackgroundPlay() {
  Background = false;
  if (inner_) inner_->MIDASstopBackgroundPlay();
}

void RecordingModulePlayer::MIDASclose() {
  if (Background) ++StrayHandles;  // the player is stopped before it is closed
  Background = false;
  Closed = true;
  Files.clear();
  Playing.clear();
  if (inner_) inner_->MIDASclose();
}

}  // namespace fg

namespace fg::test {

TestGame::TestGame() : G(std::make_unique<Game>(Host, std::make_unique<RecordingModulePlayer>())) {
  AttachHandlers(*G);
  Host.Store = &Memory;
  Host.ExeDir = "/nonexistent-dir";
}

TestGame::TestGame(int64_t clockStart)
    : Host(clockStart), G(std::make_unique<Game>(Host, std::make_unique<RecordingModulePlayer>())) {
  AttachHandlers(*G);
  Host.Store = &Memory;
  Host.ExeDir = "/nonexistent-dir";
}

TestGame::TestGame(std::unique_ptr<ModulePlayer> player) {
  struct Owning : RecordingModulePlayer {
    explicit Owning(std::unique_ptr<ModulePlayer> p)
        : RecordingModulePlayer(p.get()), Inner(std::move(p)) {}
    std::unique_ptr<ModulePlayer> Inner;
  };
  G = std::make_unique<Game>(Host, std::make_unique<Owning>(std::move(player)));
  AttachHandlers(*G);
  Host.Store = &Memory;
}

void TestGame::Load() {
  StartProgram(*G);
}

bool TestGame::RunUntil(int64_t until) {
  try {
    RunMessageLoop(*G, until);
  } catch (const ProgramEnd&) {
    return true;
  }
  return false;
}

int64_t TestGame::LoadAndStart() {
  Load();
  return StartFromTitle();
}

int64_t TestGame::StartQuiet() {
  const int64_t now = LoadAndStart();
  S().SpawnDelay = 1000;
  return now;
}

int64_t TestGame::StartOnSkull() {
  const int64_t now = StartQuiet();
  S().HeadX = 16;
  PlaceItem(S(), 1, 16, 176, kSkull);
  return now;
}

int64_t TestGame::StartFromTitle() {
  const int64_t t = Host.Clock();
  Host.KeyPress(t, kSpace);
  // Run until the game is on and before its first tick.
  while (S().InGame == 0) {
    Host.DoEvents();
    if (S().InGame == 0) Host.BlockUntil(Host.Clock() + 1);
  }
  return Host.Clock();
}

void TestGame::Tick() {
  tmrMain_Timer(*G);
}

std::vector<int> TestGame::Effects() const {
  std::vector<int> ids;
  for (const PlayedWave& w : Host.Waves) {
    int id = 0;
    for (int candidate : {101, 102, 103}) {
      const auto bytes = EmbeddedAsset(std::to_string(candidate) + ".wav");
      if (bytes.size() == w.Image.size() &&
          std::equal(bytes.begin(), bytes.end(), w.Image.begin())) {
        id = candidate;
      }
    }
    ids.push_back(id);
  }
  return ids;
}

void PlaceItem(GameState& s, int slot, int x, int y, int16_t kind) {
  s.ItemX[slot] = static_cast<Integer>(x);
  s.ItemY[slot] = static_cast<Integer>(y);
  s.ItemFrame[slot] = 0;
  s.ItemKind[slot] = kind;
}

bool SameCell(const Surface& a, const Surface& b, int x, int y, int w, int h) {
  for (int yy = y; yy < y + h; ++yy) {
    for (int xx = x; xx < x + w; ++xx) {
      if (a.At(xx, yy) != b.At(xx, yy)) return false;
    }
  }
  return true;
}

}  // namespace fg::test

namespace fg::test {

FinishedGame PlayableGame(int64_t ended, int stars, int64_t standMs) {
  // A game played to its end: stars in a row ahead of the snake, a skull two cells on; or,
  // with standMs, the head standing at the left border until it is steered up onto a skull.
  TestGame t;
  t.LoadAndStart();
  for (int i = 0; i < stars; ++i) {
    PlaceItem(t.S(), 1 + i, static_cast<int>(kStartX - (2 + i) * kCell), kStartY, kStar1);
  }
  if (standMs == 0) {
    PlaceItem(t.S(), 1 + stars, static_cast<int>(kStartX - (3 + stars) * kCell), kStartY, kSkull);
  } else {
    PlaceItem(t.S(), 1 + stars, kFieldMin, kStartY - 3 * kCell, kSkull);
    t.Host.KeyPress(t.Host.Clock() + standMs, kUpKey);
  }
  t.S().Random = RandomSource(12345);  // unlike a fresh game's, so a leak into one shows
  t.G->Recording.Start = t.S();        // the star was there from the first tick
  t.RunUntil(t.Host.Clock() + standMs + 15000);
  if (t.G->Record.Best.empty()) return FinishedGame{-1, -1, ended, 0, {}, {}};
  FinishedGame game = t.G->Record.Best.front();
  game.Ended = ended;
  return game;
}

}  // namespace fg::test
