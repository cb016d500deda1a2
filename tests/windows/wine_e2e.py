#!/usr/bin/python3
"""The Windows build as a Windows player gets it, played under Wine on Xvfb: the zip unpacked
into a read-only folder, the game's window, keys and pictures, its record in %APPDATA%, the
command line on the console and in cmd, the title's address in the browser, the kept game's
link on the clipboard and from --share, its replays timed, exported and shown in a window, the
hall of fame, a missing tune, and the installer with its uninstaller. Replays and pictures are
compared with what the Linux build makes of the same replay or record.

Usage: wine_e2e.py --build BUILD_DIR --linux LINUX_BUILD_DIR [--shots DIR]
       (WINEPREFIX: a prefix of this run's own)
The window and the checks come from tests/xsession.py and tests/e2e/e2e_driver.py.
"""

import argparse
import glob
import os
import re
import shutil
import stat
import subprocess
import sys
import tempfile
import time
import zipfile

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "e2e"))
import display_driver  # noqa: E402
import e2e_driver as e2e  # noqa: E402
from xsession import Failure, XSession, check, checks_made, read_png, wait_for  # noqa: E402

ROOT = os.path.join(here, "..", "..")
DEADLINE = 30.0  # Wine starts a program in seconds on a loaded machine, not milliseconds
TITLE_BEST_ROWS = range(70, 108)     # the title's plate of the best game
TABLE_HEADING_ROWS = range(44, 86)   # the hall of fame's heading and column names
REPLAY_SHOT = os.path.join(ROOT, "tests/fixtures/golden/attract_replay.png")
REPLAY_INK = (255, 200, 80)          # the REPLAY mark's letters
PAUSE_SIGN = (147, 186, 106, 37)     # the pause sign over the field: x, y, width, height
ROWS = [y for y in range(e2e.SIZE) if y not in e2e.SCROLLER_ROWS]
UNTITLED = [y for y in ROWS if y not in TITLE_BEST_ROWS]  # a title that may show a best


class WineGame(e2e.Session):
    """The game under Wine in an X session; shot() gives the 400 x 400 client area."""

    def __init__(self, x, exe, workdir, args=(), env=None):
        """exe: FenzoGobbix.exe, or the Linux build's program to compare with."""
        self.x, self.workdir = x, workdir
        self.audio_file = os.path.join(workdir, "audio.raw")
        self.stderr_path = os.path.join(workdir, "game.stderr")
        self._stderr = open(self.stderr_path, "wb")
        env = {"SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": self.audio_file, **(env or {})}
        argv = (["wine"] if exe.endswith(".exe") else []) + [exe, *args]
        self.game = x.launch(argv, env=env, cwd=workdir, stderr=self._stderr)
        self.window = x.find_window(proc=self.game, timeout=DEADLINE)
        self.origin = None

    def close(self):
        self._stderr.close()

    def shot(self):
        full = self.x.screenshot(self.window)
        if self.origin is None:  # the client area: the 400 x 400 corner of Wine's X window
            self.origin = (full.width - e2e.SIZE, full.height - e2e.SIZE)
        ox, oy = self.origin
        rows = b"".join(full.row(y, ox, e2e.SIZE) for y in range(oy, oy + e2e.SIZE))
        return type(full)(e2e.SIZE, e2e.SIZE, rows)

    def occupied(self, pics, cx, cy):
        """Something other than the playground stands in the cell at (cx, cy)."""
        return bool(e2e.mismatches(self.shot(), pics.playground, range(cy + 4, cy + 12), cx + 4, 8))

    def wait_cell(self, pics, cx, cy, what):
        wait_for(lambda: self.assert_running() or self.occupied(pics, cx, cy), what, DEADLINE, 0.1)


def run(argv, **kw):
    return subprocess.run(argv, capture_output=True, timeout=120, **kw)


def read(path):
    with open(path, "rb") as f:
        return f.read().decode()


def roaming():
    found = glob.glob(os.path.join(os.environ["WINEPREFIX"], "drive_c/users/*/AppData/Roaming"))
    check(len(found) == 1, f"one roaming application-data folder in the prefix: {found}")
    return found[0]


def scores_file():
    return os.path.join(roaming(), "FenzoGobbix", "scores.txt")


def picture(s, ok, what, before=lambda: None, still=True):
    """The window's picture once ok(it), and (still) two shots in a row agree but the scroller."""
    def probe():
        before()
        s.assert_running()
        first = s.shot() if still else None
        time.sleep(0.1 if still else 0)
        shot = s.shot()
        return shot if (not still or not e2e.mismatches(shot, first, ROWS)) and ok(shot) else None
    return wait_for(probe, what, DEADLINE, 0.2)


def play_a_game(x, exe, pics, work, shots):
    """Title, a game steered by the arrows to a star and into a skull, the record kept."""
    s = WineGame(x, exe, work)
    try:
        name, w, h = s.window_name_and_size()
        check(name == e2e.CAPTION, f'window name "{name}"')
        s.pointer(e2e.OUTSIDE_POINT)
        e2e.wait_for_title(s, pics, "the title, pixel for pixel")
        golden = read_png(os.path.join(ROOT, "tests/fixtures/golden/title.png"))
        diff = e2e.mismatches(s.shot(), golden, ROWS)
        check(not diff, "the title differs from tests/fixtures/golden/title.png: "
              + e2e.describe(diff, s.shot(), golden))
        s.shot().save_png(os.path.join(shots, "wine-title.png"))
        e2e.audible(s, "the title's music")
        # The address under the logo: Wine hands it to winebrowser, pointed at browser.sh.
        s.pointer(tuple(o + p for o, p in zip(s.origin, e2e.LINK_POINT)))
        s.click()
        opened = os.path.join(work, "opened.txt")
        wait_for(lambda: os.path.exists(opened), "the title's address opened", DEADLINE)
        check(read(opened).split() == [e2e.HOME_PAGE], f"the browser opened {read(opened)!r}")
        s.pointer(e2e.OUTSIDE_POINT)
        # The items come in the same order every run: a star on the top row at (32, 16) and a
        # skull in the bottom-left corner. Along the borders, which stop the snake, the route
        # is the same however fast the machine is.
        s.key("space")
        e2e.wait_for_playground(s, pics)
        s.wait_cell(pics, 16, 176, "the snake at the left border")
        s.key("Up")
        s.wait_cell(pics, 16, 16, "the snake steered up to the top-left corner")
        s.wait_cell(pics, 32, 16, "a star beside the corner")
        s.shot().save_png(os.path.join(shots, "wine-play.png"))
        s.key("Right")
        s.wait_cell(pics, 368, 16, "the snake steered right along the top")
        s.key("Down")
        s.wait_cell(pics, 368, 368, "the snake steered down the right side")
        s.key("Left")
        scores = os.path.join(roaming(), "FenzoGobbix", "scores.txt")
        wait_for(lambda: os.path.exists(scores), "the record in %APPDATA%\\FenzoGobbix", DEADLINE)
        s.shot().save_png(os.path.join(shots, "wine-game-over.png"))
        s.key("c")  # on the sign of a kept game: its link to the clipboard, which Wine shares
        copied = wait_for(lambda: x.x("xclip", "-o", "-selection", "clipboard", check_rc=False),
                          "C on the sign to fill the clipboard", DEADLINE, 0.2)
        with open(scores, "rb") as f:
            text = f.read().decode()
        check(any(line.startswith("game 1 6 ") for line in text.splitlines()),
              f"the game (1 point, 6 long) is in the record: {text!r}")
        time.sleep(4)  # back on the title
        s.x.close_request(s.window)
        check(s.x.wait_exit(s.game, DEADLINE) == 0, "the close box ends the game with status 0")
    finally:
        s.close()
    out = run(["wine", exe, "--scores"], env=x.env)
    check(out.returncode == 0 and b"     1" in out.stdout.replace(b"\r", b""),
          f"--scores lists the game: {out.returncode} {out.stdout!r} {out.stderr!r}")
    return copied


def window_and_pause(exe, pics, work):
    """On a 1920 x 1080 screen, as the Linux build is held to: --scale 2 opens an 800 x 800
    window showing the title in blocks of 2 x 2; F11, and Alt+Enter, fill the screen with it in
    the middle and give the window back; Ctrl+1 makes it 400 x 400; P stops a game under the
    pause sign, whose letters are Linux's, and P again lets it go on."""
    with XSession(size=(1920, 1080), wm=False, log_dir=work) as x:
        s = WineGame(x, exe, work, ["--scale", "2"])
        try:
            def size(want, what):
                wait_for(lambda: x.geometry(s.window)[2:] == want, what, DEADLINE, 0.1)

            def title(x0, y0, scale, what):
                display_driver.wait_for_title(x, s.window, pics, x0, y0, scale, work, what,
                                              UNTITLED, DEADLINE)
            size((800, 800), "an 800 x 800 window for --scale 2")
            s.pointer((10, 790))  # clear of the address
            title(0, 0, 2, "the title at 2x")
            # No window manager: Wine places its windows itself, as Windows does. Under openbox
            # a window filling the screen now and then got its old size back from the manager.
            for key in ("F11", "alt+Return"):
                x.tap(s.window, key)
                size((1920, 1080), f"{key} to fill the screen")
                title(560, 140, 2, f"the title at 2x in the middle of the screen after {key}")
                x.tap(s.window, key)
                size((800, 800), f"{key} for the 800 x 800 window again")
                title(0, 0, 2, f"the title at 2x after {key}")
            x.tap(s.window, "ctrl+1")
            size((400, 400), "Ctrl+1 for a 400 x 400 window")
            s.origin = None  # the client area's corner moved with the size
            s.pointer(e2e.OUTSIDE_POINT)
            title(0, 0, 1, "the title at 1x")
            s.key("space")
            e2e.wait_for_playground(s, pics)
            s.key("p")
            # The sign's letters as Linux draws them; its plate lets the field show through.
            golden = read_png(os.path.join(ROOT, "tests/fixtures/golden/paused.png"))
            sx, sy, sw, sh = PAUSE_SIGN
            ink = [(px, py) for py in range(sy, sy + sh) for px in range(sx, sx + sw)
                   if sum(golden.px(px, py)) > 400]
            paused = picture(s, lambda p: all(p.px(*i) == golden.px(*i) for i in ink),
                             "P to show the pause sign, as on Linux")
            time.sleep(1.0)
            check(not e2e.mismatches(s.shot(), paused, range(e2e.SIZE)),
                  "the game stands still under the pause sign")
            s.key("p")
            wait_for(lambda: e2e.mismatches(s.shot(), paused, range(e2e.SIZE)),
                     "P again to let the game go on", DEADLINE, 0.1)
            s.x.close_request(s.window)
            check(s.x.wait_exit(s.game, DEADLINE) == 0, "closed with status 0")
        finally:
            s.close()


def timedemo(program, source, **kw):
    """What --timedemo says of a replay but its speed: (status, ticks, "score S length L")."""
    out = run((["wine"] if program.endswith(".exe") else []) + [program, "--timedemo", source],
              **kw)
    m = re.search(r"^(\d+) ticks in [^;]*; (score \d+ length \d+)\s*$", out.stdout.decode(), re.M)
    return (out.returncode, *(m.groups() if m else (out.stdout, out.stderr)))


def shared_games(x, exe, linux, work, copied):
    """The kept game's link and file, and a replay made on Linux, come to the same figures on
    Windows and on Linux. Returns the link of a replay made on Linux."""
    code = re.search(r"^replay \S+ 1 (\S+)$", read(scores_file()), re.M)
    link = run(["wine", exe, "--share", "1"], env=x.env).stdout.decode().strip()
    check(code and link.endswith("#replay=" + code[1]), f"--share 1 gives the kept game: {link}")
    check(copied == link, f"C on the sign copied the link --share prints: {copied!r}")
    check(run(["wine", exe, "--export-replay", "1", "windows.txt"], env=x.env, cwd=work)
          .returncode == 0, "--export-replay 1 windows.txt")
    made = os.path.join(linux, "bench", "fg_make_replay")
    for name, ticks in (("linux.txt", "4000"), ("short.txt", "320")):
        check(run([made, name, ticks], cwd=work).returncode == 0, f"fg_make_replay {name}")
    for source in (link, "windows.txt", "linux.txt"):
        here = timedemo(exe, source, env=x.env, cwd=work)
        there = timedemo(os.path.join(linux, "fenzogobbix"), source, cwd=work)
        check(here == there and here[0] == 0 and (source == "linux.txt" or
                                                  here[2] == "score 1 length 6"),
              f"--timedemo {source[:50]}: on Windows {here}, on Linux {there}")
    return link.split("#")[0] + "#replay=" + re.search(r"^code (\S+)$", read(
        os.path.join(work, "short.txt")), re.M)[1]


def last_still(s, seconds=60):
    """The last picture the program held for a moment before it ended (a playback's sign)."""
    held = last = None
    end = time.monotonic() + seconds
    while s.game.poll() is None and time.monotonic() < end:
        try:
            shot = s.shot()
        except Failure:
            break  # the window went
        held = shot if last is not None and shot.rgb == last.rgb else held
        last = shot
        time.sleep(0.2)
    return held


def replay_in_window(x, exe, linux, pics, work, shots, link):
    """A link played back in a window on Linux, then on Windows: the playground with the snake,
    the same game-over sign, pixel for pixel, and the program ends with status 0."""
    signs = []
    for program in (os.path.join(linux, "fenzogobbix"), exe):
        s = WineGame(x, program, work, ("--replay", link), {"XDG_DATA_HOME": work})
        try:
            e2e.wait_for_playground(s, pics)
            signs.append(last_still(s))
            check(s.x.wait_exit(s.game, DEADLINE) == 0, f"{program}: a playback ends with 0")
        finally:
            s.close()
    check(None not in signs, "the playback's sign held still")
    signs[1].save_png(os.path.join(shots, "wine-replay-sign.png"))
    diff = e2e.mismatches(signs[1], signs[0], range(e2e.SIZE))
    check(not diff, "the playback's sign differs from Linux's: "
          + e2e.describe(diff, signs[1], signs[0]))


def hall_of_fame(x, exe, linux, pics, work, shots):
    """With a game made on Linux written into the record beside the one played, H on the title
    shows the table, Down chooses the played game, as the Linux build shows them from the same
    record, pixel for pixel; Space plays it back with the REPLAY mark, Escape leaves it, and
    Escape again returns to the title."""
    made = dict(re.findall(r"^(\w+) (\S+)$", read(os.path.join(work, "linux.txt")), re.M))
    record = read(scores_file()).replace("end\n", "game {score} {length} {ended} 60.000\n"
                                         "replay {ended} {score} {code}\nend\n".format(**made))
    for folder in (os.path.dirname(scores_file()), os.path.join(work, "fenzogobbix")):
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "scores.txt"), "w", newline="") as f:
            f.write(record)
    golden = read_png(os.path.join(ROOT, "tests/fixtures/golden/hall_of_fame_full.png"))
    marked = read_png(REPLAY_SHOT)
    ink = [(x, y) for y in range(11, 18) for x in range(12, 48) if marked.px(x, y) == REPLAY_INK]
    seen = []
    for program in (os.path.join(linux, "fenzogobbix"), exe):
        s = WineGame(x, program, work, env={"XDG_DATA_HOME": work})
        try:
            s.pointer(e2e.OUTSIDE_POINT)
            picture(s, lambda p: not e2e.mismatches(p, pics.title, UNTITLED), "the title")
            table = picture(s, lambda p: not e2e.mismatches(p, golden, TABLE_HEADING_ROWS),
                            "H on the title to show the hall of fame", lambda: s.key("h"))
            s.key("Down")
            chosen = picture(s, lambda p: e2e.mismatches(p, table, ROWS), "Down to choose")
            seen.append((table, chosen))
            if program == exe:
                table.save_png(os.path.join(shots, "wine-hall-of-fame.png"))
                s.key("space")
                picture(s, lambda p: all(p.px(*i) == REPLAY_INK for i in ink),
                        "Space to play the chosen game back with its REPLAY mark", still=False
                        ).save_png(os.path.join(shots, "wine-hall-of-fame-replay.png"))
                s.key("Escape")
                picture(s, lambda p: not e2e.mismatches(p, chosen, ROWS), "Escape to the table")
                s.key("Escape")
                picture(s, lambda p: not e2e.mismatches(p, pics.title, UNTITLED),
                        "Escape back to the title")
            s.x.close_request(s.window)
            check(s.x.wait_exit(s.game, DEADLINE) == 0, "closed with status 0")
        finally:
            s.close()
    for what, linux_shot, wine_shot in zip(("the table", "Down"), *seen):
        diff = e2e.mismatches(wine_shot, linux_shot, ROWS)
        check(not diff, f"{what} differs from Linux's: "
              + e2e.describe(diff, wine_shot, linux_shot))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", required=True)
    ap.add_argument("--shots", default=None)
    ap.add_argument("--linux", required=True, help="a Linux build to compare with")
    args = ap.parse_args()
    build, linux = os.path.abspath(args.build), os.path.abspath(args.linux)
    pics = e2e.Pictures(os.path.join(ROOT, "assets"))
    zips = glob.glob(os.path.join(build, "fenzogobbix-*-windows-x64.zip"))
    setups = glob.glob(os.path.join(build, "fenzogobbix-*-windows-x64-setup.exe"))
    check(len(zips) == 1 and len(setups) == 1, f"one zip and one installer in {build}")
    work = tempfile.mkdtemp(prefix="fg-wine-")
    shots = args.shots or work
    os.makedirs(shots, exist_ok=True)
    try:
        # A first run: no record in the prefix from an earlier one.
        shutil.rmtree(os.path.join(roaming(), "FenzoGobbix"), ignore_errors=True)
        # The zip, unpacked as a player would, into a folder nobody may write to.
        with zipfile.ZipFile(zips[0]) as z:
            check(sorted(n for n in z.namelist() if not n.endswith("/")) == [
                      "FenzoGobbix/FenzoGobbix.exe",
                                            "FenzoGobbix/FenzoGobbix.snd",
                                            "FenzoGobbix/LICENSE.txt", "FenzoGobbix/README.txt"],
                  f"the zip holds the game alone: {z.namelist()}")
            z.extractall(work)
        game = os.path.join(work, "FenzoGobbix")
        with open(os.path.join(game, "LICENSE.txt"), "rb") as f:
            text = f.read()
        check(text.count(b"\r\n") == text.count(b"\n") > 0, "LICENSE.txt has Windows line ends")
        for f in os.listdir(game):
            os.chmod(os.path.join(game, f), 0o444)
        os.chmod(game, 0o555)
        exe = os.path.join(game, "FenzoGobbix.exe")
        # SDL2 as the game uses it [D45]: the library names it would load show what came with
        # it. The sound's backend stays; the GPU renderers stay out.
        with open(exe, "rb") as f:
            image = f.read().lower()
        check(b"dsound.dll" in image, "DirectSound linked in")
        gpu = [n for n in (b"opengl32.dll", b"vulkan-1.dll", b"d3d11.dll", b"d3d12.dll")
               if n in image]
        check(not gpu, f"no GPU renderer linked in: {gpu}")
        with XSession(log_dir=work) as x:
            version = run(["wine", exe, "--version"], env=x.env)
            check(version.returncode == 0 and b"1.0" in version.stdout,
                  f"--version: {version.returncode} {version.stdout!r}")
            bad = run(["wine", exe, "--no-such-option"], env=x.env)
            check(bad.returncode == 2 and b"--no-such-option" in bad.stderr,
                  f"a bad argument: {bad.returncode} {bad.stderr!r}")
            # In a console of Wine's own, as a player types it into cmd.
            for line, status, said in (("--version", 0, b"fenzogobbix 1.0"),
                                       ("--help", 0, b"Usage: fenzogobbix"),
                                       ("--scale 9", 2, b"Usage: fenzogobbix")):
                out = run(["wine", "cmd", "/c", f"FenzoGobbix.exe {line}"], env=x.env, cwd=game)
                check(out.returncode == status and said in out.stdout + out.stderr,
                      f"cmd /c FenzoGobbix.exe {line}: {out.returncode} {out.stdout!r}")
            # Links go to winebrowser, which runs the first of its browsers: a script here.
            browser = os.path.join(work, "browser.sh")
            with open(browser, "w") as f:
                f.write(f'#!/bin/sh\necho "$@" >>{work}/opened.txt\n')
            os.chmod(browser, 0o755)
            check(run(["wine", "reg", "add", r"HKCU\Software\Wine\WineBrowser", "/v", "Browsers",
                       "/d", browser, "/f"], env=x.env).returncode == 0, "winebrowser set")
            copied = play_a_game(x, exe, pics, work, shots)
            link = shared_games(x, exe, linux, work, copied)
            replay_in_window(x, exe, linux, pics, work, shots, link)
            hall_of_fame(x, exe, linux, pics, work, shots)
        # Wine's own processes of that X server go with it, before another server comes.
        run(["wineserver", "--kill"])
        window_and_pause(exe, pics, work)
        run(["wineserver", "--kill"])
        with XSession(log_dir=work) as x:
            check(sorted(os.listdir(game)) == ["FenzoGobbix.exe", "FenzoGobbix.snd",
                                               "LICENSE.txt", "README.txt"],
                  f"the game's folder is as unpacked: {os.listdir(game)}")

            # Without its tune the game plays on, silently.
            bare = os.path.join(work, "bare")
            os.mkdir(bare)
            shutil.copy(exe, bare)
            s = WineGame(x, os.path.join(bare, "FenzoGobbix.exe"), bare)
            try:
                time.sleep(3)  # the title's reveal, now with the best game on it
                s.assert_running()
                e2e.silent(s, "no tune")
                s.x.close_request(s.window)
                check(s.x.wait_exit(s.game, DEADLINE) == 0, "closed with status 0")
            finally:
                s.close()

            # The installer: per user, a Start-menu shortcut, an uninstaller that leaves the
            # scores.
            check(run(["wine", setups[0], "/S"], env=x.env).returncode == 0, "the installer ran")
            local = glob.glob(os.path.join(os.environ["WINEPREFIX"],
                                           "drive_c/users/*/AppData/Local/Programs/FenzoGobbix"))
            check(len(local) == 1 and os.path.exists(os.path.join(local[0], "FenzoGobbix.exe")),
                  f"installed under %LOCALAPPDATA%\\Programs: {local}")
            links = glob.glob(os.path.join(roaming(), "Microsoft/Windows/Start Menu/Programs/"
                                           "FenzoGobbix.lnk"))
            check(len(links) == 1, "a Start-menu shortcut")
            run(["wine", os.path.join(local[0], "Uninstall.exe"), "/S"], env=x.env)
            wait_for(lambda: not os.path.exists(local[0]), "the uninstaller to remove the game",
                     DEADLINE, 0.2)
            check(not os.path.exists(links[0]), "the shortcut removed")
            check(os.path.exists(os.path.join(roaming(), "FenzoGobbix", "scores.txt")),
                  "the scores stay after uninstalling")
    except Failure as e:
        print(f"wine_e2e: FAILED: {e}", file=sys.stderr)
        print(f"0 passed, 1 failed ({checks_made()} checks held before)")
        return 1
    finally:
        os.chmod(os.path.join(work, "FenzoGobbix"), stat.S_IRWXU) if os.path.isdir(
            os.path.join(work, "FenzoGobbix")) else None
        if args.shots is None:
            shutil.rmtree(work, ignore_errors=True)
    print(f"1 passed, 0 failed ({checks_made()} checks)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
