// Writes a long game made by the bench's player as a replay file, for --timedemo:
//   fg_make_replay FILE [TICKS]   (TICKS 40000, ten minutes, by default)
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "long_game.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: fg_make_replay FILE [TICKS]\n");
    return 2;
  }
  const long ticks = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 40000;
  const fg::Replay r = fg::bench::LongGame(ticks);
  const std::string code = fg::EncodeReplay(r);
  std::ofstream(argv[1]) << fg::FormatReplayFile(
      fg::FinishedGame{r.Score, r.Length, 1796680800, r.Ticks() * 15, code, {}});
  std::printf("%lld ticks, score %d length %d, code %zu bytes: %.0f bytes a minute of play\n",
              static_cast<long long>(r.Ticks()), r.Score, r.Length, code.size(),
              static_cast<double>(code.size()) * 4000.0 / static_cast<double>(r.Ticks()));
  return 0;
}
