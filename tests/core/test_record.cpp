// The record's rules and its text form.
#include "core/record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace fg {
namespace {

constexpr int64_t kDay = 86400;
constexpr int64_t kMay1 = 1714521600;  // 2024-05-01T00:00:00Z

FinishedGame Game(int score, int64_t ended) {
  return FinishedGame{score, score + 5, ended, 1000, {}, {}};
}

TEST(Record, TheTableKeepsTheTenBestAndOnATieTheEarlierGameStaysAhead) {
  struct Step {
    FinishedGame Entered;
    int Place;                     // what Enter answers
    std::vector<int64_t> EndedBy;  // the table afterwards, by end times, best first
  };
  const std::vector<Step> steps = {
      {Game(5, 100), 1, {100}},
      {Game(5, 200), 2, {100, 200}},           // a tie ending later goes below
      {Game(5, 50), 1, {50, 100, 200}},        // a tie ending earlier (another instance's) above
      {Game(5, 100), 3, {50, 100, 100, 200}},  // the same game twice: the one there stays ahead
      {Game(9, 300), 1, {300, 50, 100, 100, 200}},
      {Game(1, 400), 6, {300, 50, 100, 100, 200, 400}},
      {Game(1, 500), 7, {300, 50, 100, 100, 200, 400, 500}},
      {Game(1, 600), 8, {300, 50, 100, 100, 200, 400, 500, 600}},
      {Game(0, 700), 9, {300, 50, 100, 100, 200, 400, 500, 600, 700}},
      {Game(0, 800), 10, {300, 50, 100, 100, 200, 400, 500, 600, 700, 800}},
      {Game(0, 900), 0, {300, 50, 100, 100, 200, 400, 500, 600, 700, 800}},  // full: out
      {Game(2, 950), 6, {300, 50, 100, 100, 200, 950, 400, 500, 600, 700}},  // 800 drops
  };
  std::vector<FinishedGame> best;
  for (size_t i = 0; i < steps.size(); ++i) {
    SCOPED_TRACE("step " + std::to_string(i));
    EXPECT_EQ(Enter(best, steps[i].Entered), steps[i].Place);
    std::vector<int64_t> ended;
    ended.reserve(best.size());
    for (const FinishedGame& g : best) ended.push_back(g.Ended);
    EXPECT_EQ(ended, steps[i].EndedBy);
  }
}

// What this version does not know, another wrote: read as far as it is understood, and written
// back with nothing lost but a replay whose game is not in the table.
TEST(Record, AnotherVersionsRecordIsReadAndRewrittenWithoutLoss) {
  const std::string game = "game 5 9 2024-01-01T00:00:00Z 12.000";
  const std::string replay = "replay 2024-01-01T00:00:00Z 5 Qm9v~_-.x";
  const std::string head = "fenzogobbix record 1\nmusic on\neffects on\n";
  const struct {
    const char* Name;
    std::string Text, Rewritten;  // Rewritten: the text itself when empty
  } cases[] = {
      {"today's file", head + game + "\nend\n", ""},
      {"unknown fields on a game line", head + game + " colour=red 7\nend\n", ""},
      {"unknown lines, a replay line of another form",
       head + game + "\nflavour sour\nreplay x\nend\n", ""},
      {"a replay with its game", head + game + "\n" + replay + "\nend\n", ""},
      {"a replay without its game", head + replay + "\nend\n", head + "end\n"},
      {"a later version, lines in another order",
       "fenzogobbix record 7\n" + replay + "\nwind 3\n" + game + " x\nend\n",
       head + game + " x\n" + replay + "\nwind 3\nend\n"},
  };
  for (const auto& c : cases) {
    std::string why;
    const auto record = ParseRecord(c.Text, &why);
    ASSERT_TRUE(record.has_value()) << c.Name << ": " << why;
    EXPECT_EQ(FormatRecord(*record), c.Rewritten.empty() ? c.Text : c.Rewritten) << c.Name;
  }
  EXPECT_EQ(ParseRecord(head + game + "\n" + replay + "\nend\n")->Best.at(0).Replay, "Qm9v~_-.x");
}

TEST(Record, TheTextReadsBackAndKeepsLinesOfALaterVersion) {
  PlayerRecord r;
  r.Music = false;
  r.Best = {{42, 47, kMay1 + 12 * 3600 + 34 * 60 + 56, 83250, "AbC-9_.~", ""},
            {7, 12, kMay1 - kDay, 5, {}, "x y"}};
  r.Unknown = {"colour blue", "gamepad 3 = x"};
  const std::string text = FormatRecord(r);
  EXPECT_EQ(text,
            "fenzogobbix record 1\nmusic off\neffects on\n"
            "game 42 47 2024-05-01T12:34:56Z 83.250\ngame 7 12 2024-04-30T00:00:00Z 0.005 x y\n"
            "replay 2024-05-01T12:34:56Z 42 AbC-9_.~\ncolour blue\ngamepad 3 = x\nend\n");
  EXPECT_EQ(ParseRecord(text), r);

  // The order of the lines does not matter; a missing switch is on; games out of order are
  // ranked; leap days and the last second of a year are dates.
  const auto shuffled = ParseRecord(
      "fenzogobbix record 1\ngame 1 1 2024-02-29T23:59:59Z 1.000\neffects off\n"
      "game 3 1 2023-12-31T23:59:59Z 2.500\nend\n");
  ASSERT_TRUE(shuffled.has_value());
  EXPECT_TRUE(shuffled->Music);
  EXPECT_FALSE(shuffled->Effects);
  ASSERT_EQ(shuffled->Best.size(), 2u);
  EXPECT_EQ(shuffled->Best[0].Score, 3);
  EXPECT_EQ(FormatUtc(shuffled->Best[0].Ended), "2023-12-31T23:59:59Z");
  EXPECT_EQ(FormatUtc(shuffled->Best[1].Ended), "2024-02-29T23:59:59Z");

  // A clock before 1970, or one that failed (-1), still writes a date that reads back.
  PlayerRecord early;
  early.Best = {{2, 6, -40 * 365 * kDay, 0, {}, {}}, {1, 5, -1, 0, {}, {}}};
  EXPECT_EQ(ParseRecord(FormatRecord(early)), early);

  // A record one byte short of what a reader takes, and then a game: written within the limit,
  // the lines it does not know giving way, and read back with the game.
  PlayerRecord full;
  full.Unknown.assign(1047, "later " + std::string(993, 'x'));
  full.Unknown.push_back("later " +
                         std::string(kMaxRecordBytes - FormatRecord(full).size() - 8, 'x'));
  ASSERT_EQ(FormatRecord(full).size(), kMaxRecordBytes - 1);
  Enter(full.Best, Game(9, kMay1));
  const std::string written = FormatRecord(full);
  EXPECT_LE(written.size(), kMaxRecordBytes);
  EXPECT_EQ(ParseRecord(written)->Best, full.Best);

  // Texts that are not a whole record of this version: nothing, and why.
  const std::string head = "fenzogobbix record 1\n";
  const struct {
    std::string Text;
    const char* Why;
  } bad[] = {
      {"", "not a record of this game"},
      {"[Settings]\nmusic=on\n", "not a record of this game"},
      {"fenzogobbix record x\nend\n", "not a record of this game"},
      {"fenzogobbix record 0\nend\n", "not a record of this game"},
      {head + "game 42 47 2024-05-01T12:34:56Z 83.250\n", "cut off"},
      {head + "game 42 47 2024-05-01T12:3", "cut off"},
      {head + "end", "cut off"},
      {head + "game 42 47 2024-05-01T12:34:56Z\nend\n", "damaged at line 2"},
      {head + "game 42 47 2024-02-30T12:34:56Z 1.000\nend\n", "damaged at line 2"},
      {head + "game -4 47 2024-05-01T12:34:56Z 1.000\nend\n", "damaged at line 2"},
      {head + "game 4 47 2024-05-01T12:34:56Z 1.5\nend\n", "damaged at line 2"},
      {head + "music maybe\nend\n", "damaged at line 2"},
      {head + "music on\n\nend\n", "damaged at line 3"},
      {head + "music on\r\nend\n", "damaged at line 2"},
      {head + "music on\nend\nmusic off\nend\n", "damaged at line 3"},
      {head + std::string("mus\0ic on\nend\n", 14), "damaged at line 2"},
  };
  for (const auto& b : bad) {
    std::string why;
    EXPECT_FALSE(ParseRecord(b.Text, &why).has_value()) << b.Text;
    EXPECT_EQ(why, b.Why) << b.Text;
  }
}

}  // namespace
}  // namespace fg
