// The one interface between the game and the machine. The game never includes a platform
// header and never reads a real clock: everything goes through here, so the same game runs in
// a real window or, for tests and benchmarks, on a virtual clock with scripted input.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "platform/record.h"
#include "platform/timer.h"

namespace fg {

struct Surface;

// What the player is playing with: the lines that tell keys speak it. Keyboard and mouse are one;
// a pad's buttons, D-pad and stick another; a touch screen's controls and taps the third.
enum class InputDevice : uint8_t { kKeyboard, kPad, kTouch };

// Where the host delivers input; the game's form handlers sit behind it.
class EventSink {
 public:
  virtual ~EventSink() = default;
  virtual void KeyDown(int16_t keyCode) = 0;     // every press, auto-repeats too
  virtual void KeyUp(int16_t keyCode) = 0;       // every release
  virtual void MouseMove(float x, float y) = 0;  // client-area pixels
  virtual void MouseDown(int16_t button, float x, float y) = 0;
  virtual void CloseRequest() = 0;  // close box, window manager
  virtual void FocusLost() {}       // the window no longer has the keyboard
  // Whether a click at (x, y) would do something now; a host whose taps are keys elsewhere (the
  // page's: a tap is Space) sends a tap there as a click. [D46]
  virtual bool Clickable(float /*x*/, float /*y*/) const { return false; }
  // The press that follows comes from another device than the last one did. A host whose page
  // starts on a touch screen says so before any input.
  virtual void DeviceUsed(InputDevice /*device*/) {}
};

// Fills `bytes` of signed 16-bit stereo at the host's music rate; runs on the audio thread.
using MusicHook = std::function<void(uint8_t* stream, int bytes)>;

class Host {
 public:
  virtual ~Host() = default;

  virtual int64_t Clock() = 0;  // milliseconds, only goes forward; 64 bits never wrap [D7]
  virtual void DoEvents() = 0;  // dispatch all pending input and due timer ticks, then return
  virtual void BlockUntil(int64_t deadline) = 0;   // sleep until input arrives, a timer is due or
                                                   // the clock reaches deadline
  virtual void SetSink(EventSink* sink) = 0;       // who receives input
  virtual EventSink* Sink() const = 0;             // who receives it now
  virtual void AddTimer(Timer* timer) = 0;         // a timer fired from DoEvents
  virtual void RemoveTimer(Timer* timer) = 0;      // never fired again
  virtual void Refresh(const Surface& image) = 0;  // put the window's persistent image on screen
  virtual void ShowWindow() = 0;                   // first appearance of the window, after start-up
  virtual void SetCaption(const std::string& caption) = 0;  // window title
  virtual void SetIcon(const Surface& icon) = 0;            // window icon (32 x 32)
  virtual void PlayWave(
      std::span<const uint8_t> image) = 0;  // start a WAVE image, cutting off the one playing
  virtual void SetMusicHook(
      MusicHook hook) = 0;      // music source mixed under the effects; empty to remove
  virtual int MusicRate() = 0;  // sample rate the music hook must produce
  virtual void OpenUrl(const std::string& url) = 0;  // hand an address to the desktop's browser
  virtual std::string
  ExecutableDir() = 0;  // directory of the running executable, no trailing separator
  // The date, for the record alone: seconds since 1970-01-01 00:00 UTC. Never used for timing.
  virtual int64_t WallClock() = 0;
  virtual RecordStore& Records() = 0;  // where the player's record is kept
  // Called between pieces of long start-up work. A host that shares its thread with others (the
  // page's) lets them run there for a moment; input that comes meanwhile waits for DoEvents.
  virtual void Breathe() {}
  // The M and S switches as they now stand: at start, from the record, and at every change. A host
  // with controls of its own for them (the page's touch buttons) shows them so.
  virtual void ShowSwitches(bool /*music*/, bool /*effects*/) {}
  // The clipboard: a shared game's link is copied there.
  virtual void CopyText(const std::string& text) = 0;
  // The address of the page the program runs in, without its fragment; empty on the desktop,
  // whose shared links go to the page's published address.
  virtual std::string PageAddress() { return {}; }
  // The game whose sign is up may be shared: its code, or empty when none may. A host with
  // controls of its own (the page's share button) shows them so.
  virtual void OfferShare(const std::string& /*code*/) {}
};

// Thrown by the unload handler: unwinds every suspended sequence and ends the program cleanly.
struct ProgramEnd {};

}  // namespace fg
