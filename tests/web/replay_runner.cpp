// Replays a recorded session on the headless host and prints the state it ends in, with
// checksums of the window image, so that the same game built by two toolchains can be compared
// line for line. Usage: replay_runner SCRIPT
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/embedded.h"
#include "core/game.h"
#include "gfx/surface.h"
#include "platform/headless/headless_host.h"
#include "shell/shell.h"

namespace {

using fg::ScriptedEvent;

// FNV-1a over the pixels, continuing from `h`.
uint64_t Fnv(const fg::Surface& s, uint64_t h = 0xcbf29ce484222325ULL) {
  for (uint32_t p : s.Pixels) {
    for (int i = 0; i < 4; ++i) {
      h ^= (p >> (8 * i)) & 0xFF;
      h *= 0x100000001b3ULL;
    }
  }
  return h;
}

std::vector<int> EffectIds(const fg::HeadlessHost& host) {
  std::vector<int> ids;
  for (const fg::PlayedWave& w : host.Waves) {
    int id = 0;
    for (int candidate : {101, 102, 103}) {
      const auto bytes = fg::EmbeddedAsset(std::to_string(candidate) + ".wav");
      if (bytes.size() == w.Image.size() &&
          std::equal(bytes.begin(), bytes.end(), w.Image.begin())) {
        id = candidate;
      }
    }
    ids.push_back(id);
  }
  return ids;
}

std::string Dump(fg::HeadlessHost& host, const fg::GameState& s) {
  std::ostringstream o;
  o << "clock " << host.Clock() << "\n"
    << "mode InGame " << s.InGame << " Busy " << s.Busy << "\n"
    << "head " << s.HeadX << " " << s.HeadY << " direction " << s.Direction << " speed " << s.Speed
    << "\n"
    << "length " << s.SnakeLength << " score " << s.Score << " growflash " << s.GrowFlash
    << " spawndelay " << s.SpawnDelay << "\n"
    << "hold left " << s.HoldLeft << " right " << s.HoldRight << " up " << s.HoldUp << " down "
    << s.HoldDown << "\n"
    << "link hover " << s.LinkHover << " scroll " << s.ScrollPos << " " << s.ScrollShift << "\n";
  o << "segments";
  for (int i = 1; i <= s.SnakeLength; ++i) o << " " << s.TrailX[8 * i] << "," << s.TrailY[8 * i];
  o << "\nitems\n";
  for (int k = 0; k < 100; ++k) {
    if (s.ItemKind[k] == 0 && k != 0) continue;
    o << "  " << k << ": kind " << s.ItemKind[k] << " at " << s.ItemX[k] << "," << s.ItemY[k]
      << " frame " << s.ItemFrame[k] << "\n";
  }
  o << "effects";
  for (int id : EffectIds(host)) o << " " << id;
  o << "\nrefreshes " << host.Refreshes << "\n";
  return o.str();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: replay_runner SCRIPT\n");
    return 2;
  }
  std::ifstream script(argv[1]);
  if (!script) {
    std::fprintf(stderr, "replay_runner: cannot read %s\n", argv[1]);
    return 2;
  }
  fg::HeadlessHost host;
  host.ExeDir = "/nonexistent-dir";
  std::vector<std::string> midasLog;
  fg::Game game(host, std::make_unique<fg::RecordingModulePlayer>(midasLog));
  fg::AttachHandlers(game);
  uint64_t frames = 0xcbf29ce484222325ULL;
  host.OnRefresh = [&frames](const fg::Surface& image) { frames = Fnv(image, frames); };

  std::string line;
  int64_t last = 0;
  while (std::getline(script, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream in(line);
    int64_t time = 0;
    std::string what;
    in >> time >> what;
    last = std::max(last, time);
    if (what == "down" || what == "up") {
      int code = 0;
      in >> code;
      host.At(time, what == "down" ? ScriptedEvent::kKeyDown : ScriptedEvent::kKeyUp,
              static_cast<int16_t>(code));
    } else if (what == "move" || what == "click") {
      float x = 0;
      float y = 0;
      in >> x >> y;
      host.At(time, what == "move" ? ScriptedEvent::kMouseMove : ScriptedEvent::kMouseDown, 1, x,
              y);
    }
  }
  bool ended = false;
  try {
    fg::Form_Load(game);
    host.ShowWindow();
    fg::RunMessageLoop(game, last + 5000);
  } catch (const fg::ProgramEnd&) {
    ended = true;
  }
  std::cout << Dump(host, game.State);
  std::printf("ended %d\nscreen %016llx\nframes %016llx\n", ended ? 1 : 0,
              static_cast<unsigned long long>(Fnv(host.Screen)),
              static_cast<unsigned long long>(frames));
  return 0;
}
