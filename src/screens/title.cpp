// The title reveal: ten passes of every tenth row, like a venetian blind, 50 ms apart.
#include "screens/title.h"

#include "core/game.h"
#include "core/rules.h"
#include "screens/buffer_frm.h"
#include "screens/scroller.h"
#include "support/wait.h"

namespace fg {

void ShowTitle(Game& g) {
  BufferFrmWindow& b = Buffers(g);
  MainFormWindow& f = g.MainForm;
  g.Revealing = true;  // Space waits for the end of the reveal [D3]
  for (int pass = 0; pass < kRevealPasses; ++pass) {
    for (int line = 0; line <= kImageSize; line += kRevealPasses) {
      const int y = line + pass;
      BitBlt(f.Image, 0, y, kImageSize, 1, b.picTitle, 0, y, SRCCOPY);
    }
    Refresh(g);
    Wait(g.Machine, kRevealPassMs);
  }
  g.State.ScrollPos = 0;
  g.State.ScrollShift = 0;
  BuildScrollBuffer(g, 0);
  SetTimer(g, f.tmrScrollText, true);
  g.Revealing = false;
}

}  // namespace fg
