#!/usr/bin/env bash
# Checks the game as it is shipped: the installed tree, its desktop integration and the
# metadata a software store reads, the Debian package (lintian), and the installed game itself
# running in a real window with its music.
#
# Usage: packaging/check.sh [BUILD_DIR]
#   BUILD_DIR  an existing build (for instance the one scripts/test.sh made); without it the
#              game is configured and built in a temporary directory under /tmp.
#   FG_CHECK_DEB_INSTALL=1  also installs the .deb with apt-get, plays the game from PATH and
#              removes the package again (needs root; changes the machine for a while).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/.." && pwd)

fail() { echo "check.sh: FAIL: $*" >&2; exit 1; }
step() { echo "== $*"; }
ok() { echo "   ok: $*"; }

# ---------------------------------------------------------------- tools
step "tools"
"$src/scripts/deps.sh" desktop-file-utils appstream lintian dpkg-dev imagemagick xvfb xdotool \
  x11-utils groff-base man-db python3
for tool in desktop-file-validate appstreamcli lintian dpkg-deb dpkg-shlibdeps identify Xvfb \
            xdotool groff lexgrog python3 cpack; do
  command -v "$tool" >/dev/null || fail "$tool is missing and could not be installed"
done
ok "all present"

work=$(mktemp -d /tmp/fg-pkgcheck.XXXXXX)
cleanup() { rm -rf "$work"; }
trap cleanup EXIT

# ---------------------------------------------------------------- build
build=${1:-}
if [ -z "$build" ]; then
  build=$work/build
  step "configure and build in $build"
  cmake -S "$src" -B "$build" -DFG_TESTS=OFF -DFG_BENCH=OFF >/dev/null
  cmake --build "$build" -j"$(nproc)" >/dev/null
else
  [ -f "$build/CMakeCache.txt" ] || fail "$build is not a configured build directory"
  build=$(cd "$build" && pwd)
  step "bring $build up to date"
  cmake --build "$build" -j"$(nproc)" >/dev/null
fi
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || fail "no project version in $build/CMakeCache.txt"

# ---------------------------------------------------------------- install and layout
# Installed into one prefix, then moved elsewhere: everything below runs from the moved tree,
# so a path baked in at install time shows up as a failure.
step "install, then move the installed tree"
cmake --install "$build" --prefix "$work/first" >/dev/null
mkdir -p "$work/moved"
mv "$work/first" "$work/moved/prefix"
root=$work/moved/prefix
ok "installed and moved to $root"

step "layout"
launcher=$root/games/fenzogobbix
game=$root/libexec/fenzogobbix/fenzogobbix
[[ -f $launcher && -x $launcher ]] || fail "games/fenzogobbix is missing or not executable"
[ "$(head -c 9 "$launcher")" = '#!/bin/sh' ] || fail "games/fenzogobbix is not a sh launcher"
sh -n "$launcher" || fail "games/fenzogobbix is not valid sh"
[[ -f $game && -x $game ]] || fail "libexec/fenzogobbix/fenzogobbix is missing or not executable"
[ "$(head -c 4 "$game" | od -An -c | tr -d ' ')" = '177ELF' ] || fail "libexec/fenzogobbix/fenzogobbix is not an ELF executable"
cmp -s "$root/libexec/fenzogobbix/FenzoGobbix.snd" "$src/assets/FenzoGobbix.snd" \
  || fail "libexec/fenzogobbix/FenzoGobbix.snd is missing or differs from assets/FenzoGobbix.snd"
ok "launcher, game and music"

# One component id names the metainfo file, the desktop entry and the icons: that is how a
# software centre ties them together.
metainfo=$(ls "$root"/share/metainfo/*.metainfo.xml 2>/dev/null) || fail "no metainfo file"
[ "$(echo "$metainfo" | wc -l)" = 1 ] || fail "more than one metainfo file: $metainfo"
appid=$(basename "$metainfo" .metainfo.xml)
grep -q "<id>$appid</id>" "$metainfo" || fail "the metainfo's <id> is not its file name, $appid"
[ "$appid" = "${appid,,}" ] || fail "the component id $appid has upper-case letters"
desktop=$root/share/applications/$appid.desktop
[ -f "$desktop" ] || fail "share/applications/$appid.desktop is missing"
[ "$(ls "$root"/share/applications)" = "$appid.desktop" ] \
  || fail "other desktop entries than $appid.desktop: $(ls "$root"/share/applications)"
icon_sizes="16 32 48 128 256"
for size in $icon_sizes; do
  icon=$root/share/icons/hicolor/${size}x${size}/apps/$appid.png
  [ -f "$icon" ] || fail "no ${size}x${size} icon $appid.png"
  got=$(identify -format '%m %wx%h' "$icon") || fail "cannot read the ${size}x${size} icon"
  [ "$got" = "PNG ${size}x${size}" ] || fail "the ${size}x${size} icon is a $got picture"
done
grep -q '<svg' "$root/share/icons/hicolor/scalable/apps/$appid.svg" 2>/dev/null \
  || fail "no scalable icon $appid.svg"
found=$(cd "$root/share/icons/hicolor" && find . -type f | sort | tr '\n' ' ')
want=$(for size in $icon_sizes; do echo "./${size}x${size}/apps/$appid.png"; done
       echo "./scalable/apps/$appid.svg")
[ "$found" = "$(echo "$want" | sort | tr '\n' ' ')" ] || fail "unexpected icons: $found"
ok "$appid: metainfo, desktop entry, icons ${icon_sizes// /, } and scalable"

manpage=$(ls "$root"/share/man/man6/fenzogobbix.6* 2>/dev/null) || fail "no manual page in man6"
case $manpage in
  *.gz) manread() { gzip -dc "$manpage"; } ;;
  *) manread() { cat "$manpage"; } ;;
esac
warnings=$(manread | groff -man -ww -z 2>&1) || fail "groff cannot format the manual page"
[ -z "$warnings" ] || fail "the manual page has formatting warnings: $warnings"
# lexgrog reads the NAME line the way mandb does for whatis and apropos.
whatis=$(lexgrog "$manpage" 2>&1) || fail "the manual page has no NAME section mandb can read: $whatis"
case $whatis in
  *'"fenzogobbix - '*) ;;
  *) fail "the manual page's NAME line is not about fenzogobbix: $whatis" ;;
esac
ok "manual page $(basename "$manpage")"

doc=$root/share/doc/fenzogobbix
grep -q '^License: ' "$doc/copyright" 2>/dev/null || fail "share/doc/fenzogobbix/copyright is missing or names no licence"
[ -f "$doc/changelog.gz" ] || fail "share/doc/fenzogobbix/changelog.gz is missing"
gzip -dc "$doc/changelog.gz" >"$work/changelog"
ok "copyright and changelog"

# Every place that states the version has to follow project() in CMakeLists.txt.
step "version $version everywhere"
got=$(dpkg-parsechangelog -l "$work/changelog" -S Version) || fail "the changelog does not parse"
[ "$got" = "$version" ] || fail "the changelog's newest entry is $got, not $version (packaging/changelog)"
got=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$metainfo" | head -n1)
[ "$got" = "$version" ] || fail "the metainfo's newest release is '$got', not $version"
manread | grep -q "^\.TH FENZOGOBBIX 6 .* \"Fenzo Gobbix $version\"" \
  || fail "the manual page's .TH line does not name version $version"
ok "changelog, metainfo release, manual page"

# ---------------------------------------------------------------- validation
step "desktop-file-validate"
# Its warnings and hints count too: a clean entry gives no output at all.
out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop entry: $out"
[ -z "$out" ] || fail "desktop entry: $out"
for key in 'Exec=fenzogobbix' "Icon=$appid" 'Categories=Game;ArcadeGame;'; do
  grep -qx "$key" "$desktop" || fail "the desktop entry lacks $key"
done
ok "desktop entry"

step "appstreamcli validate --pedantic --no-net"
out=$(appstreamcli validate --pedantic --no-net "$metainfo" 2>&1) || fail "metainfo: $out"
printf '   %s\n' "${out//$'\n'/$'\n'   }"
# Findings allowed, each for a reason of its own:
#   cid-maybe-not-rdns: the id keeps the game's reserved example domain, whose top-level
#     domain the validator does not know;
#   unknown-tag developer: AppStream before 1.0 (Debian 12 has 0.16) predates <developer>.
allowed='cid-maybe-not-rdns'
asver=$(appstreamcli --version | sed -n 's/^AppStream version: *//p')
if dpkg --compare-versions "${asver:-0}" lt 1.0; then allowed+='|unknown-tag developer'; fi
findings=$(grep -E '^[A-Z]: ' <<<"$out" | grep -Ev "^I: $appid:[0-9]+: ($allowed)( |\$)" || true)
[ -z "$findings" ] || fail "appstreamcli validate --pedantic: $findings"
# The whole tree: the launchable desktop entry and the icons must be found where they are.
out=$(appstreamcli validate-tree --no-net "$root" 2>&1) || fail "installed tree: $out"
ok "metainfo and installed tree"

# What a store's linter asks beyond the validator. The screenshots are published under the base
# address chosen at configure time (FG_SCREENSHOT_BASE_URL); packaging/screenshots/ holds them.
step "software-store metadata"
home=$(sed -n 's/.*kHomePage = "\([^"]*\)".*/\1/p' "$src/src/shell/shell.h")
shots_url=$(sed -n 's/^FG_SCREENSHOT_BASE_URL:[A-Z]*=//p' "$build/CMakeCache.txt")
[ -n "$home" ] || fail "no home page (kHomePage) in src/shell/shell.h"
[ -n "$shots_url" ] || fail "no FG_SCREENSHOT_BASE_URL in $build/CMakeCache.txt"
out=$(python3 - "$metainfo" "$appid" "$home" "$shots_url" "$src/packaging/screenshots" <<'PY'
import os, re, struct, sys
import xml.etree.ElementTree as ET
path, appid, home, shots_url, shots_dir = sys.argv[1:]
c = ET.parse(path).getroot()
bad = []
def need(ok, what):
    if not ok:
        bad.append(what)
summary = (c.findtext("summary") or "").strip()
need(0 < len(summary) <= 35, f"a summary of 1 to 35 characters, not {len(summary)}: {summary!r}")
need(c.findtext("launchable[@type='desktop-id']") == appid + ".desktop",
     f"the launchable {appid}.desktop")
dev = c.find("developer")
need(dev is not None and dev.get("id") and (dev.findtext("name") or "").strip(),
     "a <developer id=...> with a <name>")
schemes = {e.get("scheme_preference") for e in c.findall("branding/color[@type='primary']")
           if re.fullmatch(r"#[0-9a-fA-F]{6}", (e.text or "").strip())}
need(schemes >= {"light", "dark"}, "<branding> primary colours for the light and the dark scheme")
releases = c.findall("releases/release")
need(releases, "releases")
for r in releases:
    need(r.get("date") and r.find("description/p") is not None,
         f"a date and a description for release {r.get('version')}")
need(c.find("requires/display_length") is not None or c.find("recommends/display_length") is not None,
     "a display length")
need(c.find("requires/control") is not None or c.find("recommends/control") is not None,
     "a control the game needs or recommends")
need("keyboard" in [e.text for e in c.findall("recommends/control") + c.findall("requires/control")],
     "the keyboard as a control")
need("gamepad" in [e.text for e in c.findall("supports/control")], "the gamepad as supported")
need(c.find("content_rating[@type='oars-1.1']") is not None, "the OARS rating")
for u in c.findall("url"):
    need((u.text or "").startswith(home), f"<url type={u.get('type')}> pointing at {home}, not {u.text}")
need(c.findtext("url[@type='homepage']") == home, f"the home page the game's link opens, {home}")
shots = c.findall("screenshots/screenshot")
need(len(shots) >= 4, f"four screenshots, not {len(shots)}")
for s in shots:
    img = s.find("image")
    url = (img.text or "") if img is not None else ""
    need((s.findtext("caption") or "").strip(), f"a caption for {url}")
    need(url.startswith(shots_url), f"screenshot {url} under {shots_url}")
    name = url[len(shots_url):]
    try:
        with open(os.path.join(shots_dir, name), "rb") as f:
            head = f.read(24)
        got = struct.unpack(">II", head[16:24]) if head[:8] == b"\x89PNG\r\n\x1a\n" else None
    except OSError:
        got = None
    want = (int(img.get("width", 0)), int(img.get("height", 0))) if img is not None else None
    need(got == want, f"packaging/screenshots/{name} a PNG of {want}, not {got}")
print("\n".join(bad) if bad else f"{len(shots)} screenshots, {len(releases)} releases")
sys.exit(1 if bad else 0)
PY
) || fail "the metainfo lacks what a store asks for: ${out//$'\n'/; }"
ok "$out, summary, developer, branding, releases, display, controls, rating, home page"

# ---------------------------------------------------------------- the Debian package
step "cpack -G DEB"
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" 2>&1) \
  || { cat "$work/cpack.log" >&2; fail "cpack could not build the package"; }
arch=$(dpkg --print-architecture)
deb=$work/deb/fenzogobbix_${version}_${arch}.deb
[ -f "$deb" ] || fail "cpack made no $(basename "$deb"), but: $(cd "$work/deb" && ls -- *.deb 2>/dev/null)"
ok "$(basename "$deb")"

step "control fields"
dpkg-deb -f "$deb" | sed 's/^/   /'
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = fenzogobbix ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)'"
[ "$(field Section)" = games ] || fail "Section is '$(field Section)', not games"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Homepage)" ] || fail "no Homepage"
[ "$(field Description | wc -l)" -gt 2 ] || fail "the Description has no long text"
[ "$(field Recommends)" = libdecor-0-plugin-1-cairo ] ||
  fail "Recommends is '$(field Recommends)': the Wayland title bar's plugin is missing"
depends=$(field Depends)
for dep in libc6 libstdc++6 libsdl2-2.0-0 libsdl2-mixer-2.0-0 libxmp4 xdg-utils; do
  echo "$depends" | tr ',' '\n' | grep -q "^ *$dep\( \|$\)" || fail "Depends lacks $dep: $depends"
done
ok "package, version, section, maintainer, description, dependencies"

# lintian as Debian's archive runs it, with the pedantic tags too: nothing may show, not even
# an override (the package carries none; one that is ever needed says why in one line).
step "lintian --pedantic"
lintian --pedantic --display-info --display-experimental --show-overrides "$deb" \
  >"$work/lintian.log" 2>&1 || true
grep -v '^running with root privileges is not recommended!$' "$work/lintian.log" \
  | sed 's/^/   /' >"$work/lintian.tags" || true
[ ! -s "$work/lintian.tags" ] || { cat "$work/lintian.tags" >&2; fail "lintian reports the tags above"; }
ok "no tags"

step "file list"
dpkg-deb -c "$deb" >"$work/list"
awk '{print $6}' "$work/list" | grep -v '/$' | sort >"$work/files"
sort >"$work/expected" <<EOF
./usr/games/fenzogobbix
./usr/libexec/fenzogobbix/FenzoGobbix.snd
./usr/libexec/fenzogobbix/fenzogobbix
./usr/share/applications/$appid.desktop
./usr/share/doc/fenzogobbix/changelog.gz
./usr/share/doc/fenzogobbix/copyright
./usr/share/icons/hicolor/128x128/apps/$appid.png
./usr/share/icons/hicolor/16x16/apps/$appid.png
./usr/share/icons/hicolor/256x256/apps/$appid.png
./usr/share/icons/hicolor/32x32/apps/$appid.png
./usr/share/icons/hicolor/48x48/apps/$appid.png
./usr/share/icons/hicolor/scalable/apps/$appid.svg
./usr/share/man/man6/$(basename "$manpage")
./usr/share/metainfo/$appid.metainfo.xml
EOF
diff -u "$work/expected" "$work/files" >&2 || fail "the package's files are not the expected ones (diff above)"
awk '$2 != "root/root" {print}' "$work/list" | grep . >&2 && fail "files not owned by root/root (above)"
for exe in ./usr/games/fenzogobbix ./usr/libexec/fenzogobbix/fenzogobbix; do
  awk -v f="$exe" '$6 == f {print $1}' "$work/list" | grep -qx -- '-rwxr-xr-x' || fail "$exe is not 0755"
done
awk '$1 ~ /^-/ && $6 !~ /games\/fenzogobbix$|fenzogobbix\/fenzogobbix$/ && $1 != "-rw-r--r--" {print}' \
  "$work/list" | grep . >&2 && fail "data files that are not 0644 (above)"
awk '$1 ~ /^d/ && $1 != "drwxr-xr-x" {print}' "$work/list" | grep . >&2 && fail "directories that are not 0755 (above)"
ok "$(wc -l <"$work/files") files, owners and modes"

# apt-get's dry run against an empty package database: what a clean machine would have to
# fetch. It fails when a dependency names a package or a version Debian does not have.
step "dependencies resolve on a clean machine (apt-get --simulate)"
: >"$work/empty-status"
simulate() {
  apt-get --simulate -o Dir::State::status="$work/empty-status" install "$deb" >"$work/simulate.log" 2>&1
}
resolved=0
if simulate; then
  resolved=1
elif [ "$(id -u)" = 0 ]; then
  # Perhaps only the package lists are missing or stale.
  apt-get update -qq && simulate && resolved=1
fi
[ "$resolved" = 1 ] || { cat "$work/simulate.log" >&2; fail "apt-get cannot resolve the package's dependencies"; }
grep -q '^Inst fenzogobbix ' "$work/simulate.log" || fail "apt-get would not install the package: $(tail -n 3 "$work/simulate.log")"
ok "$(grep -c '^Inst ' "$work/simulate.log") packages from an empty system"

# ---------------------------------------------------------------- the game itself
# One run of the game in a window on a virtual X server, sound written to a file by SDL's disk
# driver. HOW is "close" (the window manager's close request, WM_DELETE_WINDOW, sent as a
# window manager would) or "escape" (the Escape key on the title screen).
# Prints the game's exit status; its standard error goes to $work/<name>.err.
cat >"$work/play.sh" <<'PLAY'
set -u
xsession=$1 launcher=$2 how=$3 audio=$4 err=$5
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$audio "$launcher" 2>"$err" & pid=$!
if ! win=$(/usr/bin/python3 "$xsession" find-window '^Fenzo Gobbix' --timeout 20 2>>"$err"); then
  kill "$pid" 2>/dev/null; echo "no game window appeared" >>"$err"; exit 90
fi
sleep 2
case $how in
  close) /usr/bin/python3 "$xsession" close-request "$win" 2>>"$err" || { kill "$pid"; exit 92; } ;;
  escape) xdotool windowfocus --sync "$win" key Escape ;;
esac
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then
  kill "$pid"; echo "the game did not quit within 10 s" >>"$err"; exit 91
fi
wait "$pid"
PLAY

# play NAME LAUNCHER HOW: runs the game, fails unless it quit with status 0.
play() {
  local name=$1 launcher=$2 how=$3 status=0
  rm -f "$work/$name.raw"
  timeout 60 /usr/bin/python3 "$src/tests/xsession.py" run -- \
    bash "$work/play.sh" "$src/tests/xsession.py" "$launcher" "$how" "$work/$name.raw" "$work/$name.err" \
    || status=$?
  if [ "$status" != 0 ]; then
    cat "$work/$name.err" >&2 2>/dev/null || true
    fail "$name: the game ended with status $status after a '$how' request"
  fi
}

# loudness NAME: the peak of the sound the game wrote (signed 16-bit samples), 0 for silence.
loudness() {
  python3 - "$work/$1.raw" <<'PY'
import array, sys
a = array.array("h")
with open(sys.argv[1], "rb") as f:
    data = f.read()
a.frombytes(data[: len(data) // 2 * 2])
print(max((abs(s) for s in a), default=-1))
PY
}

step "run the installed game: title screen, music, close request"
play installed "$launcher" close
peak=$(loudness installed)
[ "$peak" -ge 0 ] || fail "the game wrote no sound at all (was the audio device opened?)"
[ "$peak" -gt 1000 ] || fail "the installed game is silent (peak $peak): it did not find its music"
ok "exit status 0, music playing (peak $peak)"

# The same from the unpacked .deb, without the music file: it must still run, now silently.
# This is what makes the loudness test above worth something: the title screen's only sound
# is the music.
step "run the packaged game without its music: silent, Escape quits"
dpkg-deb -x "$deb" "$work/unpacked"
rm "$work/unpacked/usr/libexec/fenzogobbix/FenzoGobbix.snd"
play unpacked "$work/unpacked/usr/games/fenzogobbix" escape
peak=$(loudness unpacked)
[ "$peak" -ge 0 ] || fail "the packaged game wrote no sound at all"
[ "$peak" -lt 100 ] || fail "the game makes sound (peak $peak) with no music file: the music check above proves nothing"
ok "exit status 0, silent (peak $peak)"

# ---------------------------------------------------------------- a real installation
if [ "${FG_CHECK_DEB_INSTALL:-0}" = 1 ]; then
  step "apt-get install the package"
  [ "$(id -u)" = 0 ] || fail "FG_CHECK_DEB_INSTALL=1 needs root"
  remove() { DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq fenzogobbix >/dev/null 2>&1 || true; }
  trap 'remove; cleanup' EXIT
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >"$work/apt.log" 2>&1 \
    || { cat "$work/apt.log" >&2; fail "apt-get could not install $(basename "$deb")"; }
  # A user's PATH has /usr/games (Debian's /etc/profile), root's usually not.
  [ "$(PATH=/usr/bin:/bin:/usr/games command -v fenzogobbix)" = /usr/games/fenzogobbix ] \
    || fail "fenzogobbix is not /usr/games/fenzogobbix on a user's PATH"
  man -w 6 fenzogobbix >/dev/null || fail "man does not find fenzogobbix(6)"
  PATH=$PATH:/usr/games play system fenzogobbix close
  peak=$(loudness system)
  [ "$peak" -gt 1000 ] || fail "the installed package is silent (peak $peak)"
  ok "installed, started from PATH, music playing (peak $peak), closed with status 0"
  remove
  trap cleanup EXIT
  dpkg-query -W -f='${Status}' fenzogobbix 2>/dev/null | grep -q 'install ok installed' \
    && fail "apt-get remove left the package installed"
  ok "removed again"
fi

echo "check.sh: all packaging checks passed"
