// PNG decoding through stb_image. PNG is lossless, so pure black and pure white survive and
// the AND/OR masks work.
#include "gfx/picture.h"

#include <stb_image.h>

namespace fg {

namespace {

Surface Decode(std::span<const uint8_t> png, bool keepAlpha) {
  int w = 0;
  int h = 0;
  int channels = 0;
  stbi_uc* rgba =
      stbi_load_from_memory(png.data(), static_cast<int>(png.size()), &w, &h, &channels, 4);
  if (rgba == nullptr) return {};
  Surface s(w, h);
  for (size_t i = 0; i < s.Pixels.size(); ++i) {
    const stbi_uc* p = rgba + i * 4;
    uint32_t v = (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | uint32_t{p[2]};
    if (keepAlpha) v |= uint32_t{p[3]} << 24;
    s.Pixels[i] = v;
  }
  stbi_image_free(rgba);
  return s;
}

}  // namespace

Surface DecodePicture(std::span<const uint8_t> png) {
  return Decode(png, false);
}

Surface DecodePictureWithAlpha(std::span<const uint8_t> png) {
  return Decode(png, true);
}

}  // namespace fg
