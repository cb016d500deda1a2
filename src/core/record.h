// The player's record: the ten best finished games and the music and effects switches, the one
// thing the program keeps from one run to the next. Here is what the record is and how it is
// written as text (docs/score-file.md): the game's knowledge of it. Where the text is kept is the
// host's business (RecordStore, platform/record.h). Nothing here touches a file or a clock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/record.h"

namespace fg {

inline constexpr int kBestGames = 10;             // the table's length
inline constexpr int kRecordVersion = 1;          // the version this program writes
inline constexpr int kMaxRecordScore = 99999999;  // the largest score a record file may hold

struct FinishedGame {
  int Score = 0;
  int Length = 0;        // segments behind the head when the game ended
  int64_t Ended = 0;     // when it ended: seconds since 1970-01-01 00:00 UTC
  int64_t PlayedMs = 0;  // time in play, pauses left out
  std::string Replay;    // the game to watch again: a code of [A-Za-z0-9_.~-]; empty for old games
  std::string More;      // fields a later version wrote after these on the game's line, kept

  bool operator==(const FinishedGame&) const = default;
};

struct PlayerRecord {
  std::vector<FinishedGame> Best;  // at most kBestGames, best first
  bool Music = true;               // the switches as the player last left them
  bool Effects = true;
  std::vector<std::string> Unknown;  // lines this version does not know, kept as they are

  bool operator==(const PlayerRecord&) const = default;
};

// What a commit adds to the stored record: the games finished since the last successful
// commit, and the switches as they are now.
struct RecordChange {
  std::vector<FinishedGame> Games;
  bool Music = true;
  bool Effects = true;
};

// True when a ranks above b: the higher score, and on a tie the game that ended first.
bool RanksAbove(const FinishedGame& a, const FinishedGame& b);

// Puts the game into the table in its place and drops whatever falls below the tenth;
// returns its place (1 = the best) or 0 when it did not make the table.
int Enter(std::vector<FinishedGame>& best, const FinishedGame& game);

// The change applied to a record: its games entered, its switches taken.
void Apply(PlayerRecord& record, const RecordChange& change);

// The record as text, and back (docs/score-file.md). Format keeps within kMaxRecordBytes: the
// lines it does not know give way first, then the replays of the lowest games, rather than
// write what no reader takes. Parse reads any version as far as it understands it, keeping the
// fields and lines it does not know [D33]; it returns nothing, and says why in `problem`, for
// a text that is not a whole record: another program's file, a cut-off or damaged one.
std::string FormatRecord(const PlayerRecord& record);
std::optional<PlayerRecord> ParseRecord(std::string_view text, std::string* problem = nullptr);

// "2024-05-01T12:34:56Z" for a time in seconds since 1970, and back (nothing when malformed).
std::string FormatUtc(int64_t seconds);
std::optional<int64_t> ParseUtc(std::string_view text);

// The table as `fenzogobbix --scores` prints it: a heading and one line per game, or one line
// saying there is none. `local` turns seconds since 1970 into the local date and time
// "YYYY-MM-DD HH:MM".
std::string ScoreListing(const std::vector<FinishedGame>& best,
                         std::string (*local)(int64_t seconds));

// The merge a record store runs under its lock: the stored text (nothing when none is stored)
// read, the change applied, the text to store in its place returned; nothing, and why in
// `problem`, when the stored text is not a record. `merged`, when given, receives the record as
// it is stored.
RecordStore::Merge Merging(const RecordChange& change, PlayerRecord* merged = nullptr);

}  // namespace fg
