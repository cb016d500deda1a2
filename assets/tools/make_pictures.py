#!/usr/bin/python3
"""Builds the game's illustrated pictures from assets/src/illustration/:

  assets/png/Playground.png   400x400  clean playfield: grey ground, the rider on
                                       the rearing horse darkened, bevelled bronze
                                       frame with the dark score panel
  assets/png/picTitle.png     400x400  title: blue woven ground, gold logo, link
                                       address, the rider in colour, key lines
  assets/png/sprLink.png      141x20   link label: normal (a crop of the title)
                                       and highlighted (yellow lettering)
  assets/png/picKeyLines.png  267x184  the title's key lines for a pad, then for a touch
                                       screen: the rectangle of the title they change,
                                       black where a pixel stays the title's
  assets/png/picSmallFont.png 768x8    the small pixel font for the signs over the
                                       field: ink masks and advance widths
  assets/png/icon{16,32,48,128,256}.png the toy-duck program icon (RGBA); 16 px as
                                       hard-edged pixel art

Vector art is rendered by rsvg-convert at four times the final size.  The logo
and the icon are lit or reduced with a box filter; the rider is shaded here in
flat steps of a few colour ramps and reduced to hard-edged pixels with a
one-pixel outline, so it sits with the sprites.  The small lettering is pixel
art from smallfont.txt and is never scaled by a fractional amount.  Everything is
deterministic, so a regeneration reproduces the committed files bit for bit.
Run from the repository root: /usr/bin/python3 assets/tools/make_pictures.py
"""

import io
import os
import re
import subprocess
import sys
import xml.etree.ElementTree as ET

import numpy as np
from PIL import Image

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SRC = os.path.join(ROOT, "assets", "src", "illustration")
OUT = os.path.join(ROOT, "assets", "png")
SVG_NS = "http://www.w3.org/2000/svg"

# Colours and places the game's code relies on.
PLAY_GROUND_DARK = (0x2B, 0x2B, 0x2E)
PLAY_GROUND_LIGHT = (0x3A, 0x3A, 0x3F)
BRONZE_BASE = (0x8C, 0x5A, 0x2B)
BRONZE_LIGHT = (0xC8, 0x8A, 0x4A)
BRONZE_DARK = (0x4A, 0x2E, 0x14)
BRONZE_RIM = (0x24, 0x14, 0x08)            # the dark line along both edges of the frame
# the bevel ramp from lit to shaded; BRONZE_BASE is its middle
BRONZE_BEVEL = [BRONZE_LIGHT, (0xB8, 0x7C, 0x40), (0xA6, 0x6E, 0x36), BRONZE_BASE,
                (0x76, 0x4A, 0x22), (0x60, 0x3C, 0x1A), BRONZE_DARK]
FRAME = 8                                  # frame width along every window edge
SCORE_PANEL = (171, 8, 228, 20)            # x0, y0, x1, y1 inclusive: the sunk panel
SCORE_TAB = (165, 0, 234, 24)              # the bronze tab around it, part of the frame
SCORE_BLACK = (0x0E, 0x0C, 0x10)           # flat: the score is erased by copying it
TITLE_NAVY = (0x0D, 0x1F, 0x5C)
TITLE_ROYAL = (0x1D, 0x3F, 0xA8)


def game_rule(name, header="core/rules.h"):
    """A number of the game's own (src/core/rules.h, or another header of src/): the art and the
    code share it."""
    with open(os.path.join(ROOT, "src", header), encoding="utf-8") as f:
        found = re.search(r"constexpr int %s = (\d+);" % name, f.read())
    if not found:
        sys.exit("make_pictures: %s not found in src/%s" % (name, header))
    return int(found.group(1))


# x, y, w, h of the link label: where the game draws it and where its hot zone lies.
LINK_RECT = tuple(game_rule(n) for n in ("kLinkX", "kLinkY", "kLinkWidth", "kLinkHeight"))
LINK_URL_TEXT = "HTTPS://FENZOGOBBIX.EXAMPLE/"
LINK_WHITE = (0xFF, 0xFF, 0xFF)
LINK_YELLOW = (0xFF, 0xE0, 0x40)
TEXT_SHADOW = (0x04, 0x0A, 0x24)
SCROLL_LANE_TOP = 376                      # title rows from here down: plain ground
SMALL_CELL = 8                             # picSmallFont.png: one 8 x 8 cell a code
# The key lines, top to bottom: (key, what it does, scale of the pixel font).  SPACE,
# the one key a new player needs first, is set larger; '<^v>' are the four arrows.
KEY_LINES = [("SPACE", " - START GAME", 3), ("<^v>", " - STEER", 2), ("P", " - PAUSE", 2),
             ("M", " - MUSIC ON/OFF", 2), ("S", " - SOUND ON/OFF", 2)]
KEY_LINES_TOP = 283                        # the block ends above the scroller's lane
KEY_LINE_GAP = 1                           # rows between one line's foot and the next top
# x, y, w, h of what the other devices' key lines change on the title (picKeyLines.png).
KEY_LINES_RECT = tuple(game_rule(n, "screens/title.h")
                       for n in ("kKeyLinesX", "kKeyLinesY", "kKeyLinesWidth", "kKeyLinesHeight"))

# Where the rider goes.  The drawing's box is 310 x 310 units (see rider.svg).
TITLE_ART_BOX = (91, 62, 218)              # x, y, size on the title
PLAY_ART_BOX = (35, 44, 330)               # x, y, size on the playground
ART_SUPERSAMPLE = 4


def rgb(c):
    return np.array(c, dtype=np.float64)


# ---------------------------------------------------------------- raster helpers

def render_svg(svg_bytes, w, h):
    """Renders SVG source to a float RGBA array (straight alpha, 0..1)."""
    png = subprocess.run(["rsvg-convert", "-w", str(w), "-h", str(h)],
                         input=svg_bytes, stdout=subprocess.PIPE, check=True).stdout
    img = Image.open(io.BytesIO(png)).convert("RGBA")
    assert img.size == (w, h), img.size
    return np.asarray(img, dtype=np.float64) / 255.0


def box_blur(a, r):
    """Three passes of a box blur of radius r: close to a gaussian, no scipy needed."""
    r = int(max(1, round(r)))
    out = a
    for axis in (0, 1):
        for _ in range(3):
            pad = [(0, 0), (0, 0)]
            pad[axis] = (r + 1, r)
            c = np.cumsum(np.pad(out, pad, mode="edge"), axis=axis)
            hi = np.take(c, np.arange(2 * r + 1, c.shape[axis]), axis=axis)
            lo = np.take(c, np.arange(0, c.shape[axis] - 2 * r - 1), axis=axis)
            out = (hi - lo) / (2 * r + 1)
    return out


def shift(a, dx, dy):
    """Result(x, y) = a(x - dx, y - dy); zero where that falls outside."""
    out = np.zeros_like(a)
    h, w = a.shape[:2]
    out[max(dy, 0):h + min(dy, 0), max(dx, 0):w + min(dx, 0)] = \
        a[max(-dy, 0):h + min(-dy, 0), max(-dx, 0):w + min(-dx, 0)]
    return out


def grow(mask, steps):
    """Binary dilation by an octagon of the given radius (alternating 4/8 neighbours)."""
    m = mask.copy()
    for i in range(steps):
        n = m | shift(m, 1, 0) | shift(m, -1, 0) | shift(m, 0, 1) | shift(m, 0, -1)
        if i % 2:
            n |= shift(m, 1, 1) | shift(m, -1, -1) | shift(m, 1, -1) | shift(m, -1, 1)
        m = n
    return m


def inside_distance(mask, limit):
    """Approximate distance (in pixels, capped at limit) from each inside pixel to the edge."""
    d = np.zeros(mask.shape)
    m = mask.copy()
    for i in range(limit):
        d += m
        n = m & shift(m, 1, 0) & shift(m, -1, 0) & shift(m, 0, 1) & shift(m, 0, -1)
        if i % 2:
            n &= shift(m, 1, 1) & shift(m, -1, -1) & shift(m, 1, -1) & shift(m, -1, 1)
        m = n
    return d


def reduce_rgba(rgba, w, h):
    """Box-filter reduction with premultiplied alpha, so edges do not pick up dark fringes."""
    a = rgba[..., 3]
    chans = [rgba[..., i] * a for i in range(3)] + [a]
    small = [np.asarray(Image.fromarray(c.astype(np.float32), "F").resize((w, h), Image.BOX))
             for c in chans]
    sa = small[3]
    safe = np.where(sa > 1e-6, sa, 1.0)
    out = np.stack([small[i] / safe for i in range(3)] + [sa], axis=-1)
    return np.clip(out, 0.0, 1.0)


def over(dst_rgb, src_rgba, x, y):
    """Composites a float RGBA picture (0..1) onto a float RGB canvas (0..255) at (x, y)."""
    h, w = src_rgba.shape[:2]
    a = src_rgba[..., 3:4]
    region = dst_rgb[y:y + h, x:x + w]
    region[:] = region * (1.0 - a) + src_rgba[..., :3] * 255.0 * a


def to_u8(a):
    return np.clip(np.rint(a), 0, 255).astype(np.uint8)


# ---------------------------------------------------------------- pixel font

def load_small_font():
    """Reads smallfont.txt into {char: bool array of 7 rows}."""
    glyphs = {}
    with open(os.path.join(SRC, "smallfont.txt"), encoding="ascii") as f:
        lines = f.read().split("\n")
    i = 0
    while i < len(lines):
        line = lines[i]
        if line.startswith("glyph "):
            ch = line[6:7]
            rows = lines[i + 1:i + 8]
            assert len(rows) == 7 and len({len(r) for r in rows}) == 1, "bad glyph %r" % ch
            glyphs[ch] = np.array([[c == "#" for c in r] for r in rows], dtype=bool)
            i += 8
        else:
            i += 1
    return glyphs


def text_mask(font, text, scale=1):
    """Ink mask of a text line: 1-pixel gaps between glyphs, everything scaled by scale."""
    parts = []
    for n, ch in enumerate(text):
        if n:
            parts.append(np.zeros((7, 1), dtype=bool))
        parts.append(font[ch])
    m = np.concatenate(parts, axis=1)
    return np.kron(m, np.ones((scale, scale), dtype=bool)).astype(bool)


def stamp(canvas, mask, x, y, colour):
    """Paints colour (RGB tuple, or an h x w x 3 array) where mask is set."""
    h, w = mask.shape
    region = canvas[y:y + h, x:x + w]
    col = np.broadcast_to(np.asarray(colour, dtype=np.float64), (h, w, 3)) \
        if np.ndim(colour) == 1 else colour
    region[mask] = col[mask]


def make_small_font_sheet(font):
    """The small font for the game's own drawing: one 8 x 8 cell per code 32..127, white
    ink on black in rows 0..6 (left-aligned), and in row 7 a white bar as long as the
    glyph is wide, so the game reads each glyph's advance from the picture.  A code
    without a glyph has an empty cell and no bar."""
    sheet = np.zeros((SMALL_CELL, SMALL_CELL * 96, 3))
    for code in range(32, 128):
        glyph = font.get(chr(code))
        if glyph is None:
            continue
        h, w = glyph.shape
        assert h == 7 and w <= SMALL_CELL, "glyph %r too wide for the sheet" % chr(code)
        x = (code - 32) * SMALL_CELL
        sheet[0:7, x:x + w][glyph] = 255
        sheet[7, x:x + w] = 255
    return sheet


# ---------------------------------------------------------------- the rider

# Colour ramps of the rider, dark to light, in the sprites' spirit: every pixel
# of the picture is one of these.  A fill in rider.svg is one of these colours;
# shading moves a pixel up or down the ramp its fill belongs to.
RIDER_RAMPS = [
    ["#2e1408", "#4a2210", "#6e3418", "#9c4e24", "#c8733a", "#e89a58"],   # chestnut
    ["#1e0e08", "#3a1a0c", "#5a2c14", "#7a4020", "#9a5a30"],              # mane, tail
    ["#1e1410", "#3a2a20", "#5a4434"],                                    # hooves
    ["#8a7a64", "#b8a890", "#e8dcc8", "#fff8ec"],                         # white socks
    ["#3c0808", "#7e1616", "#b02020", "#e03030", "#f25c5c", "#ff9a9a"],   # red cloth
    ["#3a405c", "#6e7696", "#a8b0c8", "#dde3f0", "#ffffff"],              # steel
    ["#8a4a2a", "#c07850", "#e8a878", "#ffd0a0"],                         # skin
    ["#7a5a08", "#b8860b", "#ffd24a", "#fff3b0"],                         # gold
    ["#1e120a", "#3a2416", "#5a3a22", "#7a5430"],                         # leather
    ["#0b1a3c", "#1a3c8a", "#2455b8", "#2f6fe0", "#4f88f2"],              # blue cloth
]
RIDER_LINE = (0x14, 0x0A, 0x06)       # the one-pixel outline around every part


def hex_rgb(h):
    return tuple(int(h[i:i + 2], 16) for i in (1, 3, 5))


def rider_layers(px):
    """Renders every top-level group of rider.svg alone, at px x px."""
    ET.register_namespace("", SVG_NS)
    tree = ET.parse(os.path.join(SRC, "rider.svg"))
    root = tree.getroot()
    groups = [g for g in root if g.tag == "{%s}g" % SVG_NS and g.get("id")]
    layers = []
    for g in groups:
        for other in groups:
            other.set("style", "" if other is g else "display:none")
        layers.append((g.get("id"), render_svg(ET.tostring(root), px, px)))
    for g in groups:
        g.set("style", "")
    return layers


def rider_picture(size):
    """The rider in colour, size x size, as RGBA (0..1) with hard edges.

    Every part (top-level group) is rendered at four times the size and shaded
    in flat steps: the slope of its blurred silhouette, lit from the upper left,
    moves a pixel one step up or down its colour ramp, and the parts in front
    cast a hard shadow (one step down) onto the parts behind.  Reduced to size,
    each pixel takes the front-most part that covers at least half of it and the
    ramp colour nearest to its shaded value; a dark one-pixel line then runs
    round the whole figure and round every part where it lies over another."""
    px = size * ART_SUPERSAMPLE
    unit = px / 310.0                           # master pixels per drawing unit
    layers = rider_layers(px)
    light = np.array([-0.55, -0.75, 0.62])
    light /= np.linalg.norm(light)
    ramps = [[np.array(hex_rgb(c), dtype=np.float64) for c in r] for r in RIDER_RAMPS]
    flat = np.array([c for r in ramps for c in r])
    where = [(i, j) for i, r in enumerate(ramps) for j in range(len(r))]

    casts = []
    for _, lay in layers:
        a = lay[..., 3]
        casts.append(shift(a, int(round(2.5 * unit)), int(round(3.5 * unit))) > 0.5)

    alphas, tones, colours = [], [], []
    for n, (_, lay) in enumerate(layers):
        a = lay[..., 3]
        d = 0.0
        for radius, gain, weight in ((2.0, 5.0, 0.7), (9.0, 16.0, 0.6)):
            height = box_blur(a, radius * unit)
            gy, gx = np.gradient(height)
            nrm = np.stack([-gx * gain * unit, -gy * gain * unit, np.ones_like(a)], axis=-1)
            nrm /= np.linalg.norm(nrm, axis=-1, keepdims=True)
            d = d + weight * (nrm @ light - light[2])
        tone = np.where(d > 0.10, 1.0, np.where(d < -0.12, -1.0, 0.0))
        shadowed = np.zeros(a.shape, dtype=bool)
        for later in casts[n + 1:]:
            shadowed |= later
        tone = tone - shadowed
        sa = np.asarray(Image.fromarray(a.astype(np.float32), "F").resize((size, size), Image.BOX))
        st = np.asarray(Image.fromarray((tone * a).astype(np.float32), "F").resize(
            (size, size), Image.BOX))
        col = reduce_rgba(lay, size, size)[..., :3] * 255.0
        alphas.append(sa)
        tones.append(st / np.where(sa > 1e-6, sa, 1.0))
        colours.append(col)

    # the front-most part covering at least half of each pixel
    owner = np.full((size, size), -1)
    for n, sa in enumerate(alphas):
        owner[sa >= 0.5] = n
    out = np.zeros((size, size, 3))
    for n in range(len(layers)):
        sel = owner == n
        if not sel.any():
            continue
        base = colours[n][sel]
        k = np.argmin(((base[:, None, :] - flat[None, :, :]) ** 2).sum(-1), axis=1)
        step = np.rint(tones[n][sel]).astype(int)
        first = np.array([kk - where[kk][1] for kk in range(len(flat))])[k]
        last = np.array([kk - where[kk][1] + len(ramps[where[kk][0]]) - 1
                         for kk in range(len(flat))])[k]
        out[sel] = flat[np.clip(k + step, first, last)]

    # outlines: round the figure, and where a part lies over the one behind it
    line = np.zeros((size, size), dtype=bool)
    for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
        nb = shift(owner + 1, dx, dy) - 1           # the neighbour's part (-1: none)
        line |= (owner == -1) & (nb >= 0)
        line |= (owner >= 0) & (nb > owner)
    out[line] = RIDER_LINE
    alpha = ((owner >= 0) | line).astype(np.float64)
    return np.concatenate([out / 255.0, alpha[..., None]], axis=-1)


# ---------------------------------------------------------------- the title

def title_ground():
    """Navy-to-royal blue with a fine basket weave and faint marble veins."""
    rng = np.random.default_rng(1997)
    y, x = np.mgrid[0:400, 0:400].astype(np.float64)
    glow = np.exp(-((x - 200) ** 2 + ((y - 185) * 1.15) ** 2) / (2 * 125.0 ** 2))
    t = np.clip(0.10 + 0.35 * (y / 399.0) + 0.60 * glow, 0, 1)
    base = rgb(TITLE_NAVY) * (1 - t[..., None]) + rgb(TITLE_ROYAL) * t[..., None]

    # basket weave: 4 x 4 cells, threads alternating horizontal and vertical
    cell = 4
    cx, cy = (x // cell), (y // cell)
    horiz = ((cx + cy) % 2) == 0
    across = np.where(horiz, (y % cell + 0.5) / cell, (x % cell + 0.5) / cell)
    along = np.where(horiz, (x % cell + 0.5) / cell, (y % cell + 0.5) / cell)
    thread = np.sin(np.pi * across) * (0.75 + 0.25 * np.sin(np.pi * along))
    weave = (thread - 0.55) * 15.0

    # marble: smooth value noise bent into thin veins
    def smooth_noise(n):
        small = rng.random((n, n)).astype(np.float32)
        return np.asarray(Image.fromarray(small, "F").resize((400, 400), Image.BICUBIC))
    turb = smooth_noise(6) * 0.6 + smooth_noise(13) * 0.3 + smooth_noise(29) * 0.1
    veins = np.abs(np.sin((x * 0.012 + y * 0.02 + turb * 6.0) * np.pi))
    marble = (0.12 - veins) * 40.0
    marble = np.clip(marble, -2.0, 6.0)
    grain = rng.normal(0.0, 1.2, (400, 400))

    shade = (weave + marble + grain)[..., None]
    # the texture lives mostly in the blue so the ground stays blue everywhere
    tint = np.array([0.45, 0.65, 1.0])
    return np.clip(base + shade * tint, 0, 255)


def make_logo():
    """The gold bevelled logo as a float RGBA picture of 400 x 50."""
    s = 4
    with open(os.path.join(SRC, "logo.svg"), "rb") as f:
        shape = render_svg(f.read(), 400 * s, 50 * s)[..., 3]
    mask = shape > 0.5
    h, w = mask.shape
    y = np.mgrid[0:h, 0:w][0] / s

    # bevel: height rises over 3 px from the edge, then the flat face
    bevel = 12
    height = box_blur(inside_distance(mask, bevel) / bevel, 2)
    gy, gx = np.gradient(height)
    n = np.stack([-gx * 14.0, -gy * 14.0, np.ones_like(height)], axis=-1)
    n /= np.linalg.norm(n, axis=-1, keepdims=True)
    light = np.array([-0.5, -0.8, 0.55])
    light /= np.linalg.norm(light)
    d = n @ light - light[2]

    # gold face: pale at the top of the letters, deep amber at the foot
    ty = np.clip((y - 6.0) / 38.0, 0, 1)
    top, mid, foot = rgb((0xFF, 0xF3, 0xB0)), rgb((0xFF, 0xD2, 0x4A)), rgb((0xB8, 0x86, 0x0B))
    k = np.clip(ty / 0.5, 0, 1)[..., None]
    k2 = np.clip((ty - 0.5) / 0.5, 0, 1)[..., None]
    face = top * (1 - k) + mid * k
    face = face * (1 - k2) + foot * k2
    # a bright band across the middle, like polished metal
    band = np.exp(-((ty - 0.42) / 0.07) ** 2)[..., None]
    face = face * (1 - 0.35 * band) + rgb((0xFF, 0xFA, 0xE0)) * 0.35 * band
    lit = np.where(d[..., None] > 0,
                   face + (rgb((0xFF, 0xFF, 0xF0)) - face) * np.clip(d * 2.6, 0, 0.9)[..., None],
                   face + (rgb((0x6A, 0x36, 0x00)) - face) * np.clip(-d * 2.0, 0, 0.8)[..., None])

    outline = grow(mask, 9)
    shadow = box_blur(shift(grow(mask, 10).astype(np.float64), 3 * s, 3 * s), 3)
    out = np.zeros((h, w, 4))
    out[..., 3] = shadow * 0.7
    ol = outline.astype(np.float64)
    out[..., :3] = np.where(ol[..., None] > 0, rgb((0x1A, 0x0C, 0x04)), 0.0)
    out[..., 3] = np.maximum(out[..., 3], ol)
    out[..., :3] = np.where(mask[..., None], lit, out[..., :3])
    out[..., :3] /= 255.0
    return reduce_rgba(out, 400, 50)


def key_line_colours(h, gold):
    ramp = np.linspace(0, 1, h)[:, None]
    if gold:
        top, foot = rgb((0xFF, 0xE8, 0x80)), rgb((0xE0, 0x9A, 0x1A))
    else:
        top, foot = rgb((0xFF, 0xFF, 0xFF)), rgb((0xA8, 0xC4, 0xF0))
    return top * (1 - ramp) + foot * ramp


def make_title(font):
    """Returns (finished title, title without the address lettering, the art under the key
    lines and the address)."""
    img = title_ground()

    # a soft pool of shadow where the hooves meet the ground
    x0, y0, size = TITLE_ART_BOX
    yy, xx = np.mgrid[0:400, 0:400].astype(np.float64)
    k = size / 240.0                       # the pool was laid out for a 240-pixel rider
    pool = np.exp(-(((xx - x0 - 110 * k) / (62.0 * k)) ** 2 +
                    ((yy - y0 - 237 * k) / (6.5 * k)) ** 2))
    img *= (1 - 0.55 * pool)[..., None]

    over(img, rider_picture(size), x0, y0)
    over(img, make_logo(), 0, 0)

    art = img.copy()
    draw_key_lines(img, font, KEY_LINES)

    bare = img.copy()
    lx, ly, lw, lh = LINK_RECT
    label = link_lettering(font, LINK_WHITE)
    region = img[ly:ly + lh, lx:lx + lw]
    region[label[1]] = TEXT_SHADOW
    region[label[0]] = LINK_WHITE
    return img, bare, art


# The pad's and the touch screen's key lines.  A key is its name in the pixel font, or one of
# ("button", letter): a pad's round button, ("pill", name): its long START button, or the page's
# own symbols: ("bars",) its pause button, ("note",) music, ("speaker",) sound.  Pads have no
# keys for music and sound: those two lines stay the keyboard's.  [D47]
PAD_KEY_LINES = [(("button", "A"), " - START GAME", 3), ("D-PAD", " - STEER", 2),
                 (("pill", "START"), " - PAUSE", 2)] + KEY_LINES[3:]
TOUCH_KEY_LINES = [("TAP", " - START GAME", 3), ("SWIPE", " - STEER", 2),
                   (("bars",), " - PAUSE", 2), (("note",), " - MUSIC ON/OFF", 2),
                   (("speaker",), " - SOUND ON/OFF", 2)]

# Letters three pixels wide for inside a button, and the symbols, seven rows like the font.
MINI_LETTERS = {
    "A": [".#.", "#.#", "###", "#.#", "#.#"], "B": ["##.", "#.#", "##.", "#.#", "##."],
    "Y": ["#.#", "#.#", ".#.", ".#.", ".#."], "S": [".##", "#..", ".#.", "..#", "##."],
    "T": ["###", ".#.", ".#.", ".#.", ".#."], "R": ["##.", "#.#", "##.", "#.#", "#.#"],
}
SYMBOLS = {
    "bars": ["##.##"] * 7,
    "note": ["..##.", "..#.#", "..#..", "..#..", "###..", "###..", ".#..."],
    "speaker": ["...#...", "..##..#", "####.#.", "####.#.", "####.#.", "..##..#", "...#..."],
}


def rows_mask(rows):
    return np.array([[c == "#" for c in r] for r in rows], dtype=bool)


def key_masks(font, key):
    """(ink, dark) masks of a key at 1x, seven rows high: dark is the lettering cut into a
    button, drawn over the gold in the shadow's colour."""
    if isinstance(key, str):
        m = text_mask(font, key)
        return m, np.zeros_like(m)
    if key[0] in SYMBOLS:
        m = rows_mask(SYMBOLS[key[0]])
        return m, np.zeros_like(m)
    name = key[1]
    letters = np.concatenate([np.pad(rows_mask(MINI_LETTERS[c]), ((0, 0), (0, 1)))
                              for c in name], axis=1)[:, :-1]
    w = letters.shape[1] + (4 if key[0] == "button" else 6)
    ink = np.ones((7, w), dtype=bool)
    for row, cut in ((0, 2), (1, 1), (5, 1), (6, 2)):
        ink[row, :cut] = ink[row, w - cut:] = False
    dark = np.zeros_like(ink)
    left = (w - letters.shape[1]) // 2
    dark[1:6, left:left + letters.shape[1]] = letters
    return ink, dark


def draw_key_lines(img, font, lines):
    """The key lines: the key in gold, the rest in pale blue-white, in the pixel font at 2x
    (the first line at 3x); the dashes stand centred on one column, the block is centred."""
    def scaled(m, sc):
        return np.kron(m, np.ones((sc, sc), dtype=bool)).astype(bool)
    space = text_mask(font, " ").shape[1]
    keys = [(key_masks(font, key)[0].shape[1] + 1 + space) * sc for key, _, sc in lines]
    rests = [text_mask(font, rest.lstrip(), sc).shape[1] for _, rest, sc in lines]
    left, right = max(keys), max(rests)
    dash_x = (400 - left - right) // 2 + left
    ly = KEY_LINES_TOP
    for n, (key, rest, sc) in enumerate(lines):
        ink, dark = key_masks(font, key)
        gap = np.zeros((7, 1), dtype=bool)
        m_key = scaled(ink, sc)
        m_all = scaled(np.concatenate([ink, gap, text_mask(font, rest)], axis=1), sc)
        m_dark = np.zeros_like(m_all)
        m_dark[:, :m_key.shape[1]] = scaled(dark, sc)
        line_h = m_all.shape[0]
        lx = dash_x - keys[n] - (3 * sc) // 2 + 3      # the dash (3 wide) centred on one column
        stamp(img, m_all, lx + sc, ly + sc, TEXT_SHADOW)
        colours = key_line_colours(line_h, False)[:, None, :] * np.ones((1, m_all.shape[1], 1))
        colours[:, :m_key.shape[1]] = key_line_colours(line_h, True)[:, None, :]
        stamp(img, m_all, lx, ly, colours)
        stamp(img, m_dark, lx, ly, TEXT_SHADOW)
        assert ly + line_h + sc <= SCROLL_LANE_TOP, "key lines run into the scroller's lane"
        ly += line_h + sc + KEY_LINE_GAP


def make_key_lines_sheet(font, art, bare):
    """The pad's key lines over the touch screen's, each the rectangle of the title the game
    puts over picTitle's own to make that device's title; nothing outside it differs from the
    title (bare: without the address, which lies far above).  Black marks a pixel the same as
    the title's: the lines' own colours never are black."""
    x, y, w, h = KEY_LINES_RECT
    cuts = []
    for lines in (PAD_KEY_LINES, TOUCH_KEY_LINES):
        img = art.copy()
        draw_key_lines(img, font, lines)
        img = to_u8(img)
        changed = np.any(img != bare, axis=-1)
        inside = np.zeros_like(changed)
        inside[y:y + h, x:x + w] = True
        where = np.argwhere(changed)
        assert changed.any() and not np.any(changed & ~inside), \
            "key lines outside KEY_LINES_RECT: rows and columns %s to %s" % (where.min(0), where.max(0))
        cut = img[y:y + h, x:x + w].copy()
        same = ~changed[y:y + h, x:x + w]
        assert not np.any(np.all(cut[~same] == 0, axis=-1)), "black is the sheet's 'as the title'"
        cut[same] = 0                               # the title's own pixel: packs to nothing
        cuts.append(cut)
    return np.concatenate(cuts, axis=0)


def link_lettering(font, colour):
    """(ink mask, shadow mask) of the address inside the 141 x 10 label."""
    lx, ly, lw, lh = LINK_RECT
    m = text_mask(font, LINK_URL_TEXT, 1)
    tw = m.shape[1]
    assert tw + 2 <= lw, "address %d px does not fit the %d px label" % (tw, lw)
    ink = np.zeros((lh, lw), dtype=bool)
    ox = (lw - tw - 1) // 2
    ink[1:8, ox:ox + tw] = m
    ink[9, ox:ox + tw] = True                       # underline: it is a link
    shadow = shift(ink, 1, 1) & ~ink
    return ink, shadow


def make_link_sheet(font, bare_title, title):
    lx, ly, lw, lh = LINK_RECT
    sheet = np.zeros((2 * lh, lw, 3))
    sheet[:lh] = title[ly:ly + lh, lx:lx + lw]
    hi = bare_title[ly:ly + lh, lx:lx + lw].copy()
    ink, shadow = link_lettering(font, LINK_YELLOW)
    hi[shadow] = TEXT_SHADOW
    hi[ink] = LINK_YELLOW
    sheet[lh:] = hi
    return sheet


# ---------------------------------------------------------------- the playground

def bronze_plate():
    """Where the bronze is: the 8-pixel frame plus the tab that holds the score panel."""
    y, x = np.mgrid[0:400, 0:400]
    edge = np.minimum(np.minimum(x, y), np.minimum(399 - x, 399 - y))
    tx0, ty0, tx1, ty1 = SCORE_TAB
    tab = (x >= tx0) & (x <= tx1) & (y >= ty0) & (y <= ty1)
    return (edge < FRAME) | tab, edge


def bronze_frame(img):
    """A bevelled bronze frame, lit from the upper left, around a recessed field.

    Along the window edge a dark rim, then the lit bevel on the top and left sides
    (shaded on the bottom and right); along the field edge the opposite slope (the
    frame's inside faces the field) and a dark line; the frame casts a soft shadow
    onto the field below and to the right of it."""
    plate, edge = bronze_plate()
    y, x = np.mgrid[0:400, 0:400]
    field = ~plate

    # pixel distance (chessboard) from each plate pixel to the field, up to 4
    to_field = np.full((400, 400), 99)
    near = field.copy()
    for d in range(1, 5):
        near = near | shift(near, 1, 0) | shift(near, -1, 0) | shift(near, 0, 1) | \
            shift(near, 0, -1) | shift(near, 1, 1) | shift(near, -1, -1) | \
            shift(near, 1, -1) | shift(near, -1, 1)
        to_field = np.where(plate & near & (to_field == 99), d, to_field)
    # which way the field lies from an inner-edge pixel: up/left = the slope faces
    # the light, down/right = it is in shade
    f = field.astype(int)
    towards_light = shift(f, 0, 1) + shift(f, 1, 0) + shift(f, 1, 1)     # field above/left
    away = shift(f, 0, -1) + shift(f, -1, 0) + shift(f, -1, -1)           # field below/right
    for _ in range(3):                                                    # spread inwards
        towards_light = np.maximum(towards_light, np.maximum(shift(towards_light, 0, 1),
                                                             shift(towards_light, 1, 0)))
        away = np.maximum(away, np.maximum(shift(away, 0, -1), shift(away, -1, 0)))
    inner_lit = towards_light > away

    # outer bevel: top and left sides lit, bottom and right in shade, mitred corners
    near_tl = np.minimum(x, y) <= np.minimum(399 - x, 399 - y)
    near_tl = np.where((x + y == 399), x < y, near_tl)

    col = np.zeros((400, 400, 3))
    col[:] = BRONZE_BASE
    for d, lit, dark in ((2, BRONZE_BEVEL[2], BRONZE_BEVEL[-3]),
                         (1, BRONZE_LIGHT, BRONZE_DARK)):
        sel = plate & (edge == d)
        col[sel & near_tl] = lit
        col[sel & ~near_tl] = dark
    col[plate & (edge == 0)] = BRONZE_RIM
    for d, lit, dark in ((3, BRONZE_BEVEL[2], BRONZE_BEVEL[-2]),
                         (2, BRONZE_LIGHT, BRONZE_DARK)):
        sel = plate & (to_field == d) & (edge > 2)
        col[sel & inner_lit] = lit
        col[sel & ~inner_lit] = dark
    col[plate & (to_field == 1)] = BRONZE_RIM
    img[plate] = col[plate]

    # the frame stands above the field: its shadow falls down and to the right
    shade = box_blur(shift(plate.astype(np.float64), 2, 2), 1)
    shade = np.where(field, np.maximum(shade, 0.85 * shift(plate.astype(np.float64), 1, 1)), 0)
    img[:] = img * (1.0 - 0.55 * np.clip(shade, 0, 1))[..., None]
    return plate


def score_panel(img):
    """The dark flat panel under the score digits, sunk into the bronze tab: its
    top and left walls in shade, bottom and right walls lit."""
    px0, py0, px1, py1 = SCORE_PANEL
    img[py0:py1 + 1, px0:px1 + 1] = BRONZE_DARK
    img[py1, px0 + 1:px1 + 1] = BRONZE_LIGHT
    img[py0 + 1:py1 + 1, px1] = BRONZE_LIGHT
    img[py0 + 1:py1, px0 + 1:px1] = SCORE_BLACK


def score_area():
    px0, py0, px1, py1 = SCORE_PANEL
    y, x = np.mgrid[0:400, 0:400]
    return (x >= px0) & (x <= px1) & (y >= py0) & (y <= py1)


def make_playground():
    rng = np.random.default_rng(2024)
    y, x = np.mgrid[0:400, 0:400].astype(np.float64)
    r = np.sqrt((x - 200) ** 2 + (y - 215) ** 2) / 200.0
    t = np.clip(1.05 - r ** 1.6, 0, 1)
    ground = rgb(PLAY_GROUND_DARK) * (1 - t[..., None]) + rgb(PLAY_GROUND_LIGHT) * t[..., None]
    ground = np.rint(ground) + rng.integers(-4, 5, (400, 400))[..., None]
    img = ground.astype(np.float64)

    x0, y0, size = PLAY_ART_BOX
    art = rider_picture(size)
    luma = art[..., :3] @ np.array([0.299, 0.587, 0.114])
    grey = luma[..., None] + 0.18 * (art[..., :3] - luma[..., None])   # almost no colour
    art[..., :3] = np.clip(grey * 0.35, 0, 1)
    over(img, art, x0, y0)

    bronze_frame(img)
    score_panel(img)
    return img


# ---------------------------------------------------------------- the icon

# The icon's own colours (duck.svg): the 16 px icon is drawn in these alone.
ICON_OUTLINE = "#5a3000"
ICON_EYE = "#000000"
ICON_PALETTE = [ICON_OUTLINE, "#fff25a", "#ffd21e", "#e89a00", "#ffffd0", "#f0b000",
                "#a86400", "#ffa640", "#e85a00"]
ICON_BEAK = ("#ffa640", "#e85a00")          # only in the beak's columns, the right quarter
ICON_EYE_CENTRE = (21.0, 9.2)              # in duck.svg's 32-unit grid, after its shift
ICON_SIZES = (16, 32, 48, 128, 256)


def pixel_icon(duck, size):
    """The icon drawn for a size too small for smooth edges: every pixel opaque or clear, a
    one-pixel outline round the figure, inside only the drawing's own colours, and the eye
    one black pixel (reduced like the rest, a 1.8-unit eye would be a grey smudge)."""
    eyeless = re.sub(rb'\s*<circle cx="2[12]\.[0-9]" cy="8\.[0-9]" r="[0-9.]+" fill="#[0-9a-f]+"/>',
                     b"", duck)
    assert eyeless.count(b"<circle") == duck.count(b"<circle") - 2, "duck.svg's eye has moved"
    rgba = reduce_rgba(render_svg(eyeless, size * 4, size * 4), size, size)
    solid = rgba[..., 3] >= 0.5
    edge = solid & ~(shift(solid, 1, 0) & shift(solid, -1, 0) & shift(solid, 0, 1) &
                     shift(solid, 0, -1))
    palette = np.array([hex_rgb(c) for c in ICON_PALETTE], dtype=np.float64)
    colour = rgba[..., :3] * 255.0
    dist = ((colour[..., None, :] - palette) ** 2).sum(-1)
    # elsewhere a sheen over the wing's line would come out beak orange
    beak = np.array([c in ICON_BEAK for c in ICON_PALETTE])
    dist[:, :size * 3 // 4, beak] = np.inf
    nearest = np.argmin(dist, axis=-1)
    out = np.zeros((size, size, 4), dtype=np.uint8)
    out[..., :3] = palette[nearest]
    out[edge, :3] = hex_rgb(ICON_OUTLINE)
    out[..., 3] = np.where(solid, 255, 0)
    ex, ey = (int(c * size / 32.0) for c in ICON_EYE_CENTRE)
    out[ey, ex] = hex_rgb(ICON_EYE) + (255,)
    return out


def make_icons():
    """Every size from duck.svg: the smooth drawing reduced, and at 16 px the pixel drawing."""
    with open(os.path.join(SRC, "duck.svg"), "rb") as f:
        duck = f.read()
    icons = {16: pixel_icon(duck, 16)}
    for s in ICON_SIZES[1:]:
        rgba = reduce_rgba(render_svg(duck, s * 4, s * 4), s, s)
        icons[s] = np.clip(np.rint(rgba * 255), 0, 255).astype(np.uint8)
    return icons


# ---------------------------------------------------------------- checks

def check(play, title, link, icons):
    assert play.shape == (400, 400, 3) and title.shape == (400, 400, 3)
    assert link.shape == (20, 141, 3)
    # the normal label is the title's own pixels, so drawing it restores the title
    lx, ly, lw, lh = LINK_RECT
    assert np.array_equal(link[:10], title[ly:ly + lh, lx:lx + lw]), "label differs from title"
    diff = np.any(link[:10] != link[10:], axis=-1)
    yellow = np.all(link[10:] == LINK_YELLOW, axis=-1)
    assert diff.any() and np.array_equal(diff, yellow), "highlight must only recolour the ink"
    # the scroller lane and everything below it is plain blue ground
    lane = title[SCROLL_LANE_TOP:].astype(int)
    assert np.all((lane[..., 2] > lane[..., 0]) & (lane[..., 2] > lane[..., 1])), "lane not blue"
    # bronze frame: 8 px, only the bevel's colours, the window edge lit at the top
    # and shaded at the bottom; nothing outside the plate is bronze
    plate, edge = bronze_plate()
    allowed = BRONZE_BEVEL + [BRONZE_RIM]
    fp = play[plate & ~score_area()]
    assert np.all(np.any(np.stack([np.all(fp == c, axis=-1) for c in allowed]), axis=0))
    assert tuple(play[1, 100]) == BRONZE_LIGHT and tuple(play[398, 100]) == BRONZE_DARK
    assert not np.any(np.all(play[~plate] == BRONZE_BASE, axis=-1))
    # the digits are drawn and erased over one flat colour
    px0, py0, px1, py1 = SCORE_PANEL
    panel = play[py0 + 1:py1, px0 + 1:px1].reshape(-1, 3)
    assert np.all(panel == SCORE_BLACK), "score panel must be flat"
    # the margin between frame and field is ground grey, at most darkened by the shadow
    margin = play[~plate & (edge >= FRAME) & (edge < 16)].astype(int)
    assert margin.max() <= 0x3F + 4 and np.ptp(margin, axis=-1).max() <= 6
    for s, ic in icons.items():
        assert ic.shape == (s, s, 4)
    assert sorted(icons) == list(ICON_SIZES)
    i16 = icons[16]
    assert set(np.unique(i16[..., 3])) == {0, 255}, "the 16 px icon has soft edges"
    allowed = {hex_rgb(c) for c in ICON_PALETTE + [ICON_EYE]}
    assert {tuple(p) for p in i16[i16[..., 3] == 255][:, :3]} <= allowed, "16 px: stray colour"
    assert (np.all(i16[..., :3] == 0, axis=-1) & (i16[..., 3] == 255)).sum() == 1, "16 px: eye"
    i32 = icons[32].astype(int)
    yellowish = (i32[..., 0] > 200) & (i32[..., 1] > 160) & (i32[..., 2] < 120) & (i32[..., 3] > 200)
    assert yellowish.sum() > 150 and (i32[..., 3] == 0).sum() > 100, "icon is not a duck"


def save_rgb(pixels, name):
    """An RGB picture as PNG; with at most 256 colours as a palette picture, the same pixels in
    a quarter of the bytes or less (the game and the page carry every picture)."""
    path = os.path.join(OUT, name)
    flat = pixels.reshape(-1, 3)
    colours, index = np.unique(flat, axis=0, return_inverse=True)
    if len(colours) > 256:
        Image.fromarray(pixels, "RGB").save(path, optimize=True)
        return
    picture = Image.fromarray(index.reshape(pixels.shape[:2]).astype(np.uint8), "P")
    picture.putpalette(colours.astype(np.uint8).flatten().tolist())
    assert np.array_equal(np.asarray(picture.convert("RGB")), pixels), name + " changed colour"
    picture.save(path, optimize=True)


def main():
    os.makedirs(OUT, exist_ok=True)
    font = load_small_font()
    title_f, bare_f, art = make_title(font)
    title = to_u8(title_f)
    # the link sheet is cut from the rounded title so the two agree to the bit
    bare = to_u8(bare_f)
    key_lines = make_key_lines_sheet(font, art, bare)
    link = to_u8(make_link_sheet(font, bare, title))
    play = to_u8(make_playground())
    icons = make_icons()
    small = to_u8(make_small_font_sheet(font))

    check(play, title, link, icons)
    assert set(np.unique(small)) <= {0, 255}, "the small font must be pure black and white"

    save_rgb(play, "Playground.png")
    save_rgb(title, "picTitle.png")
    save_rgb(link, "sprLink.png")
    save_rgb(key_lines, "picKeyLines.png")
    save_rgb(small, "picSmallFont.png")
    for s, ic in icons.items():
        Image.fromarray(ic, "RGBA").save(os.path.join(OUT, "icon%d.png" % s), optimize=True)
    print("make_pictures: Playground 400x400, picTitle 400x400, sprLink 141x20, picKeyLines "
          "%dx%d, " % (key_lines.shape[1], key_lines.shape[0]) +
          "picSmallFont 768x8, icons %s; label = title crop, lane %d..399 blue, checks passed"
          % ("/".join(map(str, ICON_SIZES)), SCROLL_LANE_TOP))
    return 0


if __name__ == "__main__":
    sys.exit(main())
