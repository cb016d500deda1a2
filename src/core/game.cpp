// The game object: its windows, timers and players, on one host.
#include "core/game.h"

namespace fg {

Game::Game(Host& host, std::unique_ptr<ModulePlayer> midas)
    : Machine(host), Midas(std::move(midas)) {
  // The scroller's timer runs from the window's creation.
  MainForm.tmrScrollText.Due = host.Clock() + MainForm.tmrScrollText.Interval;
  for (Timer* t : OwnTimers()) host.AddTimer(t);
}

Game::~Game() {
  // The host outlives its games: another may be made on it, beside this one or after it.
  for (Timer* t : OwnTimers()) Machine.RemoveTimer(t);
  Machine.SetSink(nullptr);
}

void EnterMode(Game& g, Mode m) {
  const auto inGame = [](Mode x) { return x == Mode::kPlay || x == Mode::kPaused; };
  if (inGame(g.Now) != inGame(m)) ++g.GameSerial;  // a game begins or ends [D2]
  g.Now = m;
  if (m == Mode::kTitle) g.Fame.IdleSince = g.Machine.Clock();  // the attract loop waits [D42]
  g.State.InGame = ToFlag(inGame(m));
  g.State.Busy = ToFlag(m == Mode::kGameOver);
}

}  // namespace fg
