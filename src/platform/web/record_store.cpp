// The record in localStorage. Every call into storage is guarded: a browser may throw on any
// of them (a SecurityError where storage is off, a QuotaExceededError when full).
#include "platform/web/record_store.h"

#include <emscripten.h>

#include <string>

namespace fg {

namespace {

constexpr int kMaxRecordBytes = 64 * 1024;  // as the desktop's file: ten games take under 1 KiB

// clang-format off

// The stored text's length in UTF-8 bytes: -1 when there is none, -2 when storage cannot be
// read at all.
EM_JS(int, fg_web_storage_length, (const char* key), {
  try {
    const text = window.localStorage.getItem(UTF8ToString(key));
    return text === null ? -1 : lengthBytesUTF8(text);
  } catch (e) {
    return -2;
  }
});

// Copies the stored text, with its terminating zero, into the `size` bytes at `out`; 1 when done.
EM_JS(int, fg_web_storage_copy, (const char* key, char* out, int size), {
  try {
    const text = window.localStorage.getItem(UTF8ToString(key));
    if (text === null || lengthBytesUTF8(text) + 1 > size) return 0;
    stringToUTF8(text, out, size);
    return 1;
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
  const int length = fg_web_storage_length(kRecordKey);
  if (length == -1) return PlayerRecord{};
  if (length < 0) return std::nullopt;  // no storage: nothing read, nothing ever written
  std::optional<PlayerRecord> record;
  if (length <= kMaxRecordBytes) {
    std::string text(static_cast<size_t>(length) + 1, '\0');
    if (fg_web_storage_copy(kRecordKey, text.data(), length + 1) == 0) return std::nullopt;
    text.resize(static_cast<size_t>(length));
    record = ParseRecord(text);
  }
  if (record) return record;
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
