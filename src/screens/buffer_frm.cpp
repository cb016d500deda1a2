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
  b.Playground = LoadPicture("Playground.png");
  b.picTitle = LoadPicture("picTitle.png");
  b.sprGobbix = LoadPicture("sprGobbix.png");
  b.sprStar = LoadPicture("sprStar.png");
  b.sprSkull = LoadPicture("sprSkull.png");
  b.sprStatus = LoadPicture("sprStatus.png");
  b.sprLink = LoadPicture("sprLink.png");
  b.picFonte = LoadPicture("picFonte.png");
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
