// The background music: the module loaded once at start-up, looped while music is on.
#pragma once

namespace fg {

struct Game;

void InitMusic(Game& g);             // start the player library and load the module file
void PlayMusic(Game& g, bool loop);  // start a playback of the loaded module when music is on
void StopMusic(Game& g, bool free);  // stop the playback; with free, unload the module too

}  // namespace fg
