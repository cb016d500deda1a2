// Module loading and rendering with libxmp. The file is checked before libxmp sees it: only a
// regular, non-empty file of sane size whose layout is complete is handed over, and libxmp
// rejects what is not a module. [D9]
#include "sound/xmp_module.h"

#include <xmp.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace fg {

namespace {

// Far larger than any tracker module worth playing; anything bigger is not ours.
constexpr off_t kMaxModuleBytes = 64L * 1024 * 1024;

// Frames rendered per libxmp call; the scratch buffer holds one such chunk.
constexpr int kChunkFrames = 1024;

// The whole file, or nothing when it is not a regular file of acceptable size or cannot be
// read. Opened without blocking, so a FIFO of that name cannot hang start-up.
std::vector<uint8_t> ReadModuleFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return {};
  std::vector<uint8_t> bytes;
  struct stat st {};
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 &&
      st.st_size <= kMaxModuleBytes) {
    bytes.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < bytes.size()) {
      const ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    bytes.resize(got);
  }
  close(fd);
  return bytes;
}

// Little-endian fields read with bounds checks; a read past the end marks the file short.
struct LeReader {
  const std::vector<uint8_t>& Bytes;
  bool Short = false;

  uint32_t Field(uint64_t at, int width) {
    if (at + static_cast<uint64_t>(width) > Bytes.size()) {
      Short = true;
      return 0;
    }
    uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i) {
      v = (v << 8) | Bytes[static_cast<size_t>(at) + static_cast<size_t>(i)];
    }
    return v;
  }
  uint32_t U16(uint64_t at) { return Field(at, 2); }
  uint32_t U32(uint64_t at) { return Field(at, 4); }
};

// False when `bytes` is an Extended Module (version 1.04) whose patterns, instruments or sample
// data reach past its end. libxmp plays such a cut-off file with the missing instruments
// silent; the game would rather have no music than half of it. Other formats are left to libxmp.
bool XmLayoutComplete(const std::vector<uint8_t>& bytes) {
  static constexpr char kSignature[] = "Extended Module: ";
  constexpr size_t kSignatureLength = sizeof(kSignature) - 1;
  if (bytes.size() < kSignatureLength ||
      std::memcmp(bytes.data(), kSignature, kSignatureLength) != 0) {
    return true;
  }
  LeReader r{bytes};
  if (r.U16(58) != 0x0104) return !r.Short;
  const uint32_t patterns = r.U16(70);
  const uint32_t instruments = r.U16(72);
  // The format's own limits; past them the walk below could take billions of steps.
  if (patterns > 256 || instruments > 128) return false;
  uint64_t pos = 60 + static_cast<uint64_t>(r.U32(60));  // the header size counts from 60
  for (uint32_t p = 0; p < patterns && !r.Short; ++p) {
    // Header length (counting its own four bytes), packing, rows, packed data size.
    pos += static_cast<uint64_t>(r.U32(pos)) + r.U16(pos + 7);
  }
  for (uint32_t i = 0; i < instruments && !r.Short; ++i) {
    const uint64_t size = r.U32(pos);
    const uint32_t samples = r.U16(pos + 27);
    if (size == 0 || samples > 16) return false;  // an instrument holds at most 16 samples
    if (samples == 0) {
      pos += size;
      continue;
    }
    const uint64_t sampleHeaderSize = r.U32(pos + 29);
    const uint64_t headers = pos + size;
    uint64_t data = 0;
    for (uint32_t s = 0; s < samples; ++s) data += r.U32(headers + s * sampleHeaderSize);
    pos = headers + samples * sampleHeaderSize + data;
  }
  return !r.Short && pos <= bytes.size();
}

}  // namespace

std::unique_ptr<XmpModule> XmpModule::Load(const std::string& path, int rate) {
  const std::vector<uint8_t> bytes = ReadModuleFile(path);
  if (bytes.empty() || !XmLayoutComplete(bytes)) return nullptr;

  xmp_context ctx = xmp_create_context();
  if (ctx == nullptr) return nullptr;
  if (xmp_load_module_from_memory(ctx, bytes.data(), static_cast<long>(bytes.size())) != 0) {
    xmp_free_context(ctx);
    return nullptr;
  }
  // libxmp accepts some songs it cannot play: with no channel, pattern or order, or no speed,
  // rendering never returns, and it would spin on the audio thread holding the audio lock. [D9]
  xmp_module_info info{};
  xmp_get_module_info(ctx, &info);
  const xmp_module* mod = info.mod;
  if (mod == nullptr || mod->chn < 1 || mod->pat < 1 || mod->len < 1 || mod->spd < 1 ||
      mod->bpm < 1) {
    xmp_release_module(ctx);
    xmp_free_context(ctx);
    return nullptr;
  }
  std::unique_ptr<XmpModule> m(new XmpModule());
  m->ctx_ = ctx;
  m->rate_ = std::clamp(rate, XMP_MIN_SRATE, XMP_MAX_SRATE);
  m->scratch_.resize(static_cast<size_t>(kChunkFrames) * 2);
  return m;
}

XmpModule::~XmpModule() {
  auto* ctx = static_cast<xmp_context>(ctx_);
  Stop();
  xmp_release_module(ctx);
  xmp_free_context(ctx);
}

void XmpModule::Start() {
  auto* ctx = static_cast<xmp_context>(ctx_);
  Stop();
  if (xmp_start_player(ctx, rate_, 0) == 0) playing_ = true;
}

void XmpModule::Stop() {
  if (!playing_) return;
  xmp_end_player(static_cast<xmp_context>(ctx_));
  playing_ = false;
}

void XmpModule::MixInto(int16_t* out, int frames, float volume) {
  if (!playing_) return;
  while (frames > 0) {
    const int n = std::min(frames, kChunkFrames);
    // Loop count 0: the song repeats for as long as it is played.
    if (xmp_play_buffer(static_cast<xmp_context>(ctx_), scratch_.data(),
                        n * 2 * static_cast<int>(sizeof(int16_t)), 0) != 0) {
      return;
    }
    for (int i = 0; i < n * 2; ++i) {
      const int v = out[i] + static_cast<int>(static_cast<float>(scratch_[i]) * volume);
      out[i] = static_cast<int16_t>(std::clamp(v, -32768, 32767));
    }
    out += static_cast<ptrdiff_t>(n) * 2;
    frames -= n;
  }
}

}  // namespace fg
