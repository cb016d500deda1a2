/* The picture decoder's implementation, which the desktop build takes from Debian's library. */
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
