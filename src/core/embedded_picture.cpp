// The embedded pictures, decoded.
#include <stdexcept>
#include <string>

#include "core/embedded.h"
#include "gfx/picture.h"

namespace fg {

Surface LoadPicture(std::string_view name) {
  Surface s = DecodePicture(EmbeddedAsset(name));
  if (s.Width == 0)
    throw std::runtime_error("embedded picture missing or broken: " + std::string(name));
  return s;
}

}  // namespace fg
