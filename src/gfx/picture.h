// Decoding PNG pictures into surfaces.
#pragma once

#include <cstdint>
#include <span>

#include "gfx/surface.h"

namespace fg {

// Decodes a PNG into 0x00RRGGBB pixels (alpha dropped). An undecodable image gives an empty
// surface.
Surface DecodePicture(std::span<const uint8_t> png);

// Decodes a PNG into 0xAARRGGBB pixels, alpha kept (the window icon).
Surface DecodePictureWithAlpha(std::span<const uint8_t> png);

}  // namespace fg
