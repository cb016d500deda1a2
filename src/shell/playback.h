// Finished games shown again: from the record or a replay file, in the window, headless as a
// timedemo, or written out as a file (docs/replay-file.md).
#pragma once

#include <optional>
#include <ostream>
#include <string_view>

#include "core/replay.h"
#include "platform/host.h"

namespace fg {

class Host;
struct Game;

// The game a source names: "N" the N-th best game of the player's record, a shared game's link
// or its bare code (shell/share.h), anything else a replay file. Decoded and played through
// headless: a game that does not come to its recorded result is refused. On any refusal one line on
// `err` and nothing.
std::optional<Replay> LoadReplay(std::string_view source, std::ostream& err);

// --export-replay N FILE: the N-th best game written as a replay file. Returns the exit
// status: 0, 2 for a game that cannot be replayed, 1 when the file cannot be written.
int ExportReplay(std::string_view source, const std::string& file, std::ostream& err);

// --share N: the link of the N-th best game on `out`, one line. Returns the exit status: 0, 2
// for a game that cannot be shared (none there, kept before replays, one that departs).
int PrintShareLink(std::string_view place, std::ostream& out, std::ostream& err);

// --timedemo: the replay re-simulated headless as fast as the machine allows; one line on
// `out` with ticks per second, the ratio to real time and the result.
int TimedemoHeadless(const Replay& r, std::ostream& out);

// The same drawing every tick into the window, as fast as it takes the pictures.
int TimedemoInWindow(Host& host, const Replay& r, std::ostream& out);

// Shows the replay in the window, from the playground wipe to the game-over sign, with music
// and effects as the player's switches say. Any key, a pad button or the close box leaves. It
// runs a game of its own: the live game's items, random source, record and switches stay as
// they are. Returns when the playback is over or left; the close box ends the program
// (ProgramEnd passes through).
// `show` asks for the marks of a playback inside the running program and a cut; the result says
// whether a key or a click left it.
struct PlaybackShow {
  int64_t LimitMs = 0;   // the playback ends this long after it began; 0 for its whole course
  bool Marked = false;   // the REPLAY plate
  bool Attract = false;  // SPACE TO PLAY blinking, and a click leaves too
  // The device in hand, whose words the prompts speak: read as the playback starts, and left as
  // the player last used it when it ends. [D47]
  InputDevice* Device = nullptr;
};
enum class PlaybackLeft : uint8_t { kNot, kByKey, kByClick };
PlaybackLeft RunPlayback(Host& host, const Replay& r, const PlaybackShow& show = {});

// A kept game decoded and checked, or nothing for one that cannot be played back.
std::optional<Replay> KeptReplay(const FinishedGame& game);

// The replay played inside the running program, over its live game `g`, which stands still
// meanwhile: its items, random source, record and switches stay as they are, and the music is
// handed back to it afterwards. [D42]
PlaybackLeft PlayInside(Game& g, const Replay& r, const PlaybackShow& show);

}  // namespace fg
