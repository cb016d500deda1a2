// Keyboard and mouse by mode: the key tables, the toggles, the hover label and the link.
#include <gtest/gtest.h>

#include <functional>

#include "shell/shell.h"
#include "testkit.h"

namespace fg::test {
namespace {

TEST(Keys, ArrowsOnlySetTheirFlagInPlayButReleasesClearItInEveryMode) {
  TestGame t;
  t.Load();
  Form_KeyDown(*t.G, kUpKey, 0);
  EXPECT_EQ(t.S().HoldUp, 0);  // the title ignores presses
  t.StartFromTitle();
  Form_KeyDown(*t.G, kUpKey, 0);
  Form_KeyDown(*t.G, kLeftKey, 0);
  EXPECT_NE(t.S().HoldUp, 0);
  EXPECT_NE(t.S().HoldLeft, 0);  // a press never clears the others
  Form_KeyDown(*t.G, kEsc, 0);   // leave the game: flags untouched
  EXPECT_EQ(t.S().InGame, 0);
  EXPECT_NE(t.S().HoldUp, 0);
  Form_KeyUp(*t.G, kUpKey, 0);  // released on the title
  EXPECT_EQ(t.S().HoldUp, 0);
  // So the next game does not steer itself.
  t.StartFromTitle();
  EXPECT_EQ(t.S().HoldUp, 0);
  EXPECT_NE(t.S().HoldLeft, 0);
}

// Escape keeps the rules' meaning everywhere; a pad's B or Back quits only from a settled
// title. Each key is pressed at the first pump of the state, found as the game runs.
TEST(Keys, APadsBackQuitsOnlyFromASettledTitle) {
  struct Case {
    const char* State;
    bool Dies;  // the game is ended on a skull first
    std::function<bool(const Game&, int64_t elapsed)> Now;
    bool EscapeQuits;
    bool BackQuits;
    bool PlayingAfter = false;  // when the program goes on: a game is played at the end
  };
  const Case cases[] = {
      {"settled title", false,
       [](const Game& g, int64_t) {
         return g.State.InGame == 0 && g.State.Busy == 0 && !g.Starting() && !g.Revealing();
       },
       true, true},
      {"start wipe", false, [](const Game& g, int64_t) { return g.Starting(); }, true, false, true},
      {"play", false, [](const Game& g, int64_t) { return g.State.InGame != 0 && !g.Starting(); },
       false, false},
      {"explosion", true,
       [](const Game& g, int64_t elapsed) { return g.State.Busy != 0 && elapsed >= 20; }, true,
       false},
      {"game-over pause", true,
       [](const Game& g, int64_t elapsed) { return g.State.Busy != 0 && elapsed >= 1500; }, true,
       false},
      {"reveal after a game", true, [](const Game& g, int64_t) { return g.Revealing(); }, true,
       false},
  };
  for (const Case& c : cases) {
    for (int16_t key : {kEsc, kKeyPadBack}) {
      SCOPED_TRACE(std::string(c.State) + (key == kEsc ? ", Escape" : ", pad's Back"));
      TestGame t;
      const int64_t start = c.Dies ? t.StartOnSkull() : (t.Load(), t.Host.Clock());
      bool pressed = false;
      t.Host.OnPump = [&] {
        if (pressed || !c.Now(*t.G, t.Host.Clock() - start)) return;
        t.Host.KeyPress(t.Host.Clock(), key);
        pressed = true;
      };
      if (!c.Dies) t.Host.KeyPress(start + 10, kSpace);  // a game to wipe in and play
      bool quit = false;
      try {
        if (c.Dies) t.Tick();
        quit = t.RunUntil(start + 6000);
      } catch (const ProgramEnd&) {
        quit = true;
      }
      EXPECT_TRUE(pressed);
      EXPECT_EQ(quit, key == kEsc ? c.EscapeQuits : c.BackQuits);
      if (!quit) {
        EXPECT_EQ(t.S().InGame != 0, c.PlayingAfter);  // in play: back to the title
      }
    }
  }
}

TEST(Keys, EscapeInPlayRevealsTheTitleOverTheFieldAndRestartsTheScroller) {
  TestGame t;
  t.LoadAndStart();
  t.RunUntil(t.Host.Clock() + 300);
  const int64_t now = t.Host.Clock();
  std::vector<int64_t> passes;
  t.Host.OnRefresh = [&](const Surface&) { passes.push_back(t.Host.Clock() - now); };
  t.S().ScrollPos = 77;
  Form_KeyDown(*t.G, kEsc, 0);
  EXPECT_EQ(t.S().InGame, 0);
  EXPECT_FALSE(t.G->MainForm.tmrMain.Enabled);
  EXPECT_TRUE(t.G->MainForm.tmrScrollText.Enabled);
  EXPECT_EQ(t.S().ScrollPos, 0);
  EXPECT_EQ(passes, (std::vector<int64_t>{0, 50, 100, 150, 200, 250, 300, 350, 400, 450}));
  EXPECT_EQ(t.Image().Pixels, t.G->BufferFrm.picTitle.Pixels);
  EXPECT_TRUE(t.Effects().size() == 1);  // leaving plays no sound
}

TEST(Keys, SpaceDuringARevealIsHeldBackUntilTheTitleIsComplete) {
  TestGame t;
  int64_t now = t.LoadAndStart();
  t.Host.KeyPress(now + 100, kEsc);
  t.Host.KeyPress(now + 200, kSpace);  // in the middle of the reveal (100..600)
  int64_t wipeStart = -1;
  t.Host.OnRefresh = [&](const Surface&) {
    if (wipeStart < 0 && t.G->Starting()) wipeStart = t.Host.Clock();
  };
  t.RunUntil(now + 1420);
  EXPECT_EQ(wipeStart, now + 600);  // right after the tenth pass's wait
  EXPECT_NE(t.S().InGame, 0);       // the second game is on after its 810 ms wipe
  EXPECT_EQ(t.Effects(), (std::vector<int>{101, 101}));
}

TEST(Keys, SoundToggleGovernsLaterEffectsOnly) {
  TestGame t;
  t.Load();
  Form_KeyDown(*t.G, kSKey, 0);
  EXPECT_EQ(t.S().SoundOn, 0);
  t.StartFromTitle();
  EXPECT_TRUE(t.Host.Waves.empty());  // the start effect is silent
  Form_KeyDown(*t.G, kSKey, 0);
  EXPECT_NE(t.S().SoundOn, 0);
}

// The label drawn in the window at (132, 52): 0 normal, 1 highlighted, -1 neither.
int LabelShown(TestGame& t) {
  const Surface& link = t.G->BufferFrm.sprLink;
  for (int look = 1; look >= 0; --look) {
    bool same = true;
    for (int y = 0; y < 10 && same; ++y) {
      for (int x = 0; x < 141 && same; ++x)
        same = t.Image().At(132 + x, 52 + y) == link.At(x, y + 10 * look);
    }
    if (same) return look;
  }
  return -1;
}

TEST(Mouse, TheLabelIsRedrawnOncePerCrossingOfTheStrictZone) {
  TestGame t;
  t.Load();
  struct Step {
    float X, Y;
    int Shown;
    bool Redrawn;
  };
  const Step steps[] = {
      {10, 10, 0, false},     {132, 57, 0, false},    {132.5f, 57, 1, true}, {200, 57, 1, false},
      {272.9f, 57, 1, false}, {273, 57, 0, true},     {200, 52, 0, false},   {200, 52.01f, 1, true},
      {200, 62, 0, true},     {200, 61.99f, 1, true},
  };
  for (const Step& s : steps) {
    const int before = t.Host.Refreshes;
    Form_MouseMove(*t.G, 0, 0, s.X, s.Y);
    EXPECT_EQ(LabelShown(t), s.Shown) << s.X << "," << s.Y;
    EXPECT_EQ(t.Host.Refreshes - before, s.Redrawn ? 1 : 0) << s.X << "," << s.Y;
    EXPECT_EQ(t.S().LinkDirty, 0);
  }
}

TEST(Mouse, HoverIsInertInPlayDuringTheWipeAndDuringTheGameOver) {
  TestGame t;
  t.Load();
  const int64_t now = t.Host.Clock();
  t.Host.KeyPress(now + 10, kSpace);
  t.Host.At(now + 300, ScriptedEvent::kMouseMove, 0, 200, 57);  // during the wipe
  t.RunUntil(now + 830);
  EXPECT_EQ(t.S().LinkHover, 0);
  EXPECT_EQ(t.Image().Pixels, t.G->BufferFrm.Playground.Pixels);  // no label on the field
  Form_MouseMove(*t.G, 0, 0, 200, 57);                            // in play
  EXPECT_EQ(t.S().LinkHover, 0);
}

TEST(Mouse, AClickInTheZoneOpensTheHomePageWithAnyButtonOutsidePlay) {
  TestGame t;
  t.Load();
  Form_MouseDown(*t.G, 1, 0, 132, 57);
  Form_MouseDown(*t.G, 1, 0, 200, 62);
  EXPECT_TRUE(t.Host.Urls.empty());  // edges are outside
  Form_MouseDown(*t.G, 3, 0, 133, 53);
  Form_MouseDown(*t.G, 2, 0, 272, 61);
  EXPECT_EQ(t.Host.Urls, (std::vector<std::string>{"https://fenzogobbix.example/",
                                                   "https://fenzogobbix.example/"}));
  t.StartFromTitle();
  Form_MouseDown(*t.G, 1, 0, 200, 57);
  EXPECT_EQ(t.Host.Urls.size(), 2u);  // not during play
  t.S().InGame = kFalse;
  t.S().Busy = kTrue;  // the game-over sequence: clicks still count
  Form_MouseDown(*t.G, 1, 0, 200, 57);
  EXPECT_EQ(t.Host.Urls.size(), 3u);
}

}  // namespace
}  // namespace fg::test
