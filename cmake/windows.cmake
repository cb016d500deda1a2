# What the Windows build takes from elsewhere than Debian's native libraries: SDL2 and
# SDL2_mixer cross-built from Debian's source packages into FG_WINDOWS_DEPS, libxmp compiled
# in from its source package, stb from Debian's headers. scripts/windows.sh prepares all of
# them and configures with cmake/mingw-w64-x86_64.cmake. Included by the root CMakeLists.
enable_language(C)
enable_language(RC)

set(FG_WINDOWS_DEPS "" CACHE PATH "Prefix of the cross-built SDL2 and SDL2_mixer")
list(PREPEND CMAKE_PREFIX_PATH ${FG_WINDOWS_DEPS})
find_package(SDL2 REQUIRED CONFIG)
find_package(SDL2_mixer REQUIRED CONFIG)
# The desktop's lists name SDL by pkg-config's targets; here the same names stand for the
# static libraries, so src/ and tests/ need no branch of their own for them.
add_library(PkgConfig::SDL2 INTERFACE IMPORTED)
target_link_libraries(PkgConfig::SDL2 INTERFACE SDL2::SDL2-static)
# SDL_main's WinMain is not wanted: the CRT calls main() for the GUI subsystem too.
target_compile_definitions(PkgConfig::SDL2 INTERFACE SDL_MAIN_HANDLED)
add_library(PkgConfig::SDL2_MIXER INTERFACE IMPORTED)
target_link_libraries(PkgConfig::SDL2_MIXER INTERFACE SDL2_mixer::SDL2_mixer-static
                                                      PkgConfig::SDL2)

include(cmake/xmp_source.cmake)

add_library(fg_stb STATIC ${PROJECT_SOURCE_DIR}/cmake/stb_full.c)
target_include_directories(fg_stb PUBLIC /usr/include/stb)
target_compile_options(fg_stb PRIVATE -w)
add_library(PkgConfig::STB ALIAS fg_stb)

# One executable with nothing beside it but its tune: the C++ runtime and the threads library
# linked in.
add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--dynamicbase -Wl,--nxcompat -Wl,--high-entropy-va)
# localtime_r and gmtime_r, which mingw-w64 declares (over localtime_s) when asked for them.
add_compile_definitions(_POSIX_THREAD_SAFE_FUNCTIONS)
# mingw-w64's headers lack two of the open() flags the module reader passes; they mean nothing
# for a regular file on Windows.
set(FG_WINDOWS_POSIX_FLAGS ${PROJECT_SOURCE_DIR}/src/platform/windows_open_flags.h)

# Version resource, icon and manifest for FenzoGobbix.exe.
set(FG_WINDOWS_DIR ${PROJECT_SOURCE_DIR}/packaging/windows)
string(REPLACE "." "," FG_VERSION_COMMAS ${PROJECT_VERSION})
set(FG_DESCRIPTION ${PROJECT_DESCRIPTION})
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/copyright FG_COPYRIGHT REGEX "^Copyright: " LIMIT_COUNT 1)
string(REGEX REPLACE "^Copyright: " "Copyright " FG_COPYRIGHT "${FG_COPYRIGHT}")
configure_file(${FG_WINDOWS_DIR}/FenzoGobbix.rc.in ${PROJECT_BINARY_DIR}/FenzoGobbix.rc @ONLY)
set(FG_WINDOWS_RESOURCES ${PROJECT_BINARY_DIR}/FenzoGobbix.rc)
set_property(SOURCE ${FG_WINDOWS_RESOURCES} APPEND PROPERTY OBJECT_DEPENDS
             ${FG_WINDOWS_DIR}/FenzoGobbix.ico ${FG_WINDOWS_DIR}/FenzoGobbix.manifest)
