// The record in localStorage. Every call into storage is guarded: a browser may throw on any
// of them (a SecurityError where storage is off, a QuotaExceededError when full).
#include "platform/web/record_store.h"

#include <emscripten.h>

#include <cstdio>
#include <string>

namespace fg {

namespace {

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

void LocalStorageRecord::Say(const std::string& why, bool last) {
  // On the console, as every line of the page's program; once, and once more when the run
  // ends with games unstored.
  if (said_ && !last) return;
  said_ = true;
  Problem = why + (last ? "; this run's scores are not kept"
                        : "; this run's scores are kept in memory until they can be stored");
  std::fprintf(stderr, "fenzogobbix: %s\n", Problem.c_str());
}

LocalStorageRecord::Reading LocalStorageRecord::Read(const Merge& merge, bool last) {
  const int length = fg_web_storage_length(kRecordKey);
  std::string problem = "too large";
  if (length == -1) return {true, std::nullopt, merge(std::nullopt, problem)};
  if (length < 0) {
    Say("the page's storage cannot be used", last);
    return {};
  }
  std::optional<std::string> merged;
  if (static_cast<size_t>(length) <= kMaxRecordBytes) {
    std::string text(static_cast<size_t>(length) + 1, '\0');
    if (fg_web_storage_copy(kRecordKey, text.data(), length + 1) == 0) {
      Say("the page's storage cannot be read", last);
      return {};
    }
    text.resize(static_cast<size_t>(length));
    merged = merge(text, problem);
    if (merged) return {true, std::move(text), std::move(merged)};
  }
  // Moving a large value aside takes its size again, which a full quota refuses: the stored
  // value stays as it is and this run's games stay in memory.
  if (fg_web_storage_keep_aside(kRecordKey) == 0) {
    Say(std::string("the stored scores (") + kRecordKey + ") are " + problem +
            " and cannot be kept aside, the page's storage being full",
        last);
    return {};
  }
  std::fprintf(stderr,
               "fenzogobbix: the stored scores (%s) are %s; kept aside, a fresh table begins\n",
               kRecordKey, problem.c_str());
  return {true, std::nullopt, merge(std::nullopt, problem)};
}

std::optional<std::string> LocalStorageRecord::Load(const Merge& check) {
  return Read(check, false).Stored;
}

bool LocalStorageRecord::Commit(const Merge& merge, bool last) {
  const Reading r = Read(merge, last);
  if (!r.Usable || !r.Merged) return false;
  if (fg_web_storage_set(kRecordKey, r.Merged->c_str()) == 0) {
    Say("the page's storage is full or switched off", last);
    return false;
  }
  return true;
}

}  // namespace fg
