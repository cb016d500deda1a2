// The program as a Windows process: Windows has no SIGTERM or SIGINT; what comes nearest is
// the console's Ctrl+C, Ctrl+Break and close, for a game started from a console it attached to
// (shell/main's --help and friends aside, a game window usually has none). Where the executable
// lies and opening the browser are sdl_process.cpp's, as on Linux.
#include <SDL.h>
#include <windows.h>

#include <atomic>

#include "platform/sdl/sdl_process.h"

namespace fg {

namespace {

std::atomic<bool> gWindowUp{false};
std::atomic<bool> gTerminate{false};

// Runs on a thread of its own that Windows starts for the event.
BOOL WINAPI OnConsoleEvent(DWORD /*event*/) {
  if (!gWindowUp || gTerminate) return FALSE;  // the default: the process ends at once
  gTerminate = true;
  Sleep(2000);
  ExitProcess(0);  // the close asked for did not get through in time: leave anyway
}

}  // namespace

// [D11] [D40]
void InstallTerminationHandlers() {
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void TerminationWindowUp() {
  gWindowUp = true;
}

bool TerminationRequested() {
  return gTerminate;
}

// [D8] SDL's base path on Windows: a drive (C:\Games\FenzoGobbix\) or a share
// (\\server\games\), with backslashes; anything relative is unknown.
std::string DirectoryFromBasePath(const char* basePath) {
  if (basePath == nullptr) return "";
  std::string dir = basePath;
  const auto separator = [](char c) { return c == '\\' || c == '/'; };
  const bool drive = dir.size() >= 3 && dir[1] == ':' && separator(dir[2]);
  const bool share = dir.size() >= 3 && separator(dir[0]) && separator(dir[1]);
  if (!drive && !share) return "";
  const size_t root = drive ? 3 : 2;
  while (dir.size() > root && separator(dir.back())) dir.pop_back();
  return dir;
}

}  // namespace fg
