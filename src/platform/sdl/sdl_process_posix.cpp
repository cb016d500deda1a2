// The program as a POSIX process: SIGTERM and SIGINT, and an absolute path to its folder.
#include "platform/sdl/sdl_process.h"

#include <SDL.h>
#include <unistd.h>

#include <csignal>

namespace fg {

namespace {

volatile std::sig_atomic_t gWindowUp = 0;
volatile std::sig_atomic_t gTerminate = 0;

void OnAlarm(int /*sig*/) {
  _exit(0);  // the close asked for by a signal did not get through in time: leave anyway
}

void OnTerminate(int sig) {
  if (gWindowUp == 0 || gTerminate != 0) {
    // Before the window is up there is nothing to close in order: die as the signal says.
    std::signal(sig, SIG_DFL);
    std::raise(sig);
    return;
  }
  gTerminate = 1;
  std::signal(SIGALRM, OnAlarm);
  alarm(2);
}

}  // namespace

// [D11]
void InstallTerminationHandlers() {
  // SDL's own handlers only queue a quit event, which nobody reads while start-up waits on a
  // display or sound server; ours act at once.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  struct sigaction sa {};
  sa.sa_handler = OnTerminate;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
}

void TerminationWindowUp() {
  gWindowUp = 1;
}

bool TerminationRequested() {
  return gTerminate != 0;
}

// [D8]
std::string DirectoryFromBasePath(const char* basePath) {
  if (basePath == nullptr || *basePath != '/') return "";
  std::string dir = basePath;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

}  // namespace fg
