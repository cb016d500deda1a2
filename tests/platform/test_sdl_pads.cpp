// Pads through the real backend: SDL's virtual controller stands in for a USB pad, under the
// dummy video driver. Background events are allowed, as the dummy window never has the focus.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/keys.h"
#include "platform/sdl/sdl_host.h"
#include "platform/sdl_test_util.h"

namespace fg {
namespace {

using Strings = std::vector<std::string>;

struct PadDrivers {
  PadDrivers() {
    SDL_setenv("SDL_VIDEODRIVER", "dummy", 1);
    SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
    SDL_setenv("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS", "1", 1);
  }
};

// A pad of the standard layout, plugged in on construction.
class VirtualPad {
 public:
  explicit VirtualPad(Uint16 product) {
    SDL_InitSubSystem(SDL_INIT_JOYSTICK);  // the host quits it with everything else
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.vendor_id = 0x1209;  // pid.codes: open hardware
    desc.product_id = product;
    desc.button_mask = (1U << SDL_CONTROLLER_BUTTON_MAX) - 1;
    desc.axis_mask = (1U << SDL_CONTROLLER_AXIS_MAX) - 1;
    desc.name = "Test Pad";
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    EXPECT_GE(index, 0) << SDL_GetError();
    joystick_ = SDL_JoystickOpen(index);
    EXPECT_NE(joystick_, nullptr) << SDL_GetError();
    id_ = SDL_JoystickInstanceID(joystick_);
  }
  VirtualPad(const VirtualPad&) = delete;
  VirtualPad& operator=(const VirtualPad&) = delete;

  void Button(int button, bool down) {
    SDL_JoystickSetVirtualButton(joystick_, button, down ? 1 : 0);
  }
  void Axis(int axis, int value) {
    SDL_JoystickSetVirtualAxis(joystick_, axis, static_cast<Sint16>(value));
  }
  SDL_JoystickID Id() const { return id_; }
  std::string Guid() const {
    char text[64];
    SDL_JoystickGetGUIDString(SDL_JoystickGetGUID(joystick_), text, sizeof text);
    return text;
  }
  // Pulled out of its socket, whatever it holds.
  void Unplug() {
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
      if (SDL_JoystickGetDeviceInstanceID(i) == id_) {
        SDL_JoystickClose(joystick_);
        joystick_ = nullptr;
        SDL_JoystickDetachVirtual(i);
        return;
      }
    }
    ADD_FAILURE() << "the pad is not plugged in";
  }

 private:
  SDL_Joystick* joystick_ = nullptr;
  SDL_JoystickID id_ = -1;
};

// The host with a recording sink, shown, its pending events taken.
struct PadHost {
  SdlHost Host;
  test::RecordingSink Sink;
  PadHost() {
    Host.SetSink(&Sink);
    Host.ShowWindow();
    Host.DoEvents();
  }
  Strings Events() {
    Host.DoEvents();
    Strings all = Sink.Take();
    // Presentation and focus are not the pads' business here.
    all.erase(std::remove(all.begin(), all.end(), "focus lost"), all.end());
    return all;
  }
};

std::string Down(int16_t code) {
  return "down " + std::to_string(code);
}
std::string Up(int16_t code) {
  return "up " + std::to_string(code);
}

TEST(SdlPads, PadsPluggedInBeforeAndAfterStartBothPlay) {
  PadDrivers drivers;
  VirtualPad early(0x0001);
  PadHost h;
  EXPECT_EQ(SdlHostProbe::PadCount(h.Host), 1);
  VirtualPad late(0x0002);
  h.Host.DoEvents();
  EXPECT_EQ(SdlHostProbe::PadCount(h.Host), 2);

  for (VirtualPad* pad : {&early, &late}) {
    // Start is a pause key and Space at once: the game pauses in play and starts from the title.
    const std::pair<int, std::vector<int16_t>> buttons[] = {
        {SDL_CONTROLLER_BUTTON_A, {kKeySpace}},
        {SDL_CONTROLLER_BUTTON_START, {kKeyPadStart, kKeySpace}},
        {SDL_CONTROLLER_BUTTON_B, {kKeyPadBack}},
        {SDL_CONTROLLER_BUTTON_BACK, {kKeyPadBack}},
        {SDL_CONTROLLER_BUTTON_DPAD_LEFT, {kKeyLeft}},
        {SDL_CONTROLLER_BUTTON_DPAD_UP, {kKeyUp}},
        {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, {kKeyRight}},
        {SDL_CONTROLLER_BUTTON_DPAD_DOWN, {kKeyDown}}};
    for (const auto& [button, codes] : buttons) {
      Strings downs;
      Strings ups;
      for (int16_t code : codes) {
        downs.push_back(Down(code));
        ups.push_back(Up(code));
      }
      pad->Button(button, true);
      EXPECT_EQ(h.Events(), downs) << "button " << button;
      pad->Button(button, false);
      EXPECT_EQ(h.Events(), ups) << "button " << button;
    }
    // Buttons the game has no use for say nothing.
    pad->Button(SDL_CONTROLLER_BUTTON_X, true);
    pad->Button(SDL_CONTROLLER_BUTTON_LEFTSHOULDER, true);
    pad->Axis(SDL_CONTROLLER_AXIS_RIGHTX, 30000);
    pad->Axis(SDL_CONTROLLER_AXIS_TRIGGERLEFT, 30000);
    EXPECT_EQ(h.Events(), Strings{});
  }
}

TEST(SdlPads, OnePushOfTheStickIsOnePress) {
  PadDrivers drivers;
  PadHost h;
  VirtualPad pad(0x0003);
  h.Host.DoEvents();
  ASSERT_EQ(SdlHostProbe::PadCount(h.Host), 1);
  const int x = SDL_CONTROLLER_AXIS_LEFTX;
  const int y = SDL_CONTROLLER_AXIS_LEFTY;

  pad.Axis(x, 16000);  // not yet past the press point
  EXPECT_EQ(h.Events(), Strings{});
  pad.Axis(x, 16001);
  EXPECT_EQ(h.Events(), Strings{Down(kKeyRight)});
  // Wobbling between the two points, even back under the press point, holds it.
  for (int v : {20000, 13000, 16500, 12000, 32767}) {
    pad.Axis(x, v);
    EXPECT_EQ(h.Events(), Strings{}) << v;
  }
  pad.Axis(x, 11999);
  EXPECT_EQ(h.Events(), Strings{Up(kKeyRight)});
  pad.Axis(x, 15000);  // a release does not come back before the press point
  EXPECT_EQ(h.Events(), Strings{});
  // Straight across to the other side: one release, one press.
  pad.Axis(x, 20000);
  EXPECT_EQ(h.Events(), Strings{Down(kKeyRight)});
  pad.Axis(x, -32768);
  EXPECT_EQ(h.Events(), (Strings{Up(kKeyRight), Down(kKeyLeft)}));
  pad.Axis(x, -12000);
  EXPECT_EQ(h.Events(), Strings{});
  pad.Axis(x, 0);
  EXPECT_EQ(h.Events(), Strings{Up(kKeyLeft)});

  // Up is the negative half of the vertical axis. The stick and the D-pad holding the same
  // direction are one key, down until both let go.
  pad.Axis(y, -17000);
  EXPECT_EQ(h.Events(), Strings{Down(kKeyUp)});
  pad.Button(SDL_CONTROLLER_BUTTON_DPAD_UP, true);
  EXPECT_EQ(h.Events(), Strings{});
  pad.Axis(y, 0);
  EXPECT_EQ(h.Events(), Strings{});
  pad.Button(SDL_CONTROLLER_BUTTON_DPAD_UP, false);
  EXPECT_EQ(h.Events(), Strings{Up(kKeyUp)});
  pad.Axis(y, 17000);
  EXPECT_EQ(h.Events(), Strings{Down(kKeyDown)});
  pad.Axis(y, 100);
  EXPECT_EQ(h.Events(), Strings{Up(kKeyDown)});
}

TEST(SdlPads, APadPulledOutLetsGoOfWhatItHeld) {
  PadDrivers drivers;
  PadHost h;
  VirtualPad kept(0x0004);
  VirtualPad pulled(0x0005);
  h.Host.DoEvents();
  ASSERT_EQ(SdlHostProbe::PadCount(h.Host), 2);
  pulled.Button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
  pulled.Axis(SDL_CONTROLLER_AXIS_LEFTY, 30000);
  kept.Button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, true);
  Strings held = h.Events();
  std::sort(held.begin(), held.end());
  EXPECT_EQ(held, (Strings{Down(kKeyLeft), Down(kKeyRight), Down(kKeyDown)}));

  pulled.Unplug();
  Strings released = h.Events();
  std::sort(released.begin(), released.end());
  EXPECT_EQ(released, (Strings{Up(kKeyLeft), Up(kKeyDown)}));  // each once, the other pad's kept
  EXPECT_EQ(SdlHostProbe::PadCount(h.Host), 1);
  kept.Button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, false);
  EXPECT_EQ(h.Events(), Strings{Up(kKeyRight)});

  // SDL centres a pad's controls before it reports the pad gone; a removal reported without
  // that (another backend, a lost event) must still let go.
  kept.Button(SDL_CONTROLLER_BUTTON_DPAD_DOWN, true);
  kept.Axis(SDL_CONTROLLER_AXIS_LEFTX, -30000);
  EXPECT_EQ(h.Events(), (Strings{Down(kKeyLeft), Down(kKeyDown)}));  // SDL updates axes first
  SDL_Event gone{};
  gone.type = SDL_CONTROLLERDEVICEREMOVED;
  gone.cdevice.which = kept.Id();
  SDL_PushEvent(&gone);
  EXPECT_EQ(h.Events(), (Strings{Up(kKeyDown), Up(kKeyLeft)}));  // the D-pad's, the stick's
  EXPECT_EQ(SdlHostProbe::PadCount(h.Host), 0);
  kept.Unplug();  // and the real unplugging that follows is news to nobody
  EXPECT_EQ(h.Events(), Strings{});
}

// A pad SDL does not know gets its layout from the file players point
// SDL_GAMECONTROLLERCONFIG_FILE at; here one whose A and B are wired the other way round.
TEST(SdlPads, MappingsFromTheConfigFileAreHonoured) {
  PadDrivers drivers;
  std::string guid;
  {
    VirtualPad probe(0x0006);
    guid = probe.Guid();
    SDL_Quit();
  }
  // Named by the clock: the sanitizers' build may run this test at the same time.
  const std::string path =
      testing::TempDir() + "fg-pads-" +
      std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + ".txt";
  {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << "# pads of the test bench\n"
         << guid
         << ",Test Pad swapped,a:b1,b:b0,back:b4,start:b6,dpup:b11,dpdown:b12,dpleft:b13,"
            "dpright:b14,leftx:a0,lefty:a1,platform:"
         << SDL_GetPlatform() << ",\n";
    ASSERT_TRUE(file.good());
  }
  SDL_setenv("SDL_GAMECONTROLLERCONFIG_FILE", path.c_str(), 1);

  VirtualPad pad(0x0006);
  PadHost h;
  SDL_setenv("SDL_GAMECONTROLLERCONFIG_FILE", "", 1);  // SDL reads no file by an empty name
  std::remove(path.c_str());
  ASSERT_EQ(SdlHostProbe::PadCount(h.Host), 1);
  pad.Button(SDL_CONTROLLER_BUTTON_B, true);  // the second button: A by the file
  EXPECT_EQ(h.Events(), Strings{Down(kKeySpace)});
  pad.Button(SDL_CONTROLLER_BUTTON_A, true);
  EXPECT_EQ(h.Events(), Strings{Down(kKeyPadBack)});
}

// Presses tell the device they came from, once a change, and releases nothing; a sink that comes
// later hears of the pad in hand at once.
TEST(SdlPads, PressesTellTheDeviceTheyCameFrom) {
  PadDrivers drivers;
  PadHost h;
  VirtualPad pad(0x0007);
  test::RecordingSink later;
  const std::function<void()> steps[] = {[&] { pad.Axis(SDL_CONTROLLER_AXIS_LEFTX, 20000); },
                                         [] { test::Press(SDLK_p); },
                                         [&] { pad.Button(SDL_CONTROLLER_BUTTON_START, true); },
                                         [&] { h.Host.SetSink(&later); },
                                         [] { test::Press(SDLK_p); },
                                         [&] { pad.Button(SDL_CONTROLLER_BUTTON_START, false); }};
  for (const auto& step : steps) {
    h.Host.DoEvents();
    step();
  }
  h.Host.DoEvents();
  h.Host.SetSink(&h.Sink);
  using D = InputDevice;
  EXPECT_EQ(h.Sink.Devices, (std::vector<D>{D::kPad, D::kKeyboard, D::kPad}));
  EXPECT_EQ(later.Devices, (std::vector<D>{D::kPad, D::kKeyboard}));
}

}  // namespace
}  // namespace fg
