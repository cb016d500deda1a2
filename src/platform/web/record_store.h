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
  PlayerRecord Load() override;
  std::optional<PlayerRecord> Commit(const RecordChange& change, bool last) override;

  // The line last said about storage, empty while nothing went wrong: for the page to show.
  std::string Problem;

 private:
  // The stored record; an unreadable one is kept aside under another key. Nothing when there
  // is no storage or the unreadable one cannot be kept.
  std::optional<PlayerRecord> Read(bool last);
  void Say(const std::string& why, bool last);

  bool said_ = false;
};

}  // namespace fg
