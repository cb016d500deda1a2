// The record file's logic, the same on every system: reading, merging under the lock, keeping
// an unreadable file aside, replacing the file whole, and what the player is told. The calls
// into the file system are record_file_system.h's.
#include "platform/record_file.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/record_file_system.h"

namespace fg {

namespace {

using record_fs::ErrorCode;
using record_fs::Join;
using record_fs::Shown;
using record_fs::WithWords;

// 5 ms apart, at the end only: at most 1.5 s, within the 2 s a terminated program is given. [D11]
constexpr int kLockTries = 300;
constexpr const char* kLockName = "scores.lock";
constexpr const char* kTempName = ".scores.txt.new";

// Holds the lock on the folder's lock file. It is only tried, never waited for, except for the
// last commit of a run, which waits at most ~1.5 s: a lock held elsewhere never freezes the
// game, the commit comes again later. The lock goes with the file, also when the program is
// killed. [D29]
class Lock {
 public:
  Lock(const std::string& dir, bool create, bool wait)
      : file_(record_fs::OpenLockFile(Join(dir, kLockName), create, error_)) {
    if (!file_.Open()) return;
    for (int i = 0; i < (wait ? kLockTries : 1); ++i) {
      error_ = record_fs::TryLock(file_);
      if (error_ == 0) {
        held_ = true;
        return;
      }
      if (!record_fs::LockBusy(error_) || !wait) return;
      record_fs::Nap();
    }
  }
  bool Held() const { return held_; }
  ErrorCode Error() const { return error_; }

 private:
  ErrorCode error_ = 0;   // before file_: its opening sets it
  record_fs::File file_;  // closing it lets the lock go
  bool held_ = false;
};

// The data folder, made when it is missing; false, and why, when there is none to write in.
bool MakeFolder(const std::string& dir, std::string& why) {
  if (!record_fs::CreateFolders(dir, why)) return false;
  if (record_fs::IsFolder(dir)) return true;
  why = Shown(dir) + " is not a folder";
  return false;
}

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
    : Write(record_fs::WriteSome),
      dir_(std::move(dir)),
      path_(dir_.empty() ? "" : Join(dir_, kRecordFileName)),
      say_(say) {}

std::string RecordFile::DefaultDir() {
  return record_fs::DataFolder();
}

RecordFile::Reading RecordFile::Read() const {
  Reading r;
  if (path_.empty()) return r;
  ErrorCode error = 0;
  const record_fs::File file = record_fs::OpenToRead(path_, error);
  if (!file.Open()) {
    if (record_fs::Missing(error)) return r;
    r.What = Reading::kNotOurs;
    r.Problem = WithWords("cannot read " + Shown(path_), error);
    return r;
  }
  uint64_t size = 0;
  if (!record_fs::RegularSize(file, size)) {
    r.What = Reading::kNotOurs;
    r.Problem = Shown(path_) + " is not a regular file";
    return r;
  }
  r.What = Reading::kUnreadable;
  if (size > kMaxRecordBytes) {
    r.Problem = "too large";
    return r;
  }
  std::string text(static_cast<size_t>(size) + 1, '\0');
  size_t got = 0;
  for (;;) {
    const int64_t n = record_fs::ReadSome(file, text.data() + got, text.size() - got, error);
    if (n < 0) {
      r.What = Reading::kNotOurs;
      r.Problem = WithWords("cannot read " + Shown(path_), error);
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
    const record_fs::Moved moved = record_fs::MoveAside(path_, aside, dir_);
    if (moved == record_fs::Moved::kTaken) continue;  // an earlier one is never overwritten
    if (moved == record_fs::Moved::kFailed) break;
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
  if (const std::string why = record_fs::Foreign(dir_); !why.empty()) {
    TurnOff(why);
    return std::nullopt;
  }
  // A folder that cannot be written has no lock file to take; the file is read all the same,
  // and so it is while another program holds the lock: every writer replaces the file whole.
  // [D29]
  const Lock lock(dir_, record_fs::LockMayBeMade(dir_), false);
  Reading r = Read();
  if (r.What == Reading::kGood && r.Merged(check)) return std::move(r.Text);
  if (r.What == Reading::kUnreadable && lock.Held()) KeepAside(r.Problem);  // else at a commit
  if (r.What == Reading::kNotOurs) TurnOff(r.Problem);
  return std::nullopt;
}

std::optional<std::string> RecordFile::Peek(std::string& problem) const {
  if (const std::string why = record_fs::Foreign(dir_); !why.empty()) {
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

// Writes the temporary file through `Write` (where a test puts a full disk), flushes it to the
// disk and moves it over the file in one step. What went wrong, or nothing; no temporary file
// is left.
std::string RecordFile::Replace(const std::string& text) {
  const std::string temp = Join(dir_, kTempName);
  record_fs::RemoveLeftover(temp);
  ErrorCode error = 0;
  record_fs::File file = record_fs::CreateNew(temp, error);
  if (!file.Open()) return WithWords("cannot write " + Shown(temp), error);
  std::string why;
  for (size_t done = 0; why.empty() && done < text.size();) {
    const ssize_t n = Write(file.Get(), text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // The C runtime's error on every system: its own words.
      why = "cannot write " + Shown(path_) + ": " + std::strerror(n == 0 ? ENOSPC : errno);
    } else {
      done += static_cast<size_t>(n);
    }
  }
  if (why.empty()) error = record_fs::Flush(file);
  if (const ErrorCode closing = file.Close(); error == 0) error = closing;
  if (why.empty() && error == 0) error = record_fs::MoveOver(temp, path_, dir_);
  if (why.empty() && error != 0) why = WithWords("cannot write " + Shown(path_), error);
  if (!why.empty()) record_fs::Remove(temp);
  return why;
}

bool RecordFile::Commit(const Merge& merge, bool last) {
  if (off_) return false;  // told already
  if (path_.empty()) {
    if (!saidCommit_) TurnOff(record_fs::kNoDataFolder);
    return false;
  }
  if (const std::string why = record_fs::Foreign(dir_); !why.empty()) {
    TurnOff(why);
    return false;
  }
  std::string why;
  if (!MakeFolder(dir_, why)) return Fail(why, last);
  const Lock lock(dir_, true, last);
  if (!lock.Held()) {
    // Another program writing: the game tries again in a moment, and says nothing unless it
    // cannot wait any longer. [D29]
    if (!last && record_fs::LockBusy(lock.Error())) return false;
    return Fail(WithWords("cannot lock " + Shown(Join(dir_, kLockName)), lock.Error()), last);
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
