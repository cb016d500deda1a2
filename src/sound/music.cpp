// The music procedures. Only the two handles are ever tested: greater than 0 means valid.
#include "sound/music.h"

#include "core/game.h"

namespace fg {

void InitMusic(Game& g) {
  GameState& s = g.State;
  ModulePlayer& m = *g.Midas;
  if (s.MusicModule > 0) StopMusic(g, true);
  m.MIDASstartup();
  m.MIDASinit();
  m.MIDASstartBackgroundPlay(100);
  m.MIDASopenChannels(50);
  s.MusicModule = m.MIDASloadModule(s.MusicPath);
  m.MIDASsetAmplification(90);
}

void PlayMusic(Game& g, bool loop) {
  GameState& s = g.State;
  if (s.MusicOn == 0) return;
  if (s.MusicModule <= 0) return;
  s.MusicPlayback = g.Midas->MIDASplayModule(s.MusicModule, loop ? kTrue : kFalse);
}

void StopMusic(Game& g, bool free) {
  GameState& s = g.State;
  if (s.MusicPlayback > 0) g.Midas->MIDASstopModule(s.MusicPlayback);
  s.MusicPlayback = 0;
  if (!free) return;
  if (s.MusicModule > 0) g.Midas->MIDASfreeModule(s.MusicModule);
  s.MusicModule = 0;
}

}  // namespace fg
