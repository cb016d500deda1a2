// The record file on Windows: the same steps as on a POSIX file system, in Win32's words. The
// temporary file is flushed (FlushFileBuffers) and moved over the old one with
// MOVEFILE_WRITE_THROUGH, which returns only once the move is on the disk (what the folder's
// fsync does on Linux); the merge runs under LockFileEx on the folder's lock file. Paths are
// UTF-8 inside the game and wide at every call, so a user name of any script works.
#include <fcntl.h>
#include <io.h>
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/quoted.h"
#include "platform/record_file.h"

namespace fg {

namespace {

// 5 ms apart, at the end only: at most 1.5 s, within the 2 s a closing program is given. [D11]
constexpr int kLockTries = 300;
constexpr const char* kLockName = "scores.lock";
constexpr const char* kTempName = ".scores.txt.new";
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::wstring Wide(const std::string& utf8) {
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Utf8(const wchar_t* wide) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return "";
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, out.data(), n, nullptr, nullptr);
  out.pop_back();  // the terminator
  return out;
}

// A path as a message shows it: from the environment, so escaped and cut. [D18]
std::string Shown(const std::string& path) {
  return Quoted(path, kPathEchoLimit);
}

// "what: the system's words for the error", as strerror gives them on Linux.
std::string Error(const std::string& what, DWORD error) {
  wchar_t* text = nullptr;
  FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string words = text != nullptr ? Utf8(text) : "error " + std::to_string(error);
  LocalFree(text);
  while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == '.')) {
    words.pop_back();
  }
  return what + ": " + words;
}

// Closes a handle at the end of a scope.
class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (Valid()) CloseHandle(h_);
  }
  HANDLE Get() const { return h_; }
  bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE Release() { return std::exchange(h_, INVALID_HANDLE_VALUE); }

 private:
  HANDLE h_;
};

bool IsFolder(const std::string& dir) {
  const DWORD attributes = GetFileAttributesW(Wide(dir).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Creates the folder and any missing parent; a drive or a share at its start is never created.
bool MakeDirs(const std::string& dir, std::string& why) {
  // The separator after the root: C:\ or \\server\share\ .
  size_t root = dir.size() > 2 && dir[1] == ':' ? 2 : 0;
  if (dir.starts_with("\\\\")) root = dir.find_first_of("\\/", dir.find_first_of("\\/", 2) + 1);
  for (size_t slash = root; slash != std::string::npos && slash < dir.size();) {
    slash = dir.find_first_of("\\/", slash + 1);
    const std::string part = dir.substr(0, slash);
    if (CreateDirectoryW(Wide(part).c_str(), nullptr) != 0) continue;
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED) continue;  // C:\Users
    why = Error("cannot create " + Shown(part), error);
    return false;
  }
  if (!IsFolder(dir)) {
    why = Shown(dir) + " is not a folder";
    return false;
  }
  return true;
}

// Holds the lock on the folder's lock file. It is only tried, never waited for, except for the
// last commit of a run, which waits at most ~1.5 s: a lock held elsewhere never freezes the
// game. The lock goes with the handle, also when the process is killed. [D29]
class Lock {
 public:
  Lock(const std::string& dir, bool create, bool wait)
      : h_(CreateFileW(Wide(dir + "\\" + kLockName).c_str(), GENERIC_READ | GENERIC_WRITE,
                       kShareAll, nullptr, create ? OPEN_ALWAYS : OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)) {
    if (!h_.Valid()) {
      error_ = GetLastError();
      return;
    }
    for (int i = 0; i < (wait ? kLockTries : 1); ++i) {
      OVERLAPPED whole{};
      if (LockFileEx(h_.Get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                     &whole) != 0) {
        held_ = true;
        return;
      }
      error_ = GetLastError();
      if (!Busy(error_) || !wait) return;
      Sleep(5);
    }
  }
  bool Held() const { return held_; }
  DWORD ErrorCode() const { return error_; }
  static bool Busy(DWORD error) {
    return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING;
  }

 private:
  Handle h_;
  bool held_ = false;
  DWORD error_ = 0;
};

ssize_t WriteToFd(int fd, const void* data, size_t size) {
  return _write(fd, data, static_cast<unsigned>(std::min<size_t>(size, 1U << 30)));
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
    : Write(WriteToFd),
      dir_(std::move(dir)),
      path_(dir_.empty() ? "" : dir_ + "\\" + kRecordFileName),
      say_(say) {}

// [D39] %APPDATA%\FenzoGobbix, the folder SDL_GetPrefPath names; the variable first, as
// XDG_DATA_HOME on Linux, then the roaming application-data folder the shell knows.
std::string RecordFile::DefaultDir() {
  const wchar_t* data = _wgetenv(L"APPDATA");
  std::string base = data != nullptr ? Utf8(data) : "";
  const bool absolute =
      base.size() > 2 &&
      ((base[1] == ':' && (base[2] == '\\' || base[2] == '/')) || base.starts_with("\\\\"));
  if (!absolute) {
    wchar_t* known = nullptr;
    base = SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &known) == S_OK ? Utf8(known)
                                                                                     : "";
    CoTaskMemFree(known);
  }
  return base.empty() ? "" : base + "\\FenzoGobbix";
}

RecordFile::Reading RecordFile::Read() const {
  Reading r;
  if (path_.empty()) return r;
  Handle h(CreateFileW(Wide(path_).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.Valid()) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return r;
    r.What = Reading::kNotOurs;
    r.Problem = Error("cannot read " + Shown(path_), error);
    return r;
  }
  LARGE_INTEGER size{};
  if (GetFileType(h.Get()) != FILE_TYPE_DISK || GetFileSizeEx(h.Get(), &size) == 0) {
    r.What = Reading::kNotOurs;
    r.Problem = Shown(path_) + " is not a regular file";
    return r;
  }
  r.What = Reading::kUnreadable;
  if (static_cast<uint64_t>(size.QuadPart) > kMaxRecordBytes) {
    r.Problem = "too large";
    return r;
  }
  std::string text(static_cast<size_t>(size.QuadPart) + 1, '\0');
  size_t got = 0;
  for (;;) {
    DWORD n = 0;
    if (ReadFile(h.Get(), text.data() + got, static_cast<DWORD>(text.size() - got), &n, nullptr) ==
        0) {
      r.What = Reading::kNotOurs;
      r.Problem = Error("cannot read " + Shown(path_), GetLastError());
      return r;
    }
    if (n == 0) break;
    got += n;
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
    // Without MOVEFILE_REPLACE_EXISTING an earlier file kept aside is never overwritten.
    if (MoveFileExW(Wide(path_).c_str(), Wide(aside).c_str(), MOVEFILE_WRITE_THROUGH) == 0) {
      const DWORD error = GetLastError();
      if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) continue;
      break;
    }
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

// The folder's owner is not compared with the player as on Linux [D30]: a profile's
// application-data folder is the user's own by its access list. [D39]
std::optional<std::string> RecordFile::Load(const Merge& check) {
  if (path_.empty()) return std::nullopt;
  // A folder that cannot be written has no lock file to take; the file is read all the same,
  // and so it is while another program holds the lock: every writer replaces it whole. [D29]
  const Lock lock(dir_, IsFolder(dir_), false);
  Reading r = Read();
  if (r.What == Reading::kGood && r.Merged(check)) return std::move(r.Text);
  if (r.What == Reading::kUnreadable && lock.Held()) KeepAside(r.Problem);  // else at a commit
  if (r.What == Reading::kNotOurs) TurnOff(r.Problem);
  return std::nullopt;
}

std::optional<std::string> RecordFile::Peek(std::string& problem) const {
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

// Writes the temporary file through the C runtime's descriptor (so a test can put a full disk
// under Write), flushes it to the disk and moves it over the file. What went wrong, or nothing;
// no temporary file is left.
std::string RecordFile::Replace(const std::string& text) {
  const std::wstring temp = Wide(dir_ + "\\" + kTempName);
  // A leftover of a run killed while it wrote; an empty folder of that name goes too.
  if (DeleteFileW(temp.c_str()) == 0) RemoveDirectoryW(temp.c_str());
  Handle h(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                       nullptr));
  if (!h.Valid()) return Error("cannot write " + Shown(dir_ + "\\" + kTempName), GetLastError());
  const HANDLE raw = h.Get();
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h.Release()), _O_WRONLY | _O_BINARY);
  std::string why;
  if (fd < 0) why = "cannot write " + Shown(path_);
  for (size_t done = 0; why.empty() && done < text.size();) {
    const ssize_t n = Write(fd, text.data() + done, text.size() - done);
    if (n <= 0) {
      why = "cannot write " + Shown(path_) + ": " + std::strerror(n == 0 ? ENOSPC : errno);
    } else {
      done += static_cast<size_t>(n);
    }
  }
  if (why.empty() && FlushFileBuffers(raw) == 0) {
    why = Error("cannot write " + Shown(path_), GetLastError());
  }
  if (fd >= 0) _close(fd);  // closes the handle too
  if (why.empty() && MoveFileExW(temp.c_str(), Wide(path_).c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
    why = Error("cannot write " + Shown(path_), GetLastError());
  }
  if (!why.empty()) DeleteFileW(temp.c_str());
  return why;
}

// [D39]
bool RecordFile::Commit(const Merge& merge, bool last) {
  if (off_) return false;  // told already
  if (path_.empty()) {
    if (!saidCommit_) TurnOff("no application-data folder to keep the scores in");
    return false;
  }
  std::string why;
  if (!MakeDirs(dir_, why)) return Fail(why, last);
  const Lock lock(dir_, true, last);
  if (!lock.Held()) {
    // Another program writing: the game tries again in a moment, and says nothing unless it
    // cannot wait any longer. [D29]
    if (!last && Lock::Busy(lock.ErrorCode())) return false;
    return Fail(Error("cannot lock " + Shown(dir_ + "\\" + kLockName), lock.ErrorCode()), last);
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
