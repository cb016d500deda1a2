// Raster copies: a masked 16 x 16 sprite, a whole-window copy, the enlargement of a refresh.
#include <benchmark/benchmark.h>

#include <vector>

#include "gfx/surface.h"
#include "gfx/upscale.h"

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

// The enlargement a refresh does at 2x and 3x: the scroller's band of 17 rows (the title's
// every refresh), a tick's band of one row of cells, and the whole image (the first frame, a
// resize), each into a window-sized buffer.
void BM_UpscaleRefresh(benchmark::State& state) {
  const int scale = static_cast<int>(state.range(0));
  const int rows = static_cast<int>(state.range(1));
  fg::Surface image(400, 400);
  for (size_t i = 0; i < image.Pixels.size(); ++i)
    image.Pixels[i] = static_cast<uint32_t>(i * 2654435761U) & 0xFFFFFF;
  const int side = 400 * scale;
  std::vector<uint32_t> window(static_cast<size_t>(side) * side);
  const int y = 400 - rows;
  for (auto _ : state) {
    fg::UpscaleNearest(image, 0, y, 400, rows, scale,
                       &window[static_cast<size_t>(y) * scale * side],
                       static_cast<ptrdiff_t>(side) * 4);
    benchmark::DoNotOptimize(window.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(rows) * scale * side * 4);
}
BENCHMARK(BM_UpscaleRefresh)
    ->ArgNames({"scale", "rows"})
    ->ArgsProduct({{1, 2, 3}, {16, 17, 400}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
