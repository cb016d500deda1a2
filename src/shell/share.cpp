// Links that carry a game.
#include "shell/share.h"

#include "core/game.h"
#include "play/replay_check.h"

namespace fg {

std::string_view PageUrl() {
  return FG_PAGE_URL;
}

std::string ShareLink(std::string_view code, std::string_view page) {
  if (page.empty()) page = PageUrl();
  page = page.substr(0, page.find('#'));
  std::string link(page);
  link += kShareFragment;
  link += code;
  return link;
}

void CopyShareLink(Game& g, std::string_view code) {
  g.Machine.CopyText(ShareLink(code, g.Machine.PageAddress()));
}

std::optional<std::string_view> SharedCode(std::string_view text) {
  if (const size_t at = text.find(kShareFragment); at != std::string_view::npos) {
    return text.substr(at + kShareFragment.size());
  }
  const bool bare = text.size() > kReplayCodePrefix.size() && text.starts_with(kReplayCodePrefix) &&
                    text[kReplayCodePrefix.size()] >= '0' && text[kReplayCodePrefix.size()] <= '9';
  if (bare) return text;
  return std::nullopt;
}

std::optional<Replay> ReplayFromLink(std::string_view text, std::string* problem) {
  const std::optional<std::string_view> code = SharedCode(text);
  if (!code) {
    *problem = "this is not a link to a game";
    return std::nullopt;
  }
  std::optional<Replay> r = DecodeReplay(*code, problem);
  if (r && !CheckReplay(*r, problem)) r.reset();
  return r;
}

}  // namespace fg
