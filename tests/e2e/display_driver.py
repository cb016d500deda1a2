#!/usr/bin/python3
"""The game's window at other sizes, in an X server of its own, as a player sees it.

Usage: display_driver.py --binary PATH --assets DIR SCENARIO
Scenarios:
  scale        --scale 2: an 800 x 800 window showing the title pixel-exactly in 2 x 2 blocks;
               the link lights up at scaled coordinates and its edges stay dark; Ctrl+1 and
               Ctrl+3 resize the window to 400 and 1200; resized by another client, the
               window shows the image centred, or its top-left part when smaller, until
               Ctrl+3 gives it its size back; on a
               2160-row screen the window starts at 4x, and Ctrl+0 returns to that
  fullscreen   under openbox on a 1920 x 1080 screen: the window starts at 2x; F11 fills the
               screen with the title at
               2x centred at (560, 140) on black; the pointer lands on the image's pixels
               there; F11 again brings the window back to its size and place; from 1x,
               F11, Ctrl+2 and F11 bring the 2x window back at that place; Alt+Enter
               fills the screen again, and the Enter does not reach the game; --fullscreen
               starts that way
  reach        under openbox on a 1920 x 1080 screen: --scale 3 and Ctrl+3 are refused for 2x,
               the largest that fits, and the frame, title bar included, stays on the usable
               area wherever the window was; the refused --scale 3, and it alone, is told on
               standard error
  wayland-hidpi  weston with two pixels to the point: the window drawn at 2x, the pointer's
               points turned into the image's pixels

The X server, the window manager and the input come from tests/xsession.py.
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import xsession  # noqa: E402
from xsession import (Failure, XSession, check, checks_made, mismatches, read_png,  # noqa: E402
                      wait_for)
from e2e_driver import LABEL  # noqa: E402  (the link label: x, y, w, h, as the game has it)

SIZE = 400
SCROLLER_ROWS = range(380, 397)  # the scroller and its shadow move: not compared
TITLE_ROWS = [y for y in range(SIZE) if y not in SCROLLER_ROWS]
AWAY = (20, 300)                 # far from the label, in image pixels
DEADLINE = 8.0


class Pictures:
    def __init__(self, assets):
        self.title = read_png(os.path.join(assets, "png", "picTitle.png"))
        self.link = read_png(os.path.join(assets, "png", "sprLink.png"))


def downsample(shot, x0, y0, s):
    """The 400 x 400 image shown at (x0, y0) at scale s, one pixel per block, and the first
    block that is not of one colour (None when all are)."""
    rgb = bytearray()
    uneven = None
    for y in range(SIZE):
        rows = [shot.row(y0 + y * s + k, x0, SIZE * s) for k in range(s)]
        if uneven is None and any(r != rows[0] for r in rows[1:]):
            uneven = ("row", y)
        row = rows[0]
        for x in range(SIZE):
            px = row[3 * x * s:3 * x * s + 3]
            if uneven is None and row[3 * x * s:3 * (x + 1) * s] != px * s:
                uneven = (x, y)
            rgb += px
    return xsession.Image(SIZE, SIZE, rgb), uneven


def shows_title(x, win, pics, x0, y0, s, keep, rows=TITLE_ROWS):
    """True when the window shows the title at (x0, y0), scale s, pixel-exact in `rows` (all
    but the scroller's); the last look is kept in `keep` for the failure message."""
    shot = x.screenshot(win)
    keep["shot"] = shot
    if shot.width < x0 + SIZE * s or shot.height < y0 + SIZE * s:
        keep["why"] = f"the window is {shot.width}x{shot.height}"
        return False
    image, uneven = downsample(shot, x0, y0, s)
    if uneven is not None:
        keep["why"] = f"block {uneven} is not of one colour"
        return False
    bad = mismatches(image, pics.title, rows)
    keep["why"] = f"{len(bad)} pixels unlike the title, e.g. {bad[:4]}"
    return not bad


def wait_for_title(x, win, pics, x0, y0, s, work, what, rows=TITLE_ROWS,
                   timeout=xsession.STEP_TIMEOUT):
    keep = {}
    try:
        wait_for(lambda: shows_title(x, win, pics, x0, y0, s, keep, rows), what, timeout)
    except Failure as e:
        if "shot" in keep:
            keep["shot"].save_ppm(os.path.join(work, "last-shot.ppm"))
        raise Failure(f"{e}: {keep.get('why')}") from None


CURSOR = 64  # window pixels right of and below the pointer that a drawn cursor may cover


def label_lit(x, win, pics, x0, y0, s, cursor=None):
    """True when the label shows its lit look, False for its normal look, None otherwise.
    `cursor`: the pointer's window pixel, where the display draws a cursor into the picture
    (a Wayland compositor does); the image pixels under it are not compared."""
    shot = x.screenshot(win)
    image, _ = downsample(shot, x0, y0, s)
    lx, ly, lw, lh = LABEL

    def seen(d):
        if cursor is None:
            return d
        cx, cy = (cursor[0] - x0) // s, (cursor[1] - y0) // s
        reach = CURSOR // s
        return [(px, py) for px, py in d
                if not (cx - 1 <= px <= cx + reach and cy - 1 <= py <= cy + reach)]
    rows = range(ly, ly + lh)
    if not seen(mismatches(image, pics.link, rows, lx, lw, ref_x0=0, ref_y0=10)):
        return True
    if not seen(mismatches(image, pics.link, rows, lx, lw, ref_x0=0, ref_y0=0)):
        return False
    return None


def expect_label(x, win, pics, x0, y0, s, lit, what, cursor=None):
    wait_for(lambda: label_lit(x, win, pics, x0, y0, s, cursor) is lit, what)


def link_edges(x, win, pics, x0, y0, s, drawn_cursor=False):
    """The pointer across each edge of the link's strict hot zone, in window pixels."""
    mid_x, mid_y = x0 + 200 * s, y0 + 57 * s
    steps = [
        ((x0 + 133 * s - 1, mid_y), False, "the last window pixel of image column 132"),
        ((x0 + 133 * s, mid_y), True, "the first window pixel of image column 133"),
        ((x0 + 273 * s - 1, mid_y), True, "the last window pixel of image column 272"),
        ((x0 + 273 * s, mid_y), False, "the first window pixel of image column 273"),
        ((mid_x, y0 + 53 * s - 1), False, "the last window pixel of image row 52"),
        ((mid_x, y0 + 53 * s), True, "the first window pixel of image row 53"),
        ((mid_x, y0 + 62 * s - 1), True, "the last window pixel of image row 61"),
        ((mid_x, y0 + 62 * s), False, "the first window pixel of image row 62"),
    ]
    for (px, py), lit, where in steps:
        x.move(win, px, py)
        expect_label(x, win, pics, x0, y0, s, lit,
                     f"the label {'lit' if lit else 'dark'} with the pointer on {where} "
                     f"(window {px},{py})", (px, py) if drawn_cursor else None)


def launch(x, binary, work, args):
    env = {"SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": os.path.join(work, "audio.raw")}
    game = x.launch([binary] + args, env=env, cwd=work,
                    stderr=open(os.path.join(work, "game.stderr"), "wb"))
    return game, x.find_window(proc=game)


def quit_with_escape(x, win, game):
    x.tap(win, "Escape")
    rc = x.wait_exit(game, 2)
    check(rc == 0, f"exit status after Escape on the title is {rc}, want 0")


def scenario_scale(binary, pics, work):
    with XSession(size=(1920, 1280), log_dir=work) as x:
        game, win = launch(x, binary, work, ["--scale", "2"])
        _, _, w, h = x.geometry(win)
        check((w, h) == (800, 800), f"--scale 2 gave a {w}x{h} window, want 800x800")
        x.move(win, AWAY[0] * 2, AWAY[1] * 2)
        wait_for_title(x, win, pics, 0, 0, 2, work, "the title in 2x2 blocks")
        link_edges(x, win, pics, 0, 0, 2)

        # Ctrl+1 and Ctrl+3: the window follows, the title with it; the digit does nothing else.
        x.move(win, AWAY[0], AWAY[1])
        for scale in (1, 3):
            x.tap(win, f"ctrl+{scale}")
            wait_for(lambda: x.geometry(win)[2:] == (SIZE * scale, SIZE * scale),
                     f"a {SIZE * scale}-pixel window after Ctrl+{scale}")
            wait_for_title(x, win, pics, 0, 0, scale, work, f"the title after Ctrl+{scale}")
        x.move(win, 200 * 3, 57 * 3)
        expect_label(x, win, pics, 0, 0, 3, True, "the label lit at 3x")

        # Another client resizes the window, as a tiling window manager would: the image
        # follows at the largest scale that fits, centred; smaller than the image, its
        # top-left part shows.
        x.move(win, AWAY[0], AWAY[1])
        x.x("xdotool", "windowsize", str(win), "1000", "700")
        wait_for(lambda: x.geometry(win)[2:] == (1000, 700), "the window resized to 1000x700")
        wait_for_title(x, win, pics, 300, 150, 1, work, "the title centred in 1000x700")
        x.x("xdotool", "windowsize", str(win), "300", "200")
        wait_for(lambda: x.geometry(win)[2:] == (300, 200), "the window resized to 300x200")

        def top_left():
            shot = x.screenshot(win)
            return shot.width == 300 and not mismatches(shot, pics.title, range(200), 0, 300)
        wait_for(top_left, "the title's top-left 300x200 in a 300x200 window")
        # Ctrl+3, the scale it still has, gives the window its size back.
        x.tap(win, "ctrl+3")
        wait_for(lambda: x.geometry(win)[2:] == (1200, 1200), "1200x1200 again after Ctrl+3")
        quit_with_escape(x, win, game)


def scenario_default_scale(binary, pics, work):
    """On a 2160-row screen the window starts at 4x with no option (1600 rows, at most 85 % of
    2160); Ctrl+1 and Ctrl+0 go to 1x and back to that default."""
    with XSession(size=(3840, 2160), log_dir=work) as x:
        game, win = launch(x, binary, work, [])
        _, _, w, h = x.geometry(win)
        check((w, h) == (1600, 1600), f"the window on a 2160-row screen is {w}x{h}, want 1600")
        x.move(win, AWAY[0] * 4, AWAY[1] * 4)
        wait_for_title(x, win, pics, 0, 0, 4, work, "the title at the default 4x")
        x.tap(win, "ctrl+1")
        wait_for(lambda: x.geometry(win)[2:] == (SIZE, SIZE), "a 400-pixel window after Ctrl+1")
        x.tap(win, "ctrl+0")
        wait_for(lambda: x.geometry(win)[2:] == (1600, 1600), "the default 1600 after Ctrl+0")
        quit_with_escape(x, win, game)


def scenario_fullscreen(binary, pics, work):
    with XSession(size=(1920, 1080), wm=True, log_dir=work) as x:
        game, win = launch(x, binary, work, [])
        _, _, w, h = x.geometry(win)
        check((w, h) == (800, 800), f"the window is {w}x{h} on a 1080p screen, want 800x800")
        x.move(win, AWAY[0] * 2, AWAY[1] * 2)
        wait_for_title(x, win, pics, 0, 0, 2, work, "the title at 2x")
        # Where it settled: it moves by its title bar once the game learns the frame.
        gx, gy, _, _ = x.geometry(win)
        expect_frame_on_usable_area(x, win, "at the start")

        x.tap(win, "F11")
        wait_for(lambda: x.geometry(win) == (0, 0, 1920, 1080), "the window to fill the screen")
        x.move(win, 5, 5)  # on the black: nothing happens
        wait_for_title(x, win, pics, 560, 140, 2, work, "the title at 2x centred at (560, 140)")
        shot = x.screenshot(win)
        bars = [(px, py) for py in (0, 139, 940, 1079) for px in range(0, 1920, 7)
                if shot.px(px, py) != (0, 0, 0)]
        bars += [(px, py) for py in range(140, 940, 5) for px in (0, 559, 1360, 1919)
                 if shot.px(px, py) != (0, 0, 0)]
        check(not bars, f"the bars around the image are not black at {bars[:5]}")
        # The pointer lands on image pixels: (561, 141) is (0, 0), so the link's edges fall
        # on the window pixels 560 + 2 * 133 and so on.
        link_edges(x, win, pics, 560, 140, 2)
        # Leaving the image through the black ends the hover.
        x.move(win, 560 + 400, 140 + 114)
        expect_label(x, win, pics, 560, 140, 2, True, "the label lit in fullscreen")
        x.move(win, 560 + 400, 100)
        expect_label(x, win, pics, 560, 140, 2, False, "the label dark with the pointer above")

        x.tap(win, "F11")
        wait_for(lambda: x.geometry(win) == (gx, gy, 800, 800),
                 f"the window back at {gx},{gy} and 800x800")
        x.move(win, AWAY[0] * 2, AWAY[1] * 2)
        wait_for_title(x, win, pics, 0, 0, 2, work, "the title at 2x again")

        # At 1x (centred where the 2x window was), F11, Ctrl+2 and F11: the 2x window comes
        # back grown about the 1x one's centre, at the same place, not at its top-left.
        x.tap(win, "ctrl+1")
        wait_for(lambda: x.geometry(win)[2:] == (SIZE, SIZE), "a 400-pixel window after Ctrl+1")
        x.tap(win, "F11")
        wait_for(lambda: x.geometry(win) == (0, 0, 1920, 1080), "fullscreen from 1x")
        x.tap(win, "ctrl+2")
        x.tap(win, "F11")
        wait_for(lambda: x.geometry(win) == (gx, gy, 800, 800),
                 f"the window back at {gx},{gy} and 800x800 after F11, Ctrl+2, F11 from 1x")

        # Alt+Enter: fullscreen again; the Enter is the window's and does not start a game.
        x.tap(win, "alt+Return")
        wait_for(lambda: x.geometry(win) == (0, 0, 1920, 1080), "fullscreen after Alt+Enter")
        x.move(win, 5, 5)
        wait_for_title(x, win, pics, 560, 140, 2, work, "the title after Alt+Enter")
        quit_with_escape(x, win, game)

        # Started with --fullscreen: the screen filled from the first frame; F11 gives the
        # window its size for this screen.
        game, win = launch(x, binary, work, ["--fullscreen"])
        wait_for(lambda: x.geometry(win) == (0, 0, 1920, 1080), "a fullscreen start")
        x.move(win, 5, 5)
        wait_for_title(x, win, pics, 560, 140, 2, work, "the title after a fullscreen start")
        x.tap(win, "F11")
        wait_for(lambda: x.geometry(win)[2:] == (800, 800), "an 800x800 window after F11")
        quit_with_escape(x, win, game)


def cardinals(x, *args):
    """The numbers of an xprop CARDINAL property."""
    out = x.x("xprop", *args)
    return [int(v) for v in out.split("=", 1)[1].split(",")] if "=" in out else []


def frame_on_usable_area(x, win):
    """A fault, as text, when the window's frame, title bar included, leaves the usable area
    (the work area the window manager announces); "" when it lies within."""
    left, right, top, bottom = cardinals(x, "-id", str(win), "_NET_FRAME_EXTENTS")
    ux, uy, uw, uh = cardinals(x, "-root", "_NET_WORKAREA")[:4]
    gx, gy, w, h = x.geometry(win)
    frame = (gx - left, gy - top, gx + w + right, gy + h + bottom)
    if top < 10 or frame[0] < ux or frame[1] < uy or frame[2] > ux + uw or frame[3] > uy + uh:
        return f"the frame {frame} (title bar {top}) is not within the usable area {ux, uy, uw, uh}"
    return ""


def expect_frame_on_usable_area(x, win, when):
    fault = [""]

    def probe():
        fault[0] = frame_on_usable_area(x, win)
        return not fault[0]
    try:
        wait_for(probe, "the frame on the usable area", timeout=2)
    except Failure:
        raise Failure(f"{when}: {fault[0]}") from None


def scenario_reach(binary, pics, work):
    with XSession(size=(1920, 1080), wm=True, log_dir=work) as x:
        # 1200 rows do not fit 1080: the largest scale that does, 2x, on the usable area.
        game, win = launch(x, binary, work, ["--scale", "3"])
        wait_for(lambda: x.geometry(win)[2:] == (800, 800), "--scale 3 refused for 800x800")
        expect_frame_on_usable_area(x, win, "at the start with --scale 3")
        x.move(win, AWAY[0] * 2, AWAY[1] * 2)
        wait_for_title(x, win, pics, 0, 0, 2, work, "the title at 2x")

        # A small window at the bottom right: Ctrl+3 is refused too, and the 2x window that
        # comes instead moves up and left so that all of it stays on the screen.
        x.tap(win, "ctrl+1")
        wait_for(lambda: x.geometry(win)[2:] == (SIZE, SIZE), "a 400-pixel window after Ctrl+1")
        x.x("xdotool", "windowmove", str(win), "1500", "660")
        wait_for(lambda: x.geometry(win)[0] >= 1400 and x.geometry(win)[1] >= 600,
                 "the window moved to the bottom right")
        x.tap(win, "ctrl+3")
        wait_for(lambda: x.geometry(win)[2:] == (800, 800), "Ctrl+3 refused for 800x800")
        expect_frame_on_usable_area(x, win, "after Ctrl+3")
        x.move(win, AWAY[0] * 2, AWAY[1] * 2)
        wait_for_title(x, win, pics, 0, 0, 2, work, "the title at 2x after Ctrl+3")
        quit_with_escape(x, win, game)
        # The command line's scale given way says so once; Ctrl+3 does not.
        with open(os.path.join(work, "game.stderr")) as f:
            said = [line for line in f.read().splitlines() if line.startswith("fenzogobbix:")]
        want = ["fenzogobbix: --scale 3 does not fit this screen's 1080 rows; using 2"]
        check(said == want, f"standard error said {said}, want {want}")


def find_scaled_title(shot, title, s):
    """(x, y) where the title, each pixel an s x s block, lies in `shot` (but for the scroller's
    lane), or None."""
    probe_row = 100
    needle = b"".join(title.row(probe_row, x, 1) * s for x in range(SIZE))
    for y in range(probe_row * s, shot.height - (SIZE - probe_row) * s + 1):
        x = shot.row(y).find(needle)
        while x >= 0:
            if x % 3 == 0:
                ox, oy = x // 3, y - probe_row * s
                image, uneven = downsample(shot, ox, oy, s)
                rows = [r for r in range(SIZE) if r not in SCROLLER_ROWS]
                if uneven is None or uneven[1] in SCROLLER_ROWS:
                    if not mismatches(image, title, rows):
                        return ox, oy
            x = shot.row(y).find(needle, x + 1)
    return None


def scenario_wayland_hidpi(binary, pics, work):
    """Under a Wayland compositor whose output has two pixels to the point: the 400-point
    window is drawn at 2x, sharp, and the pointer, which Wayland reports in points, lands on
    the right image pixels (the link's edges stay where they are)."""
    with XSession(size=(1700, 1300), log_dir=work) as x:
        env = x.start_weston(800, 600, scale=2)  # a 1600 x 1200 X window
        env.update({"SDL_VIDEODRIVER": "wayland", "SDL_AUDIODRIVER": "dummy"})
        env_game = dict(x.env)
        env_game.pop("DISPLAY", None)
        env_game.update(env)
        game = subprocess.Popen([binary], env=env_game, cwd=work, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL,
                                stderr=open(os.path.join(work, "game.stderr"), "wb"),
                                start_new_session=True)
        x.procs.append(game)
        # Weston names its window in a way xdotool's name search misses; its class it finds.
        compositor = wait_for(
            lambda: x.x("xdotool", "search", "--onlyvisible", "--class", "^Weston Compositor$",
                        check_rc=False).split(), "weston's window")[0]
        # Weston follows the pointer from the moment it enters its window: from outside it,
        # then onto its floor away from the game.
        x.x("xdotool", "mousemove", "1650", "1250")
        x.move(compositor, 5, 1190)
        found = {}

        def shown():
            if game.poll() is not None:
                raise Failure(f"the game ended with status {game.returncode}")
            found["at"] = find_scaled_title(x.screenshot(compositor), pics.title, 2)
            return found["at"] is not None
        wait_for(shown, "the title at 2x, pixel-exact, in weston's window", DEADLINE * 2)
        ox, oy = found["at"]
        check(ox % 2 == 0 and oy % 2 == 0, f"the window's pixels are not on points: {ox},{oy}")
        link_edges(x, compositor, pics, ox, oy, 2, drawn_cursor=True)
        os.kill(game.pid, signal.SIGTERM)
        rc = x.wait_exit(game, 3)
        check(rc == 0, f"exit status after SIGTERM under Wayland is {rc}, want 0")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--binary", required=True)
    ap.add_argument("--assets", required=True)
    ap.add_argument("scenario", choices=["scale", "fullscreen", "reach", "wayland-hidpi"])
    args = ap.parse_args()
    for tool in ("Xvfb", "xdotool", "xwininfo", "import", "openbox", "weston"):
        if shutil.which(tool) is None:
            print(f"e2e: {tool} is not installed (scripts/test.sh installs it)", file=sys.stderr)
            return 1
    binary = os.path.abspath(args.binary)
    pics = Pictures(args.assets)
    work = tempfile.mkdtemp(prefix="fg-e2e-display-")
    try:
        if args.scenario == "scale":
            scenario_scale(binary, pics, work)
            scenario_default_scale(binary, pics, work)
        elif args.scenario == "fullscreen":
            scenario_fullscreen(binary, pics, work)
        elif args.scenario == "reach":
            scenario_reach(binary, pics, work)
        else:
            scenario_wayland_hidpi(binary, pics, work)
    except Failure as e:
        print(f"e2e display {args.scenario}: FAILED after {checks_made()} checks: {e}", file=sys.stderr)
        print(f"e2e display {args.scenario}: files kept in {work}", file=sys.stderr)
        return 1
    shutil.rmtree(work, ignore_errors=True)
    print(f"e2e display {args.scenario}: {checks_made()} checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
