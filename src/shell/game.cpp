// The game object and the border where the host's input becomes form events.
#include "shell/game.h"

#include "gfx/scroller.h"
#include "play/play.h"
#include "shell/shell.h"

namespace fg {

namespace {

class FormEvents : public EventSink {
 public:
  explicit FormEvents(Game& g) : g_(g) {}
  void KeyDown(int16_t keyCode) override { Form_KeyDown(g_, keyCode, 0); }
  void KeyUp(int16_t keyCode) override { Form_KeyUp(g_, keyCode, 0); }
  void MouseMove(float x, float y) override { Form_MouseMove(g_, 0, 0, x, y); }
  void MouseDown(int16_t button, float x, float y) override { Form_MouseDown(g_, button, 0, x, y); }
  void CloseRequest() override { Form_Unload(g_); }

 private:
  Game& g_;
};

}  // namespace

Game::Game(Host& host, std::unique_ptr<ModulePlayer> midas)
    : Machine(host), Midas(std::move(midas)), Events(std::make_unique<FormEvents>(*this)) {
  MainForm.tmrMain.OnTick = [this] { tmrMain_Timer(*this); };
  MainForm.tmrScrollText.OnTick = [this] { tmrScrollText_Timer(*this); };
  // The scroller's timer runs from the window's creation.
  MainForm.tmrScrollText.Due = host.Clock() + MainForm.tmrScrollText.Interval;
  host.AddTimer(&MainForm.tmrMain);
  host.AddTimer(&MainForm.tmrScrollText);
  host.SetSink(Events.get());
}

Game::~Game() {
  Machine.SetSink(nullptr);
}

}  // namespace fg
