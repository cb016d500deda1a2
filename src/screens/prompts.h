// The lines that tell the player what to press, in the words of the device in hand: key names
// for the keyboard, round buttons and the START pill for a pad, the page's own symbols for touch.
// [D47]
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "gfx/surface.h"
#include "platform/host.h"

namespace fg {

// One piece of a prompt line, set in the small font or drawn as a symbol.
struct PromptPiece {
  enum Kind : uint8_t {
    kKey,     // a key's name, in the font's gold
    kWords,   // what it does, in bone white
    kButton,  // a pad's button: a gold disc with its dark letter
    kPill,    // a pad's long button (START): a gold pill with its dark name
    kPlay,    // the page's resume symbol, a gold triangle
    kBars,    // the page's pause button, two gold bars
    kCross,   // the page's quit button, a gold cross
  };
  Kind What = kWords;
  std::string_view Text;  // the words, the key or the button's letter or name
  int Gap = 0;            // blank pixels before the piece, beyond the usual one
};

// Of one line in the words of the keyboard, a pad and a touch screen, that of `device`.
inline std::span<const PromptPiece> ForDevice(InputDevice device, std::span<const PromptPiece> key,
                                              std::span<const PromptPiece> pad,
                                              std::span<const PromptPiece> touch) {
  if (device == InputDevice::kPad) return pad;
  if (device == InputDevice::kTouch) return touch;
  return key;
}

// Pixels the pieces cover across, one blank column between them as between letters.
int PromptWidth(std::span<const PromptPiece> pieces);

// Draws the pieces with the top of their letters at y (buttons reach one pixel above and
// below); returns where a piece after them would go.
int DrawPrompt(Surface& dst, int x, int y, std::span<const PromptPiece> pieces);

}  // namespace fg
