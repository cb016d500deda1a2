// Game start: the playground wiped in strip by strip, the snake reset, the tick started.
#include "core/game.h"
#include "core/rules.h"
#include "play/play.h"
#include "screens/buffer_frm.h"
#include "sound/effects.h"
#include "support/wait.h"

namespace fg {

void StartGame(Game& g) {
  GameState& s = g.State;
  MainFormWindow& f = g.MainForm;
  const BufferFrmWindow& b = Buffers(g);
  // While the wipe runs the key handler ignores Space, so a game never starts twice. [D3]
  EnterMode(g, Mode::kWipe);
  SetTimer(g, f.tmrScrollText, false);

  // 81 strips of 5 rows, the last one below the window; each is shown and paced.
  for (int y = 0; y <= kImageSize; y += kWipeStripRows) {
    BitBlt(f.Image, 0, y, kImageSize, kWipeStripRows, b.Playground, 0, y, SRCCOPY);
    Refresh(g);
    Wait(g.Machine, kWipeStepMs);
  }

  ResetSnake(s);  // the items of the last game stay [K11]
  // The game's replay starts from its course as it begins, and gets the steering of each tick.
  g.Recording = Replay{s, {}};
  PlayEffect(g, kEffectStart);
  EnterMode(g, Mode::kPlay);
  SetTimer(g, f.tmrMain, true);
}

}  // namespace fg
