#!/usr/bin/python3
"""The real game where the machine around it misbehaves or differs: a Wayland-only desktop, a
sound server that accepts and never answers, an X server that has stopped, a display that is
gone, the keypad's arrows.

Usage: robustness.py --binary PATH --assets DIR SCENARIO
Scenarios:
  wayland          under weston (nested on Xvfb) with only a Wayland display: the title shows
  wedged-sound     PULSE_SERVER names a socket that never answers: the window still comes up
                   within seconds, silent, and SIGTERM ends the game with status 0; a SIGTERM
                   while start-up still waits on that server ends it at once
  stopped-display  the X server is stopped (SIGSTOP): SIGTERM and SIGINT still end the game
  dead-display     DISPLAY names a server that is not there: exit status 1, one line on stderr
  keypad           the keypad's Up (Num Lock off) steers like the arrow key
"""

import argparse
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_driver import (DEADLINE, Pictures, Session, mismatches, start_checks,  # noqa: E402
                        wait_for_playground, SCROLLER_ROWS, SIZE)
from xsession import Failure, XSession, check, checks_made, clean_env, wait_for  # noqa: E402


ended_within = XSession.wait_exit  # the exit status, or Failure when it takes longer


def find_title(shot, title):
    """(x, y) where the whole title picture (but for the scroller's lane) lies in `shot`."""
    probe_row = 100
    needle = title.row(probe_row, 0, SIZE)
    for y in range(probe_row, shot.height - (SIZE - probe_row) + 1):
        x = shot.row(y).find(needle)
        while x >= 0:
            if x % 3 == 0:
                ox, oy = x // 3, y - probe_row
                if all(shot.row(oy + r, ox, SIZE) == title.row(r, 0, SIZE)
                       for r in range(SIZE) if r not in SCROLLER_ROWS):
                    return ox, oy
            x = shot.row(y).find(needle, x + 1)
    return None


def scenario_wayland(binary, pics, work):
    with XSession(size=(800, 600), log_dir=work) as x:
        env = x.start_weston(800, 600)
        env.update({"SDL_VIDEODRIVER": "wayland", "SDL_AUDIODRIVER": "dummy"})
        # Only a Wayland display for the game: no X one to fall back to.
        env_game = dict(x.env)
        env_game.pop("DISPLAY", None)
        env_game.update(env)
        err = open(os.path.join(work, "game.stderr"), "wb")
        game = subprocess.Popen([binary], env=env_game, cwd=work, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=err, start_new_session=True)
        x.procs.append(game)
        found = {}
        # Weston draws its own cursor where the X pointer is: keep it in the corner, off the game.
        x.x("xdotool", "mousemove", "0", "0")

        def shown():
            if game.poll() is not None:
                raise Failure(f"the game ended with status {game.returncode}")
            found["shot"] = x.screenshot()
            found["at"] = find_title(found["shot"], pics.title)
            return found["at"] is not None
        try:
            wait_for(shown, "the title inside weston's window", DEADLINE * 4, interval=0.25)
        except Failure:
            if "shot" in found:
                found["shot"].save_png(os.path.join(work, "last-shot.png"))
            raise
        os.kill(game.pid, signal.SIGTERM)
        rc = ended_within(game, 3)
        check(rc == 0, f"exit status after SIGTERM under Wayland is {rc}, want 0")


class DeafServer:
    """A unix socket that accepts connections and never says a word."""

    def __init__(self, path):
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.bind(path)
        self.sock.listen(16)
        self.conns = []
        self.thread = threading.Thread(target=self._accept, daemon=True)
        self.thread.start()

    def _accept(self):
        try:
            while True:
                self.conns.append(self.sock.accept()[0])
        except OSError:
            pass

    def close(self):
        for c in self.conns:
            c.close()
        self.sock.close()


def scenario_wedged_sound(binary, pics, work):
    server = DeafServer(os.path.join(work, "pulse"))
    try:
        env = {"PULSE_SERVER": "unix:" + os.path.join(work, "pulse")}
        with XSession(log_dir=work) as x:
            # SDL_AUDIODRIVER unset: PulseAudio is the first driver SDL tries.
            started = time.monotonic()
            game = x.launch([binary], env=env, cwd=work)
            win = x.find_window(proc=game, timeout=DEADLINE)
            took = time.monotonic() - started
            check(took < 5.0, f"the window took {took:.1f} s to come up with a deaf sound server")
            os.kill(game.pid, signal.SIGTERM)
            rc = ended_within(game, 2)
            check(rc == 0, f"exit status after SIGTERM is {rc}, want 0")
            del win
            # A SIGTERM while start-up still waits on the sound server ends the game at once.
            game = x.launch([binary], env=env, cwd=work)
            time.sleep(0.7)
            check(game.poll() is None, "the game ended by itself during start-up")
            os.kill(game.pid, signal.SIGTERM)
            rc = ended_within(game, 1)
            # With no window yet there is nothing to close in order: the signal's own ending.
            check(rc == -signal.SIGTERM,
                  f"exit status after SIGTERM during start-up is {rc}, want -{int(signal.SIGTERM)}")
    finally:
        server.close()


def scenario_stopped_display(binary, work):
    with XSession(log_dir=work) as x:
        x.xvfb.send_signal(signal.SIGSTOP)
        try:
            for sig in (signal.SIGTERM, signal.SIGINT):
                game = x.launch([binary], env={"SDL_AUDIODRIVER": "dummy"}, cwd=work)
                time.sleep(1.0)
                check(game.poll() is None, "the game ended by itself facing a stopped server")
                os.kill(game.pid, sig)
                rc = ended_within(game, 1.5)
                check(rc == -sig, f"exit status after {sig.name} facing a stopped server is {rc}, "
                                  f"want -{int(sig)}")
        finally:
            x.xvfb.send_signal(signal.SIGCONT)


def scenario_dead_display(binary, work):
    # A display named but with no server behind it. The number of one that has just gone could
    # be taken again at once by another test's X server started beside this one (they take the
    # lowest free number), so it is one far above theirs.
    gone = next(f":{n}" for n in range(7000, 8000) if not os.path.exists(f"/tmp/.X{n}-lock")
                and not os.path.exists(f"/tmp/.X11-unix/X{n}"))
    env = clean_env({"DISPLAY": gone})
    env.pop("XDG_RUNTIME_DIR", None)
    r = subprocess.run([binary], env=env, cwd=work, stdin=subprocess.DEVNULL,
                       capture_output=True, timeout=DEADLINE * 2)
    err = r.stderr.decode(errors="replace")
    check(r.returncode == 1, f"exit status with a dead display is {r.returncode}, want 1")
    check(err.count("\n") == 1 and err.startswith("fenzogobbix: "),
          f"want exactly our one line on standard error, got {err!r}")


def scenario_keypad(binary, pics, work):
    s = Session(binary, work, os.path.join(work, "audio.raw"))
    try:
        start_checks(s, pics)
        s.key("space")
        before = wait_for_playground(s, pics)
        up_before = len(mismatches(before, pics.playground, range(16, 170)))
        s.hold("KP_Up", 0.3)  # Num Lock is off on a fresh X server
        time.sleep(0.5)
        up_after = len(mismatches(s.shot(), pics.playground, range(16, 170)))
        check(up_after - up_before > 3 * 200,
              f"the keypad's Up did not turn the snake ({up_before} -> {up_after} pixels)")
        s.key("Escape")
    finally:
        s.close()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--binary", required=True)
    ap.add_argument("--assets", required=True)
    ap.add_argument("scenario", choices=["wayland", "wedged-sound", "stopped-display",
                                         "dead-display", "keypad"])
    args = ap.parse_args()
    if args.scenario == "wayland" and shutil.which("weston") is None:
        print("robustness wayland: weston is not installed (scripts/test.sh installs it)",
              file=sys.stderr)
        return 1
    binary = os.path.abspath(args.binary)
    work = tempfile.mkdtemp(prefix="fg-e2e-")
    try:
        pics = Pictures(args.assets)
        if args.scenario == "wayland":
            scenario_wayland(binary, pics, work)
        elif args.scenario == "wedged-sound":
            scenario_wedged_sound(binary, pics, work)
        elif args.scenario == "stopped-display":
            scenario_stopped_display(binary, work)
        elif args.scenario == "dead-display":
            scenario_dead_display(binary, work)
        else:
            scenario_keypad(binary, pics, work)
    except Failure as e:
        print(f"robustness {args.scenario}: FAILED after {checks_made()} checks: {e}",
              file=sys.stderr)
        print(f"robustness {args.scenario}: files kept in {work}", file=sys.stderr)
        return 1
    shutil.rmtree(work, ignore_errors=True)
    print(f"robustness {args.scenario}: {checks_made()} checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
