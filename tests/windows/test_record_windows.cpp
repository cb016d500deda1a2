// The record's file store and the process parts on Windows, run under Wine: the folder made
// under any name, the file replaced in place, every failure told once with the old table kept.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string_view>
#include <utility>

#include "platform/record_file.h"
#include "platform/sdl/sdl_process.h"

namespace fg::test {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

// A fresh folder under the temporary one, not yet made.
fs::path FreshDir(const std::u8string& name) {
  const fs::path base = fs::temp_directory_path() / "fg-record-win";
  fs::remove_all(base);
  return base / name;
}

// A merge that adds one mark to a text of ours and refuses anything else.
RecordStore::Merge Mark(char mark) {
  return [mark](std::optional<std::string_view> stored,
                std::string& problem) -> std::optional<std::string> {
    if (stored && !stored->starts_with("ours")) {
      problem = "not ours";
      return std::nullopt;
    }
    return std::string(stored ? *stored : "ours") + mark;
  };
}

TEST(RecordFileWindows, KeepsTheTableAcrossRunsUnderAnyFolderName) {
  for (const std::u8string name : {u8"plain", u8"Jos\u00e9 \u4e2d\u6587\\nested\\FenzoGobbix"}) {
    const fs::path dir = FreshDir(name);
    const std::string utf8(name.begin(), name.end());
    const std::string dirText =
        (fs::temp_directory_path() / "fg-record-win").string() + "\\" + utf8;
    std::ostringstream said;
    RecordFile first(dirText, said);
    ASSERT_TRUE(first.Commit(Mark('a'), false)) << said.str();
    ASSERT_TRUE(first.Commit(Mark('b'), false)) << said.str();  // over the file it wrote
    std::ostringstream said2;
    RecordFile second(dirText, said2);
    EXPECT_EQ(second.Load(Mark('c')), "oursab") << utf8;
    EXPECT_TRUE(fs::exists(dir / "scores.lock"));
    EXPECT_FALSE(fs::exists(dir / ".scores.txt.new"));
    EXPECT_EQ(said.str() + said2.str(), "");
  }
}

TEST(RecordFileWindows, AFailureKeepsTheOldTableAndIsToldOnce) {
  struct Case {
    const char* Name;
    std::string Expect;  // in the one line told
    void (*Spoil)(const fs::path& dir, RecordFile& file);
  };
  static HANDLE held = INVALID_HANDLE_VALUE;
  const Case cases[] = {
      {"a full disk", "cannot write",
       [](const fs::path&, RecordFile& f) {
         f.Write = [](int, const void*, size_t) -> ssize_t { return 0; };
       }},
      {"another writer's lock", "cannot lock",
       [](const fs::path& dir, RecordFile&) {
         held = CreateFileW((dir / "scores.lock").c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
         OVERLAPPED whole{};
         ASSERT_NE(LockFileEx(held, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &whole), 0);
       }},
  };
  for (const Case& c : cases) {
    const fs::path dir = FreshDir(u8"fail");
    std::ostringstream said;
    RecordFile file(dir.string(), said);
    ASSERT_TRUE(file.Commit(Mark('a'), false));
    const std::string before = ReadText(dir / kRecordFileName);
    c.Spoil(dir, file);
    EXPECT_FALSE(file.Commit(Mark('b'), true)) << c.Name;  // the last commit waits for a lock
    EXPECT_FALSE(file.Commit(Mark('c'), false)) << c.Name;
    EXPECT_EQ(ReadText(dir / kRecordFileName), before) << c.Name;
    EXPECT_FALSE(fs::exists(dir / ".scores.txt.new")) << c.Name;
    const std::string told = said.str();
    EXPECT_NE(told.find(c.Expect), std::string::npos) << c.Name << ": " << told;
    EXPECT_EQ(std::count(told.begin(), told.end(), '\n'), 1) << c.Name << ": " << told;
    if (held != INVALID_HANDLE_VALUE) CloseHandle(std::exchange(held, INVALID_HANDLE_VALUE));
  }
}

TEST(RecordFileWindows, WhatAKilledRunLeftBehindGivesWay) {
  for (const bool folder : {false, true}) {
    const fs::path dir = FreshDir(u8"leftover");
    fs::create_directories(folder ? dir / ".scores.txt.new" : dir);
    if (!folder) std::ofstream(dir / ".scores.txt.new", std::ios::binary) << "half a tab";
    std::ostringstream said;
    RecordFile file(dir.string(), said);
    EXPECT_TRUE(file.Commit(Mark('a'), false)) << folder << ": " << said.str();
    EXPECT_EQ(ReadText(dir / kRecordFileName), "oursa") << folder;
    EXPECT_FALSE(fs::exists(dir / ".scores.txt.new")) << folder;
  }
}

TEST(RecordFileWindows, AnUnreadableFileIsKeptAside) {
  const fs::path dir = FreshDir(u8"aside");
  fs::create_directories(dir);
  std::ofstream(dir / kRecordFileName, std::ios::binary) << "not a record\r\n";
  std::ofstream(dir / "scores.txt.unreadable-1", std::ios::binary) << "older\r\n";
  std::ostringstream said;
  RecordFile file(dir.string(), said);
  EXPECT_EQ(file.Load(Mark('a')), std::nullopt);
  EXPECT_EQ(ReadText(dir / "scores.txt.unreadable-1"), "older\r\n");  // never overwritten
  EXPECT_EQ(ReadText(dir / "scores.txt.unreadable-2"), "not a record\r\n") << said.str();
}

TEST(RecordFileWindows, TheDataFolderAndTheGameFolder) {
  EXPECT_EQ(RecordFile::DefaultDir(), fs::path(_wgetenv(L"APPDATA")).string() + "\\FenzoGobbix");
  EXPECT_EQ(DirectoryFromBasePath("C:\\Games\\FenzoGobbix\\"), "C:\\Games\\FenzoGobbix");
  EXPECT_EQ(DirectoryFromBasePath("C:\\"), "C:\\");
  EXPECT_EQ(DirectoryFromBasePath("\\\\server\\games\\"), "\\\\server\\games");
  EXPECT_EQ(DirectoryFromBasePath("games\\"), "");
  EXPECT_EQ(DirectoryFromBasePath(nullptr), "");
}

}  // namespace
}  // namespace fg::test
