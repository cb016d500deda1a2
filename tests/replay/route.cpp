// Plays a game on the headless host by a planned route and prints the keys as a replay script:
//   replay_route cap    from star to star until the snake is a hundred long and has eaten one
//                       more, then Escape
//   replay_route skull  straight for the first skull
// The items come from the game's fixed generator, so the printed script replays the same game.
// Before printing, the script is replayed once more and the ending checked.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "play/play.h"
#include "replay/replay.h"
#include "support/random_pick.h"
#include "testkit.h"

namespace fg::test {
namespace {

constexpr int kGrid = 23;               // cells 1..23 each way; cell c lies at pixel 16 * c
constexpr int kTicksPerCell = 8;        // at 2 pixels a tick
constexpr int kTrailCells = 124;        // history the trail holds: 8 * 124 < 1000
constexpr int kTailMargin = 2;          // moves a cell stays blocked after the tail has left it
constexpr int kLookAhead = 3;           // moves checked tick by tick beyond the next one
constexpr int64_t kGiveUp = 1'500'000;  // virtual milliseconds

struct Cell {
  int X = 0;
  int Y = 0;
  bool operator==(const Cell&) const = default;
};

bool Inside(Cell c) {
  return c.X >= 1 && c.X <= kGrid && c.Y >= 1 && c.Y <= kGrid;
}

// Nearest cell of a pixel position (segments sit two pixels off their cell).
Cell CellAt(int x, int y) {
  return {(x + 8) / 16, (y + 8) / 16};
}

constexpr std::array<Heading, 4> kHeadings = {kDown, kLeft, kRight, kUp};

Cell Step(Cell c, Heading h) {
  switch (h) {
    case kDown:
      return {c.X, c.Y + 1};
    case kLeft:
      return {c.X - 1, c.Y};
    case kRight:
      return {c.X + 1, c.Y};
    case kUp:
      return {c.X, c.Y - 1};
  }
  return c;
}

Heading Reverse(Heading h) {
  switch (h) {
    case kDown:
      return kUp;
    case kLeft:
      return kRight;
    case kRight:
      return kLeft;
    case kUp:
      return kDown;
  }
  return h;
}

int16_t KeyFor(Heading h) {
  switch (h) {
    case kDown:
      return kDownKey;
    case kLeft:
      return kLeftKey;
    case kRight:
      return kRightKey;
    case kUp:
      return kUpKey;
  }
  return 0;
}

struct Spawn {
  Integer X, Y, Kind;
};

// Every item the game will place, in order: the draws do not depend on how the game is played.
std::vector<Spawn> SpawnSequence(int n) {
  HeadlessHost quiet;
  RandomRounds rounds;
  const auto place = [](Integer pick) {
    const auto v = static_cast<Integer>(16 * pick);
    return v < 16 ? Integer{368} : v;
  };
  std::vector<Spawn> spawns;
  for (int i = 0; i < n; ++i) {
    const Integer x = place(RandomPick(quiet, rounds, 23));
    const Integer y = place(RandomPick(quiet, rounds, 23));
    spawns.push_back({x, y, RandomPick(quiet, rounds, 4)});
  }
  return spawns;
}

// A snake in cells: the head first, then as many cells of its past path as the trail holds.
struct Body {
  std::vector<Cell> Cells;
  int Length = 0;
};

Body BodyOf(const GameState& s) {
  Body b;
  b.Length = s.SnakeLength;
  b.Cells.push_back(CellAt(s.HeadX, s.HeadY));
  for (int i = 1; i <= kTrailCells; ++i)
    b.Cells.push_back(CellAt(s.TrailX[8 * i], s.TrailY[8 * i]));
  return b;
}

using Grid = std::array<std::array<int, kGrid + 2>, kGrid + 2>;

// Breadth-first distances from the head, where a body cell opens only once the tail has passed
// it, and skull cells never do. -1 where unreachable.
Grid Distances(const Body& b, const std::vector<Cell>& skulls, Cell head) {
  Grid freeAt{};  // the move from which a cell may be entered
  for (int i = 1; i <= b.Length && i < static_cast<int>(b.Cells.size()); ++i) {
    const Cell c = b.Cells[static_cast<size_t>(i)];
    if (Inside(c)) freeAt[c.X][c.Y] = std::max(freeAt[c.X][c.Y], b.Length - i + 1 + kTailMargin);
  }
  for (Cell c : skulls) freeAt[c.X][c.Y] = 1 << 20;
  Grid dist;
  for (auto& row : dist) row.fill(-1);
  std::deque<Cell> queue{head};
  dist[head.X][head.Y] = 0;
  while (!queue.empty()) {
    const Cell c = queue.front();
    queue.pop_front();
    for (Heading h : kHeadings) {
      const Cell n = Step(c, h);
      const int d = dist[c.X][c.Y] + 1;
      if (!Inside(n) || dist[n.X][n.Y] >= 0 || d < freeAt[n.X][n.Y]) continue;
      dist[n.X][n.Y] = d;
      queue.push_back(n);
    }
  }
  return dist;
}

// The cells from the head to `to` (the head excluded) by falling distances.
std::vector<Cell> PathTo(const Grid& dist, Cell to) {
  std::vector<Cell> path{to};
  Cell c = to;
  while (dist[c.X][c.Y] > 1) {
    for (Heading h : kHeadings) {
      const Cell n = Step(c, h);
      if (Inside(n) && dist[n.X][n.Y] == dist[c.X][c.Y] - 1) {
        c = n;
        break;
      }
    }
    path.push_back(c);
  }
  std::reverse(path.begin(), path.end());
  return path;
}

Heading HeadingTo(Cell from, Cell to) {
  for (Heading h : kHeadings) {
    if (Step(from, h) == to) return h;
  }
  return kLeft;
}

int Reachable(const Grid& dist) {
  int n = 0;
  for (const auto& row : dist)
    n += static_cast<int>(std::count_if(row.begin(), row.end(), [](int d) { return d > 0; }));
  return n;
}

class Router {
 public:
  explicit Router(bool toSkull) : toSkull_(toSkull), spawns_(SpawnSequence(2000)) {}

  std::optional<std::string> Play() {
    Key(1000, true, kSpace);
    Key(1100, false, kSpace);
    game_.Host.OnRefresh = [this](const Surface&) { OnRefresh(); };
    game_.Load();
    while (!done_ && game_.Host.Clock() < kGiveUp) {
      if (game_.RunUntil(game_.Host.Clock() + 1000)) return std::nullopt;
      if (started_ && game_.S().InGame == 0 && !done_) {
        std::fprintf(stderr, "the game ended at %lld, length %d\n",
                     static_cast<long long>(game_.Host.Clock()), game_.S().SnakeLength);
        if (!toSkull_) return std::nullopt;
        done_ = true;
      }
    }
    if (!done_) return std::nullopt;
    // Let go of the keys once the title is back, so that the replay runs to a quiet title.
    while (game_.S().InGame != 0 || game_.S().Busy != 0) {
      if (game_.RunUntil(game_.Host.Clock() + 100)) return std::nullopt;
    }
    for (Heading h : kHeadings) Key(game_.Host.Clock() + 100, false, KeyFor(h));
    return script_;
  }

 private:
  void Key(int64_t time, bool down, int16_t code) {
    game_.Host.At(time, down ? ScriptedEvent::kKeyDown : ScriptedEvent::kKeyUp, code);
    script_ += std::to_string(time) + (down ? " down " : " up ") + std::to_string(code) + "\n";
  }

  void OnRefresh() {
    const GameState& s = game_.S();
    if (s.InGame == 0 || done_) return;
    const int64_t now = game_.Host.Clock();
    if (!started_) {
      started_ = true;
      ticks_ = 0;
    }
    ++ticks_;
    if (held_ != 0) {
      Key(now + 1, false, held_);
      held_ = 0;
    }
    if (!toSkull_ && EatenAtCap()) {
      Key(now + 1, true, kEsc);
      Key(now + 2, false, kEsc);
      done_ = true;
      return;
    }
    if (s.HeadX % 16 != 0 || s.HeadY % 16 != 0) return;
    const Heading h = Choose();
    if (h != s.Direction) {
      held_ = KeyFor(h);
      Key(now + 1, true, held_);
    }
  }

  // True once a star has been eaten with the snake already at its cap: in play every effect is
  // the click of a star eaten.
  bool EatenAtCap() {
    if (game_.S().SnakeLength < 100) return false;
    if (effectsAtCap_ == 0) effectsAtCap_ = game_.Host.Waves.size();
    return game_.Host.Waves.size() > effectsAtCap_;
  }

  // Spawns made so far: the first on the first tick, then every 200.
  int SpawnsSoFar() const { return (ticks_ - 1) / 200 + 1; }

  struct Sim {
    GameState State;
    int Spawn = 0;  // index of the next spawn
  };

  // One move of the head from an aligned position, tick by tick as the game runs it; false when
  // the snake dies on the way.
  bool MoveOneCell(Sim& sim, Heading h) {
    GameState& s = sandbox_.S();
    s = sim.State;
    for (int t = 0; t < kTicksPerCell; ++t) {
      if (--s.SpawnDelay == 0) {
        s.SpawnDelay = 200;
        const Spawn& next = spawns_[static_cast<size_t>(sim.Spawn++)];
        for (int k = 1; k <= 99; ++k) {
          if (s.ItemKind[k] == kFree) {
            PlaceItem(s, k, next.X, next.Y, next.Kind);
            break;
          }
        }
      }
      if (t == 0) {
        s.HoldLeft = ToFlag(h == kLeft);
        s.HoldRight = ToFlag(h == kRight);
        s.HoldUp = ToFlag(h == kUp);
        s.HoldDown = ToFlag(h == kDown);
        Steer(*sandbox_.G);
        s.HoldLeft = s.HoldRight = s.HoldUp = s.HoldDown = kFalse;
        if (s.Direction != h) return false;
      }
      if (!Move(*sandbox_.G)) return false;
      ShiftTrail(*sandbox_.G);
      for (int k = 1; k <= 99; ++k) {
        if (s.ItemKind[k] == kFree || s.ItemX[k] != s.HeadX || s.ItemY[k] != s.HeadY) continue;
        if (s.ItemKind[k] == kSkull) return toSkull_;
        s.ItemKind[k] = kFree;
        if (s.SnakeLength < 100) ++s.SnakeLength;
        break;
      }
      if (SelfCollides(*sandbox_.G)) return false;
    }
    sim.State = s;
    return true;
  }

  // The move survives, and so does some way on for `depth` more moves (a bounded recursion: at
  // most kLookAhead moves deep).
  // NOLINTBEGIN(misc-no-recursion)
  bool Survives(const Sim& from, Heading h, int depth) {
    Sim sim = from;
    if (!MoveOneCell(sim, h)) return false;
    if (depth == 0) return true;
    return std::ranges::any_of(kHeadings, [&](Heading next) {
      return next != Reverse(h) && Survives(sim, next, depth - 1);
    });
  }
  // NOLINTEND(misc-no-recursion)

  bool Survives(Heading h) {
    Sim sim{game_.S(), SpawnsSoFar()};
    sim.State.EffectData.clear();
    return Survives(sim, h, kLookAhead);
  }

  Heading Choose() {
    const GameState& s = game_.S();
    const Body body = BodyOf(s);
    const Cell head = body.Cells[0];
    std::vector<Cell> skulls, targets;
    for (int k = 1; k <= 99; ++k) {
      const Cell c = CellAt(s.ItemX[k], s.ItemY[k]);
      if (s.ItemKind[k] == kSkull) (toSkull_ ? targets : skulls).push_back(c);
      if (!toSkull_ &&
          (s.ItemKind[k] == kStar1 || s.ItemKind[k] == kStar2 || s.ItemKind[k] == kInvisible)) {
        targets.push_back(c);
      }
    }
    // A skull spawned on a star hides it: the lower slot is tested first, so leave both.
    std::erase_if(targets, [&](Cell c) {
      return std::find(skulls.begin(), skulls.end(), c) != skulls.end();
    });
    const auto direction = static_cast<Heading>(s.Direction);
    const Grid dist = Distances(body, skulls, head);

    std::sort(targets.begin(), targets.end(), [&](Cell a, Cell b) {
      const int da = dist[a.X][a.Y] < 0 ? 1 << 20 : dist[a.X][a.Y];
      const int db = dist[b.X][b.Y] < 0 ? 1 << 20 : dist[b.X][b.Y];
      return da < db;
    });
    for (Cell target : targets) {
      if (dist[target.X][target.Y] <= 0) continue;
      const std::vector<Cell> path = PathTo(dist, target);
      const Heading h = HeadingTo(head, path.front());
      if (h == Reverse(direction) || !Survives(h)) continue;
      if (toSkull_ || SafeAfter(body, path, skulls)) return h;
    }
    // Nothing worth going for: the move that keeps the most room, the tail in reach if it can.
    Heading best = direction;
    int bestScore = -1;
    for (Heading h : kHeadings) {
      const Cell n = Step(head, h);
      if (h == Reverse(direction) || !Inside(n) || !Survives(h)) continue;
      Body after = body;
      after.Cells.insert(after.Cells.begin(), n);
      const Grid d = Distances(after, skulls, n);
      const Cell tail = after.Cells[static_cast<size_t>(after.Length)];
      const int score = Reachable(d) + (Inside(tail) && d[tail.X][tail.Y] > 0 ? 10000 : 0);
      if (score > bestScore) {
        bestScore = score;
        best = h;
      }
    }
    return best;
  }

  // After following `path` and eating at its end, the tail can still be reached.
  static bool SafeAfter(const Body& body, const std::vector<Cell>& path,
                        const std::vector<Cell>& skulls) {
    Body after = body;
    for (Cell c : path) after.Cells.insert(after.Cells.begin(), c);
    after.Length = std::min(100, body.Length + 1);
    const Cell head = after.Cells[0];
    const Grid d = Distances(after, skulls, head);
    const Cell tail = after.Cells[static_cast<size_t>(after.Length)];
    return Inside(tail) && d[tail.X][tail.Y] > 0;
  }

  bool toSkull_;
  std::vector<Spawn> spawns_;
  TestGame game_;
  TestGame sandbox_;
  std::string script_;
  int16_t held_ = 0;
  bool started_ = false;
  bool done_ = false;
  int ticks_ = 0;
  size_t effectsAtCap_ = 0;
};

}  // namespace
}  // namespace fg::test

int main(int argc, char** argv) {
  using namespace fg::test;
  if (argc == 3 && std::strcmp(argv[1], "dump") == 0) {
    std::ifstream in(argv[2], std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::fputs(RunReplay(text.str()).Dump.c_str(), stdout);
    return in ? 0 : 1;
  }
  const bool toSkull = argc == 2 && std::strcmp(argv[1], "skull") == 0;
  if (argc != 2 || (!toSkull && std::strcmp(argv[1], "cap") != 0)) {
    std::fprintf(stderr, "usage: replay_route cap|skull\n");
    return 2;
  }
  Router router(toSkull);
  const std::optional<std::string> script = router.Play();
  if (!script) {
    std::fprintf(stderr, "no route found\n");
    return 1;
  }
  const ReplayResult r = RunReplay(*script);
  if (r.Games.size() != 1) {
    std::fprintf(stderr, "the replay played %zu games\n", r.Games.size());
    return 1;
  }
  const GameEnd& end = r.Games[0];
  std::fprintf(stderr, "replayed: ended by %s, length %d, score %d\n", end.Cause.c_str(),
               end.Length, end.Score);
  if (toSkull ? end.Cause != "skull" : (end.Cause != "escape" || end.Length != 100)) return 1;
  std::printf(
      "# Played by tests/replay/route.cpp (replay_route %s): virtual time in ms, then down/up\n"
      "# and a key code. %s\n",
      argv[1],
      toSkull ? "The snake circles until the first skull appears,\n"
                "# then heads for it and dies on it."
              : "The snake goes from star to star until it is a hundred long, eats one\n"
                "# more star at the cap, and leaves the game with Escape.");
  std::fputs(script->c_str(), stdout);
  return 0;
}
