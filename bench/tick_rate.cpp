// How steadily the real backend's message loop delivers the 15 ms tick, and what the loop costs.
//
//   fg_tickrate game [seconds]           the real game on SdlHost, the worst-case layout played
//                                        along the lanes (100 segments, 99 items, music on)
//   fg_tickrate bare [seconds] [ms]      a bare window whose every pixel changes every `ms`
//                                        (default 15): the most a refresh can cost
//   fg_tickrate wake [seconds] [ms]      a bare window woken every `ms` with nothing to draw
//   fg_tickrate idle [seconds]           a bare window, shown, nothing to do
//
// The window's caption is "fg_tickrate <mode>", so a script can time its appearance.
//
// Run it under an X server (bench/measure.sh starts its own). It prints the tick count, the rate
// over the run, the spread of the intervals, and the CPU the process used.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/game.h"
#include "platform/sdl/sdl_host.h"
#include "play/play.h"
#include "screens/buffer_frm.h"
#include "shell/shell.h"
#include "sound/xmp_player.h"
#include "worst_case.h"

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The time of every tick.
struct TickLog {
  std::vector<Clock::time_point> At;
  void Mark() { At.push_back(Clock::now()); }
};

// The loop the program runs (block until something is due, dispatch), on a bare window.
void RunLoop(fg::SdlHost& host, int64_t until) {
  for (;;) {
    host.DoEvents();
    if (host.Clock() >= until) return;
    host.BlockUntil(until);
  }
}

// Peak resident memory so far, from /proc, in KiB (0 where /proc has no such line).
long PeakRssKib() {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (f == nullptr) return 0;
  char line[256];
  long kib = 0;
  while (std::fgets(line, sizeof line, f) != nullptr) {
    if (std::sscanf(line, "VmHWM: %ld", &kib) == 1) break;
  }
  std::fclose(f);
  return kib;
}

int Report(const char* mode, int interval, const TickLog& log, double cpu, double wall,
           bool onTrack) {
  std::printf("mode %s\n", mode);
  std::printf("cpu_percent %.2f\n", 100.0 * cpu / wall);
  std::printf("peak_rss_mib %.1f\n", static_cast<double>(PeakRssKib()) / 1024.0);
  if (interval <= 0) return 0;
  const size_t n = log.At.size();
  if (n < 3) {
    std::printf("ticks %zu\nerror too few ticks\n", n);
    return 1;
  }
  const double span = std::chrono::duration<double>(log.At.back() - log.At.front()).count();
  const double rate = static_cast<double>(n - 1) / span;
  const double nominal = 1000.0 / interval;
  std::vector<double> gaps;
  for (size_t i = 1; i < n; ++i) {
    gaps.push_back(std::chrono::duration<double, std::milli>(log.At[i] - log.At[i - 1]).count());
  }
  std::sort(gaps.begin(), gaps.end());
  const auto pick = [&](double q) {
    return gaps[static_cast<size_t>(q * static_cast<double>(gaps.size() - 1))];
  };
  std::printf("ticks %zu\n", n);
  std::printf("ticks_per_second %.3f\n", rate);
  std::printf("nominal_per_second %.3f\n", nominal);
  std::printf("deviation_percent %.3f\n", 100.0 * (rate - nominal) / nominal);
  std::printf("interval_ms min %.2f median %.2f p99 %.2f max %.2f\n", gaps.front(), pick(0.5),
              pick(0.99), gaps.back());
  if (!onTrack) std::printf("error the snake left its lanes or the game ended\n");
  return onTrack ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  // Line by line: the report stands even if the program is cut short on its way out.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  const std::string mode = argc > 1 ? argv[1] : "game";
  const int seconds = argc > 2 ? std::atoi(argv[2]) : 10;
  int interval = argc > 3 ? std::atoi(argv[3]) : 15;
  if ((mode != "game" && mode != "bare" && mode != "wake" && mode != "idle") || seconds <= 0 ||
      interval <= 0) {
    std::fprintf(stderr, "usage: fg_tickrate game|bare|wake|idle [seconds] [interval-ms]\n");
    return 2;
  }
  try {
    fg::SdlHost host;
    host.SetCaption("fg_tickrate " + mode);
    TickLog log;
    log.At.reserve(static_cast<size_t>(seconds) * 1000 / static_cast<size_t>(interval) + 16);
    double cpu0 = 0;
    Clock::time_point wall0;
    bool onTrack = true;

    if (mode == "game") {
      interval = 15;
      fg::Game game(host, std::make_unique<fg::XmpModulePlayer>(host));
      fg::AttachHandlers(game);
      int rc = 1;
      try {
        fg::Form_Load(game);  // the title reveal, the tune beside the executable
        host.ShowWindow();
        fg::bench::WorstCase play(game);
        fg::Timer& tick = game.MainForm.tmrMain;
        auto inner = tick.OnTick;
        tick.OnTick = [&] {
          log.Mark();
          play.Steer();
          inner();
          play.Advance();
        };
        fg::SetTimer(game, tick, true);
        cpu0 = CpuSeconds();
        wall0 = Clock::now();
        fg::RunMessageLoop(game, host.Clock() + seconds * 1000);
        onTrack = play.OnTrack();
        const double cpu = CpuSeconds() - cpu0;
        const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
        rc = Report("game", interval, log, cpu, wall, onTrack);
        fg::Form_Unload(game);  // closes the music as the program does, and ends
      } catch (const fg::ProgramEnd&) {
      }
      return rc;
    }

    fg::Surface image(400, 400, 0x1d3fa8);
    fg::Timer tick;
    if (mode == "bare" || mode == "wake") {
      tick.Interval = interval;
      const bool draw = mode == "bare";
      tick.OnTick = [&, draw] {
        log.Mark();
        if (!draw) return;
        // Every pixel changes, every time: the whole window goes to the display.
        for (uint32_t& p : image.Pixels) p ^= 0x00ffffff;
        host.Refresh(image);
      };
      tick.SetEnabled(true, host.Clock());
      host.AddTimer(&tick);
    } else {
      interval = 0;
    }
    host.ShowWindow();
    host.Refresh(image);
    cpu0 = CpuSeconds();
    wall0 = Clock::now();
    RunLoop(host, host.Clock() + seconds * 1000);
    const double cpu = CpuSeconds() - cpu0;
    const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
    return Report(mode.c_str(), interval, log, cpu, wall, true);
  } catch (const fg::HostError& e) {
    std::fprintf(stderr, "fg_tickrate: %s\n", e.what());
    return 1;
  }
}
