// The title reveal: ten passes of every tenth row, like a venetian blind, 50 ms apart.
#include "screens/title.h"

#include "core/game.h"
#include "screens/buffer_frm.h"
#include "screens/scroller.h"
#include "support/wait.h"

namespace fg {

void ShowTitle(Game& g) {
  BufferFrmWindow& b = Buffers(g);
  MainFormWindow& f = g.MainForm;
  g.Revealing = true;
  for (f.RevealPass = 0; f.RevealPass <= 9; ++f.RevealPass) {
    for (f.RevealLine = 0; f.RevealLine <= 400; f.RevealLine += 10) {
      const int y = f.RevealLine + f.RevealPass;
      BitBlt(f.Image, 0, y, 400, 1, b.picTitle, 0, y, SRCCOPY);
    }
    Refresh(g);
    Wait(g.Machine, 50);
  }
  g.State.ScrollPos = 0;
  g.State.ScrollShift = 0;
  BuildScrollBuffer(g, 0);
  SetTimer(g, f.tmrScrollText, true);
  g.Revealing = false;
}

}  // namespace fg
