// The page's record: the same text as the desktop's file, under one key of the page's
// localStorage. Without storage (private mode, a full quota, storage switched off) the game
// plays on without a record, and nothing is thrown to the console.
#pragma once

#include "platform/record.h"

namespace fg {

inline constexpr const char* kRecordKey = "fenzogobbix.scores";

class LocalStorageRecord : public RecordStore {
 public:
  PlayerRecord Load() override;
  std::optional<PlayerRecord> Commit(const RecordChange& change) override;

 private:
  // The stored record; an unreadable one is kept aside under another key. Nothing when there
  // is no storage or the unreadable one cannot be kept.
  std::optional<PlayerRecord> Read();
};

}  // namespace fg
