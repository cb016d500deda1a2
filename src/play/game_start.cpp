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
  g.Starting = true;
  SetTimer(g, f.tmrScrollText, false);

  // 81 strips of 5 rows, the last one below the window; each is shown and paced.
  for (int y = 0; y <= kImageSize; y += kWipeStripRows) {
    BitBlt(f.Image, 0, y, kImageSize, kWipeStripRows, b.Playground, 0, y, SRCCOPY);
    Refresh(g);
    Wait(g.Machine, kWipeStepMs);
  }

  s.Score = 0;
  s.HeadX = kStartX;
  s.HeadY = kStartY;
  s.Direction = kLeft;
  s.Speed = kStartSpeed;
  s.SnakeLength = kStartLength;
  s.GrowFlash = 0;
  // The trail continues the starting row to the right, so early growth extends it.
  for (int i = 1; i < kTrailSize; ++i) {
    s.TrailX[i] = static_cast<Integer>(kStartSpeed * i + s.HeadX);
    s.TrailY[i] = kStartY;
  }
  // Items are never cleared: those of the last game stay where they were. [K11]
  s.SpawnDelay = kFirstSpawnDelay;
  g.PlayTicks = 0;
  PlayEffect(g, kEffectStart);
  s.InGame = kTrue;
  ++g.GameSerial;
  g.Starting = false;
  SetTimer(g, f.tmrMain, true);
}

}  // namespace fg
