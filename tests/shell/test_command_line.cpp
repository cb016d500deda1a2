// The command line: what each option sets, what each mistake answers, and the real program
// answering --help and --version on a machine with no display at all.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "core/replay.h"
#include "core/rules.h"
#include "shell/command_line.h"
#include "shell/share.h"

namespace fg {
namespace {

CommandLine Parse(std::initializer_list<std::string_view> args) {
  const std::vector<std::string_view> v(args);
  return ParseCommandLine(v);
}

TEST(CommandLine, OptionsSetTheWindowAndTheLastOfTwoCounts) {
  struct Case {
    std::initializer_list<std::string_view> Args;
    int Scale;
    bool Fullscreen;
  };
  const Case cases[] = {
      {{}, 0, false},
      {{"--fullscreen"}, 0, true},
      {{"--windowed"}, 0, false},
      {{"--fullscreen", "--windowed"}, 0, false},
      {{"--windowed", "--fullscreen"}, 0, true},
      {{"--scale", "1"}, 1, false},
      {{"--scale=6"}, 6, false},
      {{"--scale", "3", "--fullscreen"}, 3, true},
      {{"--scale", "2", "--scale=5"}, 5, false},
      {{"--scale", "02"}, 2, false},
  };
  for (const Case& c : cases) {
    const CommandLine line = Parse(c.Args);
    const std::string shown = ::testing::PrintToString(std::vector<std::string_view>(c.Args));
    EXPECT_EQ(line.What, CommandLine::kPlay) << shown;
    EXPECT_EQ(line.Scale, c.Scale) << shown;
    EXPECT_EQ(line.Fullscreen, c.Fullscreen) << shown;
    std::ostringstream out, err;
    EXPECT_FALSE(AnswerCommandLine(line, out, err).has_value()) << shown;
    EXPECT_EQ(out.str() + err.str(), "") << shown;
  }
  // --help and --version answer where they stand; what follows them is not read.
  EXPECT_EQ(Parse({"--help"}).What, CommandLine::kHelp);
  EXPECT_EQ(Parse({"--scale", "2", "--version", "--bogus"}).What, CommandLine::kVersion);
  EXPECT_EQ(Parse({"--bogus", "--help"}).What, CommandLine::kBad);
}

TEST(CommandLine, EveryMistakeGivesOneLineAndTheUsageOnStandardErrorAndStatusTwo) {
  const std::initializer_list<std::string_view> mistakes[] = {
      {"--scale"},
      {"--scale="},
      {"--scale", "0"},
      {"--scale", "7"},
      {"--scale", "-1"},
      {"--scale", "+2"},
      {"--scale", "2x"},
      {"--scale", " 2"},
      {"--scale", "2.0"},
      {"--scale", "two"},
      {"--scale", "1000"},
      {"--scale=99999999999"},
      {"--scale", "--help"},
      {"--fullscreen=yes"},
      {"--help=1"},
      {"--version=2"},
      {"-f"},
      {"-h"},
      {"--Fullscreen"},
      {"--full"},
      {"--"},
      {"-"},
      {"play"},
      {"--windowed", "2"},
  };
  for (const auto& args : mistakes) {
    const std::string shown = ::testing::PrintToString(std::vector<std::string_view>(args));
    const CommandLine line = Parse(args);
    EXPECT_EQ(line.What, CommandLine::kBad) << shown;
    std::ostringstream out, err;
    EXPECT_EQ(AnswerCommandLine(line, out, err), 2) << shown;
    EXPECT_EQ(out.str(), "") << shown;
    const std::string text = err.str();
    const size_t firstEnd = text.find('\n');
    ASSERT_NE(firstEnd, std::string::npos) << shown;
    EXPECT_EQ(text.rfind("fenzogobbix: ", 0), 0u) << text;
    EXPECT_EQ(text.find("Usage: fenzogobbix"), firstEnd + 1) << text;
  }
}

// A bad argument is repeated harmlessly: control characters escaped, at most 64 characters
// between the quotes, a UTF-8 letter never split.
TEST(CommandLine, ABadArgumentIsEchoedEscapedAndCut) {
  const std::string long70(70, 'x');
  struct Case {
    std::string Arg, Echo;
  };
  const Case cases[] = {
      {"bad\x1b[2Jarg", "'bad\\x1b[2Jarg'"},
      {"a\nb\tc\rd\x7f", R"('a\nb\tc\rd\x7f')"},
      {"\xC2\x9B"
       "31m",
       "'\\xc2\\x9b31m'"},
      {"caf\xC3\xA9", "'caf\xC3\xA9'"},
      // NOLINTNEXTLINE(misc-misleading-bidirectional): a stray byte and a bidi mark, on purpose
      {"\x9B"
       "31m\xE2\x80\xAEgpj.exe",
       R"('\x9b31m\xe2\x80\xaegpj.exe')"},
      {std::string(64, 'y'), "'" + std::string(64, 'y') + "'"},
      {long70, "'" + std::string(61, 'x') + "...'"},
      {std::string(60, 'x') + "\x01\x01", "'" + std::string(60, 'x') + "...'"},
      {std::string(59, 'x') + "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9",
       "'" + std::string(59, 'x') + "\xC3\xA9\xC3\xA9...'"},
  };
  for (const Case& c : cases) {
    const CommandLine line = Parse({c.Arg});
    EXPECT_EQ(line.Problem, "unexpected argument " + c.Echo) << c.Arg;
  }
  EXPECT_EQ(Parse({"--scale", long70}).Problem,
            "bad scale '" + std::string(61, 'x') + "...': give a whole number from 1 to 6");
}

struct Outcome {
  int Status = -1;
  std::string Out, Err;
};

std::string ReadAll(const std::string& path) {
  std::ifstream f(path);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// Runs the built game with no display of any kind in its environment, HOME in the test's
// temporary folder and the times in UTC. Its standard output goes to `outTo` when given (the
// output is then not read back).
// The program's home, per process: ctest runs the tests of this file side by side, and one of
// them takes away the record folder another writes into.
std::string Home() {
  std::string home = ::testing::TempDir() + "/fg-cl-home-" + std::to_string(getpid());
  std::filesystem::create_directories(home);
  return home;
}

Outcome RunGame(std::vector<std::string> args, const std::string& outTo = "") {
  const std::string dir = ::testing::TempDir();
  const std::string tag = std::to_string(getpid());
  const std::string outPath = dir + "/fg-cl-out-" + tag, errPath = dir + "/fg-cl-err-" + tag;
  args.insert(args.begin(), FG_BINARY);
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::string home = "HOME=" + Home();
  std::string zone = "TZ=UTC";
  char* envp[] = {home.data(), zone.data(), nullptr};  // no DISPLAY, WAYLAND_DISPLAY or
                                                       // SDL_VIDEODRIVER
  const pid_t pid = fork();
  if (pid == 0) {
    const int out = outTo.empty() ? open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600)
                                  : open(outTo.c_str(), O_WRONLY);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(out, 1);
    dup2(err, 2);
    execve(argv[0], argv.data(), envp);
    _exit(127);
  }
  Outcome r;
  int status = 0;
  waitpid(pid, &status, 0);
  r.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.Out = outTo.empty() ? ReadAll(outPath) : "";
  r.Err = ReadAll(errPath);
  return r;
}

TEST(CommandLine, TheProgramAnswersHelpAndVersionWithoutADisplay) {
  const Outcome help = RunGame({"--help"});
  EXPECT_EQ(help.Status, 0);
  EXPECT_EQ(help.Out.rfind("Usage: fenzogobbix", 0), 0u) << help.Out;
  for (const char* option : {"--fullscreen", "--windowed", "--scale N", "--help", "--version"}) {
    EXPECT_NE(help.Out.find(option), std::string::npos) << option;
  }
  EXPECT_EQ(help.Err, "");

  const Outcome version = RunGame({"--version"});
  EXPECT_EQ(version.Status, 0);
  EXPECT_EQ(version.Out, std::string("fenzogobbix ") + FG_VERSION + "\n");
  EXPECT_EQ(version.Err, "");

  // A mistake is answered before the display is looked for: status 2, not 1.
  const Outcome bad = RunGame({"--scale", "9"});
  EXPECT_EQ(bad.Status, 2);
  EXPECT_EQ(bad.Out, "");
  EXPECT_EQ(bad.Err.rfind("fenzogobbix: bad scale '9'", 0), 0u) << bad.Err;

  // An answer that cannot be written is a failure, not a success with nothing shown.
  for (const char* option : {"--help", "--version"}) {
    const Outcome full = RunGame({option}, "/dev/full");
    EXPECT_EQ(full.Status, 1) << option;
    EXPECT_EQ(full.Err, "fenzogobbix: cannot write to standard output\n") << option;
  }

  // Good options go on to the window, which cannot open here: the one line and status 1.
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, std::vector<std::string>{"--fullscreen", "--scale=2"}}) {
    const Outcome play = RunGame(args);
    EXPECT_EQ(play.Status, 1);
    EXPECT_EQ(play.Out, "");
    EXPECT_EQ(std::count(play.Err.begin(), play.Err.end(), '\n'), 1) << play.Err;
  }
}

TEST(CommandLine, TheProgramPrintsTheScoresWithoutADisplayAndChangesNothing) {
  const std::string dir = Home() + "/.local/share/fenzogobbix";
  const std::string file = dir + "/scores.txt";
  std::filesystem::remove_all(dir);
  const Outcome none = RunGame({"--scores"});
  EXPECT_EQ(none.Status, 0);
  EXPECT_EQ(none.Out, "No finished game yet.\n");
  EXPECT_EQ(none.Err, "");
  EXPECT_FALSE(std::filesystem::exists(dir));

  std::filesystem::create_directories(dir);
  std::ofstream(file) << "fenzogobbix record 1\ngame 3 8 2024-05-01T12:34:56Z 9.015\n"
                         "game 12 17 2024-05-02T08:00:00Z 125.500\nend\n";
  const Outcome table = RunGame({"--scores"});
  EXPECT_EQ(table.Status, 0);
  EXPECT_EQ(table.Out,
            "Rank     Score  Length  Ended              Played\n"
            "   1        12      17  2024-05-02 08:00      2:05\n"
            "   2         3       8  2024-05-01 12:34      0:09\n");
  EXPECT_EQ(table.Err, "");

  // An unreadable file is told on both streams, never as an empty table, and left where it is
  // for the game to deal with.
  std::ofstream(file) << "fenzogobbix record 1\ngame 3 8";
  const Outcome cut = RunGame({"--scores"});
  EXPECT_EQ(cut.Status, 1);
  EXPECT_EQ(cut.Out, "fenzogobbix: the score file '" + file + "' is cut off\n");
  EXPECT_EQ(cut.Err, cut.Out);
  EXPECT_EQ(ReadAll(file), "fenzogobbix record 1\ngame 3 8");
}

// A replay that cannot be played is refused before any window: one line, status 2, the record
// as it was. A good one is timed headless.
TEST(CommandLine, ABadReplayIsRefusedInOneLineWithStatusTwo) {
  Replay r;  // the snake runs left into a skull two cells ahead: over at its 16th tick
  ResetSnake(r.Start);
  r.Start.ItemX[1] = kStartX - 2 * kCell;
  r.Start.ItemY[1] = kStartY;
  r.Start.ItemKind[1] = kSkull;
  r.Runs = {{0, 16}};
  r.Length = kStartLength;
  const std::string code = EncodeReplay(r);
  r.Runs = {{0, 8}, {kSteerUp, 8}};  // turns away from the skull at the first column
  const std::string turned = EncodeReplay(r);
  const auto file = [](const std::string& score, const std::string& c) {
    return "fenzogobbix replay 1\nscore " + score +
           "\nlength 5\nended 2026-12-07T20:00:00Z\ncode " + c + "\n";
  };
  const std::string dir = Home() + "/.local/share/fenzogobbix";
  std::filesystem::create_directories(dir);
  const std::string record = "fenzogobbix record 1\ngame 3 8 2024-05-01T12:34:56Z 9.015\nend\n";
  std::ofstream(dir + "/scores.txt") << record;
  const std::string path = ::testing::TempDir() + "/fg-replay-" + std::to_string(getpid());

  const struct Case {
    std::string Source, Text, Says, Option = "--replay";
  } cases[] = {
      {"1", "", "kept before"},
      {"2", "", "no game 2"},
      {path + ".none", "", "cannot read"},
      {path, "fenzogobbix record 1\n", "not a replay file"},
      {path, "fenzogobbix replay 1\nscore 0\nlength 5\n", "cut short"},
      {path, file("0", code.substr(0, code.size() - 2)), "cut short"},
      {path, file("0", code + "AA"), "damaged"},
      {path, file("0", "R2" + code.substr(2)), "later version"},
      {path, file("0", code + "!"), "character"},
      {path, file("1", code), "departs"},
      {path, file("0", turned), "departs"},
      // A shared game's link or bare code, and the fragments a page may be opened with.
      {"#replay=", "", "not a replay code"},
      {"#replay=hello", "", "not a replay code"},
      {"https://x.example/p?q#replay=" + code.substr(0, code.size() - 2), "", "cut short"},
      {"R2" + code.substr(2), "", "later version"},
      {"#replay=" + turned, "", "departs"},
      {"x", "", "takes a place", "--share"},
      {"1", "", "kept before", "--share"},
  };
  for (const Case& c : cases) {
    if (!c.Text.empty()) std::ofstream(path) << c.Text;
    const Outcome o = RunGame({c.Option, c.Source});
    EXPECT_EQ(o.Status, 2) << c.Says;
    EXPECT_EQ(o.Out, "") << c.Says;
    EXPECT_EQ(o.Err.rfind("fenzogobbix: ", 0), 0u) << o.Err;
    EXPECT_EQ(o.Err.find('\n'), o.Err.size() - 1) << o.Err;
    EXPECT_NE(o.Err.find(c.Says), std::string::npos) << o.Err;
  }
  EXPECT_EQ(ReadAll(dir + "/scores.txt"), record);

  // The link --share prints is read as the file and the bare code are.
  std::ofstream(path) << file("0", code);
  std::ofstream(dir + "/scores.txt")
      << "fenzogobbix record 1\ngame 0 5 2024-05-01T12:34:56Z 0.240\n"
      << "replay 2024-05-01T12:34:56Z 0 " << code << "\nend\n";
  const Outcome shared = RunGame({"--share", "1"});
  EXPECT_EQ(shared.Status, 0) << shared.Err;
  EXPECT_EQ(shared.Out, std::string(PageUrl()) + "#replay=" + code + "\n");
  for (const std::string& source : {path, code, shared.Out.substr(0, shared.Out.size() - 1)}) {
    const Outcome timed = RunGame({"--timedemo", source});
    EXPECT_EQ(timed.Status, 0) << timed.Err;
    EXPECT_NE(timed.Out.find("16 ticks in"), std::string::npos) << timed.Out;
    EXPECT_NE(timed.Out.find("; score 0 length 5\n"), std::string::npos) << timed.Out;
  }
}

}  // namespace
}  // namespace fg
