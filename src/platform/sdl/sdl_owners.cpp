#include "platform/sdl/sdl_owners.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>

namespace fg {

void SdlFree::operator()(SDL_Window* window) const {
  SDL_DestroyWindow(window);
}
void SdlFree::operator()(SDL_Renderer* renderer) const {
  SDL_DestroyRenderer(renderer);
}
void SdlFree::operator()(SDL_Texture* texture) const {
  SDL_DestroyTexture(texture);
}
void SdlFree::operator()(SDL_Surface* surface) const {
  SDL_FreeSurface(surface);
}
void SdlFree::operator()(SDL_GameController* controller) const {
  SDL_GameControllerClose(controller);
}
void SdlFree::operator()(Mix_Chunk* chunk) const {
  Mix_FreeChunk(chunk);
}

bool SdlLibrary::Start(uint32_t subsystems) {
  if (SDL_InitSubSystem(subsystems) != 0) return false;
  started_.push_back(subsystems);
  return true;
}

SdlLibrary::~SdlLibrary() {
  if (started_.empty()) return;  // SDL never came up, or has been quit after a failed try
  if (!leaveAudio_) {
    SDL_Quit();
    return;
  }
  std::for_each(started_.rbegin(), started_.rend(), SDL_QuitSubSystem);
}

}  // namespace fg
