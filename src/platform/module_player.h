// The module-player library the music procedures drive: the twelve operations the game's rules
// name, handles greater than 0 for success and 0 for failure. Arguments are passed through
// unchanged. Three operations prepare what the player over libxmp never needs (a library
// start-up, an output device of its own, a channel count: libxmp mixes as many channels as the
// module has, into the host's audio); they do nothing unless a player overrides them.
#pragma once

#include <cstdint>
#include <string>

namespace fg {

class ModulePlayer {
 public:
  virtual ~ModulePlayer() = default;
  virtual void MIDASstartup() {}                                      // prepare the library
  virtual void MIDASinit() {}                                         // open the sound output
  virtual void MIDASstartBackgroundPlay(int32_t rate) = 0;            // start rendering by itself
  virtual void MIDASopenChannels(int32_t /*channels*/) {}             // reserve mixing channels
  virtual int32_t MIDASloadModule(const std::string& path) = 0;       // module handle, 0 on failure
  virtual void MIDASsetAmplification(int32_t amplification) = 0;      // music volume, 100 = unity
  virtual int32_t MIDASplayModule(int32_t module, int32_t loop) = 0;  // playback handle
  virtual void MIDASstopModule(int32_t playback) = 0;                 // silence at once
  virtual void MIDASfreeModule(int32_t module) = 0;                   // release a loaded module
  virtual void MIDAScloseChannels() = 0;                              // stop every playback
  virtual void MIDASstopBackgroundPlay() = 0;                         // stop rendering
  virtual void MIDASclose() = 0;                                      // release everything
};

}  // namespace fg
