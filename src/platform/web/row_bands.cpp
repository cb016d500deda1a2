// Changed-row bands of the web host's canvas refresh.
#include "platform/web/row_bands.h"

#include <cstring>

namespace fg {

int TakeChangedRows(const Surface& image, Surface& shown, std::span<RowBand> bands, int mergeGap) {
  if (bands.empty()) return 0;
  const int w = shown.Width;
  const size_t rowBytes = static_cast<size_t>(w) * sizeof(uint32_t);
  int count = 0;
  const int most = static_cast<int>(bands.size());
  for (int y = 0; y < shown.Height; ++y) {
    const uint32_t* from = &image.Pixels[static_cast<size_t>(y) * w];
    uint32_t* to = &shown.Pixels[static_cast<size_t>(y) * w];
    if (std::memcmp(from, to, rowBytes) == 0) continue;
    std::memcpy(to, from, rowBytes);
    const bool join = count > 0 && (count == most ||
                                    y - (bands[count - 1].Y + bands[count - 1].Rows) <= mergeGap);
    if (join) {
      bands[count - 1].Rows = y + 1 - bands[count - 1].Y;
    } else {
      bands[count++] = RowBand{y, 1};
    }
  }
  return count;
}

}  // namespace fg
