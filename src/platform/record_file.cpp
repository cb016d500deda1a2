// The record file on a POSIX file system.
#include "platform/record_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <utility>

namespace fg {

namespace {

constexpr off_t kMaxRecordBytes = off_t{64} * 1024;  // ten games take under 1 KiB
constexpr int kLockTries = 400;  // 5 ms apart: at most 2 s behind another writer
constexpr const char* kLockName = "scores.lock";
constexpr const char* kTempName = ".scores.txt.new";

std::string Error(const std::string& what, int error) {
  return what + ": " + std::strerror(error);
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
    why = Error("cannot create " + part, errno);
    return false;
  }
  struct stat st {};
  if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    why = dir + " is not a folder";
    return false;
  }
  return true;
}

// Holds the advisory lock on the folder's lock file; never waits more than ~2 s for it.
class Lock {
 public:
  explicit Lock(const std::string& dir, bool create)
      : fd_(::open((dir + "/" + kLockName).c_str(),
                   O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW | (create ? O_CREAT : 0), 0644)) {
    if (fd_.Get() < 0) {
      error_ = errno;
      return;
    }
    for (int i = 0; i < kLockTries; ++i) {
      if (::flock(fd_.Get(), LOCK_EX | LOCK_NB) == 0) {
        held_ = true;
        return;
      }
      if (errno != EWOULDBLOCK && errno != EINTR) break;
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
  PlayerRecord Record;
  std::string Problem;
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
    r.Problem = Error("cannot read " + path_, errno);
    return r;
  }
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    r.What = Reading::kNotOurs;
    r.Problem = path_ + " is not a regular file";
    return r;
  }
  r.What = Reading::kUnreadable;
  if (st.st_size > kMaxRecordBytes) {
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
      r.Problem = Error("cannot read " + path_, errno);
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
  if (auto record = ParseRecord(text, &r.Problem)) {
    r.What = Reading::kGood;
    r.Record = std::move(*record);
  }
  return r;
}

bool RecordFile::KeepAside(const std::string& problem) {
  for (int n = 1; n < 1000; ++n) {
    const std::string aside = path_ + ".unreadable-" + std::to_string(n);
    struct stat st {};
    if (::lstat(aside.c_str(), &st) == 0) continue;
    if (::rename(path_.c_str(), aside.c_str()) != 0) break;
    SyncDir(dir_);
    say_ << "fenzogobbix: the score file " << path_ << " is " << problem << "; kept as " << aside
         << ", a fresh table begins\n";
    say_.flush();
    return true;
  }
  say_ << "fenzogobbix: the score file " << path_ << " is " << problem
       << " and cannot be kept aside; the scores are not kept this time\n";
  say_.flush();
  off_ = true;
  saidCommit_ = true;
  return false;
}

PlayerRecord RecordFile::Load() {
  if (path_.empty()) return {};
  struct stat st {};
  const bool dirThere = ::stat(dir_.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  // A read-only folder has no lock file to take; the file is read all the same.
  const Lock lock(dir_, dirThere && ::access(dir_.c_str(), W_OK) == 0);
  Reading r = Read();
  switch (r.What) {
    case Reading::kNone:
      return {};
    case Reading::kGood:
      return std::move(r.Record);
    case Reading::kUnreadable:
      KeepAside(r.Problem);
      return {};
    case Reading::kNotOurs:
      off_ = true;
      saidCommit_ = true;
      say_ << "fenzogobbix: " << r.Problem << "; the scores are not kept this time\n";
      say_.flush();
      return {};
  }
  return {};
}

std::optional<PlayerRecord> RecordFile::Peek(std::string* problem) const {
  Reading r = Read();
  if (r.What == Reading::kNone) return PlayerRecord{};
  if (r.What == Reading::kGood) return std::move(r.Record);
  if (problem != nullptr) {
    *problem =
        r.What == Reading::kUnreadable ? "the score file " + path_ + " is " + r.Problem : r.Problem;
  }
  return std::nullopt;
}

std::optional<PlayerRecord> RecordFile::Fail(const std::string& why) {
  if (!saidCommit_) {
    say_ << "fenzogobbix: " << why << "; the scores are not kept this time\n";
    say_.flush();
    saidCommit_ = true;
  }
  return std::nullopt;
}

bool RecordFile::Replace(const std::string& text) {
  const std::string temp = dir_ + "/" + kTempName;
  ::unlink(temp.c_str());  // a leftover of a run killed while it wrote
  Fd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644));
  if (fd.Get() < 0) return false;
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
    errno = error;
    return false;
  }
  SyncDir(dir_);
  return true;
}

std::optional<PlayerRecord> RecordFile::Commit(const RecordChange& change) {
  if (off_) return Fail("");  // told already
  if (path_.empty()) return Fail("no home folder to keep the scores in");
  std::string why;
  if (!MakeDirs(dir_, why)) return Fail(why);
  const Lock lock(dir_, true);
  if (!lock.Held()) return Fail(Error("cannot lock " + dir_ + "/" + kLockName, lock.ErrorCode()));
  Reading r = Read();
  if (r.What == Reading::kNotOurs) {
    off_ = true;
    return Fail(r.Problem);
  }
  if (r.What == Reading::kUnreadable && !KeepAside(r.Problem)) return std::nullopt;
  PlayerRecord record = r.What == Reading::kGood ? std::move(r.Record) : PlayerRecord{};
  Apply(record, change);
  if (!Replace(FormatRecord(record))) return Fail(Error("cannot write " + path_, errno));
  return record;
}

}  // namespace fg
