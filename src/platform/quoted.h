// Text from outside the program (an argument, a path from the environment) as a message repeats
// it: in quotes, escaped and cut, so that it can neither drive the terminal nor flood it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace fg {

// How many characters of an argument a message repeats: enough to recognise it, never a
// screenful.
inline constexpr size_t kEchoLimit = 64;
// A path is cut later: its end (the file's name) is what tells the player most.
inline constexpr size_t kPathEchoLimit = 160;

// `s` between single quotes with control characters (C0, DEL, C1), the marks that turn the text's
// direction, and every byte that is not part of well-formed UTF-8 escaped as \xNN (\n, \t, \r
// by name); at most `limit` characters between the quotes, "..." ending a cut one. [D18]
std::string Quoted(std::string_view s, size_t limit = kEchoLimit);

}  // namespace fg
