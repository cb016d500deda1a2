// A game's replay, and its code.
#include "core/replay.h"

#include <charconv>

#include "core/rules.h"

namespace fg {

void Replay::Add(uint8_t steer) {
  if (!Runs.empty() && Runs.back().Steer == steer) {
    ++Runs.back().Ticks;
  } else {
    Runs.push_back({steer, 1});
  }
}

int64_t Replay::Ticks() const {
  int64_t n = 0;
  for (const SteerRun& run : Runs) n += run.Ticks;
  return n;
}

uint8_t ReplayTape::Next() {
  while (run_ < runs_->size() && used_ >= (*runs_)[run_].Ticks) {
    ++run_;
    used_ = 0;
  }
  if (run_ >= runs_->size()) return 0;
  ++used_;
  return (*runs_)[run_].Steer;
}

namespace {

constexpr uint64_t kMostReplayTicks = uint64_t{24} * 3600 * 1000 / kTickMs;

constexpr std::string_view kDigits =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

void PutNumber(std::vector<uint8_t>& out, uint64_t v) {
  while (v >= 0x80) {
    out.push_back(static_cast<uint8_t>(v | 0x80));
    v >>= 7;
  }
  out.push_back(static_cast<uint8_t>(v));
}

uint64_t Zigzag(int64_t v) {
  return (static_cast<uint64_t>(v) << 1) ^ static_cast<uint64_t>(v >> 63);
}

int64_t Unzigzag(uint64_t v) {
  return static_cast<int64_t>(v >> 1) ^ -static_cast<int64_t>(v & 1);
}

void PutSigned(std::vector<uint8_t>& out, int64_t v) {
  PutNumber(out, Zigzag(v));
}

// A place on the field, in cells where it lies on the grid (one byte), else in pixels.
void PutPlace(std::vector<uint8_t>& out, Integer v) {
  PutNumber(out, v % kCell == 0 ? Zigzag(v / kCell) << 1 : (Zigzag(v) << 1) | 1);
}

struct Reader {
  const std::vector<uint8_t>& In;
  size_t At = 0;
  bool Short = false;

  uint64_t Number() {
    uint64_t v = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      if (At >= In.size()) {
        Short = true;
        return 0;
      }
      const uint8_t b = In[At++];
      v |= static_cast<uint64_t>(b & 0x7F) << shift;
      if ((b & 0x80) == 0) return v;
    }
    Short = true;
    return 0;
  }
  int64_t Signed() { return Unzigzag(Number()); }
  Integer Place() {
    const uint64_t v = Number();
    return static_cast<Integer>((v & 1) != 0 ? Unzigzag(v >> 1) : Unzigzag(v >> 1) * kCell);
  }
};

std::string ToText(const std::vector<uint8_t>& bytes) {
  std::string text;
  uint32_t acc = 0;
  int bits = 0;
  for (const uint8_t b : bytes) {
    acc = (acc << 8) | b;
    bits += 8;
    while (bits >= 6) {
      bits -= 6;
      text += kDigits[(acc >> bits) & 63];
    }
  }
  if (bits > 0) text += kDigits[(acc << (6 - bits)) & 63];
  return text;
}

std::optional<std::vector<uint8_t>> FromText(std::string_view text) {
  std::vector<uint8_t> bytes;
  uint32_t acc = 0;
  int bits = 0;
  for (const char c : text) {
    const size_t d = kDigits.find(c);
    if (d == std::string_view::npos) return std::nullopt;
    acc = (acc << 6) | static_cast<uint32_t>(d);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      bytes.push_back(static_cast<uint8_t>(acc >> bits));
    }
  }
  return bytes;
}

// Slots past the last one holding anything are left out; the rest go whole, free ones too, as
// their last item's place stays in them.
int UsedSlots(const GameCourse& c) {
  int n = kItemSlots;
  while (n > 0 && c.ItemX[n - 1] == 0 && c.ItemY[n - 1] == 0 && c.ItemFrame[n - 1] == 0 &&
         c.ItemKind[n - 1] == 0) {
    --n;
  }
  return n;
}

std::optional<Replay> Refused(std::string* problem, const std::string& why) {
  if (problem != nullptr) *problem = why;
  return std::nullopt;
}

}  // namespace

// The bytes: score, length, ticks, the random source, the used item slots (x, y, frame, kind
// each), then a number per run: (ticks - 1) * 16 + steering. Everything else of the start is
// the snake's standard start. [D35]
std::string EncodeReplay(const Replay& r) {
  std::vector<uint8_t> out;
  PutNumber(out, static_cast<uint64_t>(r.Score));
  PutNumber(out, static_cast<uint64_t>(r.Length));
  PutNumber(out, static_cast<uint64_t>(r.Ticks()));
  PutNumber(out, r.Start.Random.Seed());
  const int slots = UsedSlots(r.Start);
  PutNumber(out, static_cast<uint64_t>(slots));
  for (int k = 0; k < slots; ++k) {
    PutPlace(out, r.Start.ItemX[k]);
    PutPlace(out, r.Start.ItemY[k]);
    PutSigned(out, r.Start.ItemFrame[k]);
    PutSigned(out, r.Start.ItemKind[k]);
  }
  for (const SteerRun& run : r.Runs) {
    PutNumber(out, (static_cast<uint64_t>(run.Ticks - 1) << 4) | (run.Steer & 15u));
  }
  return std::string(kReplayCodePrefix) + std::to_string(kReplayCodeVersion) + ToText(out);
}

std::optional<Replay> DecodeReplay(std::string_view code, std::string* problem) {
  if (!code.starts_with(kReplayCodePrefix) || code.size() < 2 || code[1] < '1' || code[1] > '9') {
    return Refused(problem, "not a replay code");
  }
  if (code[1] - '0' > kReplayCodeVersion) {
    return Refused(problem, "a replay of a later version (" + std::string(1, code[1]) +
                                "), which this program cannot play");
  }
  const std::optional<std::vector<uint8_t>> bytes = FromText(code.substr(2));
  if (!bytes) return Refused(problem, "the replay code holds a character that is not in codes");
  Reader in{*bytes};
  Replay r;
  r.Score = static_cast<int>(in.Number() & 0x7FFFFFFF);
  r.Length = static_cast<int>(in.Number() & 0x7FFFFFFF);
  const uint64_t ticks = in.Number();
  // A day of play is far beyond any game; a larger count would only hold up the check.
  if (ticks > kMostReplayTicks) return Refused(problem, "the replay is damaged (too long)");
  r.Start.Random = RandomSource(static_cast<uint32_t>(in.Number()));
  const uint64_t slots = in.Number();
  if (slots > kItemSlots) return Refused(problem, "the replay is damaged (item slots)");
  for (int k = 0; k < static_cast<int>(slots); ++k) {
    r.Start.ItemX[k] = in.Place();
    r.Start.ItemY[k] = in.Place();
    r.Start.ItemFrame[k] = static_cast<Integer>(in.Signed());
    r.Start.ItemKind[k] = static_cast<Integer>(in.Signed());
  }
  ResetSnake(r.Start);
  uint64_t seen = 0;
  while (!in.Short && seen < ticks) {
    const uint64_t v = in.Number();
    if (in.Short) break;
    const uint64_t n = (v >> 4) + 1;
    if (n > ticks - seen) return Refused(problem, "the replay is damaged (steering)");
    r.Runs.push_back({static_cast<uint8_t>(v & 15), static_cast<uint32_t>(n)});
    seen += n;
  }
  if (in.Short || seen < ticks) return Refused(problem, "the replay is cut short");
  if (in.At != bytes->size()) return Refused(problem, "the replay is damaged (trailing bytes)");
  return r;
}

std::string FormatReplayFile(const FinishedGame& game) {
  return "fenzogobbix replay " + std::to_string(kReplayFileVersion) + "\nscore " +
         std::to_string(game.Score) + "\nlength " + std::to_string(game.Length) + "\nended " +
         FormatUtc(game.Ended) + "\ncode " + game.Replay + "\n";
}

namespace {

std::optional<int> Count(std::string_view text) {
  int v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < 0) return std::nullopt;
  return v;
}

// One line of a replay file into `game`; false when a line it knows is malformed.
bool TakeLine(std::string_view line, FinishedGame& game, bool& score, bool& length) {
  if (line.ends_with('\r')) line.remove_suffix(1);
  const size_t space = line.find(' ');
  const std::string_view key = line.substr(0, space);
  const std::string_view value = space == std::string_view::npos ? "" : line.substr(space + 1);
  if (key == "score" || key == "length") {
    const std::optional<int> n = Count(value);
    if (!n) return false;
    (key == "score" ? game.Score : game.Length) = *n;
    (key == "score" ? score : length) = true;
  } else if (key == "ended") {
    game.Ended = ParseUtc(value).value_or(0);
  } else if (key == "code") {
    game.Replay = std::string(value);
  }
  return true;
}

}  // namespace

std::optional<FinishedGame> ParseReplayFile(std::string_view text, std::string* problem) {
  const auto refused = [&](const std::string& why) -> std::optional<FinishedGame> {
    if (problem != nullptr) *problem = why;
    return std::nullopt;
  };
  constexpr std::string_view kHeader = "fenzogobbix replay ";
  const size_t eol = text.find('\n');
  const std::string_view first = text.substr(0, eol);
  if (!first.starts_with(kHeader) || !Count(first.substr(kHeader.size()))) {
    return refused("not a replay file");
  }
  FinishedGame game;
  bool score = false;
  bool length = false;
  for (size_t at = eol; at != std::string_view::npos && at < text.size();) {
    const size_t next = text.find('\n', at + 1);
    const std::string_view line =
        text.substr(at + 1, next == std::string_view::npos ? next : next - at - 1);
    at = next;
    if (!TakeLine(line, game, score, length)) return refused("the replay file holds a bad number");
  }
  if (!score || !length || game.Replay.empty()) return refused("the replay file is cut short");
  return game;
}

}  // namespace fg
