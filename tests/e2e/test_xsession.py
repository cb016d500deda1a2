#!/usr/bin/python3
"""The X-session helper itself: its X servers do not reset when their last client leaves, it
is the only place in the project that starts one, and it closes the real game the way a window
manager does (with and without openbox), then leaves no process behind; weston nests in it.

Usage: test_xsession.py --binary PATH
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests"))
from xsession import Failure, XSession, check, checks_made  # noqa: E402


def no_reset():
    """A root-window property set by a client that then disconnects outlives it: a server that
    resets when its last client leaves would have dropped it (and, under load, would refuse
    the game that connects meanwhile)."""
    with XSession() as x:
        x.x("xprop", "-root", "-f", "FG_MARK", "8s", "-set", "FG_MARK", "kept")
        time.sleep(0.5)
        out = x.x("xprop", "-root", "FG_MARK", check_rc=False)
        check('"kept"' in out, f"the X server reset when its last client left: {out.strip()}")


def one_place_starts_x_servers():
    """Every X server of the project comes from tests/xsession.py (with -noreset)."""
    starts = re.compile(r"xvfb-run|\bXvfb\s+-|\[\s*[\"']Xvfb[\"']")
    offenders = []
    for top in ("scripts", "tests", "bench", "packaging", "fuzz", ".ci"):
        for dirpath, _, files in os.walk(os.path.join(ROOT, top)):
            for name in files:
                path = os.path.join(dirpath, name)
                if path in (os.path.join(ROOT, "tests", "xsession.py"), os.path.abspath(__file__)):
                    continue
                if not (name.endswith((".sh", ".py", ".txt")) or name == "run"):
                    continue
                with open(path, errors="replace") as f:
                    for n, line in enumerate(f, 1):
                        code = line.split("#", 1)[0]
                        if starts.search(code):
                            offenders.append(f"{os.path.relpath(path, ROOT)}:{n}: {line.strip()}")
    check(not offenders, "X servers started outside tests/xsession.py:\n  " + "\n  ".join(offenders))
    with open(os.path.join(ROOT, "tests", "xsession.py")) as f:
        check('"-noreset"' in f.read(), "tests/xsession.py starts Xvfb without -noreset")


def close_request(binary, wm):
    """The game's window appears at 400 x 400, a close request ends the game with status 0,
    and closing the session ends every process it started."""
    with XSession(size=(1024, 768), wm=wm) as x:
        game = x.launch([binary], env={"SDL_AUDIODRIVER": "dummy"})
        win = x.find_window(proc=game)
        _, _, w, h = x.geometry(win)
        check((w, h) == (400, 400), f"window is {w}x{h}, want 400x400 (wm={wm})")
        check(x.window_name(win) == "Fenzo Gobbix v1.0", f"window name {x.window_name(win)!r}")
        time.sleep(0.5)
        x.close_request(win)
        status = x.wait_exit(game, 5)
        check(status == 0, f"status {status} after a close request, want 0 (wm={wm})")
        procs = [x.xvfb] + ([x.wm] if wm else [])
    check(all(p.poll() is not None for p in procs), "the X server or openbox outlived the session")


def nested_weston():
    """weston nested on the X server gives a Wayland socket, and ends with the session. Runs
    where weston is installed (the Wayland scenarios will install it)."""
    if shutil.which("weston") is None:
        print("test_xsession: weston is not installed; its check did not run")
        return
    with XSession() as x:
        env = x.start_weston()
        socket_path = os.path.join(env["XDG_RUNTIME_DIR"], env["WAYLAND_DISPLAY"])
        check(os.path.exists(socket_path), f"no Wayland socket at {socket_path}")
        weston = x.weston
    check(weston.poll() is not None, "weston outlived the session")
    check(not os.path.exists(env["XDG_RUNTIME_DIR"]), "weston's runtime directory was left behind")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--binary", required=True)
    args = ap.parse_args()
    try:
        no_reset()
        one_place_starts_x_servers()
        close_request(os.path.abspath(args.binary), wm=False)
        close_request(os.path.abspath(args.binary), wm=True)
        nested_weston()
    except (Failure, subprocess.TimeoutExpired) as e:
        print(f"test_xsession: FAILED after {checks_made()} checks: {e}", file=sys.stderr)
        return 1
    print(f"test_xsession: {checks_made()} checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
