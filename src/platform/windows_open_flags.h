// The open() flags of POSIX that mingw-w64's <fcntl.h> lacks, for code that reads a file
// through the C runtime's descriptors: a regular file never blocks, and a descriptor is not
// inherited. Every file the game opens so is bytes, so the flag that every such open() passes
// also asks for binary mode: the C runtime's default, text mode, ends a read at the first ^Z
// and a tune after 37 bytes. Taken into such files by the Windows build.
// [D41]
#pragma once

#include <fcntl.h>

#ifndef O_NONBLOCK
#define O_NONBLOCK 0
#endif
#ifndef O_CLOEXEC
#define O_CLOEXEC (_O_NOINHERIT | _O_BINARY)
#endif
