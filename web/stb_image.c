/* The picture decoder's implementation, which the desktop build takes from Debian's library.
   The page's pictures are all PNGs held in memory: the other formats' decoders, the file
   readers and the floating-point paths stay out (24 KB less of the program once packed). */
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
