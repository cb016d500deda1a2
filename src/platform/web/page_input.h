// What the page's input means to the game: DOM key names to the key codes the form handlers
// know, and pointer positions on a CSS-scaled canvas back to the window's own pixels.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace fg {

// Windows virtual-key code for a KeyboardEvent's `key`, or 0 for keys the game has no use for.
// Letters give the capital's code whatever Shift or Caps Lock say, as on the desktop.
int16_t VirtualKeyFromDom(std::string_view key);

// Keys whose browser action (scrolling, find, closing a dialog) the page holds back while the
// canvas has focus: the ones the game plays with.
bool KeyKeptFromBrowser(int16_t code);

// A coordinate in CSS pixels across an element `cssSize` wide that shows `pixels` pixels.
float ToWindowPixels(double css, double cssSize, int pixels);

// What the page's own controls send, as JSON for the page: the key codes by name, the buttons
// and D-pad of a pad with the browser's standard mapping (button number, then the keys it sends,
// from platform/pad_map.h) and the stick's press and release points out of its full tilt.
std::string PageValues();

}  // namespace fg
