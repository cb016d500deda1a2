// Module loading and rendering with libxmp. The file is checked before libxmp sees it: only a
// regular, non-empty file of sane size is handed over, and libxmp rejects what is not a module.
#include "sound/xmp_module.h"

#include <xmp.h>

#include <sys/stat.h>

#include <algorithm>
#include <vector>

namespace fg {

namespace {

// Far larger than any tracker module worth playing; anything bigger is not ours.
constexpr off_t kMaxModuleBytes = 64L * 1024 * 1024;

}  // namespace

std::unique_ptr<XmpModule> XmpModule::Load(const std::string& path, int rate) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  if (st.st_size <= 0 || st.st_size > kMaxModuleBytes) return nullptr;

  xmp_context ctx = xmp_create_context();
  if (ctx == nullptr) return nullptr;
  if (xmp_load_module(ctx, const_cast<char*>(path.c_str())) != 0) {
    xmp_free_context(ctx);
    return nullptr;
  }
  std::unique_ptr<XmpModule> m(new XmpModule());
  m->ctx_ = ctx;
  m->rate_ = std::clamp(rate, XMP_MIN_SRATE, XMP_MAX_SRATE);
  return m;
}

XmpModule::~XmpModule() {
  auto ctx = static_cast<xmp_context>(ctx_);
  Stop();
  xmp_release_module(ctx);
  xmp_free_context(ctx);
}

void XmpModule::Start() {
  auto ctx = static_cast<xmp_context>(ctx_);
  Stop();
  if (xmp_start_player(ctx, rate_, 0) == 0) playing_ = true;
}

void XmpModule::Stop() {
  if (!playing_) return;
  xmp_end_player(static_cast<xmp_context>(ctx_));
  playing_ = false;
}

void XmpModule::MixInto(int16_t* out, int frames, float volume) {
  if (!playing_ || frames <= 0) return;
  std::vector<int16_t> buffer(static_cast<size_t>(frames) * 2);
  // Loop count 0: the song repeats for as long as it is played.
  if (xmp_play_buffer(static_cast<xmp_context>(ctx_), buffer.data(),
                      static_cast<int>(buffer.size() * sizeof(int16_t)), 0) != 0) {
    return;
  }
  for (size_t i = 0; i < buffer.size(); ++i) {
    const int v = out[i] + static_cast<int>(static_cast<float>(buffer[i]) * volume);
    out[i] = static_cast<int16_t>(std::clamp(v, -32768, 32767));
  }
}

}  // namespace fg
