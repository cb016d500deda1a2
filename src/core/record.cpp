// The record's rules (ranking, merging) and its text form.
#include "core/record.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace fg {

namespace {

constexpr std::string_view kMagic = "fenzogobbix record ";
constexpr int64_t kMaxPlayedMs = int64_t{1000000000} * 1000;  // ~31 years: beyond any game
constexpr int kMaxLength = 100000;

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar, and back.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = yoe + era * 400 + (m <= 2 ? 1 : 0);
}

// A whole number written in decimal digits alone, within [low, high].
template <typename T>
std::optional<T> Number(std::string_view text, T low, T high) {
  if (text.empty() || text.size() > 19 || text[0] < '0' || text[0] > '9') return std::nullopt;
  T value{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high) {
    return std::nullopt;
  }
  return value;
}

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < line.size()) {
    const size_t next = line.find(' ', i);
    words.push_back(
        line.substr(i, next == std::string_view::npos ? std::string_view::npos : next - i));
    if (next == std::string_view::npos) break;
    i = next + 1;
  }
  return words;
}

bool Printable(std::string_view line) {
  return std::all_of(line.begin(), line.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

// "83.250": seconds with exactly three decimals.
std::optional<int64_t> ParsePlayed(std::string_view text) {
  const size_t dot = text.find('.');
  if (dot == std::string_view::npos || text.size() - dot != 4) return std::nullopt;
  const auto whole = Number<int64_t>(text.substr(0, dot), 0, kMaxPlayedMs / 1000);
  const auto part = Number<int64_t>(text.substr(dot + 1), 0, 999);
  if (!whole || !part) return std::nullopt;
  return *whole * 1000 + *part;
}

// "game SCORE LENGTH ENDED PLAYED", and whatever a later version wrote after them. [D33]
std::optional<FinishedGame> ParseGame(std::string_view line,
                                      const std::vector<std::string_view>& w) {
  if (w.size() < 5) return std::nullopt;
  const auto score = Number<int>(w[1], 0, kMaxRecordScore);
  const auto length = Number<int>(w[2], 0, kMaxLength);
  const auto ended = ParseUtc(w[3]);
  const auto played = ParsePlayed(w[4]);
  if (!score || !length || !ended || !played) return std::nullopt;
  FinishedGame game{*score, *length, *ended, *played, "", ""};
  if (w.size() > 5) game.More = line.substr(static_cast<size_t>(w[5].data() - line.data()));
  return game;
}

bool ReplayCode(std::string_view code) {
  return !code.empty() && std::all_of(code.begin(), code.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.' || c == '~';
  });
}

// "replay ENDED SCORE CODE": the replay of the game that ended then with that score, on a line
// of its own that a reader of before replays keeps as unknown.
struct ReplayLine {
  int64_t Ended;
  int Score;
  std::string_view Code;
};
std::optional<ReplayLine> ParseReplay(const std::vector<std::string_view>& w) {
  if (w.size() < 4) return std::nullopt;
  const auto ended = ParseUtc(w[1]);
  const auto score = Number<int>(w[2], 0, kMaxRecordScore);
  if (!ended || !score || !ReplayCode(w[3])) return std::nullopt;
  return ReplayLine{*ended, *score, w[3]};
}

std::optional<bool> Switch(const std::vector<std::string_view>& w) {
  if (w.size() != 2) return std::nullopt;
  if (w[1] == "on") return true;
  if (w[1] == "off") return false;
  return std::nullopt;
}

// Each replay goes with its game; one whose game is not in the table goes with nothing.
void AttachReplays(std::vector<FinishedGame>& best, const std::vector<ReplayLine>& replays) {
  for (const ReplayLine& r : replays) {
    const auto game = std::find_if(best.begin(), best.end(), [&](const FinishedGame& g) {
      return g.Ended == r.Ended && g.Score == r.Score && g.Replay.empty();
    });
    if (game != best.end()) game->Replay = r.Code;
  }
}

std::optional<PlayerRecord> Refuse(std::string* problem, std::string why) {
  if (problem != nullptr) *problem = std::move(why);
  return std::nullopt;
}

std::string Played(int64_t ms) {
  const int64_t s = ms / 1000;
  char text[32];
  if (s >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(s / 3600),
                  static_cast<long long>(s / 60 % 60), static_cast<long long>(s % 60));
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(s / 60),
                  static_cast<long long>(s % 60));
  }
  return text;
}

}  // namespace

bool RanksAbove(const FinishedGame& a, const FinishedGame& b) {
  if (a.Score != b.Score) return a.Score > b.Score;
  return a.Ended < b.Ended;
}

int Enter(std::vector<FinishedGame>& best, const FinishedGame& game) {
  // After every game already there that ranks above it or level with it: on a full tie the
  // game already in the table stays ahead.
  const auto at = std::find_if(best.begin(), best.end(),
                               [&](const FinishedGame& b) { return RanksAbove(game, b); });
  const int place = static_cast<int>(at - best.begin()) + 1;
  best.insert(at, game);
  if (best.size() > kBestGames) best.resize(kBestGames);
  return place <= kBestGames ? place : 0;
}

void Apply(PlayerRecord& record, const RecordChange& change) {
  for (const FinishedGame& game : change.Games) Enter(record.Best, game);
  record.Music = change.Music;
  record.Effects = change.Effects;
}

RecordStore::Merge Merging(const RecordChange& change, PlayerRecord* merged) {
  return [change, merged](std::optional<std::string_view> stored,
                          std::string& problem) -> std::optional<std::string> {
    PlayerRecord record;
    if (stored) {
      std::optional<PlayerRecord> read = ParseRecord(*stored, &problem);
      if (!read) return std::nullopt;
      record = std::move(*read);
    }
    Apply(record, change);
    std::string text = FormatRecord(record);
    if (merged != nullptr) *merged = std::move(record);
    return text;
  };
}

std::string FormatRecord(const PlayerRecord& record) {
  // Version 1 still: a reader of before replays reads this table whole. [D33]
  std::string text = std::string(kMagic) + std::to_string(kRecordVersion) + "\n";
  text += std::string("music ") + (record.Music ? "on" : "off") + "\n";
  text += std::string("effects ") + (record.Effects ? "on" : "off") + "\n";
  for (const FinishedGame& g : record.Best) {
    char played[32];
    std::snprintf(played, sizeof played, "%lld.%03lld", static_cast<long long>(g.PlayedMs / 1000),
                  static_cast<long long>(g.PlayedMs % 1000));
    text += "game " + std::to_string(g.Score) + " " + std::to_string(g.Length) + " " +
            FormatUtc(g.Ended) + " " + played + (g.More.empty() ? "" : " " + g.More) + "\n";
  }
  // Beyond what a reader takes, the lines it does not know give way first, then the replays
  // of the lowest games; the table itself always fits.
  constexpr std::string_view kEnd = "end\n";
  size_t room = kMaxRecordBytes - std::min(kMaxRecordBytes, text.size() + kEnd.size());
  const auto fits = [&](const std::string& line) {
    if (line.size() + 1 > room) return false;
    room -= line.size() + 1;
    return true;
  };
  std::string replays;
  for (const FinishedGame& g : record.Best) {
    if (g.Replay.empty()) continue;
    const std::string line =
        "replay " + FormatUtc(g.Ended) + " " + std::to_string(g.Score) + " " + g.Replay;
    if (fits(line)) replays += line + "\n";
  }
  std::string unknown;
  for (const std::string& line : record.Unknown) {
    if (fits(line)) unknown += line + "\n";
  }
  return text + replays + unknown + std::string(kEnd);
}

std::optional<PlayerRecord> ParseRecord(std::string_view text, std::string* problem) {
  if (!text.starts_with(kMagic)) return Refuse(problem, "not a record of this game");
  if (!text.ends_with("\nend\n")) return Refuse(problem, "cut off");
  std::vector<std::string_view> lines;
  for (size_t i = 0; i < text.size();) {
    const size_t next = text.find('\n', i);
    lines.push_back(text.substr(i, next - i));
    i = next + 1;
  }
  const auto version = Number<int>(lines[0].substr(kMagic.size()), 0, 1000000);
  if (!version || *version < 1 || !Printable(lines[0])) {
    return Refuse(problem, "not a record of this game");
  }
  // A later version is read as far as it is understood, never refused for its number. [D33]
  PlayerRecord record;
  std::vector<ReplayLine> replays;
  for (size_t n = 1; n + 1 < lines.size(); ++n) {
    const std::string_view line = lines[n];
    const std::vector<std::string_view> w = Words(line);
    const std::string damaged = "damaged at line " + std::to_string(n + 1);
    if (line.empty() || !Printable(line) || w[0].empty()) return Refuse(problem, damaged);
    if (w[0] == "game") {
      const auto game = ParseGame(line, w);
      if (!game) return Refuse(problem, damaged);
      Enter(record.Best, *game);
    } else if (const auto replay = w[0] == "replay" ? ParseReplay(w) : std::nullopt) {
      replays.push_back(*replay);
    } else if (w[0] == "music" || w[0] == "effects") {
      const auto on = Switch(w);
      if (!on) return Refuse(problem, damaged);
      (w[0] == "music" ? record.Music : record.Effects) = *on;
    } else if (w[0] == "end") {
      return Refuse(problem, damaged);  // only the last line ends the record
    } else {
      record.Unknown.emplace_back(line);
    }
  }
  AttachReplays(record.Best, replays);
  return record;
}

std::string FormatUtc(int64_t seconds) {
  // A date the reader takes back, whatever the clock said: years 0000 to 9999. A clock set
  // before 1970, or one that failed (-1), must not make the whole table unreadable.
  seconds =
      std::clamp(seconds, DaysFromCivil(0, 1, 1) * 86400, DaysFromCivil(10000, 1, 1) * 86400 - 1);
  const int64_t days = (seconds >= 0 ? seconds : seconds - 86399) / 86400;
  const int64_t rest = seconds - days * 86400;
  int64_t y = 0;
  int m = 0;
  int d = 0;
  CivilFromDays(days, y, m, d);
  char text[48];
  std::snprintf(text, sizeof text, "%04lld-%02d-%02dT%02lld:%02lld:%02lldZ",
                static_cast<long long>(y), m, d, static_cast<long long>(rest / 3600),
                static_cast<long long>(rest / 60 % 60), static_cast<long long>(rest % 60));
  return text;
}

std::optional<int64_t> ParseUtc(std::string_view t) {
  if (t.size() != 20 || t[4] != '-' || t[7] != '-' || t[10] != 'T' || t[13] != ':' ||
      t[16] != ':' || t[19] != 'Z') {
    return std::nullopt;
  }
  const auto y = Number<int>(t.substr(0, 4), 0, 9999);
  const auto mo = Number<int>(t.substr(5, 2), 1, 12);
  const auto d = Number<int>(t.substr(8, 2), 1, 31);
  const auto h = Number<int>(t.substr(11, 2), 0, 23);
  const auto mi = Number<int>(t.substr(14, 2), 0, 59);
  const auto s = Number<int>(t.substr(17, 2), 0, 59);
  if (!y || !mo || !d || !h || !mi || !s) return std::nullopt;
  const int64_t days = DaysFromCivil(*y, *mo, *d);
  int64_t cy = 0;
  int cm = 0;
  int cd = 0;
  CivilFromDays(days, cy, cm, cd);
  if (cm != *mo || cd != *d) return std::nullopt;  // no 31st of April
  return days * 86400 + int64_t{*h} * 3600 + int64_t{*mi} * 60 + *s;
}

std::string ScoreListing(const std::vector<FinishedGame>& best,
                         std::string (*local)(int64_t seconds)) {
  if (best.empty()) return "No finished game yet.\n";
  std::string text = "Rank     Score  Length  Ended              Played\n";
  int rank = 0;
  for (const FinishedGame& g : best) {
    char line[160];
    std::snprintf(line, sizeof line, "%4d  %8d  %6d  %-16s  %8s\n", ++rank, g.Score, g.Length,
                  local(g.Ended).c_str(), Played(g.PlayedMs).c_str());
    text += line;
  }
  return text;
}

}  // namespace fg
