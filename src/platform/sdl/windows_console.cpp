// FenzoGobbix.exe is a program of the GUI subsystem: started from Explorer it opens no console
// window. Started from a console (cmd, PowerShell), --help, --version, --scores and the game's
// messages go to that console, as on Linux to the terminal. Linked into the executable itself,
// this runs before main().
#include <windows.h>

#include <cstdio>

namespace {

bool Usable(HANDLE h) {
  return h != nullptr && h != INVALID_HANDLE_VALUE;
}

// [D40]
struct ParentConsole {
  ParentConsole() {
    // Streams the caller redirected to a file or a pipe stay where they go.
    const bool out = Usable(GetStdHandle(STD_OUTPUT_HANDLE));
    const bool err = Usable(GetStdHandle(STD_ERROR_HANDLE));
    if (out && err) return;
    if (AttachConsole(ATTACH_PARENT_PROCESS) == 0) return;  // none: Explorer, a shortcut
    if (!out) std::freopen("CONOUT$", "w", stdout);
    if (!err) std::freopen("CONOUT$", "w", stderr);
  }
};

const ParentConsole kParentConsole;

}  // namespace
