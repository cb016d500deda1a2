// The program's process parts that SDL does alike on every system: where the executable lies
// (its base path, read by each system's DirectoryFromBasePath) and handing an address to the
// desktop's browser (xdg-open on Linux, ShellExecute on Windows).
#include "platform/sdl/sdl_process.h"

#include <SDL.h>

namespace fg {

std::string ExecutableDirectory() {
  char* base = SDL_GetBasePath();
  std::string dir = DirectoryFromBasePath(base);
  SDL_free(base);
  return dir;
}

void OpenUrlOnDesktop(const std::string& url) {
  SDL_OpenURL(url.c_str());
}

}  // namespace fg
