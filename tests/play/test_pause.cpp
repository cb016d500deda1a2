// Pause in play: the clock stands still, the sign comes and goes without a trace, and the game
// carries on as if the pause had never been, only later.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>

#include "play/pause.h"
#include "screens/pause_sign.h"
#include "shell/shell.h"
#include "testkit.h"

namespace fg {
// What a failing comparison of two states shows: the parts a tick changes.
void PrintTo(const GameState& s, std::ostream* os) {
  *os << "{head " << s.HeadX << "," << s.HeadY << " direction " << s.Direction << " length "
      << s.SnakeLength << " score " << s.Score << " spawn in " << s.SpawnDelay << " flash "
      << s.GrowFlash << " holds " << s.HoldLeft << s.HoldRight << s.HoldUp << s.HoldDown << "}";
}
}  // namespace fg

namespace fg::test {
namespace {

constexpr int16_t kP = kKeyP;

// Clock readings of every refresh from now on.
struct RefreshLog {
  std::vector<int64_t> Times;
  explicit RefreshLog(TestGame& t) {
    t.Host.OnRefresh = [this, &t](const Surface&) { Times.push_back(t.Host.Clock()); };
  }
};

bool SameOutsideSign(const Surface& a, const Surface& b) {
  for (int y = 0; y < a.Height; ++y) {
    for (int x = 0; x < a.Width; ++x) {
      const bool inSign = x >= kPauseSignX && x < kPauseSignX + kPauseSignWidth &&
                          y >= kPauseSignY && y < kPauseSignY + kPauseSignHeight;
      if (!inSign && a.At(x, y) != b.At(x, y)) return false;
    }
  }
  return true;
}

// Writes the image as a binary PPM when FG_PAUSE_PICTURE names a file, to look at the sign.
void MaybeWritePicture(const Surface& s) {
  const char* path = std::getenv("FG_PAUSE_PICTURE");
  if (path == nullptr) return;
  FILE* f = std::fopen(path, "wb");
  ASSERT_NE(f, nullptr);
  std::fprintf(f, "P6\n%d %d\n255\n", s.Width, s.Height);
  for (uint32_t p : s.Pixels) {
    const unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16),
                                  static_cast<unsigned char>(p >> 8),
                                  static_cast<unsigned char>(p)};
    std::fwrite(rgb, 1, 3, f);
  }
  std::fclose(f);
}

TEST(Pause, TheGameGoesOnAfterwardsExactlyAsItWouldHaveWithoutThePauseOnlyLater) {
  // Two runs of the same game; one is paused for five seconds, at every phase of the tick's
  // interval: from the very moment a tick is due (offset 0; the key is read first) to 14 ms
  // before one.
  for (int offset = 0; offset < 15; ++offset) {
    SCOPED_TRACE(offset);
    TestGame paused, plain;
    const int64_t t0 = paused.LoadAndStart();
    ASSERT_EQ(plain.LoadAndStart(), t0);
    for (TestGame* t : {&paused, &plain}) {
      t->Host.KeyPress(t0 + 470, kDownKey);  // turn on the way, so the run is not a straight line
      t->Host.KeyRelease(t0 + 520, kDownKey);
    }
    RefreshLog pausedLog(paused), plainLog(plain);
    paused.RunUntil(t0 + 1980);
    // The tick after the next one is due 15 ms after it.
    const int64_t at = paused.G->MainForm.tmrMain.Due + 15 - offset, pause = 5000;
    paused.Host.KeyPress(at, kP);
    paused.Host.KeyRelease(at + 80, kP);
    paused.Host.KeyPress(at + pause, kP);
    paused.RunUntil(at - 1);
    plain.RunUntil(at - 1);
    const GameState before = paused.S();
    ASSERT_EQ(before.HeadX, 96);  // turned down on the way
    const Surface field = paused.Image();
    const int spawnDelay = paused.S().SpawnDelay;

    paused.RunUntil(at + pause - 1);
    // Stopped: the clock ran on, nothing ticked, the countdown to the next item stands.
    EXPECT_EQ(paused.Host.Clock(), at + pause - 1);
    EXPECT_EQ(pausedLog.Times.back(), at);  // the sign, and no refresh after it
    EXPECT_EQ(paused.S(), before);
    EXPECT_EQ(paused.S().SpawnDelay, spawnDelay);
    EXPECT_FALSE(paused.Image().Pixels == field.Pixels);
    EXPECT_TRUE(SameOutsideSign(paused.Image(), field));
    if (offset == 7) MaybeWritePicture(paused.Image());

    // Resumed: the field pixel for pixel, and the next tick as far off as it was.
    paused.RunUntil(at + pause);
    // The sign's erasure; at offset 0 the tick that was due at the pause follows at once.
    EXPECT_EQ(pausedLog.Times[pausedLog.Times.size() - (offset == 0 ? 2 : 1)], at + pause);
    if (offset > 0) {
      EXPECT_TRUE(paused.Image().Pixels == field.Pixels);
      EXPECT_EQ(paused.G->MainForm.tmrMain.Due, at + pause + offset);
    }

    // Long enough for items to spawn after the pause.
    paused.RunUntil(at + pause + 4000);
    plain.RunUntil(at + 4000);
    EXPECT_EQ(paused.S(), plain.S());
    EXPECT_TRUE(paused.Image().Pixels == plain.Image().Pixels);
    // Every refresh of the paused run, less the sign's two, is the plain run's, shifted by the
    // pause: no tick lost, none let through, none early.
    std::vector<int64_t> shifted;
    bool signDrawn = false, signErased = false;
    for (int64_t time : pausedLog.Times) {
      if (time == at && !signDrawn) {
        signDrawn = true;
      } else if (time == at + pause && !signErased) {
        signErased = true;
      } else {
        shifted.push_back(time >= at ? time - pause : time);
      }
    }
    EXPECT_EQ(shifted, plainLog.Times);
  }
}

TEST(Pause, TheSignIsErasedPixelExactlyOverTheSnake) {
  TestGame t;
  int64_t now = t.StartQuiet();
  t.Host.KeyPress(now, kDownKey);  // the head (160, 176) runs down into the sign's rows
  t.RunUntil(now + 8 * 15 + 1);
  ASSERT_GE(t.S().HeadY, kPauseSignY);
  now = t.Host.Clock();
  const Surface field = t.Image();
  const int refreshes = t.Host.Refreshes;
  Form_KeyDown(*t.G, kP, 0);
  EXPECT_TRUE(t.G->Paused());
  EXPECT_EQ(t.Host.Refreshes, refreshes + 1);
  EXPECT_EQ(t.Host.Screen.Pixels, t.Image().Pixels);  // the sign is on screen at once
  // The word is there, black-masked and shadowed, and nowhere else.
  int changed = 0;
  for (int y = kPauseSignY; y < kPauseSignY + kPauseSignHeight; ++y) {
    for (int x = kPauseSignX; x < kPauseSignX + kPauseSignWidth; ++x) {
      changed += t.Image().At(x, y) != field.At(x, y) ? 1 : 0;
    }
  }
  EXPECT_GT(changed, 300);
  EXPECT_TRUE(SameOutsideSign(t.Image(), field));
  Form_KeyUp(*t.G, kP, 0);
  Form_KeyDown(*t.G, kP, 0);
  EXPECT_FALSE(t.G->Paused());
  EXPECT_EQ(t.Image().Pixels, field.Pixels);  // the snake's cells under the sign come back too
  EXPECT_EQ(t.Host.Screen.Pixels, field.Pixels);
}

TEST(Pause, WhilePausedArrowPressesWaitReleasesClearAndMSEscapeAndCloseWork) {
  TestGame t;
  int64_t now = t.StartQuiet();
  Form_KeyDown(*t.G, kLeftKey, 0);
  Form_KeyDown(*t.G, kP, 0);
  Form_KeyDown(*t.G, kUpKey, 0);
  EXPECT_EQ(t.S().HoldUp, 0);  // ignored: nobody steers blind
  Form_KeyUp(*t.G, kLeftKey, 0);
  EXPECT_EQ(t.S().HoldLeft, 0);  // a release still counts
  Form_KeyDown(*t.G, kMKey, 0);
  Form_KeyDown(*t.G, kSKey, 0);
  EXPECT_EQ(t.S().MusicOn, 0);
  EXPECT_EQ(t.S().SoundOn, 0);
  EXPECT_TRUE(t.G->Paused());  // the toggles leave the pause alone
  // Resumed, the snake runs on along its row: the blind press left no tap behind. [D16]
  for (const bool down : {false, true, false}) (down ? Form_KeyDown : Form_KeyUp)(*t.G, kP, 0);
  t.Tick();
  EXPECT_EQ(t.S().HeadY, kStartY);
  Form_KeyDown(*t.G, kP, 0);

  // Escape goes back to the title; the next game starts unpaused and runs.
  Form_KeyDown(*t.G, kEsc, 0);
  EXPECT_EQ(t.S().InGame, 0);
  EXPECT_FALSE(t.G->Paused());
  EXPECT_EQ(t.Image().Pixels, t.G->BufferFrm.picTitle.Pixels);
  t.StartFromTitle();
  const Integer x = t.S().HeadX;
  t.RunUntil(t.Host.Clock() + 100);
  EXPECT_LT(t.S().HeadX, x);

  // The close box ends the program while paused.
  now = t.Host.Clock();
  t.Host.KeyPress(now, kKeyPause);
  t.Host.At(now + 1000, ScriptedEvent::kClose);
  EXPECT_TRUE(t.RunUntil(now + 5000));
  EXPECT_TRUE(t.G->Paused());
  EXPECT_EQ(t.Host.Clock(), now + 1000);
}

TEST(Pause, LosingTheFocusPausesAndOnlyAPauseKeyResumes) {
  TestGame t;
  const int64_t now = t.StartQuiet();
  t.Host.At(now + 100, ScriptedEvent::kFocusLost);
  // Coming back: a click into the window, the pointer moving, other keys, the focus lost again.
  t.Host.At(now + 1000, ScriptedEvent::kMouseDown, 1, 200, 200);
  t.Host.At(now + 1010, ScriptedEvent::kMouseMove, 0, 210, 200);
  t.Host.KeyPress(now + 1020, kSpace);
  t.Host.At(now + 1030, ScriptedEvent::kFocusLost);
  t.RunUntil(now + 100);
  ASSERT_TRUE(t.G->Paused());
  const GameState held = t.S();
  const int refreshes = t.Host.Refreshes;
  t.RunUntil(now + 3000);
  EXPECT_TRUE(t.G->Paused());
  EXPECT_EQ(t.S(), held);
  EXPECT_EQ(t.Host.Refreshes, refreshes);
  t.Host.KeyPress(now + 3000, kKeyPadStart);
  t.RunUntil(now + 3100);
  EXPECT_FALSE(t.G->Paused());
  EXPECT_NE(t.S().HeadX, held.HeadX);

  // Outside play the focus means nothing.
  TestGame title;
  title.Load();
  const Surface before = title.Image();
  title.G->Events->FocusLost();
  EXPECT_FALSE(title.G->Paused());
  EXPECT_EQ(title.Image().Pixels, before.Pixels);
}

TEST(Pause, PauseKeysOutsidePlayDoNothingButAPadsStartStartsAGameByItsSpace) {
  TestGame t;
  t.Load();
  t.RunUntil(t.Host.Clock() + 200);
  const GameState s = t.S();
  const Surface image = t.Image();
  for (int16_t key : {kP, kKeyPause, kKeyPadStart}) {
    Form_KeyDown(*t.G, key, 0);
    Form_KeyUp(*t.G, key, 0);
  }
  EXPECT_EQ(t.S(), s);
  EXPECT_EQ(t.Image().Pixels, image.Pixels);
  EXPECT_FALSE(t.G->Paused());

  // A pad's Start as the desktop host sends it, its pause key then Space: it starts a game; in
  // play it pauses and resumes, the Space with it changing nothing.
  const int64_t now = t.Host.Clock();
  for (int16_t key : {kKeyPadStart, kSpace}) t.Host.KeyPress(now, key);
  for (int16_t key : {kKeyPadStart, kSpace}) t.Host.KeyRelease(now + 50, key);
  t.Host.KeyPress(now + 100, kKeyP);  // during the wipe: nothing
  t.RunUntil(now + 900);
  ASSERT_NE(t.S().InGame, 0);
  EXPECT_FALSE(t.G->Paused());
  auto start = [&t](bool down) {
    for (int16_t key : {kKeyPadStart, kSpace}) (down ? Form_KeyDown : Form_KeyUp)(*t.G, key, 0);
  };
  start(true);
  EXPECT_TRUE(t.G->Paused());
  start(true);  // no release in between: a repeat, still paused
  EXPECT_TRUE(t.G->Paused());
  start(false);
  start(true);
  EXPECT_FALSE(t.G->Paused());
  start(false);
  Form_KeyDown(*t.G, kP, 0);  // any pause key pauses and resumes
  EXPECT_TRUE(t.G->Paused());
}

TEST(Pause, APauseThatComesInsideTheTickOrTheWipeWaitsForItsEnd) {
  {
    // A key read by the tick's own pump (the spawn's random picks), with the head running down
    // through the sign's rows; a twin game takes the same key just after the same tick.
    TestGame inside, after;
    int64_t now = 0;
    for (TestGame* t : {&inside, &after}) {
      now = t->StartQuiet();
      t->Host.KeyPress(now, kDownKey);
      t->RunUntil(now + 9 * 15 - 1);
      t->S().SpawnDelay = 1;
    }
    bool sent = false;
    inside.Host.OnPump = [&] {
      if (!sent && inside.G->MainForm.tmrMain.Running) {
        inside.Host.KeyPress(inside.Host.Clock(), kP);
        sent = true;
      }
    };
    inside.RunUntil(now + 9 * 15);
    after.RunUntil(now + 9 * 15);
    Form_KeyDown(*after.G, kP, 0);
    ASSERT_TRUE(sent);
    ASSERT_GE(inside.S().HeadY, kPauseSignY);
    EXPECT_TRUE(inside.G->Paused());
    EXPECT_EQ(inside.S().SpawnDelay, 200);  // that tick ran to its end
    EXPECT_EQ(inside.S(), after.S());
    EXPECT_TRUE(inside.Image().Pixels == after.Image().Pixels);  // the sign over the whole tick
    for (TestGame* t : {&inside, &after}) {
      t->Host.KeyRelease(now + 500, kP);
      t->Host.KeyPress(now + 1000, kP);
      t->RunUntil(now + 1000);
      EXPECT_FALSE(t->G->Paused());
    }
    EXPECT_TRUE(inside.Image().Pixels == after.Image().Pixels);  // and the field it left
  }
  {
    // A key read inside the tick that then ends the game is forgotten with that game, even when
    // the next one is started by a Space held back during the title reveal.
    TestGame t;
    const int64_t now = t.StartOnSkull();
    t.S().SpawnDelay = 1;
    bool sent = false;
    t.Host.OnPump = [&] {
      if (!sent && t.G->MainForm.tmrMain.Running) {
        t.Host.KeyPress(t.Host.Clock(), kP);
        sent = true;
      }
    };
    int64_t revealAt = -1;
    t.Host.OnRefresh = [&](const Surface&) {
      if (revealAt < 0 && t.G->Revealing()) {
        revealAt = t.Host.Clock();
        t.Host.KeyPress(revealAt + 100, kSpace);
      }
    };
    t.RunUntil(now + 3000);  // the explosion and the pause after it
    while (t.S().InGame == 0 && t.Host.Clock() < now + 6000) t.RunUntil(t.Host.Clock() + 10);
    ASSERT_TRUE(sent);
    ASSERT_GT(revealAt, now);
    ASSERT_NE(t.S().InGame, 0);
    const Integer x = t.S().HeadX;
    t.RunUntil(t.Host.Clock() + 100);
    EXPECT_FALSE(t.G->Paused());
    EXPECT_LT(t.S().HeadX, x);
  }
  {
    // The focus lost during the playground wipe: the game starts paused, before its first tick.
    TestGame t;
    t.Load();
    const int64_t now = t.Host.Clock();
    t.Host.KeyPress(now, kSpace);
    t.Host.At(now + 300, ScriptedEvent::kFocusLost);
    t.RunUntil(now + 3000);
    EXPECT_NE(t.S().InGame, 0);
    EXPECT_TRUE(t.G->Paused());
    EXPECT_EQ(t.S().SpawnDelay, 1);  // no tick yet
    EXPECT_TRUE(SameOutsideSign(t.Image(), t.G->BufferFrm.Playground));
  }
}

}  // namespace
}  // namespace fg::test
