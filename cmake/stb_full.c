/* The picture decoder and writer whole, for builds where Debian's libstb (a native library)
   cannot be linked: Windows. The headers are Debian's libstb-dev. */
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image.h>
#include <stb_image_write.h>
