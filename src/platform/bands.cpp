#include "platform/bands.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace fg {

int TakeChangedBands(const Surface& image, Surface& shown, std::span<Band> bands, int mergeGap) {
  if (bands.empty()) return 0;
  const int w = shown.Width;
  const size_t rowBytes = static_cast<size_t>(w) * sizeof(uint32_t);
  const int most = static_cast<int>(bands.size());
  int count = 0;
  for (int y = 0; y < shown.Height; ++y) {
    const uint32_t* from = &image.Pixels[static_cast<size_t>(y) * w];
    uint32_t* to = &shown.Pixels[static_cast<size_t>(y) * w];
    if (std::memcmp(from, to, rowBytes) == 0) continue;
    int left = 0;
    while (from[left] == to[left]) ++left;
    int right = w - 1;
    while (from[right] == to[right]) --right;
    std::memcpy(to, from, rowBytes);
    const bool join = count > 0 && (count == most ||
                                    y - (bands[count - 1].Y + bands[count - 1].Rows) <= mergeGap);
    if (join) {
      Band& b = bands[count - 1];
      const int end = std::max(b.X + b.Width, right + 1);
      b.X = std::min(b.X, left);
      b.Width = end - b.X;
      b.Rows = y + 1 - b.Y;
    } else {
      bands[count++] = Band{left, y, right + 1 - left, 1};
    }
  }
  return count;
}

}  // namespace fg
