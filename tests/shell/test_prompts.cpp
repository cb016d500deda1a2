// The prompts follow the device last used: on every screen that tells keys, a switch to a pad or
// the touch screen draws what that device shows from the start, and the keyboard again draws
// today's picture, pixel for pixel.
#include <gtest/gtest.h>

#include <vector>

#include "platform/keys.h"
#include "testkit.h"

namespace fg::test {
namespace {

constexpr InputDevice kKeys = InputDevice::kKeyboard;

// A screen reached on the keyboard; `Mid` is when a device changes on it, `Look` when it is
// looked at, both after the clock at which `Reach` returns.
struct Screen {
  const char* Name;
  int64_t (*Reach)(TestGame& t);
  int64_t Mid;
  int64_t Look;
};

int64_t SettledTitle(TestGame& t) {
  t.Load();
  return t.Host.Clock();
}
// The reveal that follows the hall of fame: the change comes after its third pass.
int64_t Revealing(TestGame& t) {
  t.Load();
  const int64_t now = t.Host.Clock();
  t.Host.KeyPress(now, kKeyH);
  t.Host.KeyPress(now + 100, kKeyEscape);
  return now + 100;
}
int64_t Paused(TestGame& t) {
  const int64_t now = t.StartQuiet();
  t.Host.KeyPress(now, kKeyP);
  return now;
}
int64_t HallOfFame(TestGame& t) {
  t.Load();
  t.Host.KeyPress(t.Host.Clock(), kKeyH);
  return t.Host.Clock();
}
// The attract loop's playback, looked at while its prompt shows.
int64_t AttractReplay(TestGame& t) {
  t.Load();
  return t.G->Fame.IdleSince + kAttractIdleMs + kAttractTableMs;
}

const Screen kScreens[] = {
    {"settled title with a best", SettledTitle, 50, 100},
    {"title being revealed", Revealing, 130, 600},
    {"pause sign", Paused, 50, 100},
    {"hall of fame", HallOfFame, 50, 100},
    {"attract replay", AttractReplay, 1000, 2100},
};

// The picture at `Look` on `screen`, with the device `first` in hand from the start and the
// devices `then` taken up at `Mid`, one after the other.
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
  for (const Screen& screen : kScreens) {
    const Surface keys = Shot(screen, kKeys, {});
    for (const InputDevice d : {InputDevice::kPad, InputDevice::kTouch}) {
      SCOPED_TRACE(std::string(screen.Name) + (d == InputDevice::kPad ? ", pad" : ", touch"));
      const Surface own = Shot(screen, d, {});
      EXPECT_NE(own.Pixels, keys.Pixels) << "the same prompts as the keyboard's";
      EXPECT_EQ(Shot(screen, kKeys, {d}).Pixels, own.Pixels) << "taken up on the screen";
      EXPECT_EQ(Shot(screen, kKeys, {d, kKeys}).Pixels, keys.Pixels) << "back to the keyboard";
      EXPECT_EQ(Shot(screen, d, {kKeys}).Pixels, keys.Pixels) << "the keyboard after starting";
    }
  }
}

}  // namespace
}  // namespace fg::test
