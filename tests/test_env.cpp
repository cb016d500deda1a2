// Every test program keeps the player's saved data in a folder of its own, made at start and
// removed at the end: a test never reads or writes a real player's record, nor another test's.
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

struct PrivateDataHome {
  std::string Dir;
  PrivateDataHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "fg-test-data-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) {
      Dir = pattern;
      setenv("XDG_DATA_HOME", Dir.c_str(), 1);
    }
  }
  ~PrivateDataHome() {
    std::error_code ignored;
    if (!Dir.empty()) std::filesystem::remove_all(Dir, ignored);
  }
  PrivateDataHome(const PrivateDataHome&) = delete;
  PrivateDataHome& operator=(const PrivateDataHome&) = delete;
};

const PrivateDataHome kPrivateDataHome;

}  // namespace
