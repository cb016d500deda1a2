// Start-up and shut-down of the game window, and the message loop.
#include <string>

#include "core/embedded.h"
#include "core/game.h"
#include "core/player_record.h"
#include "gfx/picture.h"
#include "play/pause.h"
#include "play/play.h"
#include "screens/buffer_frm.h"
#include "screens/title.h"
#include "shell/shell.h"
#include "sound/music.h"

namespace fg {

void PrepareWindow(Game& g) {
  GameState& s = g.State;
  g.MainForm.Caption =
      "Fenzo Gobbix v" + std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor);
  g.Machine.SetCaption(g.MainForm.Caption);
  g.Machine.SetIcon(DecodePictureWithAlpha(EmbeddedAsset("icon32.png")));
  // The tune lies beside the executable. Where that directory cannot be found the path stays
  // empty and no music plays: never a file of that name from wherever the player stands. [D8]
  const std::string dir = g.Machine.ExecutableDir();
  if (!dir.empty()) s.MusicPath = dir + (dir.back() == '/' ? "" : "/") + "FenzoGobbix.snd";
  g.Machine.Breathe();
  InitMusic(g);
  g.Machine.Breathe();
  // M and S as the player last left them; on a first run both on.
  LoadPlayerRecord(g);
  EnterMode(g, Mode::kTitle);
  g.Machine.Breathe();
  LoadBufferFrm(g);
  PlayMusic(g, true);
}

void Form_Load(Game& g) {
  PrepareWindow(g);
  // Drawn into the persistent image while the window is still hidden: it appears complete.
  ShowTitle(g);
}

void CloseMusic(Game& g) {
  if (g.State.MusicModule > 0) StopMusic(g, true);
  g.Midas->MIDAScloseChannels();
  g.Midas->MIDASstopBackgroundPlay();
  g.Midas->MIDASclose();
}

void Form_Unload(Game& g) {
  KeepRecordAtEnd(g);  // games a held or full store could not take yet [D29]
  CloseMusic(g);
  // Unwinds whatever sequence is waiting; none of them resumes.
  throw ProgramEnd{};
}

void RunPending(Game& g) {
  // First for a pause asked for during the tick just run: if that tick ended the game, the
  // pause goes with it here, before a held-back Space starts the next one. Then for one asked
  // for during that start's wipe. [D3] [D15]
  TakePendingPause(g);
  if (g.StartPending && !g.Revealing() && !g.Starting()) {
    g.StartPending = false;
    if (g.State.InGame == 0 && g.State.Busy == 0) StartGame(g);
  }
  TakePendingPause(g);
}

void RunMessageLoop(Game& g, int64_t until) {
  for (;;) {
    g.Machine.DoEvents();
    RunPending(g);
    RetryRecord(g);
    if (g.Machine.Clock() >= until) return;
    g.Machine.BlockUntil(until);
  }
}

}  // namespace fg
