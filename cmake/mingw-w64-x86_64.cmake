# Cross-compiling for 64-bit Windows with Debian's mingw-w64, the compilers with POSIX threads
# (std::thread and std::mutex need them). Used for SDL2, SDL2_mixer, GoogleTest and the game
# alike: scripts/windows.sh passes it to every configure.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(FG_MINGW_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${FG_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${FG_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${FG_MINGW_TRIPLE}-windres)

# Libraries and headers come from the mingw-w64 root and from the prefix the cross-built
# libraries are installed into (CMAKE_PREFIX_PATH, set by scripts/windows.sh); programs from
# the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${FG_MINGW_TRIPLE} ${CMAKE_PREFIX_PATH} ${FG_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Wine runs what was built, for try_run and for the tests that ctest starts.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
