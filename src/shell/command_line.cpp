// Command-line options. Every one that plays is presentation: with none the game is as it always
// was.
#include "shell/command_line.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "core/record.h"
#include "platform/quoted.h"
#include "platform/record_file.h"
#include "shell/playback.h"

namespace fg {

namespace {

constexpr std::string_view kUsage =
    "Usage: fenzogobbix [--fullscreen | --windowed] [--scale N]\n"
    "       fenzogobbix --scores | --help | --version\n"
    "       fenzogobbix --replay N|FILE|LINK | --export-replay N|LINK FILE\n"
    "       fenzogobbix --timedemo N|FILE|LINK [--window] | --share N\n";

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
    "  --replay N|FILE|LINK    show the N-th best game, a replay file or a shared game again\n"
    "  --export-replay N FILE  write the N-th best game (or a shared one) as a replay file\n"
    "  --timedemo N|FILE|LINK  replay a game as fast as possible, headless, and say how fast;\n"
    "                          with --window, drawing every frame in the window\n"
    "  --share N      print the link that plays the N-th best game in the browser; a LINK\n"
    "                 is such a link or the code after its #replay=\n"
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

// The table as stored. A file that cannot be read is told on both streams, since a script
// reading the table must not take it for an empty one, and left as it is: status 1.
int PrintScores(std::ostream& out, std::ostream& err) {
  const RecordFile file(RecordFile::DefaultDir(), err);
  std::string problem;
  const std::optional<std::string> text = file.Peek(problem);
  std::optional<PlayerRecord> record;
  if (text) {
    std::string why;
    record = text->empty() ? PlayerRecord{} : ParseRecord(*text, &why);
    if (!record) problem = file.Unreadable(why);
  }
  if (!record) {
    out << "fenzogobbix: " << problem << "\n";
    err << "fenzogobbix: " << problem << "\n";
    err.flush();
    return std::max(Written(out, err), 1);
  }
  out << ScoreListing(record->Best, LocalTime);
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
  return name == "--replay" || name == "--timedemo" || name == "--export-replay" ||
         name == "--share";
}

// --replay and --timedemo take N, a file or a link, --export-replay that and a file, --share N;
// false, with `line` made the mistake, when they are missing.
bool TakeReplayOption(std::string_view name, bool hasValue, std::span<const std::string_view> args,
                      size_t& i, CommandLine& line) {
  const size_t needed = name == "--export-replay" ? 2 : 1;
  if (hasValue || i + needed >= args.size()) {
    line = Bad("option " + Quoted(name) +
               (needed == 2         ? " needs a place in the table and a file"
                : name == "--share" ? " needs a place in the table"
                                    : " needs a place in the table or a file"));
    return false;
  }
  line.What = name == "--replay"     ? CommandLine::kReplay
              : name == "--timedemo" ? CommandLine::kTimedemo
              : name == "--share"    ? CommandLine::kShare
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
    case CommandLine::kShare:
      return PrintShareLink(line.Replay, out, err);
    case CommandLine::kPlay:
    case CommandLine::kReplay:
    case CommandLine::kTimedemo:
      break;
  }
  return std::nullopt;
}

}  // namespace fg
