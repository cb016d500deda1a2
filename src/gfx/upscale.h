// Nearest-neighbour enlargement of part of an image by a whole factor: every pixel becomes an
// s x s block. The window shows the game's 400 x 400 image this way on large screens, so each
// refresh enlarges only the rows that changed, straight into the window's own pixels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gfx/surface.h"

namespace fg {

// Enlarges the w x h rectangle at (x, y) of `src` by `scale` into `dst`, whose first pixel is
// where the rectangle's top-left block goes and whose rows lie `dstPitch` bytes apart. Writes
// exactly w*scale x h*scale pixels; the caller keeps the rectangle inside `src`.
void UpscaleNearest(const Surface& src, int x, int y, int w, int h, int scale, uint32_t* dst,
                    ptrdiff_t dstPitch);

}  // namespace fg
