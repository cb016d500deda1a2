#!/usr/bin/python3
"""Figures of the web build: the wasm's size raw and gzipped, load to first frame, and the CPU
the page takes in play next to the desktop build in the same run (from /proc, over the same
number of seconds each). Not a test: it prints figures.

Usage: measure.py DIST_DIR DESKTOP_BINARY [--seconds N] [--shot PNG] [--lighthouse DIR]
With Lighthouse installed from npm (npm install --prefix DIR lighthouse; default DIR
build-web/lighthouse), also prints its four scores for the served page, mobile preset.
"""

import argparse
import gzip
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import browser_test as bt  # noqa: E402

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from xsession import XSession  # noqa: E402

TICKS = os.sysconf("SC_CLK_TCK")


def cpu_ticks(pid):
    """utime + stime of one process, in clock ticks (0 once it is gone)."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])
    except (FileNotFoundError, ProcessLookupError):
        return 0


def children(pid):
    out = []
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/children") as f:
                out += [int(c) for c in f.read().split()]
        except FileNotFoundError:
            pass
    return out


def tree(pid):
    found, todo = [], [pid]
    while todo:
        p = todo.pop()
        found.append(p)
        try:
            todo += children(p)
        except FileNotFoundError:
            pass
    return found


def kind(pid):
    """What a Chromium process does, from the switches on its command line."""
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            line = f.read().replace(b"\0", b" ").decode(errors="replace")
    except FileNotFoundError:
        return "gone"
    sub = re.search(r"--utility-sub-type=(\S+)", line)
    if sub:
        return "utility " + sub.group(1).split(".")[-1]
    typ = re.search(r"--type=(\S+)", line)
    if typ:
        return typ.group(1)
    if "--renderer-client-id" in line:
        return "renderer"
    if "--gpu-preferences" in line:
        return "gpu-process"
    if "--use-angle" in line or "zygote" in line:
        return "zygote"
    if "--shared-files" in line:
        return "utility"
    return "browser"


def sample(pids, seconds):
    """CPU per process over `seconds`, in percent of one core."""
    before = {p: cpu_ticks(p) for p in pids}
    time.sleep(seconds)
    return {p: 100.0 * (cpu_ticks(p) - before[p]) / TICKS / seconds for p in pids}


def desktop_cpu(binary, seconds):
    """CPU of the desktop build and of its X server in play, in the project's X session."""
    work = tempfile.mkdtemp(prefix="fg-measure-")
    with XSession(log_dir=work) as x:
        game = x.launch([binary], env={"SDL_AUDIODRIVER": "disk",
                                       "SDL_DISKAUDIOFILE": os.path.join(work, "audio.raw")})
        window = x.find_window(proc=game, timeout=15)
        time.sleep(1.0)
        x.tap(window, "space")
        time.sleep(2.0)  # the wipe, then play
        use = sample([game.pid, x.xvfb.pid], seconds)
        return use[game.pid], use[x.xvfb.pid]


def page_cpu(dist, seconds, shot):
    with bt.serve(os.path.abspath(dist)) as url, \
            bt.browser(["--autoplay-policy=no-user-gesture-required"]) as driver:
        page = bt.Page(driver, url)
        page.open()
        bt.figures(page)
        page.key(bt.Keys.SPACE)
        time.sleep(2.0)
        if shot:
            driver.save_screenshot(shot)
        driver_pid = driver.service.process.pid
        pids = [p for p in tree(driver_pid) if p != driver_pid]
        use = sample(pids, seconds)
        in_play = page.js("return document.title") and not page.js(
            "return document.body.classList.contains('ended')")
        return {p: (kind(p), c) for p, c in use.items()}, in_play


BARE_PAGE = """<!doctype html><html><head><meta charset="utf-8"><title>bare</title></head>
<body style="margin:0;background:#101018"><canvas id="c" width="400" height="400"
style="image-rendering:pixelated;width:800px;height:800px"></canvas><script>
const c = document.getElementById('c').getContext('2d');
const image = c.createImageData(400, 400);
let n = 0;
setInterval(() => {  // the whole picture anew every 15 ms, a little different each time
  n = (n + 1) & 255;
  for (let i = 0; i < image.data.length; i += 4) {
    image.data[i] = n; image.data[i + 1] = 64; image.data[i + 2] = 128; image.data[i + 3] = 255;
  }
  c.putImageData(image, 0, 0);
}, 15);
</script></body></html>"""


def bare_cpu(seconds):
    """Chromium's CPU for a bare canvas redrawn whole every 15 ms: what any page drawing at the
    game's rate costs in the same browser, the yardstick for the page in play."""
    folder = tempfile.mkdtemp(prefix="fg-bare-")
    with open(os.path.join(folder, "index.html"), "w") as f:
        f.write(BARE_PAGE)
    with bt.serve(folder) as url, bt.browser([]) as driver:
        driver.get(url)
        time.sleep(2.0)
        driver_pid = driver.service.process.pid
        pids = [p for p in tree(driver_pid) if p != driver_pid]
        use = sample(pids, seconds)
        kinds = {p: kind(p) for p in use}  # while the processes are still there
    shutil.rmtree(folder, ignore_errors=True)
    return {p: (kinds[p], c) for p, c in use.items()}


def lighthouse(dist, folder):
    tool = os.path.join(folder, "node_modules", ".bin", "lighthouse")
    if not os.path.exists(tool):
        print(f"figure: Lighthouse skipped: not installed (npm install --prefix {folder} "
              "lighthouse)")
        return
    out = os.path.join(tempfile.mkdtemp(prefix="fg-lighthouse-"), "report.json")
    with bt.serve(os.path.abspath(dist)) as url:
        subprocess.run([tool, url, "--form-factor=mobile", "--quiet", "--output=json",
                        "--output-path=" + out,
                        "--chrome-flags=--headless=new --no-sandbox"],
                       env={**os.environ, "CHROME_PATH": "/usr/bin/chromium"}, check=False)
    if not os.path.exists(out):
        print("figure: Lighthouse gave no report")
        return
    with open(out) as f:
        report = json.load(f)
    scores = {k: v["score"] for k, v in report["categories"].items()}
    audits = report["audits"]
    print("figure: Lighthouse mobile: " + ", ".join(
        f"{k} {'n/a' if v is None else round(100 * v)}" for k, v in scores.items()))
    for a in ("total-blocking-time", "first-contentful-paint", "largest-contentful-paint",
              "total-byte-weight", "bootup-time"):
        item = audits.get(a, {})
        print(f"figure:   {a}: {item.get('displayValue') or item.get('errorMessage')}")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("dist")
    ap.add_argument("desktop")
    ap.add_argument("--seconds", type=float, default=10.0)
    ap.add_argument("--shot")
    ap.add_argument("--lighthouse", default=os.path.join(bt.ROOT, "build-web", "lighthouse"))
    args = ap.parse_args()
    wasm = next(os.path.join(args.dist, n) for n in os.listdir(args.dist) if n.endswith(".wasm"))
    raw = os.path.getsize(wasm)
    with open(wasm, "rb") as f:
        packed = len(gzip.compress(f.read(), 9))
    js = os.path.getsize(next(os.path.join(args.dist, n) for n in os.listdir(args.dist)
                              if re.match(r"fenzogobbix\..*\.js$", n)))
    print(f"figure: wasm {raw} bytes raw, {packed} gzipped (-9); js {js} bytes")
    total, sizes = bt.first_visit(args.dist)
    print(f"figure: first visit, brotli where the server has it: {total} bytes (" +
          ", ".join(f"{n} {b}" for n, b in sizes.items()) + ")")
    lighthouse(args.dist, args.lighthouse)
    desktop, xserver = desktop_cpu(args.desktop, args.seconds)
    print(f"figure: desktop build in play: {desktop:.1f}% of one core over {args.seconds:.0f} s, "
          f"its X server (Xvfb) {xserver:.1f}% more")
    use, in_play = page_cpu(args.dist, args.seconds, args.shot)
    total = sum(c for _, c in use.values())
    for pid, (k, c) in sorted(use.items(), key=lambda i: -i[1][1]):
        print(f"figure:   chromium {k:<20} pid {pid:>7}: {c:5.1f}%")
    renderer = max((c for k, c in use.values() if k == "renderer"), default=0.0)
    print(f"figure: page in play: renderer {renderer:.1f}%, all of Chromium {total:.1f}% of one "
          f"core over {args.seconds:.0f} s (still in play: {bool(in_play)}); "
          f"renderer / desktop = {renderer / desktop if desktop else float('inf'):.1f}x, "
          f"all / desktop = {total / desktop if desktop else float('inf'):.1f}x, "
          f"all / (desktop + X server) = {total / (desktop + xserver):.1f}x")
    bare = bare_cpu(args.seconds)
    bare_total = sum(c for _, c in bare.values())
    bare_renderer = max((c for k, c in bare.values() if k == "renderer"), default=0.0)
    print(f"figure: a bare canvas redrawn every 15 ms: renderer {bare_renderer:.1f}%, all of "
          f"Chromium {bare_total:.1f}%; the page in play / bare canvas = "
          f"{total / bare_total if bare_total else float('inf'):.2f}x (all), "
          f"{renderer / bare_renderer if bare_renderer else float('inf'):.2f}x (renderer)")
    print(f"figure: load average {open('/proc/loadavg').read().split()[0]} on "
          f"{os.cpu_count()} cores")


if __name__ == "__main__":
    main()
