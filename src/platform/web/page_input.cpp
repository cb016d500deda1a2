// Key names and pointer scaling of the web host.
#include "platform/web/page_input.h"

namespace fg {

int16_t VirtualKeyFromDom(std::string_view key) {
  if (key == "Escape" || key == "Esc") return 27;
  if (key == " " || key == "Spacebar") return 32;
  if (key == "ArrowLeft" || key == "Left") return 37;
  if (key == "ArrowUp" || key == "Up") return 38;
  if (key == "ArrowRight" || key == "Right") return 39;
  if (key == "ArrowDown" || key == "Down") return 40;
  if (key == "Pause") return 19;
  if (key.size() != 1) return 0;
  const char c = key[0];
  if (c >= 'a' && c <= 'z') return static_cast<int16_t>(c - 'a' + 'A');
  if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
  return 0;
}

bool KeyKeptFromBrowser(int16_t code) {
  switch (code) {
    case 19:  // Pause
    case 27:  // Escape
    case 32:  // Space
    case 37:
    case 38:
    case 39:
    case 40:  // the arrows
    case 'M':
    case 'P':
    case 'S':
      return true;
    default:
      return false;
  }
}

float ToWindowPixels(double css, double cssSize, int pixels) {
  if (cssSize <= 0) return static_cast<float>(css);
  return static_cast<float>(css * pixels / cssSize);
}

}  // namespace fg
