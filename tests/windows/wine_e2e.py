#!/usr/bin/python3
"""The Windows build as a Windows player gets it, played under Wine on Xvfb: the zip unpacked
into a read-only folder, the game's window, keys and pictures, its record in %APPDATA%, the
command line on the console, a missing tune, and the installer with its uninstaller.

Usage: wine_e2e.py --build BUILD_DIR [--shots DIR]     (WINEPREFIX: a prefix of this run's own)
The window and the checks come from tests/xsession.py and tests/e2e/e2e_driver.py.
"""

import argparse
import glob
import os
import shutil
import stat
import subprocess
import sys
import tempfile
import time
import zipfile

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "e2e"))
import e2e_driver as e2e  # noqa: E402
from xsession import Failure, XSession, check, checks_made, read_png, wait_for  # noqa: E402

ROOT = os.path.join(here, "..", "..")
DEADLINE = 30.0  # Wine starts a program in seconds on a loaded machine, not milliseconds


class WineGame(e2e.Session):
    """The game under Wine in an X session; shot() gives the 400 x 400 client area."""

    def __init__(self, x, exe, workdir, args=()):
        self.x, self.workdir = x, workdir
        self.audio_file = os.path.join(workdir, "audio.raw")
        self.stderr_path = os.path.join(workdir, "game.stderr")
        self._stderr = open(self.stderr_path, "wb")
        env = {"SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": self.audio_file}
        self.game = x.launch(["wine", exe, *args], env=env, cwd=workdir, stderr=self._stderr)
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


def roaming():
    found = glob.glob(os.path.join(os.environ["WINEPREFIX"], "drive_c/users/*/AppData/Roaming"))
    check(len(found) == 1, f"one roaming application-data folder in the prefix: {found}")
    return found[0]


def play_a_game(x, exe, pics, work, shots):
    """Title, a game steered by the arrows to a star and into a skull, the record kept."""
    s = WineGame(x, exe, work)
    try:
        name, w, h = s.window_name_and_size()
        check(name == e2e.CAPTION, f'window name "{name}"')
        s.pointer(e2e.OUTSIDE_POINT)
        e2e.wait_for_title(s, pics, "the title, pixel for pixel")
        golden = read_png(os.path.join(ROOT, "tests/fixtures/golden/title.png"))
        rows = [y for y in range(e2e.SIZE) if y not in e2e.SCROLLER_ROWS]
        diff = e2e.mismatches(s.shot(), golden, rows)
        check(not diff, "the title differs from tests/fixtures/golden/title.png: "
              + e2e.describe(diff, s.shot(), golden))
        s.shot().save_png(os.path.join(shots, "wine-title.png"))
        e2e.audible(s, "the title's music")
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


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", required=True)
    ap.add_argument("--shots", default=None)
    args = ap.parse_args()
    build = os.path.abspath(args.build)
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
            play_a_game(x, exe, pics, work, shots)
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
