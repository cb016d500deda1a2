// Pictures and sound effects carried inside the executable, looked up by their file name.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "gfx/surface.h"

namespace fg {

// The bytes of the embedded file `name` (for example "picTitle.png"), empty when unknown.
std::span<const uint8_t> EmbeddedAsset(std::string_view name);

// The embedded picture `name`; throws std::runtime_error when it is missing or broken, which
// only a broken build can cause.
Surface LoadPicture(std::string_view name);

}  // namespace fg
