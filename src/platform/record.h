// Where the host keeps the player's record: as text, which the game reads and merges
// (core/record.h) and the store keeps safe. Nothing here knows what the text says.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace fg {

// The largest record a reader takes, in bytes. The writer never goes beyond it: what it writes
// it can read back. Ten games take under 1 KiB; the rest is room for what later versions add.
inline constexpr size_t kMaxRecordBytes = size_t{1} << 20;

// Load and Commit never throw and never block the game; a store that cannot keep the record
// says so once (the host decides where) and the game plays on with what it has in memory,
// trying again later.
class RecordStore {
 public:
  // Given the stored text (nothing when none is stored), the text to store in its place;
  // nothing, and why in `problem`, when the stored text is not a record the game can read.
  using Merge = std::function<std::optional<std::string>(std::optional<std::string_view> stored,
                                                         std::string& problem)>;

  virtual ~RecordStore() = default;
  // The stored text; nothing when there is none or it cannot be read. A text `check` refuses is
  // kept aside where that can be done at once.
  virtual std::optional<std::string> Load(const Merge& check) = 0;
  // Re-reads the stored text and stores what `merge` makes of it (a text it refuses is kept
  // aside and the merge runs again on nothing); false when it could not be stored this time
  // (held by another program, a full disk: the game tries again later). `last`: the program is
  // ending, there is no later chance, so a store held by another program is waited for a moment.
  virtual bool Commit(const Merge& merge, bool last) = 0;
};

}  // namespace fg
