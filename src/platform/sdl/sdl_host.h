// The real host: an SDL2 window drawn through its window surface, SDL2_mixer for sound,
// SDL's game controllers for pads.
#pragma once

#include <deque>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "gfx/surface.h"
#include "platform/host.h"
#include "platform/presentation.h"

union SDL_Event;
struct SDL_KeyboardEvent;
struct SDL_Rect;
struct _SDL_GameController;  // NOLINT(bugprone-reserved-identifier): SDL's own name for it
struct SDL_Renderer;
struct SDL_Surface;
struct SDL_Texture;
struct SDL_Window;
struct Mix_Chunk;

namespace fg {

// A failure the game cannot run through (no display); main prints it and exits with 1.
struct HostError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// How the window is shown. Presentation only: the game's image stays 400 x 400 whatever these say.
struct SdlHostOptions {
  int Scale = 0;            // 1 to 6; 0 picks the default for the display
  bool Fullscreen = false;  // start in fullscreen (desktop resolution, image centred)
};

class SdlHost : public Host {
 public:
  explicit SdlHost(const SdlHostOptions& options = {});  // throws HostError without a display
  ~SdlHost() override;
  SdlHost(const SdlHost&) = delete;
  SdlHost& operator=(const SdlHost&) = delete;

  int64_t Clock() override;
  void DoEvents() override;
  void BlockUntil(int64_t deadline) override;
  void SetSink(EventSink* sink) override { sink_ = sink; }
  void AddTimer(Timer* timer) override { timers_.push_back(timer); }
  void Refresh(const Surface& image) override;
  void ShowWindow() override;
  void SetCaption(const std::string& caption) override;
  void SetIcon(const Surface& icon) override;
  void PlayWave(std::span<const uint8_t> image) override;
  void SetMusicHook(MusicHook hook) override;
  int MusicRate() override;
  void OpenUrl(const std::string& url) override;
  std::string ExecutableDir() override;
  int64_t WallClock() override;     // record_store.cpp
  RecordStore& Records() override;  // record_store.cpp: the user's data folder

  bool AudioOpen() { return MusicRate() > 0; }
  // The windowed scale (what Ctrl+1 ... Ctrl+6 set) and whether the window fills the screen.
  int Scale() const { return scale_; }
  bool Fullscreen() const { return fullscreen_; }
  // Where the image sits in the window as last presented.
  const Layout& CurrentLayout() const { return layout_; }
  int PadCount() const { return static_cast<int>(pads_.size()); }
  SDL_Window* Window() const { return window_; }

  struct AudioOpening;  // the audio device being opened on a thread of its own

 private:
  // A pad and the directions it holds down, from its D-pad and from its left stick (bits:
  // left, up, right, down).
  struct Pad {
    _SDL_GameController* Controller = nullptr;
    int32_t Id = -1;
    unsigned DPad = 0;
    unsigned Stick = 0;
  };

  void Dispatch(const SDL_Event& e);
  bool WindowKey(const SDL_KeyboardEvent& key);
  void SetScale(int scale);
  void ToggleFullscreen();
  void PlaceWindowedWindow();
  void Pointer(int x, int y, int button);
  void PadAdded(int deviceIndex);
  void PadRemoved(int32_t id);
  void PadButton(int32_t id, int button, bool down);
  void PadAxis(int32_t id, int axis, int value);
  void PadHold(Pad& pad, unsigned Pad::*source, unsigned bits);
  Pad* FindPad(int32_t id);
  void UpdateLayout(int pixelWidth, int pixelHeight);
  void Relayout();
  void Present();
  void RenderFrame();
  SDL_Rect DrawBand(SDL_Surface* target, const SDL_Rect& band);
  void SendBands(const SDL_Rect* bands, int count);
  void AwaitAudio();
  static void MusicTrampoline(void* self, uint8_t* stream, int len);

  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;  // only where the window has no surface of its own
  SDL_Texture* texture_ = nullptr;
  EventSink* sink_ = nullptr;
  std::vector<Timer*> timers_;
  std::deque<SDL_Event> waiting_;     // events taken off the queue while blocking
  Surface last_;                      // the image last refreshed, repainted on expose
  bool shown_ = false;                // nothing is sent to the display before the window is shown
  SDL_Surface* presented_ = nullptr;  // the window surface that holds all of last_, if any
  std::vector<uint32_t> scratch_;     // an enlarged band on its way to an unusual pixel format
  int scale_ = 1;                     // windowed size: 400 * scale_ square
  bool fullscreen_ = false;
  int windowedX_ = 0;  // where the window was before it went fullscreen
  int windowedY_ = 0;
  Layout layout_;                 // the image in the window, in the window's pixels
  int pixelWidth_ = kImageSize;   // the window in pixels and in points (pointer events):
  int pixelHeight_ = kImageSize;  // they differ on a HiDPI Wayland output
  int pointWidth_ = kImageSize;
  int pointHeight_ = kImageSize;
  bool pointerOnImage_ = false;  // the last pointer position given to the game was on it
  bool padsUp_ = false;
  std::vector<Pad> pads_;
  std::shared_ptr<AudioOpening> opening_;  // until the device has opened or been given up
  bool audioAbandoned_ = false;            // the sound server never answered: never touch it
  int audioRate_ = 0;
  Mix_Chunk* playing_ = nullptr;
  MusicHook music_;
  std::unique_ptr<RecordStore> records_;  // made on first use
};

// Windows virtual-key code for an SDL key, or 0 for keys the game has no use for. The keypad's
// 8, 4, 6, 2 are the arrows while Num Lock is off, as they are on the desktop the game knows.
int16_t VirtualKeyFromSdl(int32_t sdlKey, uint16_t modifiers = 0);

// A stick axis with hysteresis: a direction held so far stays held until the axis falls back
// below 12000 towards it; one not held is pressed only past 16000. `towards` is the axis value
// signed so that positive points in the direction in question.
bool StickHolds(bool held, int towards);

// The running program's directory from SDL's base path: no trailing separator, and empty when
// it is unknown (then nothing is looked for beside it, and certainly not in the working
// directory).
std::string DirectoryFromBasePath(const char* basePath);

// The video drivers to try, in order, for the display variables given: X11 first where there is
// an X display, Wayland only where there is a Wayland one. Empty when there is no display.
std::vector<std::string> VideoDriversToTry(const char* display, const char* waylandDisplay);

// SIGTERM and SIGINT: before the window is up they end the program at once; after it, they ask
// the game to close as the close box does, and end it anyway if that takes over two seconds
// (a wedged display server). Installed by the host's constructor.
void InstallTerminationHandlers();
void TerminationWindowUp();   // from now on a signal asks the game to close
bool TerminationRequested();  // a signal came: the game should close now

}  // namespace fg
