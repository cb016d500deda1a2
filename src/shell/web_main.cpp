// The program in a web page: the canvas host; the rest is the program every host runs. The page
// fetches the tune into the root of the in-memory file system before this runs.
#include <emscripten.h>

#include <cstdio>
#include <optional>
#include <string>

#include "platform/web/web_host.h"
#include "shell/playback.h"
#include "shell/share.h"
#include "shell/shell.h"

// clang-format off

// The fragment the page was opened with, taken once: web_host.js takes it off the address as
// the page loads, so a reload or a second run does not play its game again.
EM_JS(int, fg_web_fragment_size, (), {
  return lengthBytesUTF8(Module['fgFragment'] || '') + 1;
});

EM_JS(void, fg_web_fragment, (char* out, int size), {
  stringToUTF8(Module['fgFragment'] || '', out, size);
  Module['fgFragment'] = '';
});

EM_JS(void, fg_web_bad_link, (), {
  if (Module['fgBadLink']) Module['fgBadLink']();
});

// clang-format on

namespace {

std::string Fragment() {
  std::string fragment(static_cast<size_t>(fg_web_fragment_size()), '\0');
  fg_web_fragment(fragment.data(), static_cast<int>(fragment.size()));
  fragment.resize(fragment.size() - 1);
  return fragment;
}

// A page opened from a shared game's link plays that game back once before its title; one whose
// fragment holds no game it can play says so over the title. Returns false when the program is
// to end (never, in a page: it has no close box). [D44]
bool PlaySharedGame(fg::WebHost& host) {
  const std::string fragment = Fragment();
  if (fragment.size() <= 1) return true;  // no fragment, or a bare '#'
  std::string problem;
  const std::optional<fg::Replay> r = fg::ReplayFromLink(fragment, &problem);
  if (!r) {
    std::fprintf(stderr, "fenzogobbix: the page's link: %s\n", problem.c_str());
    fg_web_bad_link();
    return true;
  }
  try {
    // Marked as the hall of fame's playbacks are: whoever opens a link watches, and does not play.
    fg::PlaybackShow show;
    show.Marked = true;
    fg::RunPlayback(host, *r, show);
  } catch (const fg::ProgramEnd&) {
    return false;
  }
  return true;
}

// One run of the program, from start-up to its end, on a host of its own. The page stays,
// showing the last image.
void RunInPage() {
  fg::WebHost host;
  if (PlaySharedGame(host)) fg::RunProgram(host);
  // With the game gone: the page takes its keys back and says how to play again.
  host.End();
}

}  // namespace

int main() {
  RunInPage();
  return 0;
}

// The page's "play again" after the end: the program starts afresh in the same page, with a new
// game and a new host.
// NOLINTNEXTLINE(readability-identifier-naming)
extern "C" EMSCRIPTEN_KEEPALIVE void fg_play_again() {
  RunInPage();
}
