#!/usr/bin/python3
"""What the larger windows cost, side by side with 1x: CPU of the game and of the X server on
the idle title and in play, and peak memory, at 1x, 2x, 3x and fullscreen on a 1080p screen.

    bench/measure_scales.py [--build DIR] [--runs N] [--span S]

Each configuration runs in a fresh X server with openbox (tests/xsession.py); the runs take
the configurations in turn, so a busy machine weighs on all of them alike, and the table gives
each figure's median. CPU comes from /proc (the run time of every thread), in % of one core.
Goals: every scale within 1.3x of 1x's CPU (game + X server), peak RSS at 3x at most 30 MiB.
Exit status 1 when a goal is missed.
"""

import argparse
import os
import statistics
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests"))
from xsession import Failure, XSession  # noqa: E402

HZ = os.sysconf("SC_CLK_TCK")
# name, screen size, game arguments, (scale, image offset) as it will be shown
CONFIGS = [
    ("1x", (2560, 1440), ["--scale", "1"], (1, 0, 0)),
    ("2x", (2560, 1440), ["--scale", "2"], (2, 0, 0)),
    ("3x", (2560, 1440), ["--scale", "3"], (3, 0, 0)),
    ("fullscreen 1080p", (1920, 1080), ["--fullscreen"], (2, 560, 140)),
]


def cpu_ticks(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def cpu_seconds(pid):
    """Run time of every thread of a process: from schedstat (nanoseconds) where the kernel
    keeps it, else from the clock ticks of stat."""
    total, seen = 0, False
    try:
        for task in os.listdir(f"/proc/{pid}/task"):
            try:
                with open(f"/proc/{pid}/task/{task}/schedstat") as f:
                    total += int(f.read().split()[0])
                    seen = True
            except (FileNotFoundError, ProcessLookupError):
                pass  # a thread that ended meanwhile
    except FileNotFoundError:
        pass
    return total / 1e9 if seen else cpu_ticks(pid) / HZ


def sample(game, xserver, seconds):
    """% of one core used by the game and by the X server over `seconds`."""
    g0, x0, t0 = cpu_seconds(game), cpu_seconds(xserver), time.monotonic()
    time.sleep(seconds)
    g1, x1, t1 = cpu_seconds(game), cpu_seconds(xserver), time.monotonic()
    wall = t1 - t0
    return 100.0 * (g1 - g0) / wall, 100.0 * (x1 - x0) / wall


def peak_rss_mib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024.0
    return float("nan")


def mode(x, win, layout):
    """"play", "title" or "other", from the frame's colour at image pixel (4, 200)."""
    s, ox, oy = layout
    r, g, b = x.screenshot(win).px(ox + 4 * s, oy + 200 * s)
    if b > r + 40:
        return "title"
    if r > b + 40:
        return "play"
    return "other"


def steer(x, win, stop):
    """Round a square, clockwise, a turn every 0.6 s, so the snake keeps going."""
    while not stop.is_set():
        for key in ("Up", "Right", "Down", "Left"):
            if stop.is_set():
                return
            x.hold(win, key, 0.15)
            stop.wait(0.45)


def one(binary, name, size, args, layout, span, work):
    with XSession(size=size, wm=True) as x:
        env = {"SDL_AUDIODRIVER": "dummy"}
        game = x.launch([binary] + args, env=env, cwd=work)
        win = x.find_window(proc=game, timeout=20)
        s, ox, oy = layout
        x.move(win, ox + 20 * s, oy + 300 * s)  # away from the link
        x.x("xdotool", "windowfocus", "--sync", str(win), check_rc=False)
        time.sleep(1.5)
        _, _, w, h = x.geometry(win)
        out = {"window": f"{w}x{h}"}
        out["idle"], out["idle_x"] = sample(game.pid, x.xvfb.pid, span)
        x.tap(win, "space")
        time.sleep(0.9)
        stop = threading.Event()
        t = threading.Thread(target=steer, args=(x, win, stop))
        t.start()
        time.sleep(0.5)
        play = sample(game.pid, x.xvfb.pid, span)
        stop.set()
        t.join()
        if mode(x, win, layout) == "play":
            out["play"], out["play_x"] = play
        else:
            print(f"{name}: the game was not in play at the end of the play figure; dropped",
                  file=sys.stderr)
        out["rss"] = peak_rss_mib(game.pid)
        x.tap(win, "Escape")
        time.sleep(1.0)
        if game.poll() is None:
            x.tap(win, "Escape")
        x.wait_exit(game, 5)
        return out


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(HERE, "..", "build"))
    ap.add_argument("--runs", type=int, default=int(os.environ.get("RUNS", "3")))
    ap.add_argument("--span", type=float, default=float(os.environ.get("SPAN", "10")))
    args = ap.parse_args()
    binary = os.path.abspath(os.path.join(args.build, "fenzogobbix"))
    work = os.path.join(args.build, "measure-scales")
    os.makedirs(work, exist_ok=True)
    results = {name: [] for name, *_ in CONFIGS}
    for run in range(1, args.runs + 1):
        for name, size, game_args, layout in CONFIGS:
            print(f"run {run} of {args.runs}: {name} ...", file=sys.stderr)
            try:
                results[name].append(one(binary, name, size, game_args, layout, args.span, work))
            except Failure as e:
                print(f"{name}: {e}", file=sys.stderr)

    def med(name, key):
        values = [r[key] for r in results[name] if key in r]
        return statistics.median(values) if values else float("nan")

    base_idle = med("1x", "idle") + med("1x", "idle_x")
    base_play = med("1x", "play") + med("1x", "play_x")
    missed = False
    print(f"\nfenzogobbix at other scales: {os.cpu_count()} cores, Xvfb + openbox, "
          f"{args.span:g} s per figure, median of {args.runs} runs; CPU in % of one core")
    head = (f"{'':18} {'window':>10} {'idle game':>9} {'idle X':>7} {'idle sum':>8} "
            f"{'vs 1x':>6} {'play game':>9} {'play X':>7} {'play sum':>8} {'vs 1x':>6} "
            f"{'peak RSS MiB':>12}")
    print(head)
    for name, *_ in CONFIGS:
        idle = med(name, "idle") + med(name, "idle_x")
        play = med(name, "play") + med(name, "play_x")
        rss = med(name, "rss")
        ri, rp = idle / base_idle, play / base_play
        window = results[name][0]["window"] if results[name] else "?"
        print(f"{name:18} {window:>10} {med(name, 'idle'):9.2f} {med(name, 'idle_x'):7.2f} "
              f"{idle:8.2f} {ri:6.2f} {med(name, 'play'):9.2f} {med(name, 'play_x'):7.2f} "
              f"{play:8.2f} {rp:6.2f} {rss:12.1f}")
        if not (ri <= 1.3 and rp <= 1.3):
            missed = True
        if name == "3x" and not rss <= 30:
            missed = True
    print(f"goals: every scale within 1.3x of 1x (sum of game and X server); "
          f"peak RSS at 3x <= 30 MiB: {'MISSED' if missed else 'ok'}")
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
