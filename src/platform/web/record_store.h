// The page's record: the same text as the desktop's file, under one key of the page's
// localStorage. Without storage (private mode, a full quota, storage switched off) the game
// plays on with its record in memory: one line on the console says so, nothing is thrown.
#pragma once

#include <string>

#include "platform/record.h"

namespace fg {

inline constexpr const char* kRecordKey = "fenzogobbix.scores";

class LocalStorageRecord : public RecordStore {
 public:
  std::optional<std::string> Load(const Merge& check) override;
  bool Commit(const Merge& merge, bool last) override;

  // The line last said about storage, empty while nothing went wrong: for the page to show.
  std::string Problem;

 private:
  struct Reading {
    bool Usable = false;                // storage answered, and an unreadable value is aside
    std::optional<std::string> Stored;  // the text read, when `merge` took it
    std::optional<std::string> Merged;  // what `merge` made of it (or of nothing)
  };
  // The stored text and what `merge` makes of it; a value it refuses is kept aside under
  // another key, and the merge runs on nothing.
  Reading Read(const Merge& merge, bool last);
  void Say(const std::string& why, bool last);

  bool said_ = false;
};

}  // namespace fg
