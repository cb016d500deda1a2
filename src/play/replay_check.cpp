// Re-simulating a replay with the rules' own steps.
#include "play/replay_check.h"

#include "play/course.h"

namespace fg {

namespace {

class TapeTick : public TickView {
 public:
  explicit TapeTick(const Replay& r) : tape_(r) {}
  uint8_t Steering(const GameCourse& /*c*/) override { return tape_.Next(); }

 private:
  ReplayTape tape_;
};

}  // namespace

std::optional<GameCourse> CheckReplay(const Replay& r, std::string* problem) {
  const auto departs = [&](const std::string& why) -> std::optional<GameCourse> {
    if (problem != nullptr) *problem = "the replay departs from its recorded result: " + why;
    return std::nullopt;
  };
  GameCourse c = r.Start;
  TapeTick view(r);
  const int64_t ticks = r.Ticks();
  for (int64_t t = 1; t <= ticks; ++t) {
    if (RunTick(c, view) == TickEnd::kOver) {
      if (t < ticks) return departs("its game ends " + std::to_string(ticks - t) + " ticks early");
      if (c.Score != r.Score || c.SnakeLength != r.Length) {
        return departs("score " + std::to_string(c.Score) + " length " +
                       std::to_string(c.SnakeLength) + " instead of score " +
                       std::to_string(r.Score) + " length " + std::to_string(r.Length));
      }
      return c;
    }
  }
  return departs("its game has not ended after its " + std::to_string(ticks) + " ticks");
}

}  // namespace fg
