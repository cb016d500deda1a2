// The desktop's record: a file in the user's data folder; problems go to standard error.
#include <ctime>
#include <iostream>
#include <memory>

#include "platform/record_file.h"
#include "platform/sdl/sdl_host.h"

namespace fg {

int64_t SdlHost::WallClock() {
  return static_cast<int64_t>(std::time(nullptr));
}

RecordStore& SdlHost::Records() {
  if (!records_) records_ = std::make_unique<RecordFile>(RecordFile::DefaultDir(), std::cerr);
  return *records_;
}

}  // namespace fg
