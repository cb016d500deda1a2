// Key names and pointer scaling of the web host.
#include "platform/web/page_input.h"

#include "platform/keys.h"

namespace fg {

int16_t VirtualKeyFromDom(std::string_view key) {
  if (key == "Escape" || key == "Esc") return kKeyEscape;
  if (key == " " || key == "Spacebar") return kKeySpace;
  if (key == "ArrowLeft" || key == "Left") return kKeyLeft;
  if (key == "ArrowUp" || key == "Up") return kKeyUp;
  if (key == "ArrowRight" || key == "Right") return kKeyRight;
  if (key == "ArrowDown" || key == "Down") return kKeyDown;
  if (key == "Pause") return kKeyPause;
  if (key.size() != 1) return 0;
  const char c = key[0];
  if (c >= 'a' && c <= 'z') return static_cast<int16_t>(c - 'a' + 'A');
  if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
  return 0;
}

bool KeyKeptFromBrowser(int16_t code) {
  switch (code) {
    case kKeyPause:
    case kKeyEscape:
    case kKeySpace:
    case kKeyLeft:
    case kKeyUp:
    case kKeyRight:
    case kKeyDown:
    case kKeyM:
    case kKeyP:
    case kKeyS:
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
