// A tracker module loaded with libxmp and rendered to 16-bit stereo, looping until stopped.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace fg {

// Not thread-safe by itself: the player that owns it serialises every call.
class XmpModule {
 public:
  // Loads the module file at `path`; nullptr when the file is missing, unreadable, too large,
  // not a module, cut short, or otherwise broken.
  static std::unique_ptr<XmpModule> Load(const std::string& path, int rate);
  ~XmpModule();
  XmpModule(const XmpModule&) = delete;
  XmpModule& operator=(const XmpModule&) = delete;

  void Start();  // a new playback from the first pattern
  void Stop();   // silence at once
  bool Playing() const { return playing_; }
  // Adds `frames` stereo frames of the playing module, scaled by `volume` (1.0 = unity), to
  // `out`; writes nothing while stopped. Loops at the end of the song. Never allocates, so it
  // is safe to call from the audio callback.
  void MixInto(int16_t* out, int frames, float volume);

 private:
  XmpModule() = default;
  void* ctx_ = nullptr;  // xmp_context
  int rate_ = 44100;
  bool playing_ = false;
  std::vector<int16_t> scratch_;  // one chunk of rendered frames, sized once at load
};

}  // namespace fg
