# What the web page's build takes from elsewhere than Debian's libraries, which are native:
# fg_xmp, libxmp compiled from its source package, and fg_stb, the picture decoder compiled in.
# Included by the root CMakeLists under Emscripten's toolchain.
enable_language(C)

# The game ends by throwing ProgramEnd; the unwinding must work in the browser too.
add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fexceptions>)
add_link_options(-fexceptions)

# libxmp from Debian's source package (scripts/web.sh fetches it).
include(cmake/xmp_source.cmake)

# Debian ships stb_image as a library; here its implementation is compiled in, from Debian's
# header.
add_library(fg_stb STATIC ${PROJECT_SOURCE_DIR}/web/stb_image.c)
target_include_directories(fg_stb PUBLIC /usr/include/stb)
target_compile_options(fg_stb PRIVATE -w)
