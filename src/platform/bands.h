// A refresh sends only what changed: the scroller changes 17 rows of 400, a tick of play the
// rows its cells lie on. Changed rows are gathered in a few bands, nearby ones merged; each band
// is one request to the display, and it knows the columns that changed in it, so a host that
// can send part of a row (a tick's cells are 16 pixels of 400; in a large window the rest of
// the row would be most of the cost) need not send whole rows.
#pragma once

#include <span>

#include "gfx/surface.h"

namespace fg {

// Rows Y to Y + Rows - 1, of which only columns X to X + Width - 1 changed.
struct Band {
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Rows = 0;
  bool operator==(const Band&) const = default;
};

// Copies the rows of `image` that differ from `shown` into it and fills `bands` with them, top
// to bottom: a row joins the band above when at most `mergeGap` unchanged rows lie between, and
// every row joins the last band once all are used. Returns the number of bands (0: the same
// frame again). The two surfaces must be of one size.
int TakeChangedBands(const Surface& image, Surface& shown, std::span<Band> bands,
                     int mergeGap = 16);

}  // namespace fg
