// Key names and pointer scaling of the web host.
#include "platform/web/page_input.h"

#include <array>
#include <cstdint>
#include <string>
#include <utility>

#include "platform/keys.h"
#include "platform/pad_map.h"

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

std::string PageValues() {
  const std::pair<const char*, int16_t> keys[] = {
      {"escape", kKeyEscape}, {"space", kKeySpace}, {"left", kKeyLeft},
      {"up", kKeyUp},         {"right", kKeyRight}, {"down", kKeyDown},
      {"p", kKeyP},           {"m", kKeyM},         {"s", kKeyS}};
  // The browser's standard mapping numbers the buttons: 0 A, 1 B, 8 Back, 9 Start, 12 to 15 the
  // D-pad's up, down, left and right.
  const std::pair<int, PadButton> buttons[] = {
      {0, PadButton::kA}, {1, PadButton::kB}, {8, PadButton::kBack}, {9, PadButton::kStart}};
  const std::pair<int, int16_t> arrows[] = {
      {12, kKeyUp}, {13, kKeyDown}, {14, kKeyLeft}, {15, kKeyRight}};
  std::string out = "{\"keys\":{";
  for (const auto& [name, code] : keys) {
    if (out.back() != '{') out += ',';
    out += '"' + std::string(name) + "\":" + std::to_string(code);
  }
  out += "},\"padButtons\":[";
  for (const auto& [number, button] : buttons) {
    if (out.back() != '[') out += ',';
    out += '[' + std::to_string(number);
    for (const int16_t code : PadKeys(button)) {
      if (code != 0) out += ',' + std::to_string(code);
    }
    out += ']';
  }
  out += "],\"padArrows\":[";
  for (const auto& [number, code] : arrows) {
    if (out.back() != '[') out += ',';
    out += '[' + std::to_string(number) + ',' + std::to_string(code) + ']';
  }
  out += R"(],"stick":{"press":)" + std::to_string(kStickPress) +
         ",\"release\":" + std::to_string(kStickRelease) +
         ",\"full\":" + std::to_string(kStickFull) + "}}";
  return out;
}

}  // namespace fg
