// The file-system calls of the record file, one set per system (record_file_posix.cpp,
// record_file_windows.cpp). What the store does with them (reading, merging, keeping aside,
// replacing, what it tells the player) is written once, in record_file.cpp.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <utility>

#include "platform/quoted.h"

namespace fg::record_fs {

// The system's code for what went wrong (errno, or GetLastError on Windows); 0 for nothing.
using ErrorCode = unsigned long;

// A path as a message shows it: from the environment, so escaped and cut. [D18]
inline std::string Shown(const std::string& path) {
  return Quoted(path, kPathEchoLimit);
}

// "what: the system's words for the error".
std::string WithWords(const std::string& what, ErrorCode error);

// `name` in the folder `dir`, with the system's separator.
std::string Join(const std::string& dir, const char* name);

// The folder the record is kept in by default; empty when there is none.
std::string DataFolder();
// Why a commit finds no folder at all, for the one line told.
extern const char* const kNoDataFolder;

// Why the data folder, when it exists, is not the player's own to keep the record in; empty
// when it is (or the system has no such check). [D30] [D39]
std::string Foreign(const std::string& dir);
bool IsFolder(const std::string& dir);
// A folder that exists and where a lock file may be made.
bool LockMayBeMade(const std::string& dir);
// Creates the folder and any missing parent; false, and why, when one cannot be made.
bool CreateFolders(const std::string& dir, std::string& why);

// An open file of the C runtime's, closed at the end of its scope; -1 for none.
class File {
 public:
  explicit File(int fd) : fd_(fd) {}
  File(File&& other) noexcept : fd_(other.Release()) {}
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  File& operator=(File&&) = delete;
  ~File() { Close(); }
  bool Open() const { return fd_ >= 0; }
  int Get() const { return fd_; }
  int Release() { return std::exchange(fd_, -1); }
  ErrorCode Close();  // what closing said; closing twice does nothing

 private:
  int fd_;
};

// The lock file, made when `create`: never follows a link in its place.
File OpenLockFile(const std::string& path, bool create, ErrorCode& error);
ErrorCode TryLock(const File& file);  // exclusive, whole file; never waits
bool LockBusy(ErrorCode error);       // held by another program (or interrupted): try again
void Nap();                           // 5 ms between tries

// Opens to read without ever blocking (a FIFO in the file's place opens at once).
File OpenToRead(const std::string& path, ErrorCode& error);
bool Missing(ErrorCode error);  // there is no such file
// The size of a regular file on a disk; false for anything else.
bool RegularSize(const File& file, uint64_t& size);
// Up to `size` bytes; -1 and the error when the read fails.
int64_t ReadSome(const File& file, char* data, size_t size, ErrorCode& error);
// The one write call the store makes unless a test gives it another.
ssize_t WriteSome(int fd, const void* data, size_t size);

enum class Moved { kDone, kTaken, kFailed };
// Moves `from` to `to` in `dir` unless something is there already (kTaken): never overwrites.
Moved MoveAside(const std::string& from, const std::string& to, const std::string& dir);

// A leftover of a run killed while it wrote: removed, or an empty folder of that name.
void RemoveLeftover(const std::string& temp);
File CreateNew(const std::string& temp, ErrorCode& error);  // fails when anything is there
ErrorCode Flush(const File& file);                          // down to the disk
// Moves `temp` over `path` in `dir` in one step and makes the move itself durable.
ErrorCode MoveOver(const std::string& temp, const std::string& path, const std::string& dir);
void Remove(const std::string& path);

}  // namespace fg::record_fs
