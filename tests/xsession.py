#!/usr/bin/python3
"""An X session of its own for the game: the one place that starts X servers, window managers
and the game under them, drives it and looks at it. Used by the end-to-end tests, the
measurements, the memcheck run, the package check and the screenshot script.

As a library (standard library only; the X tools are Debian's xvfb, xdotool, x11-utils,
imagemagick and, for a window manager, openbox):

    with XSession(size=(1920, 1080), wm=True) as x:
        game = x.launch([binary, "--scale", "2"], env={"SDL_AUDIODRIVER": "disk"})
        win = x.find_window(CAPTION, proc=game)
        x.geometry(win)             # (x, y, width, height) of the client area on the screen
        x.tap(win, "ctrl+2"); x.tap(win, "alt+Return"); x.tap(win, "F11")
        x.move(win, 200, 57); x.click()
        x.screenshot(win)           # an Image (RGB); .save_png(path)
        x.close_request(win)        # WM_DELETE_WINDOW, as a window manager sends it
        x.wait_exit(game, 5)        # the exit status, or Failure after 5 s
        wl = x.start_weston()       # weston nested on the X server: a Wayland display, for
        x.launch([binary], env={**wl, "SDL_VIDEODRIVER": "wayland"})    # launch()'s env

The test scripts' assertions live here too, counted for their closing line:
check(cond, what) raises Failure(what) when cond is false; wait_for(probe, what, timeout) polls
until probe() gives a true value and returns it; checks_made() counts them.

Every process started here ends with the session, whatever happens.

From the shell (each prints what it found on standard output):

    xsession.py run [--size WxH] [--wm] -- CMD...   CMD with DISPLAY set to a fresh X server
                                                  (XSESSION_XVFB_PID names the server); its
                                                  exit status
    xsession.py find-window NAME [--pid P] [--alive P] [--timeout S]
                                                  the id of a visible window whose name matches
                                                  the regular expression NAME (of process P);
                                                  --alive: give up when process P has ended
    xsession.py geometry WINDOW                   x y width height
    xsession.py close-request WINDOW              sends WM_DELETE_WINDOW
    xsession.py screenshot WINDOW OUT.png
    xsession.py run-and-close [--name RE] [--size WxH] [--wm] [--window-timeout S]
                  [--exit-timeout S] [--log FILE] -- CMD...
                                                  starts CMD under a fresh X server, waits for
                                                  its window, sends a close request and
                                                  succeeds when CMD then ends with status 0
The commands that take a WINDOW use the X server in DISPLAY.
"""

import argparse
import os
import re
import select
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time
import zlib

# PNG rows are unfiltered by the build's own tool, which stores the page's pictures.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "cmake"))
import store_png  # noqa: E402

CAPTION_RE = r"^Fenzo Gobbix v1\.0$"
STEP_TIMEOUT = 8.0  # one X tool call; generous for anything that should take far less


class Failure(Exception):
    pass


# ---------------------------------------------------------------------------------------------
# Checks: what the test scripts assert, counted for their closing line ("N checks passed")

_checks = 0


def check(cond, what):
    """Counts a check; raises Failure(what) when `cond` does not hold."""
    global _checks
    _checks += 1
    if not cond:
        raise Failure(what)


def wait_for(probe, what, timeout=STEP_TIMEOUT, interval=0.05):
    """Polls probe() until it returns a true value, which it returns (one check); raises
    Failure after `timeout` seconds."""
    global _checks
    end = time.monotonic() + timeout
    while True:
        got = probe()
        if got:
            _checks += 1
            return got
        if time.monotonic() > end:
            raise Failure(f"timed out after {timeout:.1f} s waiting for {what}")
        time.sleep(interval)


def checks_made():
    """How many checks check() and wait_for() have counted so far."""
    return _checks


# ---------------------------------------------------------------------------------------------
# Pictures


class Image:
    """RGB pixels, three bytes each, row by row."""

    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, bytes(rgb)

    def px(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.rgb[i:i + 3])

    def row(self, y, x=0, w=None):
        w = self.width - x if w is None else w
        i = 3 * (y * self.width + x)
        return self.rgb[i:i + 3 * w]

    def save_ppm(self, path):
        with open(path, "wb") as f:
            f.write(b"P6 %d %d 255\n" % (self.width, self.height) + self.rgb)

    def save_png(self, path):
        stride = 3 * self.width
        raw = b"".join(b"\x00" + self.rgb[y * stride:(y + 1) * stride]
                       for y in range(self.height))
        chunk = store_png.chunk
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n" +
                    chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)) +
                    chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def mismatches(shot, ref, rows, x0=0, w=None, ref_x0=None, ref_y0=None):
    """(x, y) of every pixel in `rows` x [x0, x0 + w) where `shot` differs from `ref`, read at
    the same place or shifted to start at ref_x0, ref_y0 (w: as far as both reach)."""
    ref_x0 = x0 if ref_x0 is None else ref_x0
    w = min(shot.width - x0, ref.width - ref_x0) if w is None else w
    out = []
    for y in rows:
        ry = y if ref_y0 is None else ref_y0 + (y - rows[0])
        a, b = shot.row(y, x0, w), ref.row(ry, ref_x0, w)
        if a != b:
            out += [(x0 + i, y) for i in range(w) if a[3 * i:3 * i + 3] != b[3 * i:3 * i + 3]]
    return out


def read_png(path):
    """Decodes a non-interlaced 8-bit RGB or RGBA, or palette PNG (what the game's pictures
    are)."""
    with open(path, "rb") as f:
        return decode_png(f.read(), path)


def decode_png(data, path="PNG"):
    """The same, from the bytes of the file."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise Failure(f"{path}: not a PNG")
    idat, header, palette = [], None, b""
    for kind, body in store_png.chunks(data):
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat.append(body)
        elif kind == b"PLTE":
            palette = body
    width, height, depth, colour, _, _, interlace = header
    paletted = colour == 3 and depth in (1, 2, 4, 8) and palette
    if interlace != 0 or not (paletted or (depth == 8 and colour in (2, 6))):
        raise Failure(f"{path}: unsupported PNG layout {header}")
    bpp = {2: 3, 3: 1, 6: 4}[colour]
    raw = zlib.decompress(b"".join(idat))
    stride = (width * depth + 7) // 8 if paletted else width * bpp
    out = bytearray()
    try:
        lines = list(store_png.rows(raw, stride, bpp, height))
    except ValueError as e:
        raise Failure(f"{path}: {e}") from None
    for line in lines:
        if bpp == 3:
            out += line
        elif paletted:
            per_byte = 8 // depth
            for x in range(width):
                shift = 8 - depth * (x % per_byte + 1)
                i = (line[x // per_byte] >> shift) & ((1 << depth) - 1)
                out += palette[3 * i:3 * i + 3]
        else:
            for i in range(0, stride, 4):
                out += line[i:i + 3]
    return Image(width, height, out)


def parse_ppm(data):
    """P6 <w> <h> <max>\\n<rgb>, as `import ... ppm:-` writes it."""
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        start = pos
        while pos < len(data) and not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    pos += 1
    if fields[0] != b"P6" or fields[3] != b"255":
        raise Failure("import gave an unexpected picture")
    w, h = int(fields[1]), int(fields[2])
    return Image(w, h, data[pos:pos + 3 * w * h])


# ---------------------------------------------------------------------------------------------
# A few X requests spoken directly, for what no command-line tool does right: a window
# manager's close request (`xdotool windowclose` destroys the window instead of asking).


class XConnection:
    """A bare X11 protocol connection over the display's local socket."""

    def __init__(self, display):
        m = re.fullmatch(r"(?:unix)?:(\d+)(?:\.\d+)?", display or "")
        if not m:
            raise Failure(f"cannot reach display {display!r}: only local displays (:N)")
        n = m.group(1)
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.settimeout(STEP_TIMEOUT)
        try:
            # The abstract socket first, as libxcb does; it needs no shared /tmp.
            self.sock.connect(f"\0/tmp/.X11-unix/X{n}")
        except OSError:
            self.sock.close()
            self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            self.sock.settimeout(STEP_TIMEOUT)
            self.sock.connect(f"/tmp/.X11-unix/X{n}")
        # Little-endian, protocol 11.0, no authorisation (the session's servers have no -auth).
        self.sock.sendall(struct.pack("<BxHHHHxx", 0x6C, 11, 0, 0, 0))
        head = self._read(8)
        extra = self._read(struct.unpack_from("<H", head, 6)[0] * 4)
        if head[0] != 1:
            reason = extra[:head[1]].decode(errors="replace")
            raise Failure(f"the X server at {display} refused the connection: {reason}")
        self.seq = 0

    def _read(self, n):
        out = b""
        while len(out) < n:
            chunk = self.sock.recv(n - len(out))
            if not chunk:
                raise Failure("the X server closed the connection")
            out += chunk
        return out

    def _request(self, data):
        self.sock.sendall(data)
        self.seq = (self.seq + 1) & 0xFFFF

    def _reply(self):
        """The reply to the last request; errors and events before it are handled."""
        while True:
            packet = self._read(32)
            if packet[0] == 0:
                code, seq, value = struct.unpack_from("<xBHI", packet)
                raise Failure(f"X error {code} (value {value:#x}) on request {seq}")
            if packet[0] == 1:
                extra = struct.unpack_from("<I", packet, 4)[0]
                return packet + self._read(extra * 4)
            # an event: not asked for, ignore

    def intern_atom(self, name):
        raw = name.encode()
        pad = (-len(raw)) % 4
        self._request(struct.pack("<BBHHxx", 16, 0, 2 + (len(raw) + pad) // 4, len(raw)) +
                      raw + b"\0" * pad)
        return struct.unpack_from("<I", self._reply(), 8)[0]

    def sync(self):
        """GetInputFocus: a round trip, so everything sent before has been processed."""
        self._request(struct.pack("<BxH", 43, 1))
        self._reply()

    def send_close_request(self, window):
        protocols = self.intern_atom("WM_PROTOCOLS")
        delete = self.intern_atom("WM_DELETE_WINDOW")
        # ClientMessage, format 32: data[0] = WM_DELETE_WINDOW, data[1] = CurrentTime.
        event = struct.pack("<BBHII5I", 33, 32, 0, window, protocols, delete, 0, 0, 0, 0)
        self._request(struct.pack("<BBHII", 25, 0, 11, window, 0) + event)
        self.sync()

    def close(self):
        self.sock.close()


def close_request(display, window):
    """Asks `window` to close, as a window manager does when the user clicks its close box."""
    c = XConnection(display)
    try:
        c.send_close_request(int(str(window), 0))
    finally:
        c.close()


# ---------------------------------------------------------------------------------------------
# The session


def clean_env(extra=None):
    """This process's environment without any display or SDL driver of the caller's."""
    env = dict(os.environ)
    for name in ("DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER", "SDL_AUDIODRIVER",
                 "SDL_DISKAUDIOFILE", "XAUTHORITY"):
        env.pop(name, None)
    env.update(extra or {})
    return env


def start_xvfb(size=(800, 600), depth=24, log=None):
    """Starts `Xvfb -displayfd -noreset` and returns (process, ":N").

    -noreset: an X server started for a single client otherwise resets whenever its last
    client disconnects, so a tool that polls it while the game connects can leave the game
    with no display at all."""
    r, w = os.pipe()
    proc = subprocess.Popen(
        ["Xvfb", "-displayfd", str(w), "-noreset", "-nolisten", "tcp",
         "-screen", "0", f"{size[0]}x{size[1]}x{depth}"],
        pass_fds=(w,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
        stderr=log if log is not None else subprocess.DEVNULL, start_new_session=True)
    os.close(w)
    number = b""
    end = time.monotonic() + STEP_TIMEOUT
    try:
        while not number.endswith(b"\n"):
            left = end - time.monotonic()
            if left <= 0 or not select.select([r], [], [], left)[0]:
                raise Failure("Xvfb did not report its display")
            chunk = os.read(r, 16)
            if not chunk:
                raise Failure(f"Xvfb ended before reporting its display (status {proc.poll()})")
            number += chunk
    except BaseException:
        stop(proc)
        raise
    finally:
        os.close(r)
    return proc, ":" + number.decode().strip()


def stop(proc, grace=5.0):
    """Ends a process and its process group: politely first (an X server killed outright
    leaves its lock and socket behind)."""
    if proc is None or proc.poll() is not None:
        return
    try:
        os.killpg(proc.pid, signal.SIGTERM)
    except (ProcessLookupError, PermissionError):
        proc.terminate()
    try:
        proc.wait(timeout=grace)
    except subprocess.TimeoutExpired:
        try:
            os.killpg(proc.pid, signal.SIGKILL)
        except (ProcessLookupError, PermissionError):
            proc.kill()
        proc.wait()


class XSession:
    """One Xvfb, optionally a window manager on it, and the programs started on it."""

    def __init__(self, size=(800, 600), depth=24, wm=False, log_dir=None):
        self.size, self.depth, self.want_wm = size, depth, wm
        self.log_dir = log_dir
        self.xvfb = self.wm = self.weston = None
        self.display = None
        self.procs = []
        self._files = []
        self._dirs = []

    # -- life cycle

    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()

    def _log(self, name):
        if self.log_dir is None:
            return subprocess.DEVNULL
        f = open(os.path.join(self.log_dir, name), "wb")
        self._files.append(f)
        return f

    def start(self):
        self.xvfb, self.display = start_xvfb(self.size, self.depth, self._log("xvfb.log"))
        # The game keeps its scores and switches in the user's data folder: a session gives
        # it an empty one of its own, so every run starts as a first run and no user's record
        # is touched.
        data = tempfile.mkdtemp(prefix="fg-data-")
        self._dirs.append(data)
        self.env = clean_env({"DISPLAY": self.display, "XDG_DATA_HOME": data})
        if self.want_wm:
            self.start_wm()
        return self

    def start_wm(self):
        """Starts openbox and waits until it manages the screen (it announces itself through
        _NET_SUPPORTING_WM_CHECK on the root window)."""
        if shutil.which("openbox") is None:
            raise Failure("openbox is not installed (Debian: openbox)")
        self.wm = subprocess.Popen(["openbox", "--sm-disable"], env=self.env,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=self._log("openbox.log"), start_new_session=True)
        wait_for(lambda: "window id #" in self.x("xprop", "-root", "_NET_SUPPORTING_WM_CHECK",
                                                  check_rc=False),
                 "the window manager to manage the screen")

    def start_weston(self, width=800, height=600, scale=1):
        """Starts weston nested in this X server (x11 backend, pixman renderer, with a runtime
        directory of its own; its headless backend has no seat, which SDL cannot do without)
        and waits for its socket. Returns the variables a Wayland client needs, for launch()'s
        env: {"XDG_RUNTIME_DIR": ..., "WAYLAND_DISPLAY": ...}. With a scale, weston's output is
        a HiDPI one: width x height in points, each `scale` pixels of its X window wide."""
        if shutil.which("weston") is None:
            raise Failure("weston is not installed (Debian: weston)")
        runtime = tempfile.mkdtemp(prefix="fg-xdg-")
        self._dirs.append(runtime)
        env = {"XDG_RUNTIME_DIR": runtime, "WAYLAND_DISPLAY": "wayland-fg"}
        full_env = dict(self.env)
        full_env.update(env)
        self.weston = subprocess.Popen(
            ["weston", "--backend=x11-backend.so", "--use-pixman", "--socket=wayland-fg",
             f"--width={width}", f"--height={height}", "--idle-time=0"]
            + ([f"--scale={scale}"] if scale != 1 else []),
            env=full_env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=self._log("weston.log"), start_new_session=True)

        def up():
            if self.weston.poll() is not None:
                raise Failure(f"weston ended with status {self.weston.returncode}")
            return os.path.exists(os.path.join(runtime, "wayland-fg"))
        wait_for(up, "weston's socket")
        return env

    def launch(self, argv, env=None, cwd=None, wrapper=None, stdout=None, stderr=None):
        """Starts a program on this display: `wrapper` (for instance valgrind's command line)
        goes before argv; env adds to the session's environment. Returns the Popen."""
        full_env = dict(self.env)
        full_env.update(env or {})
        proc = subprocess.Popen(list(wrapper or []) + list(argv), env=full_env, cwd=cwd,
                                stdin=subprocess.DEVNULL,
                                stdout=stdout if stdout is not None else subprocess.DEVNULL,
                                stderr=stderr, start_new_session=True)
        self.procs.append(proc)
        return proc

    def close(self):
        for p in reversed(self.procs):
            stop(p)
        stop(self.weston)
        stop(self.wm)
        stop(self.xvfb)
        self.procs, self.weston, self.wm, self.xvfb = [], None, None, None
        for f in self._files:
            f.close()
        for d in self._dirs:
            shutil.rmtree(d, ignore_errors=True)
        self._files, self._dirs = [], []

    # -- tools

    def x(self, *args, check_rc=True, timeout=STEP_TIMEOUT):
        """Runs an X client against this display; returns its standard output."""
        r = subprocess.run(list(args), env=self.env, capture_output=True, timeout=timeout)
        if check_rc and r.returncode != 0:
            raise Failure(f"{' '.join(args)} failed: {r.stderr.decode().strip()}")
        return r.stdout.decode()

    # -- windows

    def find_window(self, name_re=CAPTION_RE, proc=None, timeout=STEP_TIMEOUT, pid=None,
                    alive=None):
        """The id of the first visible window whose name matches name_re (of process `pid`,
        if given); fails early when the Popen `proc`, or the process numbered `alive`, ends
        first."""
        def probe():
            if proc is not None and proc.poll() is not None:
                raise Failure(f"the program ended with status {proc.returncode} before its "
                              f"window appeared")
            if alive is not None and not os.path.exists(f"/proc/{alive}"):
                raise Failure(f"process {alive} ended before its window appeared")
            args = ["xdotool", "search", "--onlyvisible"]
            if pid is not None:
                args += ["--pid", str(pid)]
            out = self.x(*args, "--name", name_re, check_rc=False)
            ids = out.split()
            return ids[0] if ids else None
        return wait_for(probe, f"a visible window named /{name_re}/", timeout, 0.1)

    def geometry(self, window):
        """(x, y, width, height) of the window's client area, x and y on the screen."""
        return geometry(self.env, window)

    def window_name(self, window):
        info = self.x("xwininfo", "-id", str(window))
        return info.split('"', 2)[1] if '"' in info else ""

    def screenshot(self, window=None):
        """The window's pixels (the whole screen without a window), as an Image."""
        r = subprocess.run(["import", "-window", str(window) if window else "root",
                            "-depth", "8", "ppm:-"],
                           env=self.env, capture_output=True, timeout=STEP_TIMEOUT)
        if r.returncode != 0:
            raise Failure(f"import failed: {r.stderr.decode().strip()}")
        return parse_ppm(r.stdout)

    def close_request(self, window):
        close_request(self.display, window)

    # -- input (keysym names as xdotool takes them: "space", "Up", "ctrl+2", "alt+Return", "F11")

    def tap(self, window, keys):
        self.x("xdotool", "key", "--window", str(window), keys)

    def press(self, window, keys):
        self.x("xdotool", "keydown", "--window", str(window), keys)

    def release(self, window, keys):
        self.x("xdotool", "keyup", "--window", str(window), keys)

    def hold(self, window, keys, seconds):
        self.press(window, keys)
        time.sleep(seconds)
        self.release(window, keys)

    def move(self, window, x, y):
        """The pointer to (x, y) in the window's coordinates."""
        self.x("xdotool", "mousemove", "--window", str(window), str(x), str(y))

    def click(self, button=1):
        self.x("xdotool", "click", str(button))

    # -- exit

    @staticmethod
    def wait_exit(proc, timeout):
        try:
            return proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"the program did not end within {timeout:g} s") from None


def geometry(env, window):
    r = subprocess.run(["xwininfo", "-id", str(window)], env=env, capture_output=True,
                       timeout=STEP_TIMEOUT)
    if r.returncode != 0:
        raise Failure(f"xwininfo failed: {r.stderr.decode().strip()}")
    fields = {}
    for line in r.stdout.decode().splitlines():
        if ":" in line:
            k, v = line.split(":", 1)
            fields[k.strip()] = v.strip()
    return (int(fields["Absolute upper-left X"]), int(fields["Absolute upper-left Y"]),
            int(fields["Width"]), int(fields["Height"]))


# ---------------------------------------------------------------------------------------------
# The command line


def parse_size(text):
    m = re.fullmatch(r"(\d+)x(\d+)", text)
    if not m:
        raise argparse.ArgumentTypeError(f"size {text!r} is not WxH")
    return int(m.group(1)), int(m.group(2))


def command_argv(argv):
    return argv[1:] if argv and argv[0] == "--" else argv


def cmd_run(args):
    cmd = command_argv(args.command)
    if not cmd:
        raise Failure("run: no command given")
    with XSession(size=args.size, wm=args.wm) as x:
        env = dict(x.env)
        env["XSESSION_XVFB_PID"] = str(x.xvfb.pid)
        # The command keeps this process's group, so a terminal's Ctrl-C reaches it too.
        proc = subprocess.Popen(cmd, env=env)
        try:
            return proc.wait()
        finally:
            # Interrupted (Ctrl-C, or SIGTERM from timeout): the command goes first, then the
            # X server with the session.
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()


def cmd_run_and_close(args):
    cmd = command_argv(args.command)
    if not cmd:
        raise Failure("run-and-close: no command given")
    log = open(args.log, "ab") if args.log else None
    try:
        with XSession(size=args.size, wm=args.wm) as x:
            t0 = time.monotonic()
            proc = x.launch(cmd, stdout=log, stderr=subprocess.STDOUT if log else None)
            win = x.find_window(args.name, proc=proc, timeout=args.window_timeout)
            _, _, w, h = x.geometry(win)
            print(f"xsession: window {win} ({w}x{h}) after {time.monotonic() - t0:.1f} s",
                  flush=True)
            time.sleep(args.settle)
            if proc.poll() is not None:
                raise Failure(f"the program ended by itself with status {proc.returncode}")
            x.close_request(win)
            status = x.wait_exit(proc, args.exit_timeout)
            print(f"xsession: close request answered, exit status {status}", flush=True)
            return 0 if status == 0 else 1
    finally:
        if log:
            log.close()


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    sub = ap.add_subparsers(dest="what", required=True)

    p = sub.add_parser("run", help="run a command under a fresh X server")
    p.add_argument("--size", type=parse_size, default=(800, 600))
    p.add_argument("--wm", action="store_true", help="start openbox first")
    p.add_argument("command", nargs=argparse.REMAINDER)

    p = sub.add_parser("run-and-close", help="start a program, wait for its window, close it")
    p.add_argument("--name", default=CAPTION_RE)
    p.add_argument("--size", type=parse_size, default=(800, 600))
    p.add_argument("--wm", action="store_true")
    p.add_argument("--window-timeout", type=float, default=20.0)
    p.add_argument("--exit-timeout", type=float, default=10.0)
    p.add_argument("--settle", type=float, default=1.0,
                   help="seconds between the window appearing and the close request")
    p.add_argument("--log", help="append the program's output to this file")
    p.add_argument("command", nargs=argparse.REMAINDER)

    p = sub.add_parser("find-window", help="id of a visible window, by name")
    p.add_argument("name")
    p.add_argument("--pid", type=int)
    p.add_argument("--alive", type=int)
    p.add_argument("--timeout", type=float, default=20.0)

    p = sub.add_parser("geometry", help="x y width height of a window")
    p.add_argument("window")

    p = sub.add_parser("close-request", help="send WM_DELETE_WINDOW to a window")
    p.add_argument("window")

    p = sub.add_parser("screenshot", help="save a window's pixels as PNG")
    p.add_argument("window")
    p.add_argument("out")

    args = ap.parse_args(argv)
    # SIGTERM (from timeout, or a test runner giving up) unwinds like Ctrl-C, so the session
    # still ends every process it started.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    try:
        if args.what == "run":
            return cmd_run(args)
        if args.what == "run-and-close":
            return cmd_run_and_close(args)
        display = os.environ.get("DISPLAY")
        if not display:
            raise Failure(f"{args.what}: DISPLAY is not set")
        x = XSession()
        x.display, x.env = display, dict(os.environ)
        if args.what == "find-window":
            print(x.find_window(args.name, timeout=args.timeout, pid=args.pid, alive=args.alive))
        elif args.what == "geometry":
            print(*x.geometry(args.window))
        elif args.what == "close-request":
            x.close_request(args.window)
        elif args.what == "screenshot":
            x.screenshot(args.window).save_png(args.out)
        return 0
    except Failure as e:
        print(f"xsession {args.what}: {e}", file=sys.stderr)
        return 1
    except KeyboardInterrupt:
        return 130


if __name__ == "__main__":
    sys.exit(main())
