// The record file's calls into a POSIX file system: flock on the lock file, fsync of the file
// and of its folder, rename over the old file, and the owner check of the data folder.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/record_file_system.h"

namespace fg::record_fs {

namespace {

ErrorCode LastError() {
  return static_cast<ErrorCode>(errno);
}

void SyncFolder(const std::string& dir) {
  const File d(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (d.Open()) ::fsync(d.Get());  // some file systems refuse; the rename is done anyway
}

File Opened(int fd, ErrorCode& error) {
  if (fd < 0) error = LastError();
  return File(fd);
}

}  // namespace

const char* const kNoDataFolder = "no home folder to keep the scores in";

std::string WithWords(const std::string& what, ErrorCode error) {
  return what + ": " + std::strerror(static_cast<int>(error));
}

std::string Join(const std::string& dir, const char* name) {
  return dir + "/" + name;
}

// $XDG_DATA_HOME/fenzogobbix, or ~/.local/share/fenzogobbix; empty when neither the variable
// nor the home folder is an absolute path.
std::string DataFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') return std::string(data) + "/fenzogobbix";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.local/share/fenzogobbix";
  return "";
}

// Another user's folder, or one that others may write into: a folder another user made first
// in a shared XDG_DATA_HOME would let them rewrite the table. [D30]
std::string Foreign(const std::string& dir) {
  struct stat st {};
  if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return "";
  if (st.st_uid != ::geteuid()) return "the data folder " + Shown(dir) + " belongs to another user";
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    return "the data folder " + Shown(dir) + " may be written by other users";
  }
  return "";
}

bool IsFolder(const std::string& dir) {
  struct stat st {};
  return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool LockMayBeMade(const std::string& dir) {
  return IsFolder(dir) && ::access(dir.c_str(), W_OK) == 0;
}

// Private to the user, as the data folder should be.
bool CreateFolders(const std::string& dir, std::string& why) {
  for (size_t slash = 1; slash != std::string::npos;) {
    slash = dir.find('/', slash + 1);
    const std::string part = dir.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) == 0 || errno == EEXIST) continue;
    why = WithWords("cannot create " + Shown(part), LastError());
    return false;
  }
  return true;
}

ErrorCode File::Close() {
  if (fd_ < 0) return 0;
  return ::close(Release()) == 0 ? 0 : LastError();
}

File OpenLockFile(const std::string& path, bool create, ErrorCode& error) {
  return Opened(::open(path.c_str(),
                       O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW | (create ? O_CREAT : 0), 0644),
                error);
}

ErrorCode TryLock(const File& file) {
  return ::flock(file.Get(), LOCK_EX | LOCK_NB) == 0 ? 0 : LastError();
}

bool LockBusy(ErrorCode error) {
  return error == EWOULDBLOCK || error == EINTR;
}

void Nap() {
  const timespec pause{0, 5'000'000};
  ::nanosleep(&pause, nullptr);
}

File OpenToRead(const std::string& path, ErrorCode& error) {
  return Opened(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY), error);
}

bool Missing(ErrorCode error) {
  return error == ENOENT;
}

bool RegularSize(const File& file, uint64_t& size) {
  struct stat st {};
  if (::fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  size = static_cast<uint64_t>(st.st_size);
  return true;
}

int64_t ReadSome(const File& file, char* data, size_t size, ErrorCode& error) {
  for (;;) {
    const ssize_t n = ::read(file.Get(), data, size);
    if (n >= 0) return n;
    if (errno == EINTR) continue;
    error = LastError();
    return -1;
  }
}

ssize_t WriteSome(int fd, const void* data, size_t size) {
  return ::write(fd, data, size);
}

Moved MoveAside(const std::string& from, const std::string& to, const std::string& dir) {
  struct stat st {};
  if (::lstat(to.c_str(), &st) == 0) return Moved::kTaken;
  if (::rename(from.c_str(), to.c_str()) != 0) return Moved::kFailed;
  SyncFolder(dir);
  return Moved::kDone;
}

void RemoveLeftover(const std::string& temp) {
  // An empty folder of that name goes too (the name is ours); anything else in its way is
  // named when the file cannot be made.
  if (::unlink(temp.c_str()) != 0 && (errno == EISDIR || errno == EPERM)) ::rmdir(temp.c_str());
}

File CreateNew(const std::string& temp, ErrorCode& error) {
  return Opened(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644),
                error);
}

ErrorCode Flush(const File& file) {
  return ::fsync(file.Get()) == 0 ? 0 : LastError();
}

ErrorCode MoveOver(const std::string& temp, const std::string& path, const std::string& dir) {
  if (::rename(temp.c_str(), path.c_str()) != 0) return LastError();
  SyncFolder(dir);
  return 0;
}

void Remove(const std::string& path) {
  ::unlink(path.c_str());
}

}  // namespace fg::record_fs
