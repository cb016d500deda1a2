// The record file under a temporary data folder: what a game does with whatever it finds in the
// file's place, what a restart brings back, two writers at once, and writers killed at random
// moments.
#include "platform/record_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <sstream>
#include <thread>

#include "core/game.h"
#include "testkit.h"

namespace fg::test {
namespace {

namespace fs = std::filesystem;

const char* const kGoodRecord =
    "fenzogobbix record 1\nmusic on\neffects on\ngame 5 9 2024-01-01T00:00:00Z 12.000\n"
    "flavour sour\nend\n";

std::string ReadText(const fs::path& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// What lies at the record's place: the text of the file there (or of a file in the folder's
// place), or what kind of thing it is.
std::string Snapshot(const fs::path& folder) {
  const fs::path file = folder / kRecordFileName;
  if (fs::is_regular_file(folder)) return ReadText(folder);
  if (fs::is_regular_file(file)) return ReadText(file);
  if (fs::is_directory(file)) return "<a directory>";
  if (fs::is_fifo(file)) return "<a FIFO>";
  return "";
}

// A fresh folder of its own under the test's temporary folder.
fs::path FreshDir(const std::string& name) {
  // Of this process: another test run on the machine must not write into it.
  fs::path dir =
      fs::path(::testing::TempDir()) / ("fg-record-" + std::to_string(::getpid()) + "-" + name);
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

// The game, parked on a skull with this score, runs into it: explosion, sign, title.
void EndAGame(TestGame& t, int score) {
  if (t.S().InGame == 0) t.StartFromTitle();
  t.S().SpawnDelay = 1000;
  t.S().HeadX = 16;
  PlaceItem(t.S(), 1, 16, t.S().HeadY, kSkull);
  t.S().Score = static_cast<Integer>(score);
  t.Tick();
  ASSERT_EQ(t.S().InGame, 0);
}

std::vector<int> Scores(const std::vector<FinishedGame>& best) {
  std::vector<int> scores;
  scores.reserve(best.size());
  for (const FinishedGame& g : best) scores.push_back(g.Score);
  return scores;
}

// Fills a small tmpfs so that no further block can be written; false where mounting is not
// allowed (not root).
bool MountFullDisk(const fs::path& dir) {
  fs::create_directories(dir);
  if (::mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=64k,mode=0700") != 0) return false;
  WriteText(dir / kRecordFileName, kGoodRecord);
  const int fd = ::open((dir / "filler").c_str(), O_WRONLY | O_CREAT, 0600);
  const std::string block(4096, 'x');
  while (::write(fd, block.data(), block.size()) > 0) {
  }
  ::close(fd);
  return true;
}

TEST(RecordFile, WhateverIsInTheFilesPlaceTheGamePlaysOnAndSaysSoAtMostOnce) {
  // kLater: untouched while the obstacle stands, stored once it is gone, by the next try or at
  // the program's end.
  enum Outcome { kStored, kKeptAside, kUntouched, kLater };
  int lock = -1;         // the lock, held by "another program"
  bool mounted = false;  // the full disk is a real one
  // A record folder holding `text` as the record.
  const auto fileWith = [](const std::string& text) {
    return [text](const fs::path& d) {
      fs::create_directories(d);
      WriteText(d / kRecordFileName, text);
    };
  };
  struct Case {
    const char* Name;
    std::function<void(const fs::path& folder)> Put;  // what lies in the record's folder
    Outcome Then;
    std::string Said;       // part of the one line on standard error; empty: nothing said
    bool FullDisk = false;  // where no disk can be filled, its writes fail as a full one's
    bool Quit = false;  // kLater: freed, then the program ends at once (else waits on the title)
    const char* Data = "";  // XDG_DATA_HOME's last part
  } cases[] = {
      {"nothing yet, no folder", [](const fs::path&) {}, kStored, ""},
      {"a good file with a line of a later version", fileWith(kGoodRecord), kStored, ""},
      {"another program's file", fileWith("\x89PNG\r\n\x1a\n garbage"), kKeptAside,
       "is not a record of this game; kept as"},
      {"a cut-off file", fileWith(std::string(kGoodRecord).substr(0, 60)), kKeptAside,
       "is cut off; kept as"},
      {"a later version", fileWith("fenzogobbix record 7\nflavour sour\nend\n"), kStored, ""},
      {"a file where the folder should be, its path a terminal's command",
       [](const fs::path& d) { WriteText(d, "not a folder"); }, kUntouched,
       R"(\x1b[2J\xe2\x80\xae\x9b/fenzogobbix/scores.txt': Not a directory)", false, false,
       "\x1b[2J\xE2\x80\xAE\x9B"},  // NOLINT(misc-misleading-bidirectional): the very case
      {"a folder others may write",
       [](const fs::path& d) {
         fs::create_directories(d);
         fs::permissions(d, fs::perms::all);
       },
       kUntouched, "may be written by other users"},
      {"an empty folder in the new file's place",
       [](const fs::path& d) { fs::create_directories(d / ".scores.txt.new"); }, kStored, ""},
      {"the lock held by another program",
       [&](const fs::path& d) {
         fs::create_directories(d);
         lock = ::open((d / "scores.lock").c_str(), O_RDWR | O_CREAT, 0600);
         ASSERT_EQ(::flock(lock, LOCK_EX), 0);
       },
       kLater, ""},
      {"a directory in the file's place",
       [](const fs::path& d) { fs::create_directories(d / kRecordFileName); }, kUntouched,
       "is not a regular file"},
      {"a FIFO in the file's place",
       [](const fs::path& d) {
         fs::create_directories(d);
         ASSERT_EQ(::mkfifo((d / kRecordFileName).c_str(), 0600), 0);
       },
       kUntouched, "is not a regular file"},
      {"a full disk",
       [&](const fs::path& d) {
         mounted = MountFullDisk(d);
         if (!mounted) fileWith(kGoodRecord)(d);
       },
       kLater, "No space left on device", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const fs::path data = FreshDir("cases") / c.Data;
    fs::create_directories(data);
    const fs::path folder = data / "fenzogobbix";
    ASSERT_EQ(::setenv("XDG_DATA_HOME", data.c_str(), 1), 0);
    c.Put(folder);
    const std::string before = Snapshot(folder);
    std::ostringstream said;
    RecordFile file(RecordFile::DefaultDir(), said);
    if (c.FullDisk && !mounted) {
      // Not root: the write call itself reports the full disk.
      file.Write = [](int, const void*, size_t) -> ssize_t {
        errno = ENOSPC;
        return -1;
      };
    }
    TestGame t;
    t.Host.Store = &file;
    const auto start = std::chrono::steady_clock::now();
    t.Load();
    EndAGame(t, 0);  // no best, never kept
    EndAGame(t, 7);
    EndAGame(t, 3);
    t.Host.KeyPress(t.Host.Clock(), kMKey);  // on the title: stored at once
    ASSERT_FALSE(t.RunUntil(t.Host.Clock() + 10));
    // Never frozen waiting for a lock held elsewhere: one wait would take 1.5 s, these took four.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));

    // The game played on and its table in memory holds the session's games.
    const std::vector<int> session =
        before == kGoodRecord ? std::vector<int>{7, 5, 3} : std::vector<int>{7, 3};
    EXPECT_EQ(Scores(t.G->Record.Best), session);
    EXPECT_EQ(t.G->MainForm.BestShown, "BEST 7");
    const std::string told = said.str();
    EXPECT_EQ(std::count(told.begin(), told.end(), '\n'), c.Said.empty() ? 0 : 1) << told;
    EXPECT_NE(told.find(c.Said), std::string::npos) << told;

    const fs::path aside = folder / (std::string(kRecordFileName) + ".unreadable-1");
    if (c.Then == kUntouched || c.Then == kLater) {
      EXPECT_EQ(Snapshot(folder), before);
      EXPECT_FALSE(fs::exists(folder / ".scores.txt.new"));
    }
    if (c.Then == kLater) {
      ::close(lock);
      file.Write = ::write;
      if (mounted) fs::remove(folder / "filler");
      if (c.Quit) t.Host.KeyPress(t.Host.Clock() + 10, kEsc);
      EXPECT_EQ(t.RunUntil(t.Host.Clock() + 4000), c.Quit);
    }
    if (c.Then != kUntouched) {
      EXPECT_EQ(fs::exists(aside) ? ReadText(aside) : "", c.Then == kKeptAside ? before : "");
      const auto stored = ParseRecord(ReadText(folder / kRecordFileName));
      ASSERT_TRUE(stored.has_value());
      EXPECT_EQ(Scores(stored->Best), session);
      EXPECT_FALSE(stored->Music);
      EXPECT_EQ(stored->Unknown, before.empty() || c.Then == kKeptAside
                                     ? std::vector<std::string>{}
                                     : std::vector<std::string>{"flavour sour"});
      // One tick of play, at 15 ms, ending at the headless host's date.
      EXPECT_EQ(stored->Best.front().PlayedMs, 15);
      EXPECT_EQ(stored->Best.front().Length, 5);
    }
    if (mounted) ::umount2(folder.c_str(), MNT_DETACH);
    mounted = false;
  }
  ::unsetenv("XDG_DATA_HOME");
}

TEST(RecordFile, MAndSAndTheBestComeBackAtTheNextStart) {
  const fs::path dir = FreshDir("restart") / "fenzogobbix";
  std::ostringstream said;
  {
    RecordFile file(dir.string(), said);
    TestGame t;
    t.Host.Store = &file;
    t.Load();
    t.Host.KeyPress(t.Host.Clock(), kMKey);  // on the title: stored at once
    ASSERT_FALSE(t.RunUntil(t.Host.Clock() + 10));
    EXPECT_FALSE(ParseRecord(ReadText(dir / kRecordFileName))->Music);
    t.StartFromTitle();
    t.Host.KeyPress(t.Host.Clock(), kSKey);  // in play: not before play stops
    t.S().SpawnDelay = 1000;
    ASSERT_FALSE(t.RunUntil(t.Host.Clock() + 40));
    EXPECT_TRUE(ParseRecord(ReadText(dir / kRecordFileName))->Effects);
    EndAGame(t, 4);
    EXPECT_FALSE(ParseRecord(ReadText(dir / kRecordFileName))->Effects);
  }
  RecordFile file(dir.string(), said);
  TestGame t;
  t.Host.Store = &file;
  t.Load();
  EXPECT_EQ(t.S().MusicOn, 0);
  EXPECT_EQ(t.S().SoundOn, 0);
  EXPECT_TRUE(t.Player().Playing.empty());
  EXPECT_EQ(t.G->MainForm.BestShown, "BEST 4");
  EXPECT_EQ(said.str(), "");
}

// A record_writer started with its standard output on a pipe.
struct Writer {
  pid_t Pid = -1;
  int Out = -1;

  Writer(const fs::path& dir, int first, int step, int count) {
    int fds[2];
    if (::pipe(fds) != 0) return;
    Pid = ::fork();
    if (Pid == 0) {
      ::dup2(fds[1], 1);
      ::close(fds[0]);
      ::close(fds[1]);
      const std::string a = std::to_string(first), b = std::to_string(step),
                        n = std::to_string(count);
      ::execl(FG_RECORD_WRITER, FG_RECORD_WRITER, dir.c_str(), a.c_str(), b.c_str(), n.c_str(),
              nullptr);
      ::_exit(127);
    }
    ::close(fds[1]);
    Out = fds[0];
  }

  // Waits for the end; returns the raw wait status and adds the scores it reported saved.
  int Finish(std::vector<int>& saved) {
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(Out, buffer, sizeof buffer)) > 0;) text.append(buffer, n);
    ::close(Out);
    std::istringstream lines(text);
    for (std::string word; lines >> word;) {
      int score = 0;
      if (word == "saved" && lines >> score) saved.push_back(score);
    }
    int status = 0;
    ::waitpid(Pid, &status, 0);
    return status;
  }
};

TEST(RecordFile, TwoWritersAtOnceLoseNoGame) {
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const fs::path dir = FreshDir("race") / "fenzogobbix";
    Writer odd(dir, 1, 2, 30);
    Writer even(dir, 2, 2, 30);
    std::vector<int> saved;
    EXPECT_EQ(odd.Finish(saved), 0);
    EXPECT_EQ(even.Finish(saved), 0);
    EXPECT_EQ(saved.size(), 60u);
    const auto stored = ParseRecord(ReadText(dir / kRecordFileName));
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(Scores(stored->Best), (std::vector<int>{60, 59, 58, 57, 56, 55, 54, 53, 52, 51}));
    for (const FinishedGame& g : stored->Best) EXPECT_EQ(g.Replay, "r" + std::to_string(g.Score));
  }
}

TEST(RecordFile, AWriterKilledAtAnyMomentLeavesAReadableTableWithEverySavedGame) {
  const fs::path dir = FreshDir("kill") / "fenzogobbix";
  const unsigned seed = std::random_device{}();
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> moment(0, 50000);  // microseconds after the start
  std::vector<int> saved;
  int kills = 0;
  for (int run = 1; run <= 220; ++run) {
    SCOPED_TRACE("seed " + std::to_string(seed) + ", run " + std::to_string(run));
    Writer w(dir, run * 10000, 1, 0);  // runs until killed; every run's scores above the last's
    std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
    ::kill(w.Pid, SIGKILL);
    const int status = w.Finish(saved);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "status " << status;
    ++kills;
    if (saved.empty()) continue;
    std::string problem;
    const auto stored = ParseRecord(ReadText(dir / kRecordFileName), &problem);
    ASSERT_TRUE(stored.has_value()) << problem;
    // A saved game is in the table unless ten better ones fill it (a killed writer may have
    // stored one more game than it had time to report).
    const std::vector<int> got = Scores(stored->Best);
    for (int score : saved) {
      const bool pushedOut = got.size() == kBestGames && got.back() > score;
      EXPECT_TRUE(pushedOut || std::find(got.begin(), got.end(), score) != got.end())
          << "lost game " << score;
    }
  }
  EXPECT_GE(kills, 200);
  EXPECT_GT(saved.size(), 200u);  // the kills fell among real saves
  for (const auto& entry : fs::directory_iterator(dir)) {
    EXPECT_EQ(entry.path().filename().string().find("unreadable"), std::string::npos);
  }
  std::cout << kills << " kills, " << saved.size() << " saves completed, seed " << seed << "\n";
}

}  // namespace
}  // namespace fg::test
