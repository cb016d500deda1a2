// What a game pad means to the game, the same for every host: the keys its buttons send and the
// points at which its stick presses and lets go of an arrow. The desktop reads pads through SDL,
// the page through the browser's Gamepad API; both take these values from here.
#pragma once

#include <array>
#include <cstdint>

#include "platform/keys.h"

namespace fg {

// A stick pushed this far (of kStickFull) is a press; it must fall back below the release point
// to let go, so a stick resting near the threshold does not chatter.
inline constexpr int kStickFull = 32767;
inline constexpr int kStickPress = 16000;
inline constexpr int kStickRelease = 12000;

// The buttons the game answers, by their place on a pad with the usual layout.
enum class PadButton { kA, kB, kBack, kStart };

// The keys a pad's button is to the game, sent in this order (0: none). A is the keyboard's
// Space; B and Back are the pad's Escape, which quits only from a settled title [D22]. Start is a
// pause key and Space at once: in play it pauses, and Space means nothing there; outside play a
// pause key means nothing, and Space starts a game.
constexpr std::array<int16_t, 2> PadKeys(PadButton button) {
  switch (button) {
    case PadButton::kA:
      return {kKeySpace, 0};
    case PadButton::kStart:
      return {kKeyPadStart, kKeySpace};
    case PadButton::kB:
    case PadButton::kBack:
      return {kKeyPadBack, 0};
  }
  return {0, 0};
}

}  // namespace fg
