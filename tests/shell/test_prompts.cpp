// On every screen that tells keys, taking up a pad or the touch screen draws what that device shows
// from the start, and the keyboard again today's picture, pixel for pixel.
#include <gtest/gtest.h>

#include <vector>

#include "platform/keys.h"
#include "testkit.h"

namespace fg::test {
namespace {

// A screen `Reach` gets to by a clock; devices change `Mid` after it, and it is looked at `Look`.
struct Screen {
  const char* Name;
  int64_t (*Reach)(TestGame& t);
  int64_t Mid;
  int64_t Look;
};
const Screen kScreens[] = {
    {"title with a best", [](TestGame& t) { return (t.Load(), t.Host.Clock()); }, 50, 100},
    {"title being revealed after the hall of fame",  // the change comes after its third pass
     [](TestGame& t) {
       t.Load();
       t.Host.KeyPress(t.Host.Clock(), kKeyH);
       t.Host.KeyPress(t.Host.Clock() + 100, kKeyEscape);
       return t.Host.Clock() + 100;
     },
     130, 600},
    {"pause sign",
     [](TestGame& t) { return (t.Host.KeyPress(t.StartQuiet(), kKeyP), t.Host.Clock()); }, 50, 100},
    {"hall of fame",
     [](TestGame& t) { return (t.Load(), t.Host.KeyPress(t.Host.Clock(), kKeyH), t.Host.Clock()); },
     50, 100},
    {"attract loop's playback, its prompt showing",
     [](TestGame& t) { return (t.Load(), t.G->Fame.IdleSince + kAttractIdleMs + kAttractTableMs); },
     1000, 2100},
};

// The window at `Look`, with `first` in hand from the start and `then` taken up at `Mid`.
Surface Shot(const Screen& screen, InputDevice first, const std::vector<InputDevice>& then) {
  TestGame t;
  t.Memory.Stored.Best = {PlayableGame(1)};
  t.G->Events->DeviceUsed(first);  // as the page's host says it before start-up
  const int64_t from = screen.Reach(t);
  for (const InputDevice d : then) t.Host.UseDevice(from + screen.Mid, d);
  EXPECT_FALSE(t.RunUntil(from + screen.Look));
  return t.Host.Screen;
}

TEST(Prompts, FollowTheDeviceAndComeBackToTheKeyboardsExactly) {
  const InputDevice keys = InputDevice::kKeyboard;
  for (const Screen& screen : kScreens) {
    const Surface keyboard = Shot(screen, keys, {});
    for (const InputDevice d : {InputDevice::kPad, InputDevice::kTouch}) {
      SCOPED_TRACE(std::string(screen.Name) + (d == InputDevice::kPad ? ", pad" : ", touch"));
      const Surface own = Shot(screen, d, {});
      EXPECT_NE(own.Pixels, keyboard.Pixels) << "the keyboard's prompts";
      EXPECT_EQ(Shot(screen, keys, {d}).Pixels, own.Pixels) << "taken up on the screen";
      EXPECT_EQ(Shot(screen, keys, {d, keys}).Pixels, keyboard.Pixels) << "back to the keyboard";
      EXPECT_EQ(Shot(screen, d, {keys}).Pixels, keyboard.Pixels) << "the keyboard after starting";
    }
  }
}

}  // namespace
}  // namespace fg::test
