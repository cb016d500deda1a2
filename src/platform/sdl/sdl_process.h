// The program as a process of the desktop: how it ends on a signal, where its executable lies,
// and handing an address to the desktop's browser.
#pragma once

#include <string>

namespace fg {

// SIGTERM and SIGINT: before the window is up they end the program at once; after it, they ask
// the game to close as the close box does, and end it anyway if that takes over two seconds
// (a wedged display server). Installed by the host's constructor.
void InstallTerminationHandlers();
void TerminationWindowUp();   // from now on a signal asks the game to close
bool TerminationRequested();  // a signal came: the game should close now

// The running program's directory from SDL's base path: no trailing separator, and empty when
// it is unknown (then nothing is looked for beside it, and certainly not in the working
// directory).
std::string DirectoryFromBasePath(const char* basePath);
std::string ExecutableDirectory();  // from SDL's base path, as above

void OpenUrlOnDesktop(const std::string& url);

}  // namespace fg
