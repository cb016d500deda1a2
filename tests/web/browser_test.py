#!/usr/bin/python3
"""Plays the web build in a real browser (Debian's headless Chromium driven through
chromedriver) as a player would, and checks what the canvas, the speakers and the browser get.

Usage: browser_test.py DIST_DIR [--shot PNG] [--measure-cpu SECONDS]
The page is served from DIST_DIR on 127.0.0.1 by this script itself. Prints one line per check
and a closing "N passed, N failed"; the exit status is 1 when any check failed.
"""

import argparse
import base64
import contextlib
import functools
import hashlib
import http.server
import os
import re
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
from serve_dist import DistHandler  # noqa: E402
import xsession  # noqa: E402  (the project's PNG reader)
from xsession import Failure, check, mismatches, wait_for  # noqa: E402

from selenium import webdriver  # noqa: E402
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PNG_DIR = os.path.join(ROOT, "assets", "png")
CAPTION = "Fenzo Gobbix v1.0"
HOME_PAGE = "https://fenzogobbix.example/"
ENDING = "Thanks for playing"
SIZE = 400
SCROLLER_ROWS = range(380, 397)  # the scroller and its one-pixel shadow
LABEL = (132, 52, 141, 10)  # the link label: x, y, w, h
LINK_POINT = (200, 57)  # inside the label's strict hot zone
OUTSIDE_POINT = (20, 300)
SNAKE_ROWS = range(176, 192)  # the row a new snake starts in
SCORE_RECT = (178, 10, 45, 9)
MUSIC_RMS = 0.003  # the tune's level is about 0.1; silence is exactly 0


# ---------------------------------------------------------------------------------------------
# Pictures


class Image(xsession.Image):
    def at(self, x, y):
        i = (y * self.width + x) * 3
        return self.rgb[i:i + 3]


def read_png(path):
    """An 8-bit, non-interlaced RGB or RGBA PNG (what the game's pictures are), as RGB."""
    with open(path, "rb") as f:
        return decode_png(f.read(), path)


def decode_png(data, path="PNG"):
    picture = xsession.decode_png(data, path)
    return Image(picture.width, picture.height, picture.rgb)


def describe(diff, limit=4):
    if not diff:
        return "no difference"
    return f"{len(diff)} pixels differ, first at {diff[:limit]}"


def cells_of(points):
    return {(x // 16, y // 16) for x, y in points}


# ---------------------------------------------------------------------------------------------
# The page in a browser


class QuietHandler(DistHandler):
    """The page's own server, told by `state` what to serve ("root") and whether to answer at
    all ("down": requests are dropped unanswered, as by a server that has gone)."""

    def __init__(self, *args, state, **kwargs):
        self.state = state
        super().__init__(*args, directory=state["root"], **kwargs)

    def log_message(self, *args):
        pass

    def do_GET(self):
        if self.state["down"]:  # reset the connection, unanswered
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self.close_connection = True
            return
        super().do_GET()


@contextlib.contextmanager
def serve(dist, state=None):
    state = {} if state is None else state
    state.setdefault("root", dist)
    state.setdefault("down", False)
    server = http.server.ThreadingHTTPServer(
        ("127.0.0.1", 0), lambda *a, **k: QuietHandler(*a, state=state, **k))
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    try:
        yield f"http://127.0.0.1:{server.server_address[1]}/"
    finally:
        server.shutdown()
        server.server_close()


@contextlib.contextmanager
def browser(extra_args=()):
    profile = tempfile.mkdtemp(prefix="fg-chromium-")
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for a in ["--headless=new", "--no-sandbox", "--disable-gpu",
              "--disable-background-networking", "--disable-component-update", "--disable-sync",
              "--no-first-run", "--user-data-dir=" + profile, "--window-size=1600,1100",
              *extra_args]:
        options.add_argument(a)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    # When the game sets its caption, the first thing it does on starting: measured from outside.
    driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": """
        const title = Object.getOwnPropertyDescriptor(Document.prototype, 'title');
        Object.defineProperty(Document.prototype, 'title', {configurable: true, get: title.get,
          set(v) { window.fgCaptionAt = window.fgCaptionAt || performance.now();
                   title.set.call(this, v); }});"""})
    try:
        yield driver
    finally:
        driver.quit()
        shutil.rmtree(profile, ignore_errors=True)


class Page:
    def __init__(self, driver, url):
        self.d = driver
        self.url = url
        self.tab = None
        self.shots = None
        self.touch = False  # a phone's page: it starts with the touch screen's prompts

    def open(self):
        self.d.get(self.url)
        self.tab = self.d.current_window_handle
        wait_for(lambda: self.js("return window.fgFirstFrameAt !== undefined"), "the first frame",
                 timeout=20)
        self.canvas = self.d.find_element("id", "screen")

    def js(self, script, *args):
        return self.d.execute_script(script, *args)

    def shot(self):
        data = self.js("""
            const d = document.getElementById('screen').getContext('2d')
                .getImageData(0, 0, 400, 400).data;
            const rgb = new Array(400 * 400 * 3);
            for (let i = 0, o = 0; i < d.length; i += 4) {
              rgb[o++] = String.fromCharCode(d[i]);
              rgb[o++] = String.fromCharCode(d[i + 1]);
              rgb[o++] = String.fromCharCode(d[i + 2]);
            }
            return btoa(rgb.join(''));""")
        return Image(SIZE, SIZE, base64.b64decode(data))

    def scale(self):
        return self.canvas.size["width"] / SIZE

    def key(self, key, hold=0.0):
        chain = ActionChains(self.d).key_down(key)
        if hold:
            chain = chain.pause(hold)
        chain.key_up(key).perform()

    def pointer(self, point):
        s = self.scale()
        w, h = self.canvas.size["width"], self.canvas.size["height"]
        # Offsets count from the element's centre.
        dx = int(round((point[0] + 0.5) * s - w / 2))
        dy = int(round((point[1] + 0.5) * s - h / 2))
        ActionChains(self.d).move_to_element_with_offset(self.canvas, dx, dy).perform()

    def click(self):
        ActionChains(self.d).click().perform()

    def level(self):
        return self.js("return window.fgAudioLevel()")


class Pictures:
    def __init__(self):
        self.title = read_png(os.path.join(PNG_DIR, "picTitle.png"))
        # the title as the game draws it with the touch screen's key lines, the scroller aside
        self.touch_title = read_png(os.path.join(ROOT, "tests", "fixtures", "golden", "title_touch.png"))
        self.playground = read_png(os.path.join(PNG_DIR, "Playground.png"))
        self.link = read_png(os.path.join(PNG_DIR, "sprLink.png"))


def title_diff(shot, pics, touch=False):
    return mismatches(shot, pics.touch_title if touch else pics.title,
                      [y for y in range(SIZE) if y not in SCROLLER_ROWS])


def wait_for_title(page, pics, what, touch=None):
    """The title, with the touch screen's key lines when asked or, by default, on a phone."""
    last = {}
    touch = page.touch if touch is None else touch

    def probe():
        last["diff"] = title_diff(page.shot(), pics, touch)
        return not last["diff"]
    try:
        wait_for(probe, what, interval=0.1)
    except Failure as e:
        raise Failure(f"{e}: {describe(last['diff'])}")


def playground_diff(shot, pics):
    sx, sy, sw, sh = SCORE_RECT
    return [(x, y) for x, y in mismatches(shot, pics.playground, range(SIZE))
            if y not in SNAKE_ROWS and not (sx <= x < sx + sw and sy <= y < sy + sh)]


def wait_for_playground(page, pics):
    last = {}

    def probe():
        shot = page.shot()
        diff = playground_diff(shot, pics)
        snake = mismatches(shot, pics.playground, SNAKE_ROWS)
        last.update(diff=diff, snake=len(snake))
        return shot if len(cells_of(diff)) <= 2 and len(snake) > 5 * 100 else None
    try:
        return wait_for(probe, "the playground with the snake", interval=0.1)
    except Failure as e:
        raise Failure(f"{e}: {last['snake']} pixels off the playground on the start row; "
                      f"elsewhere {describe(last['diff'])}")


def label_is(page, pics, src_y):
    lx, ly, lw, lh = LABEL
    return not mismatches(page.shot(), pics.link, range(ly, ly + lh), lx, lw, ref_x0=0,
                          ref_y0=src_y)


def peak_level(page, seconds):
    """Largest RMS the page reports over the next `seconds`."""
    peak, end = 0.0, time.monotonic() + seconds
    while time.monotonic() < end:
        peak = max(peak, page.level())
        time.sleep(0.02)
    return peak


# ---------------------------------------------------------------------------------------------
# Checks, in the order a player meets them; each one leaves the page where the next starts.


def check_title(page, pics):
    """The first frame is the complete title, pixel for pixel, under the game's caption."""
    page.pointer(OUTSIDE_POINT)
    wait_for_title(page, pics, "the title after start-up")
    check(page.js("return document.title") == CAPTION, "caption: " + page.js("return document.title"))
    first = page.shot()
    time.sleep(0.2)
    moved = mismatches(page.shot(), first, SCROLLER_ROWS)
    check(len(moved) > 100, f"the scroller does not move ({len(moved)} pixels changed)")


def check_page(page, pics):
    """Integer-scaled pixelated canvas, the game's icon as favicon, nothing from other hosts."""
    width, height = page.canvas.size["width"], page.canvas.size["height"]
    check(width == height and width % SIZE == 0, f"canvas shown at {width}x{height}")
    # The test window fits two steps, so the pointer checks go through the scaling.
    check(width >= 2 * SIZE, f"canvas shown at {width}x{height} in a window that fits {2 * SIZE}")
    rendering = page.js("return getComputedStyle(arguments[0]).imageRendering", page.canvas)
    check(rendering == "pixelated", f"image-rendering is {rendering}")
    icon = page.js("return document.querySelector('link[rel=\"icon\"]').href")
    check(icon.startswith("data:image/png;base64,"), f"favicon is {icon[:40]}")
    pixels = page.js("""
        const img = new Image();
        img.src = arguments[0];
        return img.decode().then(() => {
          const c = document.createElement('canvas');
          c.width = img.width; c.height = img.height;
          c.getContext('2d').drawImage(img, 0, 0);
          return [img.width, img.height, Array.from(c.getContext('2d').getImageData(0, 0, 32, 32).data)];
        });""", icon)
    ref = read_png(os.path.join(PNG_DIR, "icon32.png"))
    check(pixels[0] == 32 and pixels[1] == 32, f"favicon is {pixels[0]}x{pixels[1]}")
    opaque = [(i // 4) for i in range(0, len(pixels[2]), 4) if pixels[2][i + 3] == 255]
    wrong = [i for i in opaque
             if bytes(pixels[2][i * 4:i * 4 + 3]) != ref.rgb[i * 3:i * 3 + 3]]
    check(len(opaque) > 100 and not wrong,
          f"favicon differs from the game's icon at {len(wrong)} of {len(opaque)} opaque pixels")
    check(page.js("return window.devicePixelRatio") == 1, "device pixel ratio is not 1")
    check(not page.d.find_element("id", "touch").is_displayed(), "touch controls on a desktop")
    check_whole_pixels(page)
    names = page.js("return performance.getEntriesByType('resource').map(e => e.name)")
    foreign = [n for n in names if not n.startswith(page.url) and not n.startswith("data:")]
    check(not foreign, f"resources from elsewhere: {foreign}")


def canvas_on_screen(page):
    """The canvas as the screen shows it, in device pixels, and its device pixels per image
    pixel (layout keeps lengths in 64ths of a CSS pixel: a third of one is not quite exact)."""
    r = page.js("const r = arguments[0].getBoundingClientRect();"
                "return [r.left, r.top, r.width, window.devicePixelRatio];", page.canvas)
    scale = round(r[2] * r[3]) // SIZE
    check(scale >= 1 and abs(r[2] * r[3] - scale * SIZE) < 0.1,
          f"the canvas is {r[2] * r[3]} device pixels wide, not a whole multiple of {SIZE}")
    shown = page.d.execute_cdp_cmd("Page.captureScreenshot", {"format": "png", "clip": {
        "x": r[0], "y": r[1], "width": r[2], "height": r[2], "scale": 1}})
    screen = decode_png(base64.b64decode(shown["data"]))
    check(screen.width == scale * SIZE, f"a {screen.width}-pixel shot of a {scale}x canvas")
    return screen, scale


def check_whole_pixels(page):
    """On screen each canvas pixel is a whole block of device pixels, not a blend; returns the
    block's size."""
    screen, scale = canvas_on_screen(page)
    canvas = page.shot()
    rows = [y for y in range(0, SIZE, 3) if y not in SCROLLER_ROWS]
    blurred = []
    for y in rows:
        for x in range(SIZE):
            want = canvas.at(x, y)
            block = [screen.at(x * scale + dx, y * scale + dy)
                     for dy in range(scale) for dx in range(scale)]
            if any(p != want for p in block):
                blurred.append((x, y))
    check(not blurred, f"the {scale}x canvas on screen is not whole pixels: {describe(blurred)}")
    return scale


def check_music(page, pics):
    """Music plays from the start (autoplay allowed); M silences it and M brings it back."""
    wait_for(lambda: page.level() > MUSIC_RMS, "music on the title")
    page.key("m")
    wait_for(lambda: page.level() == 0, "silence after M")
    check(peak_level(page, 0.5) == 0, "sound after M")
    page.key("m")
    wait_for(lambda: page.level() > MUSIC_RMS, "music after M again")


def check_gesture(page, pics):
    """Where the browser wants a gesture first, the page is silent until the first click, and
    the music plays after it, at its pitch even when the output then refuses the game's rate."""
    with browser(["--autoplay-policy=document-user-activation-required"]) as driver:
        driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": """
            window.AudioContext = class extends window.AudioContext {
              constructor(options) {
                if (options && options.sampleRate) throw new DOMException('', 'NotSupportedError');
                super({sampleRate: 48000});
              }
            };"""})
        strict = Page(driver, page.url)
        strict.open()
        time.sleep(0.3)
        state = strict.js("return window.fgAudioState()")
        check(state == "suspended", f"audio is {state} before any gesture")
        check(peak_level(strict, 0.5) == 0, "sound before any gesture")
        strict.pointer(OUTSIDE_POINT)
        strict.click()
        wait_for(lambda: strict.level() > MUSIC_RMS, "music after a click")
        check(strict.js("return window.fgAudioState()") == "running", "audio not running")
        check(strict.js("return new AudioContext().sampleRate") == 48000,
              "the output's rate could not be changed")
        # The game was told 44.1 kHz before the click: it must go on being asked for 44,100
        # frames a second (blocks of 1,024, so 4 s measure it within 2 %).
        (f0, t0) = strict.js("return [window.fgGameFrames, performance.now()]")
        time.sleep(4.0)
        (f1, t1) = strict.js("return [window.fgGameFrames, performance.now()]")
        rate = (f1 - f0) / ((t1 - t0) / 1000)
        check(abs(rate / 44100 - 1) < 0.04,
              f"the game plays {rate:.0f} frames a second into a 48 kHz output, want 44100")


def check_no_worklet(page, pics):
    """A browser without audio worklets (as on a page served over plain HTTP from elsewhere)
    still plays the music, through the older processor node, and M still silences it."""
    with browser(["--autoplay-policy=no-user-gesture-required"]) as driver:
        driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": """
            Object.defineProperty(BaseAudioContext.prototype, 'audioWorklet',
                                  {get: () => undefined});"""})
        older = Page(driver, page.url)
        older.open()
        check(older.js("return new AudioContext().audioWorklet === undefined"),
              "the worklet could not be hidden")
        wait_for(lambda: older.level() > MUSIC_RMS, "music without a worklet")
        older.key("m")
        wait_for(lambda: older.level() == 0, "silence after M without a worklet")


def check_hover(page, pics):
    """The pointer over the address lights the label; away from it, the label goes back."""
    page.pointer(LINK_POINT)
    wait_for(lambda: label_is(page, pics, 10), "the highlighted link label")
    page.pointer(OUTSIDE_POINT)
    wait_for(lambda: label_is(page, pics, 0), "the link label in its normal look")


def check_link(page, pics):
    """A click on the address opens the home page in a new tab, once."""
    before = set(page.d.window_handles)
    page.pointer(LINK_POINT)
    wait_for(lambda: label_is(page, pics, 10), "the highlighted link label")
    page.click()
    new = wait_for(lambda: set(page.d.window_handles) - before, "a new tab")
    time.sleep(0.3)
    check(len(set(page.d.window_handles) - before) == 1, "more than one tab opened")
    target = new.pop()
    urls = [t["url"] for t in page.d.execute_cdp_cmd("Target.getTargets", {})["targetInfos"]
            if t["targetId"] == target]
    page.d.switch_to.window(target)
    asked = page.js("return location.href") if not urls else urls[0]
    page.d.close()
    page.d.switch_to.window(page.tab)
    page.js("document.getElementById('screen').focus()")
    page.pointer(OUTSIDE_POINT)
    check(HOME_PAGE in asked,
          f"the new tab is at {asked!r}, want {HOME_PAGE!r}")


def check_start(page, pics):
    """Space starts a game: the playground wipes in and the snake lies in its start row."""
    page.key(Keys.SPACE)
    page.started = wait_for_playground(page, pics)


def check_steer(page, pics):
    """Up held: the head leaves the start row and the body follows it upwards."""
    before = len(mismatches(page.started, pics.playground, range(16, 170)))
    page.key(Keys.ARROW_UP, hold=0.3)
    time.sleep(0.5)
    after = len(mismatches(page.shot(), pics.playground, range(16, 170)))
    check(after - before > 3 * 200, f"the snake did not turn up ({before} -> {after} pixels)")


def still(page, seconds=0.3):
    """The canvas once it has stopped changing for `seconds`, or None."""
    first = page.shot()
    time.sleep(seconds)
    return first if page.shot().rgb == first.rgb else None


def check_pause(page, pics):
    """P pauses play (the sign over a frozen field, arrows not read) and carries on; the
    canvas losing the focus pauses too, and a click back into it does not carry on."""
    page.key(Keys.ARROW_RIGHT, hold=0.2)  # across the field, so play shows movement
    time.sleep(0.2)
    moving = page.shot()
    page.key("p")
    paused = wait_for(lambda: still(page), "a frozen field after P")
    check(mismatches(paused, moving, range(SIZE)), "P drew no pause sign")
    page.key(Keys.ARROW_DOWN, hold=0.1)
    check(still(page, 0.4) and page.shot().rgb == paused.rgb, "the field moved while paused")
    page.key("p")
    wait_for(lambda: page.shot().rgb != paused.rgb, "play to carry on after P")
    check(not still(page, 0.3), "nothing moves after P again")

    page.js("document.getElementById('screen').blur()")
    blurred = wait_for(lambda: still(page), "a frozen field after the focus left")
    page.pointer(OUTSIDE_POINT)
    page.click()
    check(still(page, 0.4) and page.shot().rgb == blurred.rgb, "a click carried on the game")
    page.key(Keys.PAUSE)
    wait_for(lambda: page.shot().rgb != blurred.rgb, "play to carry on after Pause")


def check_escape(page, pics):
    """Escape in play returns to the title, revealed in full."""
    page.key(Keys.ESCAPE)
    wait_for_title(page, pics, "the title after Escape from a game")


def check_keys_kept(page, pics):
    """The game's keys are kept from the browser only while the canvas has the focus."""
    page.js("""
        window.fgPrevented = {};
        window.addEventListener('keydown', (e) => { window.fgPrevented[e.key] = e.defaultPrevented; });""")
    for key in (Keys.ARROW_DOWN, Keys.SPACE, "s", "s", "a"):
        page.key(key)
        if key == Keys.SPACE:
            # That started a game: back to the title once it is on.
            wait_for_playground(page, pics)
            page.key(Keys.ESCAPE)
            wait_for_title(page, pics, "the title after Escape")
    got = page.js("return window.fgPrevented")
    check(got.get("ArrowDown") is True and got.get(" ") is True and got.get("s") is True,
          f"game keys reached the browser: {got}")
    check(got.get("a") is False, f"a key the game does not use was kept: {got}")
    page.js("document.activeElement.blur(); window.fgPrevented = {};")
    page.key(Keys.ARROW_DOWN)
    got = page.js("return window.fgPrevented")
    page.js("document.getElementById('screen').focus()")
    check(got.get("ArrowDown") is False, f"the arrow was kept without the focus: {got}")


def check_effects(page, pics):
    """The effects are mixed in: the start's sound is heard with the music off, and S keeps it
    quiet."""
    page.key("m")
    wait_for(lambda: page.level() == 0, "silence after M")
    page.key(Keys.SPACE)
    heard = peak_level(page, 1.5)
    check(heard > MUSIC_RMS, f"no start effect with the music off (peak RMS {heard:.4f})")
    page.key(Keys.ESCAPE)
    wait_for_title(page, pics, "the title after Escape")
    page.key("s")
    page.key(Keys.SPACE)
    quiet = peak_level(page, 1.5)
    check(quiet == 0, f"sound with effects and music off (peak RMS {quiet:.4f})")
    page.key(Keys.ESCAPE)
    wait_for_title(page, pics, "the title after Escape")
    page.key("s")
    page.key("m")
    wait_for(lambda: page.level() > MUSIC_RMS, "music after M again")


def check_end(page, pics):
    """Escape on the title ends the program, here while the title is still being revealed after
    a game, deep inside the game's waits: the last image stays, the page says so, the sound
    stops and the keys go back to the browser."""
    page.key(Keys.SPACE)
    # Items stay from the earlier games: the playground with whatever lies on it.
    wait_for(lambda: len(playground_diff(page.shot(), pics)) < SIZE * SIZE // 10, "a game")
    time.sleep(0.3)
    page.key(Keys.ESCAPE)
    time.sleep(0.15)
    page.key(Keys.ESCAPE)
    wait_for(lambda: page.js("return document.body.classList.contains('ended')"), "the ending")
    check_ending_shown(page)
    first = page.shot()
    time.sleep(0.3)
    check(first.rgb == page.shot().rgb, "the canvas still changes after the end")
    unrevealed = len(title_diff(first, pics))
    check(0 < unrevealed < SIZE * SIZE * 0.95,
          f"the last image is not a title half revealed ({unrevealed} pixels off the title)")
    check(page.level() == 0, "sound after the end")
    page.js("window.fgPrevented = {}; document.getElementById('screen').focus();")
    page.key(Keys.ARROW_DOWN)
    check(page.js("return window.fgPrevented")["ArrowDown"] is False,
          "the arrow is still kept from the browser after the end")


def check_ending_shown(page):
    """The line and the button to play again over the last picture, dimmed on screen."""
    caption = page.d.find_element("css selector", "figcaption")
    again = page.d.find_element("id", "again")
    check(caption.is_displayed() and caption.text.startswith(ENDING), f"ending line: {caption.text!r}")
    check(again.is_displayed() and again.text == "Play again", f"play-again button: {again.text!r}")
    screen, scale = canvas_on_screen(page)
    canvas = page.shot()
    # Corners: away from the line and the button in the middle.
    points = [(x, y) for x in range(4, 60, 7) for y in range(4, 60, 7)]
    picture = sum(sum(canvas.at(x, y)) for x, y in points)
    dimmed = sum(sum(screen.at(x * scale, y * scale)) for x, y in points)
    check(dimmed < picture * 0.6, f"the last picture is not dimmed ({dimmed} on screen, {picture} drawn)")


def check_play_again(page, pics):
    """After the end, Space, Enter or a click starts the program again in the same page: the
    title is revealed, the music plays, and Escape ends it again."""
    page.js("window.fgSamePage = true;")
    for how in (Keys.SPACE, Keys.ENTER, "click"):
        if how == "click":
            ActionChains(page.d).move_to_element(page.d.find_element("id", "again")).click().perform()
        else:
            page.key(how)
        page.pointer(OUTSIDE_POINT)
        wait_for_title(page, pics, f"the title after playing again by {how!r}")
        check(page.js("return window.fgSamePage === true"), "the page was reloaded")
        check(not page.js("return document.body.classList.contains('ended')"), "still ended")
        wait_for(lambda: page.level() > MUSIC_RMS, "music after playing again")
        page.key(Keys.ESCAPE)
        wait_for(lambda: page.js("return document.body.classList.contains('ended')"),
                 f"the end after playing again by {how!r}")
        check_ending_shown(page)


CHECKS = [check_title, check_page, check_music, check_gesture, check_no_worklet, check_hover, check_link, check_start,
          check_steer, check_pause, check_escape, check_keys_kept, check_effects, check_end,
          check_play_again]


# ---------------------------------------------------------------------------------------------
# A phone: touch and a pad, in a second browser with touch emulated through the DevTools protocol

PHONES = [  # CSS width, height, device pixel ratio
    (740, 360, 3),  # held sideways
    (360, 740, 3),  # upright; the play checks below run in this one
]
FILL = 0.95  # of the screen's narrower side the field takes at a ratio of 2 or more
# A pad with the standard mapping, in place of the browser's: window.fgPad(buttons, x, y) plugs
# it in or moves it, window.fgPad(null) pulls it out.
PAD_STUB = """
    let pad = null;
    navigator.getGamepads = () => [pad, null, null, null];
    window.fgPad = (buttons, x, y) => {
      const plugged = !!pad;
      pad = buttons && {index: 0, id: 'stub', connected: true, mapping: 'standard',
        timestamp: performance.now(), axes: [x || 0, y || 0, 0, 0],
        buttons: Array.from({length: 17}, (_, i) =>
          ({pressed: buttons.includes(i), touched: buttons.includes(i),
            value: buttons.includes(i) ? 1 : 0}))};
      if (!!pad !== plugged) {
        window.dispatchEvent(new Event(pad ? 'gamepadconnected' : 'gamepaddisconnected'));
      }
    };"""
DPAD_DOWN = 13
CHEVRON = (255, 140, 26)  # the head's chevron; nothing else in play has this colour


def centre(page, selector):
    r = page.js("const r = document.querySelector(arguments[0]).getBoundingClientRect();"
                "return [r.left + r.width / 2, r.top + r.height / 2];", selector)
    return r[0], r[1]


def touches(page, kind, points=()):
    page.d.execute_cdp_cmd("Input.dispatchTouchEvent", {
        "type": kind, "touchPoints": [{"x": x, "y": y, "id": i} for i, (x, y) in enumerate(points)]})


def touch_tap(page, selector, hold=0.05):
    touches(page, "touchStart", [centre(page, selector)])
    time.sleep(hold)
    touches(page, "touchEnd")


def touch_swipe(page, dx, dy):
    x, y = centre(page, "#screen")
    touches(page, "touchStart", [(x, y)])
    for i in range(1, 6):
        time.sleep(0.01)
        touches(page, "touchMove", [(x + dx * i / 5, y + dy * i / 5)])
    touches(page, "touchEnd")


def head(shot):
    points = [(x, y) for y in range(SIZE) for x in range(SIZE) if shot.at(x, y) == bytes(CHEVRON)]
    if not points:
        return None
    return (sum(p[0] for p in points) / len(points), sum(p[1] for p in points) / len(points))


def heading(page):
    """Where the head is going: 'left', 'right', 'up', 'down', or what is wrong."""
    a = head(page.shot())
    time.sleep(0.3)
    b = head(page.shot())
    if a is None or b is None:
        return "no head on the field"
    dx, dy = b[0] - a[0], b[1] - a[1]
    if max(abs(dx), abs(dy)) < 12:
        return f"still ({dx:.0f}, {dy:.0f})"
    if abs(dx) > abs(dy):
        return "left" if dx < 0 else "right"
    return "up" if dy < 0 else "down"


def check_phone_layout(page, pics):
    """Upright and sideways at three device pixels per CSS pixel: the whole field nearly as wide
    as the screen's narrower side, beside or above the controls, each control a thumb's size
    inside the screen and clear of the field, the canvas sampled nearest-neighbour (no colour on
    screen that the canvas lacks)."""
    for width, height, ratio in PHONES:
        page.d.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": width, "height": height, "deviceScaleFactor": ratio, "mobile": True})
        time.sleep(0.3)
        view = f"{width}x{height}"
        check(page.js("return document.body.classList.contains('touch')"),
              f"{view}: no touch controls")
        rects = []
        for code in ["", "R1"]:  # the buttons as in play, and as on the sign of a kept game
            rects += page.js("""Module.fgOfferShare(arguments[0]);
                return Array.from(document.querySelectorAll('#screen, #touch button'))
                .filter((e) => e.getClientRects().length)
                .map((e) => { const r = e.getBoundingClientRect();
                              return [e.id || e.getAttribute('aria-label'), r.left, r.top,
                                      r.right, r.bottom]; });""", code)
        page.js("Module.fgOfferShare('')")
        canvas = rects[0]
        for name, left, top, right, bottom in rects:
            check(left >= 0 and top >= 0 and right <= width and bottom <= height,
                  f"{view}: {name} at {left:.0f},{top:.0f}-{right:.0f},{bottom:.0f} is off screen")
            if name == "screen":
                continue
            check(right - left >= 48 and bottom - top >= 48,
                  f"{view}: {name} is {right - left:.0f}x{bottom - top:.0f} CSS px")
            check(right <= canvas[1] or left >= canvas[3] or bottom <= canvas[2] or top >= canvas[4],
                  f"{view}: {name} lies over the field")
        if page.shots:
            with open(os.path.join(page.shots, f"phone-{view}.png"), "wb") as f:
                f.write(base64.b64decode(page.d.execute_cdp_cmd("Page.captureScreenshot", {})["data"]))
        side = canvas[3] - canvas[1]
        print(f"figure: {view} at ratio {ratio}: the field is {side:.1f} CSS px, "
              f"{100 * side / min(width, height):.1f} % of the narrower side")
        check(side >= FILL * min(width, height), f"{view}: the field is {side:.1f} CSS px wide")
        before = page.shot()
        shown = page.d.execute_cdp_cmd("Page.captureScreenshot", {"format": "png", "clip": {
            "x": canvas[1], "y": canvas[2], "width": side, "height": side, "scale": 1}})
        screen = decode_png(base64.b64decode(shown["data"]))
        colours = {p.rgb[i:i + 3] for p in (before, page.shot()) for i in range(0, len(p.rgb), 3)}
        blended = {screen.rgb[i:i + 3] for i in range(0, len(screen.rgb), 3)} - colours
        # A blend of neighbours makes thousands; a frame drawn between the shots, a few.
        check(len(blended) < 20, f"{view}: {len(blended)} colours on screen the canvas lacks")


def check_phone_play(page, pics):
    """A tap starts a game; the pad, a swipe and a plugged-in pad each steer. The stick presses
    and lets go at the desktop's two thresholds, and a pad pulled out lets go of its arrows."""
    page.js("window.fgSamePage = true;")
    touch_tap(page, "#screen")
    wait_for_playground(page, pics)
    check(heading(page) == "left", "the snake does not start to the left")
    pad = 'button[aria-label="%s"]'
    steps = [  # what is done, what it lets go of before the heading is read, the heading wanted
        ("pad up", lambda: touch_tap(page, pad % "Up", 0.3), None, "up"),
        ("swipe right", lambda: touch_swipe(page, 60, 0), None, "right"),
        ("D-pad down", lambda: page.js("fgPad([%d])" % DPAD_DOWN), "fgPad([])", "down"),
        ("stick left short of the press point", lambda: page.js("fgPad([], -0.45, 0)"), None,
         "down"),
        ("stick left", lambda: page.js("fgPad([], -0.9, 0)"), None, "left"),
        # Back between the thresholds the stick still holds left: after a turn down by the
        # touch pad, the snake turns left again.
        ("stick left between the thresholds, pad down",
         lambda: (page.js("fgPad([], -0.42, 0)"), touch_tap(page, pad % "Down", 0.2)), None,
         "left"),
        ("pad pulled out holding left, pad up",
         lambda: (page.js("fgPad([], -0.9, 0)"), page.js("fgPad(null)"),
                  touch_tap(page, pad % "Up", 0.2)), None, "up"),
    ]
    for what, act, then, want in steps:
        act()
        if then:
            time.sleep(0.25)
            page.js(then)
        time.sleep(0.15)
        got = heading(page)
        check(got == want, f"after {what} the snake goes {got}, want {want}")
    check(page.js("return window.scrollX === 0 && window.scrollY === 0 && "
                  "window.visualViewport.scale === 1"), "the page scrolled or zoomed")
    # A touch the browser cancels (a system gesture) lets go, and nobody asks to cancel it.
    touches(page, "touchStart", [centre(page, pad % "Down")])
    touches(page, "touchCancel")
    noise = [e["message"] for e in page.d.get_log("browser") if "Ignored attempt" in e["message"]]
    check(not noise, f"the console got {noise[:2]}")


def check_phone_pause(page, pics):
    """The pause button pauses play and carries on."""
    touch_tap(page, "#pause")
    paused = wait_for(lambda: still(page), "a frozen field after the pause button")
    touch_tap(page, "#pause")
    wait_for(lambda: page.shot().rgb != paused.rgb, "play to carry on after the pause button")


def check_phone_quit(page, pics):
    """The quit button needs a second tap: in play it goes back to the title, there it ends the
    program; a tap on the last picture plays again in the same page."""
    touch_tap(page, "#quit")
    time.sleep(0.3)
    check(len(title_diff(page.shot(), pics)) > SIZE * SIZE // 2, "one tap on the quit button left play")
    touch_tap(page, "#quit")
    wait_for_title(page, pics, "the title after two taps on the quit button")
    touch_tap(page, "#quit")
    time.sleep(0.5)
    check(not page.js("return document.body.classList.contains('ended')"),
          "one tap on the quit button ended the program")
    touch_tap(page, "#quit")
    wait_for(lambda: page.js("return document.body.classList.contains('ended')"), "the end")
    touch_tap(page, "#screen")
    wait_for_title(page, pics, "the title after a tap on the last picture")
    check(page.js("return window.fgSamePage === true"), "the page was reloaded")


def check_phone_switches(page, pics):
    """The music and effects buttons switch M and S and show the switches as the game has them,
    whatever changed them: a tap, a key, the record at start."""
    def shown():
        return page.js("return ['music', 'effects'].map((id) => "
                       "!document.getElementById(id).classList.contains('off'))")

    wait_for_title(page, pics, "the title")
    check(shown() == [True, True], f"first run: the buttons show {shown()}")
    for button, want in (("#music", [False, True]), ("#effects", [False, False])):
        touch_tap(page, button)
        wait_for(lambda: shown() == want, f"{want} after a tap on {button} (shows {shown()})")
    wait_for(lambda: peak_level(page, 0.3) == 0, "silence with the music off")
    page.key("m")  # a keyboard's M: the button follows though the page did not see it pressed
    wait_for(lambda: shown() == [True, False], f"music on after the M key (shows {shown()})")
    page.open()  # from the record: music on, effects off
    check(shown() == [True, False], f"after a reload the buttons show {shown()}")


def check_phone_prompts(page, pics):
    """A touch screen's page starts with the touch screen's key lines on its title; a key pressed
    on a keyboard brings the keyboard's back, pixel for pixel, and a swipe on the field the touch
    screen's again."""
    page.open()
    wait_for_title(page, pics, "the title with the touch screen's key lines")
    page.key("p")  # nothing on the title but the device that pressed it
    wait_for_title(page, pics, "the keyboard's key lines after a key", touch=False)
    touch_swipe(page, 60, 0)  # an arrow, which does nothing on the title
    wait_for_title(page, pics, "the touch screen's key lines after a touch", touch=True)


PHONE_CHECKS = [check_phone_layout, check_phone_play, check_phone_pause, check_phone_quit,
                check_phone_switches, check_phone_prompts]


def open_phone(driver, url, shots):
    driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": PAD_STUB})
    driver.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": True,
                                                                  "maxTouchPoints": 5})
    width, height, ratio = PHONES[-1]
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
        "width": width, "height": height, "deviceScaleFactor": ratio, "mobile": True})
    page = Page(driver, url)
    page.shots = shots
    page.touch = True
    page.open()
    return page


# ---------------------------------------------------------------------------------------------
# The player's record in the page: the game-over sign, the best on the title, both kept in
# localStorage across a reload, and a page without storage playing on. Each check runs in a
# browser of its own, so the record starts empty and the checks above are not touched.

RECORD_KEY = "fenzogobbix.scores"
# The game-over sign's rim, x, y, w, h, by its number of lines: GAME OVER and the score, and a
# third (NEW BEST!, or the place) for a game that is kept.
SIGN_RIMS = {2: (112, 171, 176, 59), 3: (112, 160, 176, 81)}
BEST_PLATE = (10, 70, 190, 38)  # the most the title's best can cover, its H line included
RIM_LIT = bytes((0xC8, 0x8A, 0x4A))  # the plate's bronze rim, lit along the top and left
RIM_SHADED = bytes((0x8C, 0x5A, 0x2B))  # and shaded along the bottom and right
STAR_CELL = (32, 16)  # where a fresh page's first game puts its sixth item, a star


def game_over_sign(page, lines, timeout=6):
    """The picture once the game-over sign of `lines` lines stands over the field."""
    x, y, w, h = SIGN_RIMS[lines]

    def sign():
        shot = page.shot()
        lit = [shot.at(x + w // 2, y), shot.at(x, y + h // 2)]
        shaded = [shot.at(x + w // 2, y + h - 1), shot.at(x + w - 1, y + h // 2)]
        return shot if lit == [RIM_LIT] * 2 and shaded == [RIM_SHADED] * 2 else None
    return wait_for(sign, f"the game-over sign of {lines} lines", timeout=timeout)


def head_where(page, near, what):
    """Waits until near(x, y) holds for the centre of the head's chevron; returns the picture."""
    def probe():
        shot = page.shot()
        h = head(shot)
        return shot if h and near(*h) else None
    return wait_for(probe, what, timeout=15)


def fold(page):
    """Turns a snake heading down round onto its neck (Left, Right and Up held together turn it
    in one tick): the game ends within a few ticks."""
    (ActionChains(page.d).key_down(Keys.ARROW_LEFT).key_down(Keys.ARROW_RIGHT)
     .key_down(Keys.ARROW_UP).pause(0.3).key_up(Keys.ARROW_UP).key_up(Keys.ARROW_RIGHT)
     .key_up(Keys.ARROW_LEFT).perform())


def end_at_zero(page, pics):
    """Starts a game and folds the snake at once: the sign has two lines, no NEW BEST."""
    page.key(Keys.SPACE)
    wait_for_playground(page, pics)
    page.key(Keys.ARROW_DOWN, hold=0.2)  # a turn waits for the head to reach a cell's edge
    time.sleep(0.3)
    fold(page)
    return game_over_sign(page, 2)


def play_a_scored_game(page, pics):
    """The first game of a fresh page, scoring 1: its items come in the same order every time.
    The head waits at the top border, clear of them all, until the star shows at STAR_CELL;
    Left runs it into the star and on to the corner; then it turns down and folds. Returns the
    picture with the sign, of three lines (NEW BEST! on the first game kept)."""
    page.key(Keys.SPACE)
    start = wait_for_playground(page, pics)
    page.key(Keys.ARROW_UP, hold=0.05)
    head_where(page, lambda x, y: y < 32, "the head at the top border")
    sx, sy = STAR_CELL
    wait_for(lambda: len(mismatches(page.shot(), pics.playground, range(sy, sy + 16), sx, 16))
             > 20, f"the star at {STAR_CELL}", timeout=40)
    page.key(Keys.ARROW_LEFT, hold=0.05)
    x, y, w, h = SCORE_RECT
    shot = head_where(page, lambda hx, hy: hx < 32 and hy < 32, "the head in the top left corner")
    check(mismatches(shot, start, range(y, y + h), x, w), "the star eaten, the score unchanged")
    page.key(Keys.ARROW_DOWN, hold=0.05)
    head_where(page, lambda hx, hy: hy > 48, "the head going down")
    fold(page)
    return game_over_sign(page, 3)


def best_on_title(page, pics):
    """The title once revealed: True when it shows a best (and differs from the title picture,
    a phone's with the touch screen's key lines, nowhere else), False when it is the plain
    title."""
    bx, by, bw, bh = BEST_PLATE
    last = {}

    def probe():
        diff = title_diff(page.shot(), pics, page.touch)
        last["diff"] = diff
        outside = [(x, y) for x, y in diff if not (bx <= x < bx + bw and by <= y < by + bh)]
        return "plain" if not diff else ("best" if not outside and len(diff) > 200 else None)
    try:
        return wait_for(probe, "the title", interval=0.1) == "best"
    except Failure as e:
        raise Failure(f"{e}: {describe(last['diff'])}")


def stored_record(page):
    return page.js(f"return window.localStorage.getItem('{RECORD_KEY}')")


def check_record_across_a_reload(url, pics):
    """A first title has no best; a game that scored shows the sign, then the title shows the
    best and the page stores the game; M is stored; after a reload both come back, and a game
    of 0 is not kept."""
    with browser(["--autoplay-policy=no-user-gesture-required"]) as driver:
        page = Page(driver, url)
        page.open()
        page.pointer(OUTSIDE_POINT)
        check(not best_on_title(page, pics), "a first run's title shows a best")
        check(stored_record(page) is None, "a first run found a record already")
        play_a_scored_game(page, pics)
        check(best_on_title(page, pics), "no best on the title after a game")
        text = stored_record(page) or ""
        check(text.startswith("fenzogobbix record 1\n") and text.count("\ngame ") == 1,
              f"stored record: {text!r}")
        page.key("m")
        wait_for(lambda: "music off" in (stored_record(page) or ""), "M stored")
        page.open()  # a reload
        page.pointer(OUTSIDE_POINT)
        check(best_on_title(page, pics), "no best on the title after a reload")
        check(peak_level(page, 1.0) == 0, "music after a reload with M off")
        # The first game of a page, so that no item of an earlier one lies on the field.
        end_at_zero(page, pics)
        check(best_on_title(page, pics), "no best on the title after a game of 0")
        check((stored_record(page) or "").count("\ngame ") == 1, "a game of 0 was stored")


STORAGE_FAULTS = {
    "no storage at all": """Object.defineProperty(window, 'localStorage', {
        get() { throw new DOMException('storage is off', 'SecurityError'); } });""",
    "a full quota": """Storage.prototype.setItem = function () {
        throw new DOMException('full', 'QuotaExceededError'); };""",
}


# Every text the page's status line takes, in order.
SAID_LOG = """
window.fgSaid = [];
document.addEventListener('DOMContentLoaded', () => {
  const line = document.getElementById('said');
  new MutationObserver(() => { if (line.textContent) window.fgSaid.push(line.textContent); })
      .observe(line, {childList: true, characterData: true, subtree: true});
});"""


def check_record_without_storage(url, pics):
    """Storage that throws: the game plays on, shows its sign and its best from memory, and
    nothing reaches the console."""
    for name, fault in STORAGE_FAULTS.items():
        with browser(["--autoplay-policy=no-user-gesture-required"]) as driver:
            driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument",
                                   {"source": fault + SAID_LOG})
            page = Page(driver, url)
            page.open()
            page.pointer(OUTSIDE_POINT)
            check(not best_on_title(page, pics), f"{name}: a best on the first title")
            play_a_scored_game(page, pics)
            check(best_on_title(page, pics), f"{name}: no best on the title after a game")
            page.key("m")
            wait_for(lambda: peak_level(page, 0.3) == 0, f"{name}: M to switch the music off")
            errors = [e.get("message") for e in driver.get_log("browser")
                      if e.get("level") == "SEVERE"]
            check(not errors, f"{name}: the console got {errors}")
            # The store's own line on standard error is told once on the page, on the line
            # screen readers read.
            said = page.js("return window.fgSaid.concat("
                           "document.getElementById('said').getAttribute('role'));")
            check(len(said) == 2 and "storage" in said[0] and said[1] == "status",
                  f"{name}: the page told the store's problem {said}")


RECORD_CHECKS = [check_record_across_a_reload, check_record_without_storage]


# A game shared as a link: desktop -> page -> desktop

def desktop(binary, home, *args):
    return subprocess.run([binary, *args], env={"HOME": home, "TZ": "UTC"}, capture_output=True,
                          text=True, timeout=60)


def replay_code(version, *numbers):
    """A replay code of these numbers, each below 128 (docs/replay-file.md)."""
    return f"R{version}" + base64.urlsafe_b64encode(bytes(numbers)).decode().rstrip("=")


def leb(n):
    """The bytes of a number of 128 or more, low seven bits first."""
    return (n & 0x7F | 0x80, n >> 7) if n >= 0x80 else (n,)


# A star a cell ahead of the snake, a skull three: score 1, length 6, over at its 24th tick.
KEPT_GAME = replay_code(1, 1, 6, 24, 0, 3, 0, 0, 0, 0, 36, 44, 0, 2, 28, 44, 0, 6, 0xF0, 0x02)


def check_shared_link(url, pics, binary, shots):
    """The desktop prints the link of a game in its record; that link opened in a fresh profile
    plays it back once, then shows the title, with the fragment gone and nothing stored; the
    page's share button copies its own address with the code, which the desktop plays. C on the
    sign of a game not kept copies nothing."""
    home = tempfile.mkdtemp(prefix="fg-share-")
    try:
        os.makedirs(home + "/.local/share/fenzogobbix")
        with open(home + "/.local/share/fenzogobbix/scores.txt", "w") as f:
            f.write("fenzogobbix record 1\ngame 1 6 2026-12-07T20:00:00Z 0.360\n"
                    f"replay 2026-12-07T20:00:00Z 1 {KEPT_GAME}\nend\n")
        shared = desktop(binary, home, "--share", "1")
        link = shared.stdout.strip()
        check(shared.returncode == 0 and link.endswith("/#replay=" + KEPT_GAME),
              f"--share 1 gave {shared.stdout!r} {shared.stderr!r}")
        with browser(["--autoplay-policy=no-user-gesture-required"]) as driver:
            page = Page(driver, url + link[link.index("#"):])
            page.open()
            check(page.js("return location.href") == url, "the fragment stays on the address")
            wait_for(lambda: replay_marked(page.shot()), "the shared game played back, marked")
            if shots:
                driver.save_screenshot(os.path.join(shots, "link-playback.png"))
            game_over_sign(page, 2, timeout=20)  # a game played back has no place
            if shots:
                driver.save_screenshot(os.path.join(shots, "link-sign.png"))
            wait_for_title(page, pics, "the title after the shared game")
            check(stored_record(page) is None, "the shared game was stored")
            end_at_zero(page, pics)  # scores nothing: not kept, nothing to share
            page.key("c")
            time.sleep(0.5)
            check(page.js("return window.fgCopied.length") == 0, "C copied a game not kept")
            check(page.js("return document.getElementById('share').hidden"),
                  "the share button shows with no kept game's sign up")
            page.url = url
            page.open()  # a page's first game, whose items play_a_scored_game knows
            kept_sign = play_a_scored_game(page, pics)
            check(not page.js("return document.getElementById('share').hidden"),
                  "no share button on the sign of a kept game")
            page.js("document.getElementById('share').click();")  # a mouse, a pen or Enter
            copied = wait_for(lambda: page.js("return window.fgCopied[0]"), "the share button")
            page.key("c")
            wait_for(lambda: page.js("return window.fgCopied.length") == 2, "C to copy too")
            check(page.js("return window.fgCopied[1]") == copied, "C and the button copy apart")
            record = stored_record(page) or ""
        stored = re.search(r"^replay \S+ 1 (\S+)$", record, re.M)
        check(stored and copied == url + "#replay=" + stored.group(1),
              f"the page copied {copied!r}, its record {record!r}")
        with browser(["--autoplay-policy=no-user-gesture-required"]) as driver:  # a fresh profile
            page = Page(driver, copied)
            page.open()
            wait_for(lambda: head(page.shot()), "the shared game played back")
            if shots:
                driver.save_screenshot(os.path.join(shots, "link-fresh-profile.png"))
            shown = game_over_sign(page, 2, timeout=40)
            x, y, w, h = SCORE_RECT
            check(not mismatches(shown, kept_sign, range(y, y + h), x, w),
                  "the shared game ends with a score other than the page's game")
        played = desktop(binary, home, "--timedemo", copied)
        check(played.returncode == 0 and "score 1 length" in played.stdout,
              f"--timedemo with the page's link: {played.stdout!r} {played.stderr!r}")
    finally:
        shutil.rmtree(home, ignore_errors=True)


def check_bad_links(url, pics, binary, shots):
    """A fragment that holds no game the page plays says so on the status line, over the title,
    which comes as usual."""
    # 16 ticks of a snake running left on an empty field: it never dies, as its result says.
    runs = (0, 5, 16, 0, 0, 0xF0, 0x01)
    cases = {"empty": "#replay=", "foreign text": "#section-2",
             "cut code": "#replay=" + replay_code(1, *runs[:-1]),
             "later version": "#replay=" + replay_code(9, *runs),
             "a game that departs": "#replay=" + replay_code(1, *runs)}
    with browser(["--autoplay-policy=no-user-gesture-required"]) as driver:
        driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": SAID_LOG})
        for name, fragment in cases.items():
            driver.get("about:blank")
            page = Page(driver, url + fragment)
            page.open()
            wait_for_title(page, pics, f"{name}: the title")
            said = wait_for(lambda: page.js("return window.fgSaid"), f"{name}: the line")
            check(said == ["This link does not hold a game FenzoGobbix can play"],
                  f"{name}: the page said {said}")
            if shots and name == "cut code":
                driver.save_screenshot(os.path.join(shots, "bad-link.png"))


SHARE_CHECKS = [check_shared_link, check_bad_links]


# The hall of fame and the attract loop in the page, over a record of two kept games written
# into the page's store: the best runs up the field onto two stars and a skull, the second left
# onto a star and a skull.
GAME_UP = replay_code(1, 2, 7, 64, 0, 4, 0, 0, 0, 0, 40, 36, 0, 2, 40, 32, 0, 2, 40, 12, 0, 6,
                      *leb(63 * 16 + 4))
GAME_LEFT = replay_code(1, 1, 6, 72, 0, 3, 0, 0, 0, 0, 36, 44, 0, 2, 4, 44, 0, 6, *leb(71 * 16))
FAME_RECORD = ("fenzogobbix record 1\n"
               "game 2 7 2026-12-07T21:00:00Z 0.960\ngame 1 6 2026-12-07T20:00:00Z 1.080\n"
               f"replay 2026-12-07T21:00:00Z 2 {GAME_UP}\n"
               f"replay 2026-12-07T20:00:00Z 1 {GAME_LEFT}\nend\n")
FAME_PLATE = (24, 30, 352, 340)  # the hall of fame's plate
FAME_ROWS = (100, 122)  # a point of its first and second rows
REPLAY_RIM = (range(7, 31), 6)  # a stretch of the REPLAY plate's lit top edge


def with_kept_games(page):
    page.open()
    page.js(f"localStorage.setItem('{RECORD_KEY}', arguments[0])", FAME_RECORD)
    page.open()


def fame_shown(shot):
    x, y, w, h = FAME_PLATE
    return (all(shot.at(px, y) == RIM_LIT for px in range(x + 1, x + w - 1))
            and all(shot.at(x + w - 1, py) == RIM_SHADED for py in range(y + 1, y + h - 1)))


def replay_marked(shot):
    xs, y = REPLAY_RIM
    return all(shot.at(x, y) == RIM_LIT for x in xs)


def went(page):
    """Where the head has gone from its start cell, once it is more than a cell away: 'left',
    'right', 'up' or 'down'. One picture tells, however late it comes in a short game."""
    def probe():
        h = head(page.shot())
        dx, dy = (h[0] - 168, h[1] - 184) if h else (0, 0)
        if max(abs(dx), abs(dy)) < 20:
            return None
        if abs(dx) > abs(dy):
            return "left" if dx < 0 else "right"
        return "up" if dy < 0 else "down"
    return wait_for(probe, "the head a cell away from its start")


def tap_at(page, point):
    """A finger on the field at a window pixel, lifted at once."""
    r = page.js("const r = document.getElementById('screen').getBoundingClientRect();"
                "return [r.left, r.top, r.width];")
    s = r[2] / SIZE
    touches(page, "touchStart", [(r[0] + (point[0] + 0.5) * s, r[1] + (point[1] + 0.5) * s)])
    time.sleep(0.05)
    touches(page, "touchEnd")


def check_phone_hall_of_fame(url, pics, binary, shots):
    """On a phone a tap on the title's plate of the best opens the hall of fame; a tap on its
    second row plays that game back, not the chosen first (the snake runs left as that game did,
    where the best ran up), with the REPLAY mark; the table comes back after it, and the quit
    button's two taps return to the title."""
    check(not replay_marked(pics.playground), "the playground has the REPLAY mark's rim")
    with browser(["--autoplay-policy=no-user-gesture-required"]) as driver:
        page = open_phone(driver, url, None)
        driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": 360, "height": 740, "deviceScaleFactor": 3, "mobile": True})
        with_kept_games(page)
        check(best_on_title(page, pics), "no best on the title of a page with kept games")
        tap_at(page, (20, 80))
        wait_for(lambda: fame_shown(page.shot()), "the hall of fame after a tap on the best")
        if shots:
            driver.save_screenshot(os.path.join(shots, "phone-hall-of-fame.png"))
        tap_at(page, (200, FAME_ROWS[1]))
        wait_for(lambda: replay_marked(page.shot()), "the second row's game played back, marked")
        way = went(page)
        if shots:
            driver.save_screenshot(os.path.join(shots, "phone-hall-of-fame-replay.png"))
        check(way == "left", f"the game played back went {way}, as the second row's went left")
        wait_for(lambda: fame_shown(page.shot()), "the table after the playback", timeout=10)
        touch_tap(page, "#quit")
        touch_tap(page, "#quit")
        check(best_on_title(page, pics), "no title after the quit button")


def check_attract_loop(url, pics, binary, shots):
    """A settled title with a kept game, left alone for 30 s, shows the hall of fame, then, 8 s
    later, the best game played back with its REPLAY mark (the page's nested run of a second
    game); Space leaves it for the title (the loop's exits are the headless tests')."""
    with browser(["--autoplay-policy=no-user-gesture-required"]) as driver:
        page = Page(driver, url)
        with_kept_games(page)
        check(best_on_title(page, pics), "no best on the title of a page with kept games")
        settled = time.monotonic()
        wait_for(lambda: fame_shown(page.shot()), "the hall of fame", timeout=40, interval=0.2)
        table = time.monotonic() - settled
        check(table > 29, f"the hall of fame came after {table:.1f} s")
        wait_for(lambda: replay_marked(page.shot()), "the marked replay", timeout=12)
        replay = time.monotonic() - settled - table
        print(f"figure: the attract loop's table after {table:.1f} s, its replay {replay:.1f} s "
              "later")
        check(7 < replay < 10, f"the replay came {replay:.1f} s after the table")
        way = went(page)
        check(way == "up", f"the attract loop's game went {way}: the best went up")
        if shots:
            driver.save_screenshot(os.path.join(shots, "page-attract-replay.png"))
        page.key(Keys.SPACE)
        check(best_on_title(page, pics), "the title after Space in the attract loop")


FAME_CHECKS = [check_phone_hall_of_fame, check_attract_loop]


# Offline and installable, in a third browser whose server can be stopped and given a new build

# What a first visit may cost, packed as the server sends it. It held 450,000 until the record
# that loses no game, the replays and the M/S plate came, 14 KB of program between them (a
# first visit of 458,255 bytes; the page built at -Os instead of -O3 is no smaller). A feature
# that needs more says so here. Shared games' links (the page reading its fragment, playing the
# game back, the share button and the copy) came to a first visit of 466,099 bytes; the hall of
# fame and the attract loop to 469,124; its table offering a game to share and a tap that asks
# the game where a click acts to 469,909; the prompts that follow the device (the pad's and the
# touch screen's key lines, 9.4 KB of picture, and their drawing) to 477,772.
FIRST_VISIT_BUDGET = 478_500
HASHED = re.compile(r"^(.+)\.([0-9a-f]{10})\.([a-z0-9]+)$")


def check_dist_files(dist):
    """Each file the page names carries the hash of its content; each .gz and .br beside a file
    unpacks to that file byte for byte."""
    names = sorted(os.listdir(dist))
    originals = [n for n in names if not n.endswith((".gz", ".br"))]
    hashed = [n for n in originals if HASHED.match(n)]
    check(len(hashed) >= 6 and set(originals) - set(hashed) == {"index.html", "sw.js"},
          f"files without a hash in their names: {sorted(set(originals) - set(hashed))}")
    for name in originals:
        with open(os.path.join(dist, name), "rb") as f:
            data = f.read()
        m = HASHED.match(name)
        check(not m or hashlib.sha256(data).hexdigest()[:10] == m.group(2),
              f"{name} is named after other content")
        if name.endswith(".png"):
            continue
        for suffix, tool in (("gz", "gzip"), ("br", "brotli")):
            packed = os.path.join(dist, f"{name}.{suffix}")
            check(os.path.isfile(packed), f"no {name}.{suffix}")
            out = subprocess.run([tool, "-d", "-c", packed], capture_output=True)
            check(out.returncode == 0 and out.stdout == data,
                  f"{name}.{suffix} does not unpack to {name}: {out.stderr.decode().strip()}")
    total, sizes = first_visit(dist)
    check(total <= FIRST_VISIT_BUDGET, f"a first visit fetches {total} bytes, more than "
          f"{FIRST_VISIT_BUDGET}: {sizes}")


def first_visit(dist):
    """Bytes a first visit fetches with brotli: the page and every file its worker keeps."""
    with open(os.path.join(dist, "sw.js")) as f:
        names = re.findall(r"'([^']+)'", re.search(r"kFiles = \[(.*)\]", f.read()).group(1))
    names = ["index.html" if n == "./" else n for n in names] + ["sw.js"]
    sizes = {n: os.path.getsize(os.path.join(dist, n + ".br")) if os.path.exists(
        os.path.join(dist, n + ".br")) else os.path.getsize(os.path.join(dist, n)) for n in names}
    return sum(sizes.values()), sizes


def kept(page):
    """The service worker's caches, once it controls the page."""
    wait_for(lambda: page.js("return navigator.serviceWorker.controller !== null"),
             "a service worker in control")
    return page.js("return caches.keys()")


def reload_offline(page, pics, state, what):
    """Stops the server, empties the browser's own cache and reloads: only the worker answers."""
    state["down"] = True
    try:
        page.d.execute_cdp_cmd("Network.clearBrowserCache", {})
        page.open()
        wait_for_title(page, pics, f"the title offline ({what})")
    finally:
        state["down"] = False


DAMAGE_PROGRAM = """
    return caches.keys().then((names) => caches.open(names[0])).then((cache) => cache.keys()
        .then((requests) => {
          const wasm = requests.find((r) => r.url.endsWith('.wasm'));
          return cache.put(wasm, new Response(new Uint8Array([0, 97, 115, 109, 1, 0, 0, 0, 9]),
                                              {headers: {'Content-Type': 'application/wasm'}}))
              .then(() => wasm.url);
        }));"""


def check_offline(page, pics, state, dist):
    """With the server gone the page loads from what the worker kept, the title pixel for pixel.
    A program damaged in what the worker kept is fetched again online, the game starting after
    all; offline, the page says it cannot start."""
    wait_for_title(page, pics, "the title")
    caches = kept(page)
    check(len(caches) == 1, f"caches: {caches}")
    reload_offline(page, pics, state, "first build")
    url = page.js(DAMAGE_PROGRAM)
    page.open()
    wait_for_title(page, pics, "the title after the damaged program was fetched again")
    size = os.path.getsize(os.path.join(dist, url.rsplit("/", 1)[1]))
    check(page.js("return caches.match(arguments[0]).then((r) => r.arrayBuffer())"
                  ".then((b) => b.byteLength)", url) == size, "the damaged program is still kept")
    page.js(DAMAGE_PROGRAM)
    state["down"] = True
    try:
        page.d.execute_cdp_cmd("Network.clearBrowserCache", {})
        page.d.get(page.url)
        line = page.d.find_element("id", "loading")
        wait_for(lambda: "cannot start offline" in line.text, "a word that it cannot start "
                 "offline")
    finally:
        state["down"] = False
    page.open()
    wait_for_title(page, pics, "the title online again")


def check_installable(page, pics, state, dist):
    """The browser finds nothing missing to install the page, a maskable icon among the icons."""
    errors = page.d.execute_cdp_cmd("Page.getInstallabilityErrors", {})["installabilityErrors"]
    check(not errors, f"installability errors: {errors}")
    manifest = page.js("return fetch(document.querySelector('link[rel=manifest]').href)"
                       ".then((r) => r.json())")
    purposes = {(i["sizes"], i.get("purpose", "any")) for i in manifest["icons"]}
    check({("192x192", "any"), ("512x512", "any"), ("512x512", "maskable")} <= purposes,
          f"icons: {purposes}")


def check_new_build(page, pics, state, dist):
    """A new build deployed replaces what the worker kept: one cache, the new one, and the new
    page offline."""
    old = kept(page)
    second = tempfile.mkdtemp(prefix="fg-dist-")
    try:
        shutil.rmtree(second)
        shutil.copytree(dist, second)
        with open(os.path.join(second, "sw.js")) as f:
            worker = f.read()
        version = re.search(r"const kVersion = '([0-9a-f]+)'", worker).group(1)
        with open(os.path.join(second, "sw.js"), "w") as f:
            f.write(worker.replace(version, version[::-1]))
        with open(os.path.join(second, "index.html")) as f:
            html = f.read()
        with open(os.path.join(second, "index.html"), "w") as f:
            f.write(html.replace("<head>", '<head>\n<meta name="build" content="second">'))
        for stale in ("index.html.gz", "index.html.br", "sw.js.gz", "sw.js.br"):
            os.remove(os.path.join(second, stale))
        state["root"] = second
        page.open()
        want = ["fenzogobbix-" + version[::-1]]
        wait_for(lambda: page.js("return caches.keys()") == want,
                 f"the caches to become {want} (were {old})", timeout=40)
        reload_offline(page, pics, state, "second build")
        check(page.js("return document.querySelector('meta[name=build]') !== null"),
              "offline, the page is the first build's")
    finally:
        state["root"] = dist
        shutil.rmtree(second, ignore_errors=True)


def check_file_url(page, pics, state, dist):
    """Opened as a file, the page says in one line that it must be served, and how."""
    page.d.get("file://" + os.path.join(dist, "index.html"))
    line = page.d.find_element("id", "unserved")
    check(line.is_displayed() and "scripts/web.sh serve" in line.text,
          f"the file:// page shows {line.text!r}")


OFFLINE_CHECKS = [check_offline, check_installable, check_new_build, check_file_url]


DIST_CHECKS = [check_dist_files]
GROUPS = {"desktop": CHECKS, "phone": PHONE_CHECKS, "record": RECORD_CHECKS, "dist": DIST_CHECKS,
          "offline": OFFLINE_CHECKS, "share": SHARE_CHECKS, "fame": FAME_CHECKS}


def figures(page):
    t = page.js("""
        const n = performance.getEntriesByType('navigation')[0];
        return [n.loadEventEnd, window.fgRuntimeAt, window.fgCaptionAt, window.fgFirstFrameAt];""")
    print(f"figure: after navigation: load event {t[0]:.0f} ms, runtime ready {t[1]:.0f} ms, "
          f"game started {t[2]:.0f} ms, first frame {t[3]:.0f} ms; "
          f"first frame - load - 500 ms reveal = {t[3] - t[0] - 500:.0f} ms; "
          f"first frame - game start - 500 ms reveal = {t[3] - t[2] - 500:.0f} ms")


def run(checks, *args, page=None, after=None):
    """Runs each of `checks` on `args` in order, and tells what the browser's console said of
    `page` (when given); returns (passed, failed)."""
    passed = failed = 0
    for c in checks:
        name = getattr(c, "func", c).__name__[len("check_"):]
        try:
            c(*args)
            if after:
                after(c)
            passed += 1
            print(f"PASS {name}")
        except Failure as e:
            failed += 1
            print(f"FAIL {name}: {e}")
        except Exception as e:  # a broken page or driver: report it, go on with the rest
            failed += 1
            print(f"FAIL {name}: {type(e).__name__}: {str(e).splitlines()[0] if str(e) else ''}")
        sys.stdout.flush()
    for entry in page.d.get_log("browser") if page else ():
        if entry.get("level") == "SEVERE":
            print("browser console:", entry.get("message"))
    return passed, failed


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("dist")
    ap.add_argument("--shot", help="save a screenshot of the page in play here")
    ap.add_argument("--phone-shots", help="save the phone-sized screenshots in this folder")
    ap.add_argument("--desktop", help="the desktop program, for the shared links' round trip")
    ap.add_argument("--share-shots", help="save the shared link's screenshots in this folder")
    ap.add_argument("--fame-shots", help="save the hall of fame's screenshots in this folder")
    ap.add_argument("--only", help="the groups to run, of " + ", ".join(GROUPS))
    args = ap.parse_args()
    for group, checks in GROUPS.items():  # the others' browsers start, and run nothing
        if args.only and group not in args.only.split(","):
            checks.clear()
    pics = Pictures()
    with serve(os.path.abspath(args.dist)) as url:
        with browser(["--autoplay-policy=no-user-gesture-required"]) as driver:
            page = Page(driver, url)
            page.open()
            figures(page)

            def after(c):
                if c is check_start and args.shot:
                    driver.save_screenshot(args.shot)
            passed, failed = run(CHECKS, page, pics, page=page, after=after)
        with browser(["--autoplay-policy=no-user-gesture-required"]) as driver:
            phone = open_phone(driver, url, args.phone_shots)
            p, f = run(PHONE_CHECKS, phone, pics, page=phone)
            passed, failed = passed + p, failed + f
        p, f = run(RECORD_CHECKS, url, pics)
        passed, failed = passed + p, failed + f
        p, f = run(SHARE_CHECKS if args.desktop else [], url, pics, args.desktop, args.share_shots)
        passed, failed = passed + p, failed + f
        p, f = run(FAME_CHECKS, url, pics, args.desktop, args.fame_shots)
        passed, failed = passed + p, failed + f
    dist = os.path.abspath(args.dist)
    p, f = run(DIST_CHECKS, dist)
    passed, failed = passed + p, failed + f
    state = {}
    with serve(dist, state) as url, browser() as driver:
        page = Page(driver, url)
        page.open()
        p, f = run([functools.partial(c, state=state, dist=dist) for c in OFFLINE_CHECKS], page,
                   pics, page=page)
        passed, failed = passed + p, failed + f
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
