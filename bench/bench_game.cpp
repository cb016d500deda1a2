// What each mode of the game costs per frame: the worst-case tick of play, the scroller's tick,
// one strip of the playground wipe, one explosion frame, and the refreshes that put a frame on
// screen (the real backend's and the test recorder's).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/game.h"
#include "long_game.h"
#include "platform/headless/headless_host.h"
#include "platform/sdl/sdl_host.h"
#include "play/play.h"
#include "play/replay_check.h"
#include "screens/buffer_frm.h"
#include "screens/scroller.h"
#include "screens/switch_sign.h"
#include "shell/shell.h"
#include "sound/xmp_player.h"
#include "worst_case.h"

namespace {

using fg::Game;

// The headless host without its recorder: a refresh is only counted, so what is measured is the
// game's own drawing. The refreshes themselves are measured on their own further down.
class CountingHost : public fg::HeadlessHost {
 public:
  void Refresh(const fg::Surface& /*image*/) override { ++Refreshes; }
};

// A game on the counting host, loaded as the program loads it (title revealed, scroller on).
struct HeadlessGame {
  CountingHost Host;
  Game G{Host, std::make_unique<fg::XmpModulePlayer>(Host)};

  HeadlessGame() {
    fg::AttachHandlers(G);
    Host.ExeDir = "/nonexistent-dir";  // silent: the music is not what is measured here
    fg::Form_Load(G);
    Host.ShowWindow();
  }

  // Space on the title, then the wipe on the virtual clock, up to the first tick.
  void Start() {
    Host.KeyPress(Host.Clock(), 32);
    while (G.State.InGame == 0) {
      Host.DoEvents();
      if (G.State.InGame == 0) Host.BlockUntil(Host.Clock() + 1);
    }
  }
};

// While a tick runs, the real message loop has its timer marked as inside the handler; the
// event pumps within the tick (random picks, sounds) then cannot start another tick.
void EnterTick(Game& g) {
  g.MainForm.tmrMain.Enabled = true;
  g.MainForm.tmrMain.Running = true;
}

void LeaveTick(Game& g) {
  g.MainForm.tmrMain.Running = false;
  g.MainForm.tmrMain.Enabled = false;
}

// The plate of M up for as long as a benchmark runs (its timer stopped), or taken away.
void HoldSwitchSign(Game& g, bool up) {
  if (up) fg::ShowSwitchSign(g, 'M');
  g.Sign.tmrSign.Enabled = false;
  if (!up) g.Sign = {};
}

// 100 segments, 99 items, a spawn every 200 ticks with its 15 event pumps, as in a long game.
void BM_TickWorstCase(benchmark::State& state) {
  HeadlessGame hg;
  hg.Start();
  fg::bench::WorstCase wc(hg.G);
  EnterTick(hg.G);
  hg.Host.Refreshes = 0;
  for (auto _ : state) wc.Tick();
  if (!wc.OnTrack()) state.SkipWithError("the snake left its lanes or the game ended");
  state.counters["refreshes_per_tick"] = benchmark::Counter(static_cast<double>(hg.Host.Refreshes),
                                                            benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_TickWorstCase)->Unit(benchmark::kMicrosecond);

// The same with the plate of M up: every refresh copies the image and puts the plate over it.
void BM_TickWorstCaseWithSwitchSign(benchmark::State& state) {
  HeadlessGame hg;
  hg.Start();
  fg::bench::WorstCase wc(hg.G);
  EnterTick(hg.G);
  HoldSwitchSign(hg.G, true);
  for (auto _ : state) wc.Tick();
  if (!wc.OnTrack()) state.SkipWithError("the snake left its lanes or the game ended");
  if (hg.G.Sign.Compose == nullptr) state.SkipWithError("the plate went");
}
BENCHMARK(BM_TickWorstCaseWithSwitchSign)->Unit(benchmark::kMicrosecond);

// The same, with every tick a spawning one: three random picks of five draws and a pump each.
void BM_TickWorstCaseSpawning(benchmark::State& state) {
  HeadlessGame hg;
  hg.Start();
  fg::bench::WorstCase wc(hg.G);
  EnterTick(hg.G);
  hg.Host.Pumps = 0;
  for (auto _ : state) {
    hg.G.State.SpawnDelay = 1;
    wc.Tick();
  }
  if (!wc.OnTrack()) state.SkipWithError("the snake left its lanes or the game ended");
  state.counters["pumps_per_tick"] =
      benchmark::Counter(static_cast<double>(hg.Host.Pumps), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_TickWorstCaseSpawning)->Unit(benchmark::kMicrosecond);

// Ten seconds of an ordinary game on the virtual clock, as the message loop runs it: Space on
// the title, the wipe, then the snake steered round a square (a turn every 0.6 s), eating what
// the spawns put in its way. What a second of play costs the game, refreshes aside.
void BM_PlaySession(benchmark::State& state) {
  int64_t ticks = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto hg = std::make_unique<HeadlessGame>();
    const int64_t t0 = hg->Host.Clock();
    hg->Host.KeyPress(t0, 32);
    const int16_t turns[4] = {38, 39, 40, 37};  // up, right, down, left: clockwise
    for (int i = 0; i < 17; ++i) {
      const int64_t at = t0 + 900 + 600 * i;
      hg->Host.KeyPress(at, turns[i % 4]);
      hg->Host.KeyRelease(at + 150, turns[i % 4]);
    }
    hg->G.MainForm.tmrMain.OnTick = [&ticks, &g = hg->G] {
      ++ticks;
      fg::tmrMain_Timer(g);
    };
    state.ResumeTiming();
    fg::RunMessageLoop(hg->G, t0 + 900 + 10000);
    state.PauseTiming();
    if (hg->G.State.InGame == 0) state.SkipWithError("the game ended before its ten seconds");
    hg.reset();
    state.ResumeTiming();
  }
  state.counters["ticks"] =
      benchmark::Counter(static_cast<double>(ticks), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_PlaySession)->Unit(benchmark::kMillisecond);

// The title's scroller: 2 pixels further, a new strip of glyphs every seventh step.
void BM_ScrollerTick(benchmark::State& state) {
  HeadlessGame hg;
  hg.G.MainForm.tmrScrollText.Enabled = false;  // called directly below
  hg.Host.Refreshes = 0;
  for (auto _ : state) fg::tmrScrollText_Timer(hg.G);
  state.counters["refreshes_per_tick"] = benchmark::Counter(static_cast<double>(hg.Host.Refreshes),
                                                            benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ScrollerTick)->Unit(benchmark::kMicrosecond);

// One strip of the playground wipe: 400 x 5 copied, then shown.
void BM_WipeStrip(benchmark::State& state) {
  HeadlessGame hg;
  const fg::Surface& playground = fg::Buffers(hg.G).Playground;
  int y = 0;
  for (auto _ : state) {
    fg::BitBlt(hg.G.MainForm.Image, 0, y, 400, 5, playground, 0, y, fg::SRCCOPY);
    fg::Refresh(hg.G);
    y = y >= 400 ? 0 : y + 5;
  }
}
BENCHMARK(BM_WipeStrip)->Unit(benchmark::kMicrosecond);

// One explosion frame: the cell's background back, the masked 16 x 16 frame over it, shown.
void BM_ExplosionFrame(benchmark::State& state) {
  HeadlessGame hg;
  const fg::BufferFrmWindow& b = fg::Buffers(hg.G);
  fg::Surface& w = hg.G.MainForm.Image;
  int f = 0;
  for (auto _ : state) {
    fg::BitBlt(w, 160, 176, 16, 16, b.Playground, 160, 176, fg::SRCCOPY);
    fg::DrawSprite(w, 160, 176, 16, 16, b.sprGobbix, f, 48, f, 32);
    fg::Refresh(hg.G);
    f = (f + 16) % 64;
  }
}
BENCHMARK(BM_ExplosionFrame)->Unit(benchmark::kMicrosecond);

// The test recorder keeps a copy of every frame: what a headless run pays per refresh.
void BM_RecorderRefresh(benchmark::State& state) {
  fg::HeadlessHost host;
  const fg::Surface image(400, 400, 0x1d3fa8);
  for (auto _ : state) {
    host.Refresh(image);
    benchmark::DoNotOptimize(host.Screen.Pixels.data());
  }
}
BENCHMARK(BM_RecorderRefresh)->Unit(benchmark::kMicrosecond);

// The real backend, once per program: a window and a game on it that stay until exit (the host
// keeps pointers to the game's timers, so the game must not go before it). Without a display
// of its own the window goes to SDL's off-screen driver; run under X with
// SDL_VIDEODRIVER=x11 to include the X server's share.
struct SdlGame {
  std::unique_ptr<fg::SdlHost> Host;
  std::unique_ptr<Game> G;
  std::string Error;
};

SdlGame& Sdl() {
  static SdlGame s = [] {
    SdlGame made;
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    try {
      made.Host = std::make_unique<fg::SdlHost>();
    } catch (const fg::HostError& e) {
      made.Error = e.what();
      return made;
    }
    made.G = std::make_unique<Game>(*made.Host, std::make_unique<fg::XmpModulePlayer>(*made.Host));
    fg::AttachHandlers(*made.G);
    made.G->MainForm.tmrScrollText.Enabled = false;  // nothing fires unless a benchmark asks
    fg::Buffers(*made.G);
    made.Host->ShowWindow();
    return made;
  }();
  return s;
}

// SdlHost::Refresh of a frame whose every pixel changed: the most one refresh can cost (the
// first frames of the title, the playground wipe's last strips).
void BM_SdlRefreshWhole(benchmark::State& state) {
  SdlGame& sdl = Sdl();
  if (!sdl.Host) return state.SkipWithError(sdl.Error.c_str());
  const fg::Surface* frames[2] = {&sdl.G->BufferFrm.Playground, &sdl.G->BufferFrm.picTitle};
  int i = 0;
  for (auto _ : state) {
    sdl.Host->Refresh(*frames[i]);
    i ^= 1;
  }
}
BENCHMARK(BM_SdlRefreshWhole)->Unit(benchmark::kMicrosecond);

// SdlHost::Refresh of the same frame again: what a refresh costs when nothing changed.
void BM_SdlRefreshSame(benchmark::State& state) {
  SdlGame& sdl = Sdl();
  if (!sdl.Host) return state.SkipWithError(sdl.Error.c_str());
  const fg::Surface& image = sdl.G->BufferFrm.Playground;
  for (auto _ : state) sdl.Host->Refresh(image);
}
BENCHMARK(BM_SdlRefreshSame)->Unit(benchmark::kMicrosecond);

// The title's scroller step as the program runs it: the drawing plus the real refresh.
void BM_ScrollerTickOnSdl(benchmark::State& state) {
  SdlGame& sdl = Sdl();
  if (!sdl.Host) return state.SkipWithError(sdl.Error.c_str());
  Game& g = *sdl.G;
  fg::BitBlt(g.MainForm.Image, 0, 0, 400, 400, g.BufferFrm.picTitle, 0, 0, fg::SRCCOPY);
  fg::BuildScrollBuffer(g, 0);
  fg::Refresh(g);
  for (auto _ : state) fg::tmrScrollText_Timer(g);
}
BENCHMARK(BM_ScrollerTickOnSdl)->Unit(benchmark::kMicrosecond);

// An event pump with nothing pending: a spawning tick runs fifteen of them.
void BM_SdlPumpIdle(benchmark::State& state) {
  SdlGame& sdl = Sdl();
  if (!sdl.Host) return state.SkipWithError(sdl.Error.c_str());
  for (auto _ : state) sdl.Host->DoEvents();
}
BENCHMARK(BM_SdlPumpIdle)->Unit(benchmark::kMicrosecond);

// The worst-case tick as the program runs it: the game's work plus the real refresh.
void BM_TickWorstCaseOnSdl(benchmark::State& state) {
  SdlGame& sdl = Sdl();
  if (!sdl.Host) return state.SkipWithError(sdl.Error.c_str());
  fg::bench::WorstCase wc(*sdl.G);
  EnterTick(*sdl.G);
  for (auto _ : state) wc.Tick();
  LeaveTick(*sdl.G);
  if (!wc.OnTrack()) state.SkipWithError("the snake left its lanes or the game ended");
}
BENCHMARK(BM_TickWorstCaseOnSdl)->Unit(benchmark::kMicrosecond);

// The same with the plate of M up.
void BM_TickWorstCaseOnSdlWithSwitchSign(benchmark::State& state) {
  SdlGame& sdl = Sdl();
  if (!sdl.Host) return state.SkipWithError(sdl.Error.c_str());
  fg::bench::WorstCase wc(*sdl.G);
  EnterTick(*sdl.G);
  HoldSwitchSign(*sdl.G, true);
  for (auto _ : state) wc.Tick();
  HoldSwitchSign(*sdl.G, false);
  LeaveTick(*sdl.G);
  if (!wc.OnTrack()) state.SkipWithError("the snake left its lanes or the game ended");
}
BENCHMARK(BM_TickWorstCaseOnSdlWithSwitchSign)->Unit(benchmark::kMicrosecond);

}  // namespace

namespace {

// A ten-minute game (40,000 ticks) re-simulated headless, as --timedemo and the check of a
// replay do it: the goal is at most 100 ms.
void BM_ReplayTenMinuteGame(benchmark::State& state) {
  const fg::Replay game = fg::bench::LongGame(40000);
  std::string problem;
  for (auto _ : state) {
    const auto end = fg::CheckReplay(game, &problem);
    if (!end) state.SkipWithError(problem.c_str());
    benchmark::DoNotOptimize(end);
  }
  state.counters["ticks"] = static_cast<double>(game.Ticks());
  state.counters["code_bytes"] = static_cast<double>(fg::EncodeReplay(game).size());
}
BENCHMARK(BM_ReplayTenMinuteGame)->Unit(benchmark::kMillisecond);

}  // namespace
