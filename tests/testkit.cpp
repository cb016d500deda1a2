// Scenario helpers for tests on the headless host.
#include "testkit.h"

#include <algorithm>

#include "core/embedded.h"
#include "play/play.h"
#include "shell/shell.h"

namespace fg::test {

TestGame::TestGame()
    : G(std::make_unique<Game>(Host, std::make_unique<RecordingModulePlayer>(MidasLog))) {
  AttachHandlers(*G);
  Host.ExeDir = "/nonexistent-dir";
}

TestGame::TestGame(int64_t clockStart)
    : Host(clockStart),
      G(std::make_unique<Game>(Host, std::make_unique<RecordingModulePlayer>(MidasLog))) {
  AttachHandlers(*G);
  Host.ExeDir = "/nonexistent-dir";
}

TestGame::TestGame(std::unique_ptr<ModulePlayer> player) {
  struct Owning : RecordingModulePlayer {
    Owning(std::vector<std::string>& log, std::unique_ptr<ModulePlayer> p)
        : RecordingModulePlayer(log, p.get()), Inner(std::move(p)) {}
    std::unique_ptr<ModulePlayer> Inner;
  };
  G = std::make_unique<Game>(Host, std::make_unique<Owning>(MidasLog, std::move(player)));
  AttachHandlers(*G);
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
