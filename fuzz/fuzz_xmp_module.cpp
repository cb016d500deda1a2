// libFuzzer target for the music module loader: whatever bytes lie in FenzoGobbix.snd, loading
// them either fails cleanly or gives a module that starts, renders, restarts and stops.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "sound/xmp_module.h"

namespace {

// The loader reads a path, so each input goes into one in-memory file that is reused.
int InputFile() {
  static const int fd = [] {
    const int f = memfd_create("fg-fuzz-module", MFD_CLOEXEC);
    if (f < 0) std::abort();
    return f;
  }();
  return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int fd = InputFile();
  if (ftruncate(fd, 0) != 0) std::abort();
  size_t done = 0;
  while (done < size) {
    const ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
    if (n <= 0) std::abort();
    done += static_cast<size_t>(n);
  }
  const std::string path = "/proc/self/fd/" + std::to_string(fd);

  // The rate the game asks for, or an odd one the loader must clamp.
  const int rate = (size > 0 && (data[size - 1] & 1)) ? 1000 : 44100;
  std::unique_ptr<fg::XmpModule> module = fg::XmpModule::Load(path, rate);
  if (!module) return 0;

  // Render into a buffer that already holds sound, as the mixer's music hook does.
  std::vector<int16_t> out(2 * 2048, 1000);
  module->MixInto(out.data(), 2048, 0.9f);  // stopped: writes nothing
  module->Start();
  module->MixInto(out.data(), 2048, 0.9f);
  module->Start();  // a new playback from the top replaces the running one
  module->MixInto(out.data(), 700, 2.5f);
  module->Stop();
  module->MixInto(out.data(), 2048, 1.0f);
  return 0;
}
