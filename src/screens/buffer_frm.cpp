// Loading the hidden window: every picture decoded once at start-up, then only read.
#include "screens/buffer_frm.h"

#include "core/embedded.h"
#include "core/game.h"
#include "screens/font.h"
#include "screens/scroller.h"

namespace fg {

void LoadBufferFrm(Game& g) {
  BufferFrmWindow& b = g.BufferFrm;
  if (b.Loaded) return;
  // Decoding them all at once is the longest stretch of start-up.
  const auto load = [&g](std::string_view name) {
    Surface picture = LoadPicture(name);
    g.Machine.Breathe();
    return picture;
  };
  b.Playground = load("Playground.png");
  b.picTitle = load("picTitle.png");
  b.sprGobbix = load("sprGobbix.png");
  b.sprStar = load("sprStar.png");
  b.sprSkull = load("sprSkull.png");
  b.sprStatus = load("sprStatus.png");
  b.sprLink = load("sprLink.png");
  b.picFonte = load("picFonte.png");
  b.picScrollBuffer = Surface(kScrollStripCells * kGlyphWidth, 2 * kGlyphHeight, kBlack);
  b.Loaded = true;
}

}  // namespace fg

namespace fg {

BufferFrmWindow& Buffers(Game& g) {
  if (!g.BufferFrm.Loaded) LoadBufferFrm(g);
  return g.BufferFrm;
}

}  // namespace fg
