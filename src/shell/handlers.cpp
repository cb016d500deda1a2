// The border where the host's input and timer ticks become the game window's handlers.
#include "core/game.h"
#include "play/pause.h"
#include "play/play.h"
#include "screens/scroller.h"
#include "shell/shell.h"

namespace fg {

namespace {

class FormEvents : public EventSink {
 public:
  explicit FormEvents(Game& g) : g_(g) {}
  void KeyDown(int16_t keyCode) override {
    Stir();
    Form_KeyDown(g_, keyCode, 0);
  }
  void KeyUp(int16_t keyCode) override {
    Stir();
    Form_KeyUp(g_, keyCode, 0);
  }
  void MouseMove(float x, float y) override { Form_MouseMove(g_, 0, 0, x, y); }
  void MouseDown(int16_t button, float x, float y) override {
    Stir();
    Form_MouseDown(g_, button, 0, x, y);
  }
  void CloseRequest() override { Form_Unload(g_); }
  void FocusLost() override { Form_LostFocus(g_); }
  bool Clickable(float x, float y) const override { return ClickActs(g_, x, y); }
  void DeviceUsed(InputDevice device) override { fg::DeviceUsed(g_, device); }  // [D47]

 private:
  // Keys, buttons and clicks put the attract loop off; a mouse merely moved does not. [D42]
  void Stir() { g_.Fame.IdleSince = g_.Machine.Clock(); }
  Game& g_;
};

}  // namespace

void AttachHandlers(Game& g) {
  g.MainForm.tmrMain.OnTick = [&g] { tmrMain_Timer(g); };
  g.MainForm.tmrScrollText.OnTick = [&g] { tmrScrollText_Timer(g); };
  g.Events = std::make_unique<FormEvents>(g);
  g.Machine.SetSink(g.Events.get());
}

}  // namespace fg
