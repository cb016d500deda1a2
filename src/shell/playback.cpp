// Replays shown, timed and exported.
#include "shell/playback.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>

#include "core/game.h"
#include "core/rules.h"
#include "platform/record_file.h"
#include "play/play.h"
#include "play/replay_check.h"
#include "screens/buffer_frm.h"
#include "screens/hall_of_fame.h"
#include "shell/share.h"
#include "shell/shell.h"
#include "sound/music.h"
#include "sound/xmp_player.h"

namespace fg {

namespace {

// The N of a source that is a place in the table: digits alone.
std::optional<int> TablePlace(std::string_view source) {
  if (source.empty() || source.size() > 3) return std::nullopt;
  int n = 0;
  for (const char c : source) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

// The finished game a source names, its code not yet decoded.
std::optional<FinishedGame> FindGame(std::string_view source, std::string* problem) {
  if (const std::optional<int> place = TablePlace(source)) {
    std::ostringstream quiet;
    const RecordFile file(RecordFile::DefaultDir(), quiet);
    const std::optional<std::string> text = file.Peek(*problem);
    if (!text) return std::nullopt;
    std::string why;
    const std::optional<PlayerRecord> record =
        text->empty() ? PlayerRecord{} : ParseRecord(*text, &why);
    if (!record) {
      *problem = file.Unreadable(why);
      return std::nullopt;
    }
    if (*place < 1 || *place > static_cast<int>(record->Best.size())) {
      *problem = "there is no game " + std::string(source) + " in the table (it holds " +
                 std::to_string(record->Best.size()) + ")";
      return std::nullopt;
    }
    const FinishedGame& game = record->Best[static_cast<size_t>(*place - 1)];
    if (game.Replay.empty()) {
      *problem = "game " + std::string(source) + " was kept before games were recorded";
      return std::nullopt;
    }
    return game;
  }
  // A link or a bare code, unless a file goes by that name. Its code is its only word on the
  // result, which the check holds it to. [D44]
  std::error_code unnamed;  // a code is too long to name a file: then it names none
  if (const std::optional<std::string_view> code = SharedCode(source);
      code && !std::filesystem::is_regular_file(std::filesystem::path(source), unnamed)) {
    const std::optional<Replay> r = ReplayFromLink(source, problem);
    if (!r) return std::nullopt;
    return FinishedGame{r->Score, r->Length, 0, 0, std::string(*code), {}};
  }
  std::ifstream in{std::string(source), std::ios::binary};
  if (!in) {
    *problem = "cannot read the replay file";
    return std::nullopt;
  }
  std::stringstream text;
  text << in.rdbuf();
  return ParseReplayFile(text.str(), problem);
}

// A decoded game that comes to what its record or file says. [D37]
std::optional<Replay> Checked(const FinishedGame& game, std::string* problem) {
  std::optional<Replay> r = DecodeReplay(game.Replay, problem);
  if (!r) return std::nullopt;
  if (r->Score != game.Score || r->Length != game.Length) {
    *problem = "the replay departs from its recorded result: its code holds score " +
               std::to_string(r->Score) + " length " + std::to_string(r->Length);
    return std::nullopt;
  }
  if (!CheckReplay(*r, problem)) return std::nullopt;
  return r;
}

void Refuse(std::ostream& err, std::string_view source, const std::string& problem) {
  err << "fenzogobbix: " << source << ": " << problem << "\n";
  err.flush();
}

std::string TimedemoLine(int64_t ticks, double seconds, const Replay& r) {
  const double perSecond = seconds > 0 ? static_cast<double>(ticks) / seconds : 0;
  const double ratio = perSecond * kTickMs / 1000.0;
  char text[160];
  std::snprintf(text, sizeof text,
                "%" PRId64 " ticks in %.1f ms: %.0f ticks/s, %.0fx real time; score %d length %d\n",
                ticks, seconds * 1000.0, perSecond, ratio, r.Score, r.Length);
  return text;
}

}  // namespace

std::optional<Replay> LoadReplay(std::string_view source, std::ostream& err) {
  std::string problem;
  std::optional<FinishedGame> game = FindGame(source, &problem);
  std::optional<Replay> r;
  if (game) r = Checked(*game, &problem);
  if (!r) Refuse(err, source, problem);
  return r;
}

int ExportReplay(std::string_view source, const std::string& file, std::ostream& err) {
  std::string problem;
  const std::optional<FinishedGame> game = FindGame(source, &problem);
  if (!game || !Checked(*game, &problem)) {
    Refuse(err, source, problem);
    return 2;
  }
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << FormatReplayFile(*game);
  out.close();
  if (!out) {
    Refuse(err, file, "cannot write the replay file");
    return 1;
  }
  return 0;
}

int PrintShareLink(std::string_view place, std::ostream& out, std::ostream& err) {
  std::string problem = "'--share' takes a place in the table";
  std::optional<FinishedGame> game;
  if (TablePlace(place)) game = FindGame(place, &problem);
  if (!game || !Checked(*game, &problem)) {
    Refuse(err, place, problem);
    return 2;
  }
  out << ShareLink(game->Replay) << '\n';
  out.flush();
  return out ? 0 : 1;
}

int TimedemoHeadless(const Replay& r, std::ostream& out) {
  // Measured with the machine's own clock: this is the one place the program times itself.
  const auto start = std::chrono::steady_clock::now();
  const std::optional<GameCourse> end = CheckReplay(r);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  if (!end) return 2;  // LoadReplay checked it already: cannot happen
  out << TimedemoLine(r.Ticks(), took.count(), r);
  out.flush();
  return out ? 0 : 1;
}

int TimedemoInWindow(Host& host, const Replay& r, std::ostream& out) {
  Game g(host, std::make_unique<XmpModulePlayer>(host));
  g.Playback = std::make_unique<PlaybackState>(r);
  static_cast<GameCourse&>(g.State) = r.Start;
  const BufferFrmWindow& b = Buffers(g);
  BitBlt(g.MainForm.Image, 0, 0, kImageSize, kImageSize, b.Playground, 0, 0, SRCCOPY);
  EnterMode(g, Mode::kPlay);
  host.ShowWindow();
  DrawnTick view(g);
  const int64_t start = host.Clock();
  int64_t ticks = 0;
  for (TickEnd end = TickEnd::kOn; end == TickEnd::kOn;) {
    end = RunTick(g.State, view);
    Refresh(g);
    host.DoEvents();  // the window stays alive; no handler is attached, so input is dropped
    ++ticks;
  }
  out << TimedemoLine(ticks, static_cast<double>(host.Clock() - start) / 1000.0, r);
  out.flush();
  return out ? 0 : 1;
}

PlaybackLeft RunPlayback(Host& host, const Replay& r, const PlaybackShow& show) {
  Game g(host, std::make_unique<XmpModulePlayer>(host));
  if (show.Device != nullptr) g.Device = *show.Device;
  AttachHandlers(g);
  g.Playback = std::make_unique<PlaybackState>(r);
  PlaybackState& p = *g.Playback;
  p.Marked = show.Marked;
  p.Prompted = show.Attract;
  p.ClickLeaves = show.Attract;
  if (show.Marked || show.Attract) g.Sign.Compose = ComposePlaybackMarks;
  const int64_t end =
      show.LimitMs > 0 ? host.Clock() + show.LimitMs : std::numeric_limits<int64_t>::max();
  try {
    PrepareWindow(g);
    // The game starts from the recorded course: its items and random source. [D36]
    static_cast<GameCourse&>(g.State) = r.Start;
    g.Machine.ShowWindow();
    StartGame(g);
    RunMessageLoop(g, end);
  } catch (const PlaybackEnd&) {
  }
  if (show.Device != nullptr) *show.Device = g.Device;
  CloseMusic(g);
  if (!p.LeftByInput) return PlaybackLeft::kNot;
  return p.LeftByKey ? PlaybackLeft::kByKey : PlaybackLeft::kByClick;
}

std::optional<Replay> KeptReplay(const FinishedGame& game) {
  if (game.Replay.empty()) return std::nullopt;
  std::string problem;
  return Checked(game, &problem);
}

PlaybackLeft PlayInside(Game& g, const Replay& r, const PlaybackShow& show) {
  // The live game stands still: nothing of it draws, sounds or plays meanwhile.
  SetTimer(g, g.MainForm.tmrScrollText, false);
  SetTimer(g, g.Sign.tmrSign, false);
  g.Sign.Compose = nullptr;
  g.Sign.Key = 0;
  StopMusic(g, false);
  g.Midas->MIDASstopBackgroundPlay();
  // Input goes back to whoever had it: the live game's handlers, or what stands before them.
  EventSink* const listener = g.Machine.Sink();
  const auto handBack = [&g, listener] {
    g.Machine.SetSink(listener);
    g.Midas->MIDASstartBackgroundPlay(100);
    PlayMusic(g, true);
  };
  PlaybackLeft left = PlaybackLeft::kNot;
  PlaybackShow shown = show;
  shown.Device = &g.Device;  // a device taken up meanwhile is the live game's too [D47]
  try {
    left = RunPlayback(g.Machine, r, shown);
  } catch (const ProgramEnd&) {
    // The close box during the playback: the live game ends the program, keeping its record.
    handBack();
    Form_Unload(g);
  }
  handBack();
  // A key that left sends its companions (a pad's Start is Space too): none of them acts. [D43]
  if (left == PlaybackLeft::kByKey) g.Fame.Swallow = true;
  return left;
}

}  // namespace fg
