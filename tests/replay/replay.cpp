// Replays a script on the headless host and writes down what it saw.
#include "replay/replay.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "testkit.h"

namespace fg::test {

namespace {

std::vector<std::string> Fields(std::string_view line) {
  std::vector<std::string> fields;
  std::istringstream in{std::string(line)};
  std::string field;
  while (in >> field) {
    if (field[0] == '#') break;
    fields.push_back(field);
  }
  return fields;
}

int64_t ParseInteger(const std::string& field, int line, const char* what, int64_t lo, int64_t hi) {
  errno = 0;
  char* end = nullptr;
  const long long v = std::strtoll(field.c_str(), &end, 10);
  if (end == field.c_str() || *end != '\0' || errno != 0 || v < lo || v > hi) {
    throw ScriptError(line, std::string("bad ") + what + " \"" + field + "\"");
  }
  return v;
}

float ParseCoordinate(const std::string& field, int line) {
  char* end = nullptr;
  const float v = std::strtof(field.c_str(), &end);
  if (end == field.c_str() || *end != '\0' || !(v > -1e6f && v < 1e6f)) {
    throw ScriptError(line, "bad coordinate \"" + field + "\"");
  }
  return v;
}

std::string Hex(uint32_t v) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", v);
  return text;
}

// Why the game that has just ended is over. GameOver marks the program busy for the explosion
// and the pause; Escape goes straight back to the title.
std::string EndCause(const GameState& s) {
  if (s.Busy == 0) return "escape";
  for (int k = 1; k < kItemSlots; ++k) {
    if (s.ItemKind[k] == kSkull && s.ItemX[k] == s.HeadX && s.ItemY[k] == s.HeadY) return "skull";
  }
  return "itself";
}

std::string Mode(const GameState& s) {
  std::ostringstream o;
  if (s.InGame != 0) {
    o << "play head " << s.HeadX << "," << s.HeadY << " length " << s.SnakeLength << " score "
      << s.Score;
  } else {
    o << (s.Busy != 0 ? "over" : "title");
  }
  return o.str();
}

// The state the session ends in; its first lines are those the replay has always compared.
std::string FinalState(TestGame& t) {
  const GameState& s = t.S();
  std::ostringstream o;
  o << "clock " << t.Host.Clock() << "\n"
    << "mode InGame " << s.InGame << " Busy " << s.Busy << "\n"
    << "head " << s.HeadX << " " << s.HeadY << " direction " << s.Direction << " speed " << s.Speed
    << "\n"
    << "length " << s.SnakeLength << " score " << s.Score << " growflash " << s.GrowFlash
    << " spawndelay " << s.SpawnDelay << "\n"
    << "hold left " << s.HoldLeft << " right " << s.HoldRight << " up " << s.HoldUp << " down "
    << s.HoldDown << "\n"
    << "link hover " << s.LinkHover << " scroll " << s.ScrollPos << " " << s.ScrollShift << "\n";
  o << "segments";
  for (int i = 1; i <= s.SnakeLength; ++i) o << " " << s.TrailX[8 * i] << "," << s.TrailY[8 * i];
  o << "\nitems\n";
  for (int k = 0; k < kItemSlots; ++k) {
    if (s.ItemKind[k] == kFree && k != 0) continue;
    o << "  " << k << ": kind " << s.ItemKind[k] << " at " << s.ItemX[k] << "," << s.ItemY[k]
      << " frame " << s.ItemFrame[k] << "\n";
  }
  o << "effects";
  for (int id : t.Effects()) o << " " << id;
  o << "\nrefreshes " << t.Host.Refreshes << "\n";
  o << "image " << Hex(ImageChecksum(t.Host.Screen)) << "\n";
  return o.str();
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    lines.push_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

}  // namespace

ScriptError::ScriptError(int line, const std::string& message)
    : std::runtime_error("line " + std::to_string(line) + ": " + message), line_(line) {}

std::vector<ScriptedEvent> ParseScript(std::string_view text) {
  std::vector<ScriptedEvent> events;
  int number = 0;
  for (std::string_view line : Lines(text)) {
    ++number;
    const std::vector<std::string> f = Fields(line);
    if (f.empty()) continue;
    if (f.size() < 2) throw ScriptError(number, "a time and a verb expected");
    ScriptedEvent e;
    e.Time = ParseInteger(f[0], number, "time", 0, int64_t{1} << 52);
    const std::string& verb = f[1];
    size_t wanted = 0;
    if (verb == "down" || verb == "up") {
      wanted = 3;
      e.What = verb == "down" ? ScriptedEvent::kKeyDown : ScriptedEvent::kKeyUp;
      if (f.size() >= 3) e.Code = static_cast<int16_t>(ParseInteger(f[2], number, "key", 0, 32767));
    } else if (verb == "move" || verb == "click") {
      wanted = 4;
      e.What = verb == "move" ? ScriptedEvent::kMouseMove : ScriptedEvent::kMouseDown;
      e.Code = 1;  // the left button
      if (f.size() >= 4) {
        e.X = ParseCoordinate(f[2], number);
        e.Y = ParseCoordinate(f[3], number);
      }
    } else if (verb == "close") {
      wanted = 2;
      e.What = ScriptedEvent::kClose;
    } else {
      throw ScriptError(number, "unknown verb \"" + verb + "\"");
    }
    if (f.size() != wanted) {
      throw ScriptError(number, "\"" + verb + "\" takes " + std::to_string(wanted - 2) +
                                    " field(s) after the verb, found " +
                                    std::to_string(f.size() - 2));
    }
    events.push_back(e);
  }
  return events;
}

uint32_t ImageChecksum(const Surface& image) {
  uint32_t h = 0x811C9DC5u;
  for (uint32_t p : image.Pixels) {
    for (int shift : {16, 8, 0}) {
      h ^= (p >> shift) & 0xFFu;
      h *= 0x01000193u;
    }
  }
  return h;
}

ReplayResult RunReplay(std::string_view script) {
  const std::vector<ScriptedEvent> events = ParseScript(script);
  TestGame t;
  int64_t last = 0;
  for (const ScriptedEvent& e : events) {
    t.Host.At(e.Time, e.What, e.Code, e.X, e.Y);
    last = std::max(last, e.Time);
  }

  ReplayResult result;
  std::ostringstream log;
  log << "# a checkpoint every " << kCheckpointEvery
      << " refreshes and at every start and end of a game; image: FNV-1a of the window\n";
  int game = 0;
  bool playing = false;
  uint32_t startImage = 0;
  t.Host.OnRefresh = [&](const Surface& image) {
    const GameState& s = t.S();
    const int n = t.Host.Refreshes;
    const int64_t clock = t.Host.Clock();
    // A game is on from its first tick to the first refresh after it ended: the first frame of
    // the explosion, or the title's first pass after Escape.
    if (!playing && s.InGame != 0) {
      playing = true;
      startImage = ImageChecksum(image);
      ++game;
      log << "game " << game << " starts at refresh " << n << " clock " << clock << " image "
          << Hex(ImageChecksum(image)) << "\n";
    } else if (playing && s.InGame == 0) {
      playing = false;
      GameEnd end{EndCause(s), s.SnakeLength, s.Score, n, {}, startImage, ImageChecksum(image)};
      if (end.Cause != "escape") {
        Replay kept = t.G->Recording;
        kept.Score = s.Score;
        kept.Length = s.SnakeLength;
        end.Code = EncodeReplay(kept);
      }
      log << "game " << game << " ends at refresh " << n << " clock " << clock << " by "
          << end.Cause << " head " << s.HeadX << "," << s.HeadY << " length " << end.Length
          << " score " << end.Score << " image " << Hex(ImageChecksum(image)) << "\n";
      result.Games.push_back(end);
    }
    if (n % kCheckpointEvery == 0) {
      log << "refresh " << n << " clock " << clock << " " << Mode(s) << " image "
          << Hex(ImageChecksum(image)) << "\n";
    }
  };
  try {
    t.Load();
    result.ProgramEnded = t.RunUntil(last + kTailAfterScript);
  } catch (const ProgramEnd&) {
    result.ProgramEnded = true;  // ended during start-up, before the message loop
  }
  t.Host.OnRefresh = nullptr;
  result.Dump = log.str() + FinalState(t);
  result.Effects = t.Effects();
  return result;
}

std::optional<LineDifference> FirstDifference(std::string_view expected, std::string_view actual) {
  const std::vector<std::string_view> want = Lines(expected);
  const std::vector<std::string_view> got = Lines(actual);
  for (size_t i = 0; i < std::max(want.size(), got.size()); ++i) {
    const std::string_view w = i < want.size() ? want[i] : std::string_view();
    const std::string_view g = i < got.size() ? got[i] : std::string_view();
    if (w != g || i >= want.size() || i >= got.size()) {
      return LineDifference{static_cast<int>(i + 1), std::string(w), std::string(g)};
    }
  }
  return std::nullopt;
}

}  // namespace fg::test
