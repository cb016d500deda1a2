// The player's record in a file of the user's data folder, held to a database's standard:
// every commit re-reads and merges under an advisory lock and replaces the file atomically
// (temporary file, fsync, rename, folder fsync), so a crash at any moment leaves the old table
// or the new one. A file that cannot be read is kept aside under another name, never deleted.
// Whatever goes wrong, the game plays on: the store says so once; what it could not store the
// game keeps in memory and commits again. The logic is the same on every system; only the
// file-system calls differ (record_file_system.h).
#pragma once

#include <sys/types.h>

#include <optional>
#include <ostream>
#include <string>

#include "platform/record.h"

namespace fg {

inline constexpr const char* kRecordFileName = "scores.txt";

class RecordFile : public RecordStore {
 public:
  // `dir` holds the file (created on the first commit); empty when there is no such folder.
  // Problems are told on `say`, one line each.
  RecordFile(std::string dir, std::ostream& say);

  std::optional<std::string> Load(const Merge& check) override;
  bool Commit(const Merge& merge, bool last) override;

  // Reads the stored text ("" when there is none) and changes nothing: nothing, and why in
  // `problem`, when it cannot.
  std::optional<std::string> Peek(std::string& problem) const;
  // "the score file PATH is WHY", the path as a message shows it.
  std::string Unreadable(const std::string& why) const;

  // $XDG_DATA_HOME/fenzogobbix, or ~/.local/share/fenzogobbix; empty when neither the variable
  // nor the home folder is an absolute path. On Windows %APPDATA%\FenzoGobbix. [D39]
  static std::string DefaultDir();

  const std::string& Path() const { return path_; }

  // The one write call, at the edge: a test puts a full disk here.
  using WriteCall = ssize_t (*)(int fd, const void* data, size_t size);
  WriteCall Write;

 private:
  struct Reading;
  Reading Read() const;
  bool Fail(const std::string& why, bool last);
  void TurnOff(const std::string& why);  // for good: says so once
  bool KeepAside(const std::string& problem);
  std::string Replace(const std::string& text);  // what went wrong, or nothing

  std::string dir_;
  std::string path_;
  std::ostream& say_;
  bool off_ = false;         // the file's place holds something that is not ours: never touch it
  bool saidCommit_ = false;  // a failed commit has been told
};

}  // namespace fg
