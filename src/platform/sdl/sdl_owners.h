// Owners of SDL's handles and subsystems: whatever a step of start-up made is freed when a later
// step throws, and everything in order when the host goes. Only declarations of SDL's types
// here, so that the host's users need no SDL headers.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

struct _SDL_GameController;  // NOLINT(bugprone-reserved-identifier): SDL's own name for it
struct SDL_Renderer;
struct SDL_Surface;
struct SDL_Texture;
struct SDL_Window;
struct Mix_Chunk;

namespace fg {

struct SdlFree {
  void operator()(SDL_Window* window) const;
  void operator()(SDL_Renderer* renderer) const;
  void operator()(SDL_Texture* texture) const;
  void operator()(SDL_Surface* surface) const;
  void operator()(_SDL_GameController* controller) const;
  void operator()(Mix_Chunk* chunk) const;
};

template <typename T>
using SdlOwner = std::unique_ptr<T, SdlFree>;

// SDL itself: the subsystems the host started, and SDL_Quit when it goes if any did, which
// also ends those started for it (the audio device's, the joysticks under the pads). An audio
// device left to an opener thread that never came back is not SDL's to end: then only the host's
// own subsystems are quit, the last started first.
class SdlLibrary {
 public:
  SdlLibrary() = default;
  ~SdlLibrary();
  SdlLibrary(const SdlLibrary&) = delete;
  SdlLibrary& operator=(const SdlLibrary&) = delete;

  bool Start(uint32_t subsystems);  // false, and nothing kept, when SDL cannot start them
  void LeaveAudioAlone() { leaveAudio_ = true; }

 private:
  std::vector<uint32_t> started_;
  bool leaveAudio_ = false;
};

}  // namespace fg
