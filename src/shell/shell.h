// The game window's handlers: start-up and shut-down, keyboard and mouse.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/host.h"

namespace fg {

class Host;
struct Game;

// The maker's home page, shown on the title and opened by the link.
inline constexpr std::string_view kHomePage = "https://fenzogobbix.example/";

// "Fenzo Gobbix v" + major + "." + minor.
inline constexpr int kVersionMajor = 1;
inline constexpr int kVersionMinor = 0;

// Connects the host's input and the window's timers to the handlers below. Every game the
// program or a test builds gets this before its start-up.
void AttachHandlers(Game& g);

// Pumps events: input handlers, even one that ends the game or the program, may run inside.
void Form_Load(Game& g);
// Form_Load up to the title: caption, icon, music, the record's switches, the pictures.
void PrepareWindow(Game& g);
// The music's shutdown, as the program ends or a playback is left.
void CloseMusic(Game& g);
[[noreturn]] void Form_Unload(Game& g);  // closes the music and ends the program at once

// Pumps events: input handlers, even one that ends the game or the program, may run inside.
void Form_KeyDown(Game& g, int16_t keyCode, int16_t shift);
void Form_KeyUp(Game& g, int16_t keyCode, int16_t shift);
void Form_MouseMove(Game& g, int16_t button, int16_t shift, float x, float y);
void Form_MouseDown(Game& g, int16_t button, int16_t shift, float x, float y);
// Whether a click at (x, y) would do something now: the title's address, its plate of the best,
// a row of the hall of fame. A key leaves a playback or the attract loop as well as a click.
bool ClickActs(const Game& g, float x, float y);

// The player took up another device: what is on screen and tells keys now speaks it. [D47]
void DeviceUsed(Game& g, InputDevice device);

// Work that waits for the current sequence to finish: a Space held back during a title reveal,
// a pause asked for during a tick or the playground wipe.
void RunPending(Game& g);

// The hall of fame, from the title: its keys and taps; and the attract loop, which runs from the
// message loop once a settled title has had no input for kAttractIdleMs. They pump events. [D42]
void ShowHallOfFame(Game& g);
void FameKeyDown(Game& g, int16_t keyCode);
void FameMouseDown(Game& g, float x, float y);
void RunAttractWhenDue(Game& g);

// The program on any host, what both mains run once they have made theirs: a game with the tune
// played over libxmp, start-up, then the message loop until the player ends the program. Errors
// of the host pass through.
void RunProgram(Host& host);

// Start-up as the program runs it: the load handler draws the title while the window is hidden,
// then the window appears complete.
void StartProgram(Game& g);

// The program's message loop on any host: block until something is due, dispatch, repeat,
// until the clock reaches `until` (the real program passes no end).
void RunMessageLoop(Game& g, int64_t until);

}  // namespace fg
