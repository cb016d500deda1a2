// A game on the headless host, with helpers to script and run it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/game.h"
#include "gfx/surface.h"
#include "platform/headless/headless_host.h"
#include "platform/keys.h"
#include "platform/module_player.h"

namespace fg {

// A module player that keeps what a real one would be doing and hands the calls on to another
// player; without one it answers with handles of its own (a load succeeds when the file can be
// read). A call out of place counts as a stray.
class RecordingModulePlayer : public ModulePlayer {
 public:
  explicit RecordingModulePlayer(ModulePlayer* inner = nullptr) : inner_(inner) {}

  void MIDASstartBackgroundPlay(int32_t rate) override;
  int32_t MIDASloadModule(const std::string& path) override;
  void MIDASsetAmplification(int32_t amplification) override;
  int32_t MIDASplayModule(int32_t module, int32_t loop) override;
  void MIDASstopModule(int32_t playback) override;
  void MIDASfreeModule(int32_t module) override;
  void MIDAScloseChannels() override;
  void MIDASstopBackgroundPlay() override;
  void MIDASclose() override;

  struct Playback {
    int32_t Module = 0;
    bool Loop = false;
  };
  int32_t Rate = 0;                      // asked of the background play
  bool Background = false;               // rendering by itself
  bool Closed = false;                   // MIDASclose came
  int32_t Amplification = 100;           // the music's volume, 100 = unity
  std::map<int32_t, std::string> Files;  // loaded module handle -> its file
  std::map<int32_t, Playback> Playing;   // playback handle -> what it plays
  int StrayHandles = 0;                  // calls with a handle that was not live, or out of order

 private:
  ModulePlayer* inner_;
  int32_t nextHandle_ = 1;
};

}  // namespace fg

namespace fg::test {

// A record kept in memory only: what a fresh account looks like.
class MemoryRecordStore : public RecordStore {
 public:
  std::optional<std::string> Load(const Merge& /*check*/) override { return FormatRecord(Stored); }
  bool Commit(const Merge& merge, bool /*last*/) override {
    ++Commits;
    std::string problem;
    const std::optional<std::string> text = merge(FormatRecord(Stored), problem);
    if (Fail || !text) return false;
    Stored = ParseRecord(*text).value();
    return true;
  }

  PlayerRecord Stored;
  bool Fail = false;  // every commit fails, as on a full disk or a lock held elsewhere
  int Commits = 0;
};

constexpr int16_t kEsc = kKeyEscape;
constexpr int16_t kSpace = kKeySpace;
constexpr int16_t kLeftKey = kKeyLeft;
constexpr int16_t kUpKey = kKeyUp;
constexpr int16_t kRightKey = kKeyRight;
constexpr int16_t kDownKey = kKeyDown;
constexpr int16_t kMKey = kKeyM;
constexpr int16_t kSKey = kKeyS;

struct TestGame {
  MemoryRecordStore Memory;  // the record: a fresh account, no games yet, both switches on
  HeadlessHost Host;
  std::unique_ptr<Game> G;

  // A fresh game whose module player records its calls (a load succeeds for a readable file).
  TestGame();
  // Same, with the given player behind the recorder.
  explicit TestGame(std::unique_ptr<ModulePlayer> player);
  // A fresh game whose virtual clock starts at `clockStart` milliseconds.
  explicit TestGame(int64_t clockStart);

  GameState& S() { return G->State; }
  RecordingModulePlayer& Player() { return static_cast<RecordingModulePlayer&>(*G->Midas); }
  Surface& Image() { return G->MainForm.Image; }

  // Runs start-up as the program does, then shows the window.
  void Load();
  // The message loop until the virtual clock reaches `until`; returns true when the program
  // ended (Escape on the title, a close request) on the way.
  bool RunUntil(int64_t until);
  // Loads, presses Space and runs until the game's tick is about to start; returns the clock.
  int64_t LoadAndStart();
  // LoadAndStart, with the next spawn put off beyond any test's horizon.
  int64_t StartQuiet();
  // StartQuiet, with the head parked at the left border on a skull in slot 1: the next tick
  // ends the game.
  int64_t StartOnSkull();
  // Presses Space now and runs until the new game is on, before its first tick.
  int64_t StartFromTitle();
  // Runs exactly one tick of play now.
  void Tick();
  // Ids of the effects played so far, in order.
  std::vector<int> Effects() const;
};

// A kept game that plays back, its end moved to `ended`: a game left alone with `stars` stars
// ahead of the snake and a skull beyond them; with `standMs`, one whose head stands at the
// left border that long before it is steered onto a skull.
FinishedGame PlayableGame(int64_t ended, int stars = 1, int64_t standMs = 0);

// The field positions an item spawns at are fixed by the generator; put an item somewhere.
void PlaceItem(GameState& s, int slot, int x, int y, int16_t kind);

// True when the 16 x 16 cell at (x, y) of a equals that of b.
bool SameCell(const Surface& a, const Surface& b, int x, int y, int w = 16, int h = 16);

}  // namespace fg::test
