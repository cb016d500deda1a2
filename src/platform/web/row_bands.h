// The canvas gets only what changed: the scroller changes 17 rows of 400, a tick of play the
// rows its cells lie on, and each band of whole rows is one putImageData.
#pragma once

#include <cstdint>
#include <span>

#include "gfx/surface.h"

namespace fg {

struct RowBand {
  int Y = 0;
  int Rows = 0;
};

// Copies the rows of `image` that differ from `shown` into it and fills `bands` with them,
// merging a row into the band above when at most `mergeGap` unchanged rows lie between, and
// every row into the last band once all are used. Returns the number of bands (0: same frame).
// The two surfaces must be of one size.
int TakeChangedRows(const Surface& image, Surface& shown, std::span<RowBand> bands,
                    int mergeGap = 16);

}  // namespace fg
