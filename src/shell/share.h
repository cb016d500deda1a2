// A finished game shared as a link: the page's address with the game's code in its fragment,
// "…#replay=CODE". The page plays such a link back when it is opened; the desktop reads it, or
// the bare code, wherever it reads a replay. No server keeps anything: the link is the game.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/replay.h"

namespace fg {

struct Game;

inline constexpr std::string_view kShareFragment = "#replay=";

// The page's published address, set when the game is built (FG_PAGE_URL).
std::string_view PageUrl();

// The link to `page` (its own fragment dropped; the published address when empty) that plays
// the game of `code` back.
std::string ShareLink(std::string_view code, std::string_view page = {});

// Copies the link of the game of `code` to the clipboard: to the page the program runs in, or
// from the desktop to the published page. [D44]
void CopyShareLink(Game& g, std::string_view code);

// The code a text carries: whatever follows "#replay=" in a link, whatever the address before
// it, or the text itself when it is a bare code ("R" and its version's digits first). Nothing
// for any other text.
std::optional<std::string_view> SharedCode(std::string_view text);

// The game a link, a page's fragment or a bare code holds, decoded and played through headless:
// nothing, and why in `problem`, for one that holds no game this program plays as it says. [D37]
std::optional<Replay> ReplayFromLink(std::string_view text, std::string* problem);

}  // namespace fg
