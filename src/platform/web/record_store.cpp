// The record in localStorage. Every call into storage is guarded: a browser may throw on any
// of them (a SecurityError where storage is off, a QuotaExceededError when full).
#include "platform/web/record_store.h"

#include <emscripten.h>

#include <cstdlib>
#include <string>

namespace fg {

namespace {

// clang-format off

// 1 when the page may read and write storage.
EM_JS(int, fg_web_storage_usable, (), {
  try {
    return window.localStorage ? 1 : 0;
  } catch (e) {
    return 0;
  }
});

// The stored text as a new C string, or 0 when there is none or it cannot be read.
EM_JS(char*, fg_web_storage_get, (const char* key), {
  try {
    const text = window.localStorage.getItem(UTF8ToString(key));
    return text === null ? 0 : stringToNewUTF8(text);
  } catch (e) {
    return 0;
  }
});

// 1 when stored.
EM_JS(int, fg_web_storage_set, (const char* key, const char* text), {
  try {
    window.localStorage.setItem(UTF8ToString(key), UTF8ToString(text));
    return 1;
  } catch (e) {
    return 0;
  }
});

// Moves the value to the first free key "KEY.unreadable-N"; 1 when done.
EM_JS(int, fg_web_storage_keep_aside, (const char* key), {
  try {
    const name = UTF8ToString(key);
    const s = window.localStorage;
    for (let n = 1; n < 1000; n++) {
      const aside = name + '.unreadable-' + n;
      if (s.getItem(aside) !== null) continue;
      s.setItem(aside, s.getItem(name));
      s.removeItem(name);
      return 1;
    }
  } catch (e) {
  }
  return 0;
});

// clang-format on

}  // namespace

std::optional<PlayerRecord> LocalStorageRecord::Read() {
  if (fg_web_storage_usable() == 0) return std::nullopt;
  char* stored = fg_web_storage_get(kRecordKey);
  if (stored == nullptr) return PlayerRecord{};
  const std::string text(stored);
  std::free(stored);
  if (auto record = ParseRecord(text)) return record;
  if (fg_web_storage_keep_aside(kRecordKey) == 0) return std::nullopt;
  return PlayerRecord{};
}

PlayerRecord LocalStorageRecord::Load() {
  return Read().value_or(PlayerRecord{});
}

std::optional<PlayerRecord> LocalStorageRecord::Commit(const RecordChange& change) {
  std::optional<PlayerRecord> record = Read();
  if (!record) return std::nullopt;
  Apply(*record, change);
  if (fg_web_storage_set(kRecordKey, FormatRecord(*record).c_str()) == 0) return std::nullopt;
  return record;
}

}  // namespace fg
