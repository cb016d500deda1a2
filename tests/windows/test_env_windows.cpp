// Every Windows test program keeps the player's saved data in a folder of its own, made at start
// and removed at the end: APPDATA names it, as XDG_DATA_HOME does on Linux (test_env.cpp).
#include <process.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

struct PrivateAppData {
  std::filesystem::path Dir;
  PrivateAppData() {
    Dir = std::filesystem::temp_directory_path() /
          ("fg-test-data-" + std::to_string(std::rand()) + std::to_string(_getpid()));
    std::error_code error;
    if (std::filesystem::create_directories(Dir, error)) {
      _wputenv_s(L"APPDATA", Dir.wstring().c_str());
    }
  }
  ~PrivateAppData() {
    std::error_code ignored;
    std::filesystem::remove_all(Dir, ignored);
  }
  PrivateAppData(const PrivateAppData&) = delete;
  PrivateAppData& operator=(const PrivateAppData&) = delete;
};

const PrivateAppData kPrivateAppData;

}  // namespace
