// The open() flags of POSIX that mingw-w64's <fcntl.h> lacks, for code that reads a file
// through the C runtime's descriptors: a regular file never blocks, and the game starts no
// program that could inherit a descriptor. Taken into such files by the Windows build.
#pragma once

#include <fcntl.h>

#ifndef O_NONBLOCK
#define O_NONBLOCK 0
#endif
#ifndef O_CLOEXEC
#define O_CLOEXEC _O_NOINHERIT
#endif
