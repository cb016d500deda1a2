// Command-line options. Every one that plays is presentation: with none the game is as it always
// was.
#include "shell/command_line.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "platform/record_file.h"
#include "shell/playback.h"

namespace fg {

namespace {

constexpr std::string_view kUsage =
    "Usage: fenzogobbix [--fullscreen | --windowed] [--scale N]\n"
    "       fenzogobbix --scores | --help | --version\n"
    "       fenzogobbix --replay N|FILE | --export-replay N FILE | --timedemo N|FILE [--window]\n";

constexpr std::string_view kOptions =
    "\n"
    "A small arcade game of the snake family.\n"
    "\n"
    "Options:\n"
    "  --fullscreen   start in fullscreen\n"
    "  --windowed     start in a window (the default)\n"
    "  --scale N      show the 400 x 400 picture N times as large, N from 1 to 6\n"
    "                 (the default is the largest that suits the screen)\n"
    "  --scores       show the ten best games and exit\n"
    "  --replay N|FILE         show the N-th best game, or a replay file, again\n"
    "  --export-replay N FILE  write the N-th best game as a replay file\n"
    "  --timedemo N|FILE       replay a game as fast as possible, headless, and say how fast;\n"
    "                          with --window, drawing every frame in the window\n"
    "  --help         show this help and exit\n"
    "  --version      show the version and exit\n"
    "\n"
    "Keys: Space starts a game, the arrows steer, P or Pause pauses, Escape leaves a game or\n"
    "quits, M switches the music, S the sound effects, F11 or Alt+Enter fullscreen,\n"
    "Ctrl+1 to Ctrl+6 the scale, Ctrl+0 the default scale.\n"
    "See the fenzogobbix(6) manual page for more.\n";

CommandLine Bad(std::string problem) {
  CommandLine line;
  line.What = CommandLine::kBad;
  line.Problem = std::move(problem);
  return line;
}

// A scale is one to six written in decimal digits alone: no sign, no space, no suffix.
std::optional<int> ScaleValue(std::string_view text) {
  if (text.empty() || text.size() > 3) return std::nullopt;
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text[0] == '-' || text[0] == '+') {
    return std::nullopt;
  }
  if (value < kMinScale || value > kMaxScale) return std::nullopt;
  return value;
}

// How much of an argument a message repeats: enough to recognise it, never a screenful.
constexpr size_t kEchoLimit = 64;

// One character of an argument as a message shows it: control characters (C0, DEL and the
// C1 ones in their UTF-8 form) escaped, so a stray argument cannot move the cursor or recolour
// the terminal; a UTF-8 sequence stays whole. Returns the text and how many bytes it took.
std::pair<std::string, size_t> EchoedCharacter(std::string_view s) {
  static constexpr char kHex[] = "0123456789abcdef";
  const auto hex = [](unsigned char c) {
    return std::string{'\\', 'x', kHex[c >> 4], kHex[c & 15]};
  };
  const auto c = static_cast<unsigned char>(s[0]);
  if (c == '\n') return {"\\n", 1};
  if (c == '\t') return {"\\t", 1};
  if (c == '\r') return {"\\r", 1};
  if (c < 0x20 || c == 0x7F) return {hex(c), 1};
  if (c == 0xC2 && s.size() > 1 && static_cast<unsigned char>(s[1]) >= 0x80 &&
      static_cast<unsigned char>(s[1]) <= 0x9F) {
    return {hex(c) + hex(static_cast<unsigned char>(s[1])), 2};
  }
  size_t n = 1;
  if (c >= 0xC0) {
    while (n < s.size() && n < 4 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) ++n;
  }
  return {std::string(s.substr(0, n)), n};
}

// How many characters a terminal shows for a piece of EchoedCharacter's text.
size_t Shown(std::string_view text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// The argument in quotes, escaped, and cut so that at most kEchoLimit characters stand
// between the quotes ("..." ends a cut one). [D18]
std::string Quoted(std::string_view s) {
  std::vector<std::string> pieces;
  size_t width = 0;
  for (size_t at = 0; at < s.size();) {
    auto [text, used] = EchoedCharacter(s.substr(at));
    width += Shown(text);
    pieces.push_back(std::move(text));
    at += used;
  }
  std::string body;
  const size_t room = width <= kEchoLimit ? kEchoLimit : kEchoLimit - 3;
  width = 0;
  for (const std::string& piece : pieces) {
    if (width + Shown(piece) > room) break;
    width += Shown(piece);
    body += piece;
  }
  if (room < kEchoLimit) body += "...";
  return "'" + body + "'";
}

// The status of an answer on standard output: 0 once it is all out, 1 when it could not be
// written (a full disk, say), which a script must not take for success. [D18]
int Written(std::ostream& out, std::ostream& err) {
  out.flush();
  if (out) return 0;
  err << "fenzogobbix: cannot write to standard output\n";
  err.flush();
  return 1;
}

std::string LocalTime(int64_t seconds) {
  const auto t = static_cast<std::time_t>(seconds);
  std::tm local{};
  char text[32] = "?";
  if (localtime_r(&t, &local) != nullptr)
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
  return text;
}

// The table as stored; an unreadable file is told and left as it is.
int PrintScores(std::ostream& out, std::ostream& err) {
  const RecordFile file(RecordFile::DefaultDir(), err);
  std::string problem;
  const std::optional<PlayerRecord> record = file.Peek(&problem);
  if (!record) err << "fenzogobbix: " << problem << "\n";
  out << ScoreListing(record ? record->Best : std::vector<FinishedGame>{}, LocalTime);
  err.flush();
  return Written(out, err);
}

// The options that answer and end the program without a window.
std::optional<CommandLine::Action> AnswerOnly(std::string_view name) {
  if (name == "--help") return CommandLine::kHelp;
  if (name == "--version") return CommandLine::kVersion;
  if (name == "--scores") return CommandLine::kScores;
  return std::nullopt;
}

bool IsReplayOption(std::string_view name) {
  return name == "--replay" || name == "--timedemo" || name == "--export-replay";
}

// --replay and --timedemo take N or a file, --export-replay N and a file; false, with `line`
// made the mistake, when they are missing.
bool TakeReplayOption(std::string_view name, bool hasValue, std::span<const std::string_view> args,
                      size_t& i, CommandLine& line) {
  const size_t needed = name == "--export-replay" ? 2 : 1;
  if (hasValue || i + needed >= args.size()) {
    line = Bad("option " + Quoted(name) +
               (needed == 2 ? " needs a place in the table and a file"
                            : " needs a place in the table or a file"));
    return false;
  }
  line.What = name == "--replay"     ? CommandLine::kReplay
              : name == "--timedemo" ? CommandLine::kTimedemo
                                     : CommandLine::kExportReplay;
  line.Replay = std::string(args[++i]);
  if (needed == 2) line.ExportTo = std::string(args[++i]);
  return true;
}

bool Stop(CommandLine& line, CommandLine mistake) {
  line = std::move(mistake);
  return false;
}

// Reads the argument at `i` (and its values) into `line`; false when the reading stops there:
// an answer-only option, or a mistake, which `line` then says.
bool TakeArgument(std::span<const std::string_view> args, size_t& i, CommandLine& line) {
  const std::string_view arg = args[i];
  const size_t equals = arg.find('=');
  const std::string_view name = arg.substr(0, equals);
  const bool hasValue = equals != std::string_view::npos && arg.starts_with("--");
  if (name == "--scale") {
    std::string_view value;
    if (hasValue) {
      value = arg.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      return Stop(line, Bad("option '--scale' needs a value from 1 to 6"));
    }
    const std::optional<int> scale = ScaleValue(value);
    if (!scale) {
      return Stop(line, Bad("bad scale " + Quoted(value) + ": give a whole number from 1 to 6"));
    }
    line.Scale = *scale;
    return true;
  }
  if (IsReplayOption(name)) return TakeReplayOption(name, hasValue, args, i, line);
  if (hasValue && (name == "--fullscreen" || name == "--windowed" || AnswerOnly(name))) {
    return Stop(line, Bad("option " + Quoted(name) + " takes no value"));
  }
  if (const std::optional<CommandLine::Action> answer = AnswerOnly(arg)) {
    line.What = *answer;
    return false;
  }
  if (arg == "--fullscreen") {
    line.Fullscreen = true;
  } else if (arg == "--windowed") {
    line.Fullscreen = false;
  } else if (arg == "--window") {
    line.Window = true;
  } else if (arg.starts_with("-")) {
    return Stop(line, Bad("unknown option " + Quoted(arg)));
  } else {
    return Stop(line, Bad("unexpected argument " + Quoted(arg)));
  }
  return true;
}

}  // namespace

CommandLine ParseCommandLine(std::span<const std::string_view> args) {
  CommandLine line;
  for (size_t i = 0; i < args.size(); ++i) {
    if (!TakeArgument(args, i, line)) return line;
  }
  return line.Window && line.What != CommandLine::kTimedemo
             ? Bad("option '--window' goes with '--timedemo' only")
             : line;
}

std::optional<int> AnswerCommandLine(const CommandLine& line, std::ostream& out,
                                     std::ostream& err) {
  switch (line.What) {
    case CommandLine::kHelp:
      out << kUsage << kOptions;
      return Written(out, err);
    case CommandLine::kVersion:
      out << "fenzogobbix " << FG_VERSION << "\n";
      return Written(out, err);
    case CommandLine::kScores:
      return PrintScores(out, err);
    case CommandLine::kBad:
      err << "fenzogobbix: " << line.Problem << "\n" << kUsage;
      err.flush();
      return 2;
    case CommandLine::kExportReplay:
      return ExportReplay(line.Replay, line.ExportTo, err);
    case CommandLine::kPlay:
    case CommandLine::kReplay:
    case CommandLine::kTimedemo:
      break;
  }
  return std::nullopt;
}

}  // namespace fg
