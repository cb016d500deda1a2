// The record file on a POSIX file system.
#include "platform/record_file.h"

#include "platform/quoted.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <utility>

namespace fg {

namespace {

// 5 ms apart, at the end only: at most 1.5 s, within the 2 s a terminated program is given. [D11]
constexpr int kLockTries = 300;
constexpr const char* kLockName = "scores.lock";
constexpr const char* kTempName = ".scores.txt.new";

// A path as a message shows it: from the environment, so escaped and cut. [D18]
std::string Shown(const std::string& path) {
  return Quoted(path, kPathEchoLimit);
}

std::string Error(const std::string& what, int error) {
  return what + ": " + std::strerror(error);
}

// Why the data folder, when it exists, is not the player's own to keep the record in: another
// user's, or one that others may write into (a folder another user made first in a shared
// XDG_DATA_HOME would let them rewrite the table). [D30]
std::string Foreign(const std::string& dir) {
  struct stat st {};
  if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return "";
  if (st.st_uid != ::geteuid()) return "the data folder " + Shown(dir) + " belongs to another user";
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    return "the data folder " + Shown(dir) + " may be written by other users";
  }
  return "";
}

// Closes a descriptor at the end of a scope.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int Get() const { return fd_; }
  int Release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

void SyncDir(const std::string& dir) {
  Fd d(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (d.Get() >= 0) ::fsync(d.Get());  // some file systems refuse; the rename is done anyway
}

// Creates the folder and any missing parent, private to the user as the data folder should be.
bool MakeDirs(const std::string& dir, std::string& why) {
  for (size_t slash = 1; slash != std::string::npos;) {
    slash = dir.find('/', slash + 1);
    const std::string part = dir.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) == 0 || errno == EEXIST) continue;
    why = Error("cannot create " + Shown(part), errno);
    return false;
  }
  struct stat st {};
  if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    why = Shown(dir) + " is not a folder";
    return false;
  }
  return true;
}

// Holds the advisory lock on the folder's lock file. It is only tried, never waited for, except
// for the last commit of a run, which waits at most ~2 s: a lock held elsewhere never freezes
// the game, the commit comes again later. [D29]
class Lock {
 public:
  Lock(const std::string& dir, bool create, bool wait)
      : fd_(::open((dir + "/" + kLockName).c_str(),
                   O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW | (create ? O_CREAT : 0), 0644)) {
    if (fd_.Get() < 0) {
      error_ = errno;
      return;
    }
    for (int i = 0; i < (wait ? kLockTries : 1); ++i) {
      if (::flock(fd_.Get(), LOCK_EX | LOCK_NB) == 0) {
        held_ = true;
        return;
      }
      if (errno != EWOULDBLOCK && errno != EINTR) break;
      if (!wait) break;
      const timespec pause{0, 5'000'000};
      ::nanosleep(&pause, nullptr);
    }
    error_ = errno;
  }
  bool Held() const { return held_; }
  int ErrorCode() const { return error_; }

 private:
  Fd fd_;  // closing it lets the lock go
  bool held_ = false;
  int error_ = 0;
};

}  // namespace

struct RecordFile::Reading {
  enum Kind { kNone, kGood, kUnreadable, kNotOurs };
  Kind What = kNone;
  std::string Text;  // kGood: the text read
  std::string Problem;

  // What `merge` makes of the text read (kGood or kNone); a text it refuses is kUnreadable.
  std::optional<std::string> Merged(const Merge& merge) {
    if (What == kNone) return merge(std::nullopt, Problem);
    if (What != kGood) return std::nullopt;
    std::optional<std::string> text = merge(Text, Problem);
    if (!text) What = kUnreadable;
    return text;
  }
};

RecordFile::RecordFile(std::string dir, std::ostream& say)
    : Write(::write),
      dir_(std::move(dir)),
      path_(dir_.empty() ? "" : dir_ + "/" + kRecordFileName),
      say_(say) {}

std::string RecordFile::DefaultDir() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') return std::string(data) + "/fenzogobbix";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.local/share/fenzogobbix";
  return "";
}

RecordFile::Reading RecordFile::Read() const {
  Reading r;
  if (path_.empty()) return r;
  // Never blocks: a FIFO in the file's place opens at once and is then refused.
  Fd fd(::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (fd.Get() < 0) {
    if (errno == ENOENT) return r;
    r.What = Reading::kNotOurs;
    r.Problem = Error("cannot read " + Shown(path_), errno);
    return r;
  }
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    r.What = Reading::kNotOurs;
    r.Problem = Shown(path_) + " is not a regular file";
    return r;
  }
  r.What = Reading::kUnreadable;
  if (static_cast<uint64_t>(st.st_size) > kMaxRecordBytes) {
    r.Problem = "too large";
    return r;
  }
  std::string text(static_cast<size_t>(st.st_size) + 1, '\0');
  size_t got = 0;
  for (;;) {
    const ssize_t n = ::read(fd.Get(), text.data() + got, text.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      r.What = Reading::kNotOurs;
      r.Problem = Error("cannot read " + Shown(path_), errno);
      return r;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
    if (got == text.size()) {
      r.Problem = "too large";  // it grew while read: not a file of ours
      return r;
    }
  }
  text.resize(got);
  r.What = Reading::kGood;
  r.Text = std::move(text);
  return r;
}

bool RecordFile::KeepAside(const std::string& problem) {
  for (int n = 1; n < 1000; ++n) {
    const std::string aside = path_ + ".unreadable-" + std::to_string(n);
    struct stat st {};
    if (::lstat(aside.c_str(), &st) == 0) continue;
    if (::rename(path_.c_str(), aside.c_str()) != 0) break;
    SyncDir(dir_);
    say_ << "fenzogobbix: " << Unreadable(problem) << "; kept as " << Shown(aside)
         << ", a fresh table begins\n";
    say_.flush();
    return true;
  }
  say_ << "fenzogobbix: " << Unreadable(problem)
       << " and cannot be kept aside; the scores are not kept this time\n";
  say_.flush();
  off_ = true;
  saidCommit_ = true;
  return false;
}

void RecordFile::TurnOff(const std::string& why) {
  off_ = true;
  saidCommit_ = true;
  say_ << "fenzogobbix: " << why << "; the scores are not kept this time\n";
  say_.flush();
}

std::optional<std::string> RecordFile::Load(const Merge& check) {
  if (path_.empty()) return std::nullopt;
  if (const std::string why = Foreign(dir_); !why.empty()) {
    TurnOff(why);
    return std::nullopt;
  }
  struct stat st {};
  const bool dirThere = ::stat(dir_.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  // A read-only folder has no lock file to take; the file is read all the same, and so it is
  // while another program holds the lock: every writer replaces the file whole. [D29]
  const Lock lock(dir_, dirThere && ::access(dir_.c_str(), W_OK) == 0, false);
  Reading r = Read();
  if (r.What == Reading::kGood && r.Merged(check)) return std::move(r.Text);
  if (r.What == Reading::kUnreadable && lock.Held()) KeepAside(r.Problem);  // else at a commit
  if (r.What == Reading::kNotOurs) TurnOff(r.Problem);
  return std::nullopt;
}

std::optional<std::string> RecordFile::Peek(std::string& problem) const {
  if (const std::string why = Foreign(dir_); !why.empty()) {
    problem = why;
    return std::nullopt;
  }
  Reading r = Read();
  if (r.What == Reading::kNone || r.What == Reading::kGood) return std::move(r.Text);
  problem = r.What == Reading::kUnreadable ? Unreadable(r.Problem) : r.Problem;
  return std::nullopt;
}

std::string RecordFile::Unreadable(const std::string& why) const {
  return "the score file " + Shown(path_) + " is " + why;
}

bool RecordFile::Fail(const std::string& why, bool last) {
  // The game keeps what could not be stored and tries again: only the last try loses it.
  if (last) {
    say_ << "fenzogobbix: " << why << "; this run's scores are not kept\n";
  } else if (!saidCommit_) {
    say_ << "fenzogobbix: " << why << "; this run's scores are kept until they can be stored\n";
  }
  say_.flush();
  saidCommit_ = true;
  return false;
}

std::string RecordFile::Replace(const std::string& text) {
  const std::string temp = dir_ + "/" + kTempName;
  // A leftover of a run killed while it wrote; an empty folder of that name goes too (the name
  // is ours), anything else in its way is named.
  if (::unlink(temp.c_str()) != 0 && (errno == EISDIR || errno == EPERM)) ::rmdir(temp.c_str());
  Fd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644));
  if (fd.Get() < 0) return Error("cannot write " + Shown(temp), errno);
  bool ok = true;
  for (size_t done = 0; ok && done < text.size();) {
    const ssize_t n = Write(fd.Get(), text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      ok = false;
    } else {
      done += static_cast<size_t>(n);
    }
  }
  ok = ok && ::fsync(fd.Get()) == 0;
  ok = ::close(fd.Release()) == 0 && ok;
  ok = ok && ::rename(temp.c_str(), path_.c_str()) == 0;
  if (!ok) {
    const int error = errno;
    ::unlink(temp.c_str());
    return Error("cannot write " + Shown(path_), error);
  }
  SyncDir(dir_);
  return "";
}

bool RecordFile::Commit(const Merge& merge, bool last) {
  if (off_) return false;  // told already
  if (path_.empty()) {
    if (!saidCommit_) TurnOff("no home folder to keep the scores in");
    return false;
  }
  if (const std::string why = Foreign(dir_); !why.empty()) {
    TurnOff(why);
    return false;
  }
  std::string why;
  if (!MakeDirs(dir_, why)) return Fail(why, last);
  const Lock lock(dir_, true, last);
  if (!lock.Held()) {
    const int error = lock.ErrorCode();
    // Another program writing: the game tries again in a moment, and says nothing unless it
    // cannot wait any longer. [D29]
    if (!last && (error == EWOULDBLOCK || error == EINTR)) return false;
    return Fail(Error("cannot lock " + Shown(dir_ + "/" + kLockName), error), last);
  }
  Reading r = Read();
  if (r.What == Reading::kNotOurs) {
    off_ = true;
    return Fail(r.Problem, last);
  }
  std::optional<std::string> text = r.Merged(merge);
  if (r.What == Reading::kUnreadable) {
    if (!KeepAside(r.Problem)) return false;
    text = merge(std::nullopt, r.Problem);
  }
  if (!text) return false;
  if (why = Replace(*text); !why.empty()) return Fail(why, last);
  return true;
}

}  // namespace fg
