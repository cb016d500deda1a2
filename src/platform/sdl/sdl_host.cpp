#include "platform/sdl/sdl_host.h"

#include <SDL.h>

#include <algorithm>
#include <iostream>

namespace fg {

namespace {

// The longest sleep between two looks at the signal flag: a SIGTERM does not wake SDL's wait.
constexpr int64_t kSignalPollMs = 100;

// Before any subsystem starts: the game's own signal handlers, and how SDL should draw.
SdlLibrary& Prepare(SdlLibrary& sdl) {
  InstallTerminationHandlers();
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  return sdl;
}

}  // namespace

SdlHost::SdlHost(const SdlHostOptions& options)
    : window_(Prepare(sdl_), options), input_(sdl_, window_), audio_(sdl_) {}

SdlHost::~SdlHost() = default;

int64_t SdlHost::Clock() {
  return static_cast<int64_t>(SDL_GetTicks64());
}

void SdlHost::ShowWindow() {
  window_.Show();
  TerminationWindowUp();
  window_.Present();
}

void SdlHost::Dispatch(const SDL_Event& e) {
  EventSink* sink = input_.Sink();
  if (e.type == SDL_WINDOWEVENT) {
    WindowChanged(e.window);
  } else if (e.type == SDL_QUIT) {
    if (sink != nullptr) sink->CloseRequest();
  } else {
    input_.Take(e);
  }
}

void SdlHost::WindowChanged(const SDL_WindowEvent& e) {
  EventSink* sink = input_.Sink();
  if (e.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
    window_.Relayout();  // a new window surface, and the image may sit elsewhere in it
  } else if (e.event == SDL_WINDOWEVENT_EXPOSED || e.event == SDL_WINDOWEVENT_RESTORED) {
    window_.Present();
  } else if (e.event == SDL_WINDOWEVENT_FOCUS_LOST && sink != nullptr) {
    sink->FocusLost();
  } else if (e.event == SDL_WINDOWEVENT_CLOSE && sink != nullptr) {
    sink->CloseRequest();
  }
}

void SdlHost::DoEvents() {
  while (!waiting_.empty()) {
    const SDL_Event e = waiting_.front();
    waiting_.pop_front();
    Dispatch(e);
  }
  SDL_Event e;
  while (SDL_PollEvent(&e) != 0) Dispatch(e);
  window_.Settle();
  EventSink* sink = input_.Sink();
  if (TerminationRequested() && sink != nullptr) sink->CloseRequest();
  FireDueTimers(timers_, Clock());
}

void SdlHost::BlockUntil(int64_t deadline) {
  if (!waiting_.empty()) return;
  const int64_t wake = NextTimerDue(timers_, deadline);
  const int64_t timeout = wake - Clock();
  if (timeout <= 0) return;
  // A longer sleep is cut into pieces by the caller's loop, so that a signal is seen in time.
  const int slice = static_cast<int>(std::min(timeout, kSignalPollMs));
  SDL_Event e;
  if (SDL_WaitEventTimeout(&e, slice) != 0) waiting_.push_back(e);
}

void SdlHost::CopyText(const std::string& text) {
  // A clipboard that cannot take it (no clipboard owner on this display) costs the player the
  // copy, never the game: the reason goes to standard error.
  if (SDL_SetClipboardText(text.c_str()) != 0) {
    std::cerr << "fenzogobbix: cannot copy the link to the clipboard: " << SDL_GetError() << '\n';
  }
}

}  // namespace fg
