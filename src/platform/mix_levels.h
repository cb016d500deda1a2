// How loud the music and the effects are mixed. The mixer adds an effect onto the music and
// saturates, so the two levels together must leave room: with the tune's loudest sample at
// amplification 90 near 19000 and the loudest effect sample near 29100, 0.7 of the one and
// 85/128 of the other add up to at most about 32700, under full scale wherever an effect
// starts. Change the tune or the effects, and measure again.
#pragma once

namespace fg {

// Scales the music on top of the game's own amplification setting.
inline constexpr float kMusicHeadroom = 0.7f;

// Volume of the effect channel, out of 128 (SDL_mixer's full volume).
inline constexpr int kEffectVolume = 85;
inline constexpr int kFullEffectVolume = 128;

}  // namespace fg
