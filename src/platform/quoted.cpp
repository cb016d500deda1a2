// Escaping and cutting outside text for a message. [D18]
#include "platform/quoted.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace fg {

namespace {

std::string Hex(unsigned char c) {
  static constexpr char kHex[] = "0123456789abcdef";
  return std::string{'\\', 'x', kHex[c >> 4], kHex[c & 15]};
}

// The length of the well-formed UTF-8 sequence at the start of `s` (overlong forms, surrogates
// and code points beyond U+10FFFF are not), or 0.
size_t SequenceLength(std::string_view s) {
  const auto at = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char c = at(0);
  size_t n = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    if (c == 0xE0) low = 0xA0;
    if (c == 0xED) high = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (s.size() < n || at(1) < low || at(1) > high) return 0;
  for (size_t i = 2; i < n; ++i) {
    if (at(i) < 0x80 || at(i) > 0xBF) return 0;
  }
  return n;
}

// The code point of a well-formed sequence of `n` bytes.
char32_t CodePoint(std::string_view s, size_t n) {
  const auto c = static_cast<unsigned char>(s[0]);
  char32_t cp = n == 2 ? c & 0x1F : n == 3 ? c & 0x0F : c & 0x07;
  for (size_t i = 1; i < n; ++i) cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
  return cp;
}

// C1 controls, and the marks that reorder what follows them on the line.
bool Hidden(char32_t cp) {
  return (cp >= 0x80 && cp <= 0x9F) || cp == 0x061C || cp == 0x200E || cp == 0x200F ||
         (cp >= 0x202A && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069);
}

// One character as a message shows it, and how many bytes of `s` it took.
std::pair<std::string, size_t> EchoedCharacter(std::string_view s) {
  const auto c = static_cast<unsigned char>(s[0]);
  if (c == '\n') return {"\\n", 1};
  if (c == '\t') return {"\\t", 1};
  if (c == '\r') return {"\\r", 1};
  if (c < 0x20 || c == 0x7F) return {Hex(c), 1};
  if (c < 0x80) return {std::string(1, s[0]), 1};
  const size_t n = SequenceLength(s);
  if (n == 0) return {Hex(c), 1};  // a stray byte, 0x9B (an 8-bit CSI) among them
  if (!Hidden(CodePoint(s, n))) return {std::string(s.substr(0, n)), n};
  std::string text;
  for (size_t i = 0; i < n; ++i) text += Hex(static_cast<unsigned char>(s[i]));
  return {text, n};
}

// How many characters a terminal shows for a piece of EchoedCharacter's text.
size_t Shown(std::string_view text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

}  // namespace

std::string Quoted(std::string_view s, size_t limit) {
  std::vector<std::string> pieces;
  size_t width = 0;
  for (size_t at = 0; at < s.size();) {
    auto [text, used] = EchoedCharacter(s.substr(at));
    width += Shown(text);
    pieces.push_back(std::move(text));
    at += used;
  }
  std::string body;
  const size_t room = width <= limit ? limit : limit - 3;
  width = 0;
  for (const std::string& piece : pieces) {
    if (width + Shown(piece) > room) break;
    width += Shown(piece);
    body += piece;
  }
  if (room < limit) body += "...";
  return "'" + body + "'";
}

}  // namespace fg
