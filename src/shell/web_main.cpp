// The program in a web page: the canvas host; the rest is the program every host runs. The page
// fetches the tune into the root of the in-memory file system before this runs.
#include "platform/web/web_host.h"
#include "shell/shell.h"

int main() {
  fg::WebHost host;
  fg::RunProgram(host);
  // With the game gone: the page takes its keys back and says how to play again.
  host.End();
  return 0;
}
