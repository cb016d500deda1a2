// Raster copies: a masked 16 x 16 sprite and a whole-window copy.
#include <benchmark/benchmark.h>

#include "gfx/surface.h"

namespace {

void BM_MaskedSprite16(benchmark::State& state) {
  fg::Surface window(400, 400, 0x303030);
  fg::Surface sheet(80, 64, 0x2f6fe0);
  for (int y = 0; y < 16; ++y) {
    for (int x = 64; x < 80; ++x)
      sheet.At(x, y) = ((x - 72) * (x - 72) + (y - 8) * (y - 8) < 49) ? fg::kBlack : fg::kWhite;
  }
  for (auto _ : state) {
    fg::DrawSprite(window, 160, 176, 16, 16, sheet, 64, 0, 16, 0);
    benchmark::DoNotOptimize(window.Pixels.data());
  }
}
BENCHMARK(BM_MaskedSprite16);

void BM_WindowCopy400(benchmark::State& state) {
  fg::Surface window(400, 400);
  fg::Surface picture(400, 400, 0x1d3fa8);
  for (auto _ : state) {
    fg::BitBlt(window, 0, 0, 400, 400, picture, 0, 0, fg::SRCCOPY);
    benchmark::DoNotOptimize(window.Pixels.data());
  }
}
BENCHMARK(BM_WindowCopy400);

}  // namespace
