// The key codes the host delivers to the game: the desktop's virtual-key numbers the game's
// handlers were written for. Letters are their capital's code, digits their own.
#pragma once

#include <cstdint>

namespace fg {

inline constexpr int16_t kKeyEscape = 27;
inline constexpr int16_t kKeySpace = 32;
inline constexpr int16_t kKeyLeft = 37;
inline constexpr int16_t kKeyUp = 38;
inline constexpr int16_t kKeyRight = 39;
inline constexpr int16_t kKeyDown = 40;
inline constexpr int16_t kKeyM = 'M';
inline constexpr int16_t kKeyS = 'S';
inline constexpr int16_t kKeyP = 'P';
inline constexpr int16_t kKeyC = 'C';     // copy a kept game's link, on its sign
inline constexpr int16_t kKeyH = 'H';     // the hall of fame, from the title
inline constexpr int16_t kKeyPause = 19;  // the Pause key
// A gamepad's Start button as a pause key; the host sends Space with it, which starts a game
// from the title. The desktop's code for a media Play key, which no keyboard handler of the
// game otherwise knows.
inline constexpr int16_t kKeyPadStart = 0xFA;
// A gamepad's B or Back button: Escape, but only where a player means it [D22]. The desktop's
// code for a browser's Back key, which no keyboard handler of the game otherwise knows.
inline constexpr int16_t kKeyPadBack = 0xA6;

}  // namespace fg
