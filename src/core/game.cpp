// The game object: its windows, timers and players, on one host.
#include "core/game.h"

namespace fg {

Game::Game(Host& host, std::unique_ptr<ModulePlayer> midas)
    : Machine(host), Midas(std::move(midas)) {
  // The scroller's timer runs from the window's creation.
  MainForm.tmrScrollText.Due = host.Clock() + MainForm.tmrScrollText.Interval;
  host.AddTimer(&MainForm.tmrMain);
  host.AddTimer(&MainForm.tmrScrollText);
  host.AddTimer(&Sign.tmrSign);
}

Game::~Game() {
  Machine.SetSink(nullptr);
}

}  // namespace fg
