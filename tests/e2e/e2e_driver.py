#!/usr/bin/python3
"""Plays the real game in its own X server, as a player would, and checks what the screen,
the speakers and the desktop get.

Usage: e2e_driver.py --binary PATH --assets DIR SCENARIO
Scenarios:
  play            title, game, steering, back to the title, link hover and click, music
                  switch, Escape ends the program
  missing-module  the tune is not beside the executable: the game runs, silently
  corrupt-module  the tune is random bytes: the game runs, silently
  hostile-module  the tune is a file libxmp accepts but cannot play (--module PATH): the game
                  still runs, silently
  no-display      no display at all: exit status 1 and one line on standard error
  taps            ten arrow taps of 40 ms in play each turn the snake

The X server, the input and the screenshots come from the project's X-session helper,
tests/xsession.py (standard library only, over Xvfb, xdotool and ImageMagick's `import`).
"""

import argparse
import array
import math
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from xsession import (Failure, XSession, check, checks_made, clean_env, mismatches,  # noqa: E402
                      read_png, wait_for)

CAPTION = "Fenzo Gobbix v1.0"
HOME_PAGE = "https://fenzogobbix.example/"
SIZE = 400
CELL = 16
SCROLLER_ROWS = range(380, 397)        # the scroller and its one-pixel shadow


def game_rule(name):
    """A number of the game's rules, read where the game keeps it (src/core/rules.h)."""
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "..", "..", "src", "core", "rules.h"), encoding="utf-8") as f:
        found = re.search(r"constexpr int %s = (\d+);" % name, f.read())
    if not found:
        raise SystemExit(f"e2e: {name} not found in src/core/rules.h")
    return int(found.group(1))


# the link label: x, y, w, h
LABEL = tuple(game_rule(n) for n in ("kLinkX", "kLinkY", "kLinkWidth", "kLinkHeight"))
LINK_POINT = (200, 57)                 # inside the strict hot zone
OUTSIDE_POINT = (20, 300)              # nowhere near the label
SNAKE_ROWS = range(176, 192)           # the row a new snake starts in
SCORE_RECT = (178, 10, 45, 9)          # five digits of 9 x 9
AUDIO_BYTES_PER_SECOND = 44100 * 4     # 16-bit stereo at the rate the game asks for
DEADLINE = 8.0                         # generous bound for anything that should take < 1 s


# ---------------------------------------------------------------------------------------------
# Pictures


def describe(diff, shot, ref, limit=5):
    parts = [f"({x},{y}) got {shot.px(x, y)} want {ref.px(x, y)}" for x, y in diff[:limit]]
    return f"{len(diff)} pixels differ, e.g. " + "; ".join(parts)


# ---------------------------------------------------------------------------------------------
# The X server, the game and the input


class Session:
    """One X session with the game running in it, helpers to look at it and drive it."""

    def __init__(self, binary, workdir, audio_file, extra_env=None):
        """Starts an X server and the game in it, and waits for the game's window."""
        self.workdir = workdir
        self.audio_file = audio_file
        self.stderr_path = os.path.join(workdir, "game.stderr")
        self._stderr = open(self.stderr_path, "wb")
        self.x = XSession(log_dir=workdir)
        try:
            self.x.start()
            env = {"SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": audio_file}
            env.update(extra_env or {})
            self.game = self.x.launch([binary], env=env, cwd=workdir, stderr=self._stderr)
            self.find_window()
        except BaseException:
            self.close()
            raise

    def close(self):
        self.x.close()
        self._stderr.close()

    def assert_running(self):
        if self.game.poll() is not None:
            raise Failure(f"the game ended early with status {self.game.returncode}: "
                          f"{open(self.stderr_path, 'rb').read().decode(errors='replace')}")

    def find_window(self):
        try:
            self.window = self.x.find_window(proc=self.game, timeout=DEADLINE)
        except Failure as e:
            err = open(self.stderr_path, "rb").read().decode(errors="replace").strip()
            raise Failure(f"{e}{': ' + err if err else ''}") from None
        return self.window

    def window_name_and_size(self):
        _, _, w, h = self.x.geometry(self.window)
        return self.x.window_name(self.window), w, h

    def shot(self):
        return self.x.screenshot(self.window)

    def key(self, name):
        self.x.tap(self.window, name)

    def hold(self, name, seconds):
        self.x.hold(self.window, name, seconds)

    def pointer(self, point):
        self.x.move(self.window, point[0], point[1])

    def click(self):
        self.x.click()

    def audio_size(self):
        try:
            return os.path.getsize(self.audio_file) & ~3
        except FileNotFoundError:
            return 0

    def audio_window(self, seconds):
        """Samples the game writes over the next `seconds` (the disk driver writes in real
        time): (bytes written, RMS, largest magnitude)."""
        start = self.audio_size()
        time.sleep(seconds)
        end = self.audio_size()
        with open(self.audio_file, "rb") as f:
            f.seek(start)
            raw = f.read(end - start)
        samples = array.array("h")
        samples.frombytes(raw[:len(raw) & ~1])
        if sys.byteorder != "little":
            samples.byteswap()
        if not samples:
            return len(raw), 0.0, 0
        rms = math.sqrt(sum(s * s for s in samples) / len(samples))
        return len(raw), rms, max(abs(s) for s in samples)

    def quit_with_escape(self):
        """Escape on the title: the program ends at once with status 0."""
        self.key("Escape")
        try:
            rc = self.game.wait(timeout=1.0)
        except subprocess.TimeoutExpired:
            raise Failure("Escape on the title did not end the program within a second")
        check(rc == 0, f"exit status after Escape on the title is {rc}, want 0")


# ---------------------------------------------------------------------------------------------
# What the screen must show


class Pictures:
    def __init__(self, assets):
        png = os.path.join(assets, "png")
        self.title = read_png(os.path.join(png, "picTitle.png"))
        self.playground = read_png(os.path.join(png, "Playground.png"))
        self.link = read_png(os.path.join(png, "sprLink.png"))


def title_diff(shot, pics):
    rows = [y for y in range(SIZE) if y not in SCROLLER_ROWS]
    return mismatches(shot, pics.title, rows)


def wait_for_title(s, pics, what):
    """The title once its reveal is complete: every pixel but the scroller's equals the title
    picture."""
    last = {}

    def probe():
        s.assert_running()
        shot = s.shot()
        last["diff"], last["shot"] = title_diff(shot, pics), shot
        return not last["diff"]
    try:
        wait_for(probe, what, interval=0.1)
    except Failure as e:
        if "shot" in last:
            last["shot"].save_ppm(os.path.join(s.workdir, "last-shot.ppm"))
        raise Failure(f"{e}: {describe(last['diff'], last['shot'], pics.title)}")


def cells_of(points):
    return {(x // 16, y // 16) for x, y in points}


def playground_diff(shot, pics):
    """Pixels off the playground outside the snake's start row and the score."""
    sx, sy, sw, sh = SCORE_RECT
    diff = []
    for x, y in mismatches(shot, pics.playground, range(SIZE)):
        if y in SNAKE_ROWS or (sx <= x < sx + sw and sy <= y < sy + sh):
            continue
        diff.append((x, y))
    return diff


def wait_for_playground(s, pics):
    """A game under way: the playground picture everywhere but the snake's start row, the
    score and at most two item cells (the first item spawns on the first tick), and the
    snake (head and five segments) on its start row."""
    last = {}

    def probe():
        s.assert_running()
        shot = s.shot()
        diff = playground_diff(shot, pics)
        snake = mismatches(shot, pics.playground, SNAKE_ROWS)
        last.update(diff=diff, shot=shot, snake=len(snake))
        return shot if len(cells_of(diff)) <= 2 and len(snake) > 5 * 100 else None
    try:
        return wait_for(probe, "the playground with the snake", interval=0.1)
    except Failure as e:
        if "shot" in last:
            last["shot"].save_ppm(os.path.join(s.workdir, "last-shot.ppm"))
        raise Failure(f"{e}: {last['snake']} pixels off the playground on the start row; "
                      f"elsewhere {describe(last['diff'], last['shot'], pics.playground)}")


def silent(s, what):
    n, rms, peak = s.audio_window(1.0)
    check(n >= AUDIO_BYTES_PER_SECOND // 4,
          f"{what}: the audio device wrote only {n} bytes in a second")
    check(peak == 0, f"{what}: sound where silence is due (RMS {rms:.1f}, peak {peak})")


def audible(s, what):
    n, rms, peak = s.audio_window(1.0)
    check(n >= AUDIO_BYTES_PER_SECOND // 4,
          f"{what}: the audio device wrote only {n} bytes in a second")
    check(rms > 100, f"{what}: music expected, RMS only {rms:.1f} (peak {peak})")


# ---------------------------------------------------------------------------------------------
# Scenarios


def start_checks(s, pics):
    name, w, h = s.window_name_and_size()
    check(name == CAPTION, f'window name is "{name}", want "{CAPTION}"')
    check((w, h) == (SIZE, SIZE), f"client area is {w}x{h}, want {SIZE}x{SIZE}")
    # Keep the pointer away from the label so the title shows it in its normal look.
    s.pointer(OUTSIDE_POINT)
    wait_for_title(s, pics, "the title after start-up")


def scenario_play(binary, pics, work):
    urls = os.path.join(work, "urls.txt")
    stub_dir = os.path.join(work, "bin")
    os.mkdir(stub_dir)
    stub = os.path.join(stub_dir, "xdg-open")
    with open(stub, "w") as f:
        f.write('#!/bin/sh\n# Stands in for the desktop\'s opener: records what it was asked.\n'
                f'printf "%s\\n" "$*" >> "{urls}"\n')
    os.chmod(stub, 0o755)
    audio = os.path.join(work, "audio.raw")
    env = {"PATH": stub_dir + os.pathsep + os.environ.get("PATH", "/usr/bin:/bin")}
    s = Session(binary, work, audio, env)
    try:
        start_checks(s, pics)
        audible(s, "title music")

        # A game: the wipe brings in the playground, then the snake appears on its start row.
        s.key("space")
        before = wait_for_playground(s, pics)

        # The link is dead during play: no hover painted onto the playground, no click.
        s.pointer(LINK_POINT)
        s.click()
        time.sleep(0.2)
        shot = s.shot()
        lx, ly, lw, lh = LABEL
        label_diff = [p for p in mismatches(shot, pics.playground, range(ly, ly + lh), lx, lw)
                      if p[1] not in SNAKE_ROWS]
        check(len(cells_of(label_diff)) <= 2,
              "the link label showed on the playground: " +
              describe(label_diff, shot, pics.playground))
        s.pointer(OUTSIDE_POINT)

        # Steer up: the head leaves the start row and the body follows it upwards.
        up_before = len(mismatches(before, pics.playground, range(16, 170)))
        s.hold("Up", 0.3)
        time.sleep(0.5)
        after = s.shot()
        up_after = len(mismatches(after, pics.playground, range(16, 170)))
        check(up_after - up_before > 3 * 200,
              f"the snake did not turn up ({up_before} -> {up_after} pixels above its row)")
        check(len(mismatches(after, before, range(SIZE))) > 0, "the picture did not change")

        # Escape: back to the title, revealed in full.
        s.key("Escape")
        wait_for_title(s, pics, "the title after Escape from a game")

        # Hover: the label lights up inside the hot zone and goes back outside it.
        s.pointer(LINK_POINT)
        lit = pics.link

        def label_is(src_y):
            shot = s.shot()
            return not mismatches(shot, lit, range(ly, ly + lh), lx, lw, ref_x0=0, ref_y0=src_y)
        wait_for(lambda: label_is(10), "the highlighted link label")
        s.pointer(OUTSIDE_POINT)
        wait_for(lambda: label_is(0), "the link label in its normal look")

        # Click: the desktop is asked to open the home page, once, and nothing else.
        s.pointer(LINK_POINT)
        wait_for(lambda: label_is(10), "the highlighted link label")
        s.click()
        wait_for(lambda: os.path.exists(urls) and open(urls).read().endswith("\n"),
                 "xdg-open to be run")
        time.sleep(0.3)  # a second, wrong opener call would land by now
        lines = open(urls).read().splitlines()
        check(lines == [HOME_PAGE], f"xdg-open was run with {lines}, want [{HOME_PAGE!r}]")

        # M: the music stops, the device goes on writing silence; M again brings it back.
        s.key("m")
        time.sleep(0.3)
        silent(s, "after M")
        s.key("m")
        time.sleep(0.3)
        audible(s, "after M pressed again")

        s.quit_with_escape()
    finally:
        s.close()


def head_colours(assets):
    """Colours only the head sprites have: not the body's balls, the ground or the items."""
    png = os.path.join(assets, "png")

    def colours(name, x0, y0, w=None, h=None):
        im = read_png(os.path.join(png, name))
        return {im.px(x, y) for y in range(y0, y0 + (h or im.height))
                for x in range(x0, x0 + (w or im.width))}
    head = colours("sprGobbix.png", 0, 16, 64, 16)
    others = colours("sprGobbix.png", 0, 0, None, 16) | colours("Playground.png", 0, 0)
    for name in ("sprStar.png", "sprSkull.png", "sprStatus.png"):
        others |= colours(name, 0, 0)
    return head - others


def head_at(shot, colours):
    """The middle of the head's own colours on the field, or None when no snake is there."""
    points = [(x, y) for y in range(16, SIZE - 16) for x in range(16, SIZE - 16)
              if shot.px(x, y) in colours]
    if not points:
        return None
    return (sum(p[0] for p in points) / len(points), sum(p[1] for p in points) / len(points))


def scenario_taps(binary, pics, work, assets):
    """A key tapped for 40 ms between two cell edges turns the snake at the next edge. The taps
    go round a square, so the snake stays in the middle of the field and clear of its tail. On
    a loaded machine the square grows and may meet an item's skull: the program is then started
    afresh (the same items in the same places again) and that tap not counted."""
    colours = head_colours(assets)
    axis = {"Up": (1, -1), "Right": (0, 1), "Down": (1, 1), "Left": (0, -1)}
    order = ["Up", "Right", "Down", "Left"]
    turned = tapped = 0
    for attempt in range(4):
        s = Session(binary, work, os.path.join(work, f"audio-{attempt}.raw"))
        try:
            start_checks(s, pics)
            s.key("space")
            wait_for_playground(s, pics)
            head = head_at(s.shot(), colours)
            step = 0
            while tapped < 10 and head is not None:
                key = order[step % 4]
                k, sign = axis[key]
                # The head moves along the other axis until the tap turns it: only a turn
                # moves it along this one.
                before = head[k]
                s.hold(key, 0.04)
                seen = {}

                def away(pixels):
                    seen["head"] = head_at(s.shot(), colours)
                    return seen["head"] is None or (seen["head"][k] - before) * sign >= pixels
                try:
                    wait_for(lambda: away(6), f"a turn {key}", timeout=1.5, interval=0.02)
                except Failure:
                    pass
                head = seen.get("head")
                if head is None:
                    break  # the game ended on the way: this tap does not count
                tapped += 1
                turned += (head[k] - before) * sign >= 6
                step += 1
                # A side of one cell would bring the head onto its own fifth segment on the
                # next round: let it run into its second cell before the next tap, so the
                # square has sides of two cells at least, however fast the screenshots come.
                try:
                    wait_for(lambda: away(2 * CELL - 6), f"two cells {key}", timeout=1.5,
                             interval=0.01)
                except Failure:
                    pass
                head = seen.get("head")
            s.assert_running()
        finally:
            s.close()
        if tapped == 10:
            break
    check(tapped == 10, f"the snake kept dying: only {tapped} taps could be counted")
    print(f"e2e taps: {turned} of 10 taps of 40 ms turned the snake")
    check(turned == 10, f"only {turned} of 10 taps of 40 ms turned the snake")


def scenario_bad_module(binary, pics, work, tune):
    """The game beside a tune that cannot be played (`tune` bytes, or none at all)."""
    exe_dir = os.path.join(work, "exe")
    os.mkdir(exe_dir)
    exe = os.path.join(exe_dir, os.path.basename(binary))
    shutil.copy2(binary, exe)
    if tune is not None:
        with open(os.path.join(exe_dir, "FenzoGobbix.snd"), "wb") as f:
            f.write(tune)
    s = Session(exe, work, os.path.join(work, "audio.raw"))
    try:
        start_checks(s, pics)
        silent(s, "title without a playable tune")
        s.key("space")
        wait_for_playground(s, pics)
        s.key("Escape")
        wait_for_title(s, pics, "the title after Escape from a game")
        s.quit_with_escape()
    finally:
        s.close()


def scenario_no_display(binary, work):
    r = subprocess.run([binary], env=clean_env(), cwd=work, stdin=subprocess.DEVNULL,
                       capture_output=True, timeout=DEADLINE * 2)
    err = r.stderr.decode(errors="replace")
    check(r.returncode == 1, f"exit status without a display is {r.returncode}, want 1")
    check(err.count("\n") == 1 and err.endswith("\n") and err.strip(),
          f"want exactly one line on standard error, got {err!r}")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--binary", required=True)
    ap.add_argument("--assets", required=True)
    ap.add_argument("--module", help="the tune for hostile-module")
    ap.add_argument("scenario", choices=["play", "missing-module", "corrupt-module",
                                         "hostile-module", "no-display", "taps"])
    args = ap.parse_args()
    for tool in ("Xvfb", "xdotool", "xwininfo", "import"):
        if shutil.which(tool) is None:
            print(f"e2e: {tool} is not installed (scripts/test.sh installs it)", file=sys.stderr)
            return 1
    binary = os.path.abspath(args.binary)
    work = tempfile.mkdtemp(prefix="fg-e2e-")
    try:
        if args.scenario == "no-display":
            scenario_no_display(binary, work)
        else:
            pics = Pictures(args.assets)
            if args.scenario == "play":
                scenario_play(binary, pics, work)
            elif args.scenario == "taps":
                scenario_taps(binary, pics, work, args.assets)
            elif args.scenario == "missing-module":
                scenario_bad_module(binary, pics, work, None)
            elif args.scenario == "corrupt-module":
                scenario_bad_module(binary, pics, work,
                                    random.Random(20240501).randbytes(80 * 1024))
            else:
                with open(args.module, "rb") as f:
                    scenario_bad_module(binary, pics, work, f.read())
    except Failure as e:
        print(f"e2e {args.scenario}: FAILED after {checks_made()} checks: {e}", file=sys.stderr)
        print(f"e2e {args.scenario}: files kept in {work}", file=sys.stderr)
        return 1
    shutil.rmtree(work, ignore_errors=True)
    print(f"e2e {args.scenario}: {checks_made()} checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
