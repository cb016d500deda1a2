// Effects: loaded from the embedded images on every play, one sounding at a time.
#include "sound/effects.h"

#include <string>

#include "core/embedded.h"
#include "core/game.h"

namespace fg {

std::vector<uint8_t> LoadEffect(uint8_t id) {
  const std::span<const uint8_t> bytes = EmbeddedAsset(std::to_string(id) + ".wav");
  return {bytes.begin(), bytes.end()};
}

void PlayEffect(Game& g, uint8_t id) {
  // Kept as the game does it: the pump comes first, whatever SoundOn says, so an S pressed
  // meanwhile decides about this very sound. [K6]
  g.Machine.DoEvents();
  if (g.State.SoundOn == 0) return;
  std::vector<uint8_t> image = LoadEffect(id);
  if (image.empty()) return;
  // The old image is released only after the new effect has started (and cut the old one off).
  std::vector<uint8_t> previous = std::move(g.State.EffectData);
  g.State.EffectData = std::move(image);
  g.Machine.PlayWave(g.State.EffectData);
}

}  // namespace fg
