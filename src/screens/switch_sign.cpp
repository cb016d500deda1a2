// The plate of M and S. It is put over a copy of the image at every refresh while it shows, so
// the field, the reveal and the scroller go on drawing under it untouched; its own timer takes
// it away and shows the window once more, for a paused game where nothing else would. [D27]
#include "screens/switch_sign.h"

#include <array>
#include <string_view>

#include "core/game.h"
#include "platform/keys.h"
#include "screens/buffer_frm.h"
#include "screens/font.h"
#include "screens/sign_plate.h"

namespace fg {

namespace {

constexpr char kNote = '\\';  // the font's note, among its small symbols
constexpr int kSymbolX = 5;   // the symbol's 14 x 16 cell inside the plate
constexpr int kSymbolY = 4;
constexpr int kWordsLeft = 21;  // what was switched, and to what, right of the symbol
constexpr int kNameY = 5;
constexpr int kStateY = 13;
constexpr uint32_t kNameColour = 0xE8E0D0;  // bone white, as the pause sign's line
constexpr uint32_t kOnColour = 0xFFC850;    // the font's gold
constexpr uint32_t kOffColour = 0xFF8C1A;   // the head's orange
constexpr uint32_t kStrike = 0xE0303C;      // the font's heart red
constexpr uint32_t kStrikeEdge = 0x1A1A1A;

// The speaker, in the font's way of drawing its glyphs: 11 x 13 of ink, bevelled in the note's
// blues, with the font's shadow one pixel down and right.
constexpr std::array<std::string_view, 13> kSpeaker = {
    ".....##....",  //
    "....###....",  //
    "...####..#.",  //
    "..#####...#",  //
    "#######.#.#",  //
    "#######.#.#",  //
    "#######.#.#",  //
    "#######.#.#",  //
    "#######.#.#",  //
    "..#####...#",  //
    "...####..#.",  //
    "....###....",  //
    ".....##....",  //
};
constexpr uint32_t kSpeakerLit = 0xC0E0FF;
constexpr uint32_t kSpeakerFace = 0x5AA0F0;
constexpr uint32_t kSpeakerShaded = 0x20508A;

bool Ink(int x, int y) {
  return y >= 0 && y < static_cast<int>(kSpeaker.size()) && x >= 0 &&
         x < static_cast<int>(kSpeaker[0].size()) &&
         kSpeaker[static_cast<size_t>(y)][static_cast<size_t>(x)] == '#';
}

int Empty(int x, int y) {
  return Ink(x, y) ? 0 : 1;
}

void Put(Surface& s, int x, int y, uint32_t colour) {
  if (x >= 0 && x < s.Width && y >= 0 && y < s.Height) s.At(x, y) = colour;
}

// The glyph's edges lit where the ink borders on nothing above or to the left, shaded where it
// does below or to the right: the font's bevel.
void DrawSpeaker(Surface& s, int x, int y) {
  const int h = static_cast<int>(kSpeaker.size());
  const int w = static_cast<int>(kSpeaker[0].size());
  for (int pass = 0; pass < 2; ++pass) {
    for (int gy = 0; gy < h; ++gy) {
      for (int gx = 0; gx < w; ++gx) {
        if (!Ink(gx, gy)) continue;
        if (pass == 0) {
          Put(s, x + gx + 1, y + gy + 1, kBlack);
          continue;
        }
        const int lit = 2 * (Empty(gx, gy - 1) + Empty(gx - 1, gy)) + Empty(gx - 1, gy - 1);
        const int shaded = 2 * (Empty(gx, gy + 1) + Empty(gx + 1, gy)) + Empty(gx + 1, gy + 1);
        Put(s, x + gx, y + gy,
            lit > shaded ? kSpeakerLit : (shaded > lit ? kSpeakerShaded : kSpeakerFace));
      }
    }
  }
}

// A red stroke across the symbol's cell, bottom left to top right, edged in black.
void StrikeThrough(Surface& s, int x, int y) {
  for (int i = 0; i < kGlyphWidth; ++i) {
    const int py = y + kGlyphHeight - 2 - i;
    Put(s, x + i, py - 1, kStrikeEdge);
    Put(s, x + i, py + 2, kStrikeEdge);
    Put(s, x + i, py, kStrike);
    Put(s, x + i, py + 1, kStrike);
  }
}

// A line of the small font centred in the room right of the symbol.
void DrawWord(Surface& s, int y, std::string_view word, uint32_t colour) {
  const int room = kSwitchSignWidth - kWordsLeft - 1;
  DrawSmallText(s, kSwitchSignX + kWordsLeft + (room - SmallTextWidth(word)) / 2, y, word, colour);
}

void ComposeSwitchSign(Game& g, Surface& shown) {
  const bool music = g.Sign.Key == kKeyM;
  const bool on = (music ? g.State.MusicOn : g.State.SoundOn) != 0;
  const int x = kSwitchSignX, y = kSwitchSignY;
  DrawSignPlate(shown, x, y, kSwitchSignWidth, kSwitchSignHeight);
  const int sx = x + kSymbolX, sy = y + kSymbolY;
  if (music) {
    DrawSignText(shown, Buffers(g).picFonte, sx, sy, std::string_view(&kNote, 1));
  } else {
    DrawSpeaker(shown, sx + 1, sy + 1);  // where the font's glyphs lie in their cell
  }
  if (!on) StrikeThrough(shown, sx, sy);
  DrawWord(shown, y + kNameY, music ? "MUSIC" : "SOUND", kNameColour);
  DrawWord(shown, y + kStateY, on ? "ON" : "OFF", on ? kOnColour : kOffColour);
}

// Inside a tick's own pumps the image is half drawn (the snake erased, not yet put back): the
// tick's refresh at its end shows the plate, or its going, soon enough.
bool HalfDrawn(const Game& g) {
  return g.MainForm.tmrMain.Running && g.State.InGame != 0;
}

void HideSwitchSign(Game& g) {
  SwitchSignState& sign = g.Sign;
  SetTimer(g, sign.tmrSign, false);
  sign.Key = 0;
  sign.Compose = nullptr;
  if (!HalfDrawn(g)) Refresh(g);
}

}  // namespace

void ShowSwitchSign(Game& g, int16_t key) {
  SwitchSignState& sign = g.Sign;
  sign.Key = key;
  sign.Compose = ComposeSwitchSign;
  sign.tmrSign.OnTick = [&g] { HideSwitchSign(g); };
  SetTimer(g, sign.tmrSign, false);  // a second press starts the time again
  SetTimer(g, sign.tmrSign, true);
  if (!HalfDrawn(g)) Refresh(g);
}

}  // namespace fg
