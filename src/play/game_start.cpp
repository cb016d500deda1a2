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
  // While the wipe runs the key handler ignores Space, so a game never starts twice.
  g.Starting = true;
  SetTimer(g, f.tmrScrollText, false);

  // 81 strips of 5 rows, the last one below the window; each is shown and paced.
  for (f.StartCounter = 0; f.StartCounter <= 400; f.StartCounter += 5) {
    BitBlt(f.Image, 0, f.StartCounter, 400, 5, b.Playground, 0, f.StartCounter, SRCCOPY);
    Refresh(g);
    Wait(g.Machine, 10);
  }

  s.Score = 0;
  s.HeadX = kStartX;
  s.HeadY = kStartY;
  s.Direction = kLeft;
  s.Speed = kStartSpeed;
  s.SnakeLength = kStartLength;
  s.GrowFlash = 0;
  // The trail continues the starting row to the right, so early growth extends it.
  for (f.StartCounter = 1; f.StartCounter < kTrailSize; ++f.StartCounter) {
    s.TrailX[f.StartCounter] = static_cast<Integer>(kStartSpeed * f.StartCounter + s.HeadX);
    s.TrailY[f.StartCounter] = kStartY;
  }
  // Items are never cleared: those of the last game stay where they were.
  s.SpawnDelay = kFirstSpawnDelay;
  g.PlayTicks = 0;
  PlayEffect(g, kEffectStart);
  s.InGame = kTrue;
  ++g.GameSerial;
  g.Starting = false;
  SetTimer(g, f.tmrMain, true);
}

}  // namespace fg
