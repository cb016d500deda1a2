#!/usr/bin/python3
"""Build the sprite sheets, the score digits and the scroller font.

Sources are the pixel-art text files in assets/src/sprites/:

  snake.txt   balls, the four heads and the explosion  -> sprGobbix.png
  star.txt    the spinning star                        -> sprStar.png
  skull.txt   the turning skull                        -> sprSkull.png
  digits.txt  score digits                             -> sprStatus.png
  font.txt    scroller glyphs                          -> picFonte.png

Text format (blocks are separated by blank lines; '#' starts a comment line
outside a block):

  palette NAME            followed by lines "CHAR #rrggbb" ('.' is always
                          transparent)
  sprite NAME PALETTE     followed by the rows, one character per pixel
  sprite NAME = recolor OTHER PALETTE
  sprite NAME = mirror OTHER                (left-right mirror)
  sprite NAME = silhouette OTHER CHAR [KEEP] (all but the 'o' outline and the
                                            characters in KEEP -> CHAR)
  glyph CODE LABEL [PALETTE]                followed by rows of '#' and '.'

Every mask is derived from the opaque pixels of its sprite, so the sheets
obey the drawing rules by construction: a mask is pure black where the
sprite is opaque and pure white elsewhere, and a picture is pure black
wherever its mask is white. The checks at the end verify this and the fixed
sheet sizes anyway, so a slip in a source file can never reach the game.

Run from the repository root: /usr/bin/python3 assets/tools/make_sprites.py
"""

import sys
from pathlib import Path

from PIL import Image

ROOT = Path(__file__).resolve().parents[2]
SRC = ROOT / "assets" / "src" / "sprites"
OUT = ROOT / "assets" / "png"

BLACK = (0, 0, 0)
WHITE = (255, 255, 255)

# The scroller's message: every character of it must have a glyph.
MESSAGE = ("...GOBBIX!!!   THIS TINY GAME WAS CODED FOR FUN. YOU MUST CATCH ALL "
           "DOTS ON MAP BUT YOUR SNAKE WILL GROW UP ON EACH DOT YOU EAT. TRY TO "
           "DON'T EAT YOURSELF AND BEWARE, ALL DOT NOT REQUIRE TO BE EATEN. "
           "GOOD LUCK...")

FONT_FIRST, FONT_LAST = 32, 93
FONT_CELL_W, FONT_GLYPH_H = 14, 16
FONT_MAX_W, FONT_MAX_H = 11, 14
EMPTY_CODES = (32, 64)


class SourceError(Exception):
    pass


# ---------------------------------------------------------------- parsing

def parse_colour(text, where):
    t = text.strip()
    if len(t) != 7 or t[0] != "#":
        raise SourceError(f"{where}: bad colour {text!r}")
    try:
        return tuple(int(t[i:i + 2], 16) for i in (1, 3, 5))
    except ValueError:
        raise SourceError(f"{where}: bad colour {text!r}") from None


def read_blocks(path):
    """Yield (line number, header, body lines) for each block of a file."""
    lines = path.read_text().splitlines()
    i = 0
    while i < len(lines):
        line = lines[i].rstrip()
        if not line or line.lstrip().startswith("#"):
            i += 1
            continue
        start, header, body = i + 1, line.strip(), []
        i += 1
        while i < len(lines) and lines[i].strip():
            body.append(lines[i].rstrip())
            i += 1
        yield start, header, body


class Library:
    """Palettes, sprites and glyphs read from every source file."""

    def __init__(self):
        self.palettes = {}
        self.sprites = {}   # name -> grid: list of rows of RGB or None
        self.glyphs = {}    # code -> (palette name, list of rows of bools)
        self.derived = []   # (where, name, words) resolved after loading

    def load(self, path):
        for line_no, header, body in read_blocks(path):
            where = f"{path.name}:{line_no}"
            words = header.split()
            kind = words[0]
            if kind == "palette" and len(words) == 2:
                self._palette(where, words[1], body)
            elif kind == "sprite" and len(words) >= 3 and words[2] == "=":
                # Derived sprites may follow each other without blank lines.
                for line in [header] + body:
                    w = line.split()
                    if len(w) < 4 or w[0] != "sprite" or w[2] != "=":
                        raise SourceError(f"{where}: expected a derived sprite, got {line!r}")
                    self.derived.append((where, w[1], w[3:]))
            elif kind == "sprite" and len(words) == 3:
                self._sprite(where, words[1], words[2], body)
            elif kind == "glyph" and len(words) in (3, 4):
                pal = words[3] if len(words) == 4 else "font"
                self._glyph(where, words[1], pal, body)
            else:
                raise SourceError(f"{where}: cannot read {header!r}")

    def _palette(self, where, name, body):
        pal = {}
        for line in body:
            key, _, value = line.strip().partition(" ")
            if key == "." or key in pal:
                raise SourceError(f"{where}: palette entry {key!r} again or reserved")
            pal[key] = parse_colour(value, where)
        self.palettes[name] = pal

    def _sprite(self, where, name, pal_name, rows):
        pal = self.palettes.get(pal_name)
        if pal is None:
            raise SourceError(f"{where}: unknown palette {pal_name!r}")
        if name in self.sprites:
            raise SourceError(f"{where}: sprite {name!r} defined twice")
        if len({len(r) for r in rows}) != 1:
            raise SourceError(f"{where}: rows of {name!r} differ in length")
        grid = []
        for r in rows:
            out = []
            for ch in r:
                if ch == ".":
                    out.append(None)
                elif ch in pal:
                    out.append(pal[ch])
                else:
                    raise SourceError(f"{where}: {ch!r} not in palette {pal_name!r}")
            grid.append(out)
        self.sprites[name] = {"grid": grid, "rows": rows, "palette": pal_name}

    def _glyph(self, where, code_text, pal_name, rows):
        code = int(code_text)
        if not FONT_FIRST < code <= FONT_LAST or code in EMPTY_CODES:
            raise SourceError(f"{where}: no glyph may be drawn for code {code}")
        if code in self.glyphs:
            raise SourceError(f"{where}: glyph {code} defined twice")
        if any(set(r) - set("#.") for r in rows):
            raise SourceError(f"{where}: glyph rows hold only '#' and '.'")
        width = max(len(r) for r in rows)
        if width > FONT_MAX_W or len(rows) > FONT_MAX_H:
            raise SourceError(f"{where}: glyph {code} is larger than "
                              f"{FONT_MAX_W} x {FONT_MAX_H}")
        self.glyphs[code] = (pal_name, [[c == "#" for c in r.ljust(width, ".")]
                                        for r in rows])

    def resolve(self):
        pending = list(self.derived)
        while pending:
            left = []
            for where, name, words in pending:
                src = words[1] if len(words) > 1 else None
                if src not in self.sprites:
                    left.append((where, name, words))
                    continue
                self.sprites[name] = self._derive(where, words)
            if len(left) == len(pending):
                raise SourceError(f"{left[0][0]}: cannot derive {left[0][1]!r}")
            pending = left

    def _derive(self, where, words):
        op, src = words[0], self.sprites[words[1]]
        rows = src["rows"]
        if op == "recolor" and len(words) == 3:
            pal_name, rows = words[2], src["rows"]
        elif op == "mirror" and len(words) == 2:
            pal_name, rows = src["palette"], [r[::-1] for r in rows]
        elif op == "silhouette" and len(words) in (3, 4):
            pal_name = src["palette"]
            keep = ".o" + (words[3] if len(words) == 4 else "")
            rows = ["".join(c if c in keep else words[2] for c in r) for r in rows]
        else:
            raise SourceError(f"{where}: cannot read {' '.join(words)!r}")
        pal = self.palettes[pal_name]
        missing = {c for r in rows for c in r if c != "." and c not in pal}
        if missing:
            raise SourceError(f"{where}: {sorted(missing)} not in palette {pal_name!r}")
        grid = [[None if c == "." else pal[c] for c in r] for r in rows]
        return {"grid": grid, "rows": rows, "palette": pal_name}


# ---------------------------------------------------------------- drawing

class Sheet:
    """A sheet image with named picture/mask cell pairs for the checks."""

    def __init__(self, name, width, height):
        self.name = name
        self.image = Image.new("RGB", (width, height), BLACK)
        self.pairs = []     # (picture x, y, mask x, y, w, h)

    def put(self, grid, px, py, mx, my, size=None):
        h = len(grid)
        w = len(grid[0])
        cw, ch = size or (w, h)
        if (w, h) != (cw, ch):
            raise SourceError(f"{self.name}: a {w} x {h} sprite in a {cw} x {ch} cell")
        pix = self.image.load()
        for y in range(ch):
            for x in range(cw):
                colour = grid[y][x]
                pix[px + x, py + y] = BLACK if colour is None else colour
                pix[mx + x, my + y] = WHITE if colour is None else BLACK
        self.pairs.append((px, py, mx, my, cw, ch))

    def save(self):
        OUT.mkdir(parents=True, exist_ok=True)
        self.image.save(OUT / f"{self.name}.png")


def bevel(ink, palette):
    """Colour a glyph shape: top-left edges light, bottom-right dark."""
    h, w = len(ink), len(ink[0])

    def empty(x, y):
        return not (0 <= x < w and 0 <= y < h and ink[y][x])

    grid = []
    for y in range(h):
        row = []
        for x in range(w):
            if not ink[y][x]:
                row.append(None)
                continue
            lit = 2 * (empty(x, y - 1) + empty(x - 1, y)) + empty(x - 1, y - 1)
            shaded = 2 * (empty(x, y + 1) + empty(x + 1, y)) + empty(x + 1, y + 1)
            if lit > shaded:
                row.append(palette["light"])
            elif shaded > lit:
                row.append(palette["dark"])
            else:
                row.append(palette["face"])
        grid.append(row)
    return grid


def glyph_cell(lib, code):
    """The 14 x 16 picture of one character, None where transparent."""
    cell = [[None] * FONT_CELL_W for _ in range(FONT_GLYPH_H)]
    if code not in lib.glyphs:
        return cell
    pal_name, ink = lib.glyphs[code]
    if pal_name not in lib.palettes:
        raise SourceError(f"glyph {code}: unknown palette {pal_name!r}")
    art = bevel(ink, lib.palettes[pal_name])
    left = (FONT_CELL_W - 1 - len(ink[0])) // 2
    for y, row in enumerate(art):
        for x, colour in enumerate(row):
            cell[1 + y][left + x] = colour
    return cell


def build(lib):
    s = lib.sprites
    sheets = {}

    g = Sheet("sprGobbix", 80, 64)
    # Head, body and highlight share the mask at (64, 0): same outline.
    round_cells = ("ball_yellow", "ball_blue", "ball_red", "ball_green",
                   "head_down", "head_left", "head_right", "head_up")
    shapes = {n: [[c is None for c in r] for r in s[n]["grid"]] for n in round_cells}
    for n in round_cells:
        if shapes[n] != shapes["ball_blue"]:
            raise SourceError(f"{n} does not have the shape of ball_blue")
    for i, name in enumerate(("ball_yellow", "ball_blue", "ball_red", "ball_green")):
        g.put(s[name]["grid"], 16 * i, 0, 64, 0, (16, 16))
    for i, name in enumerate(("head_down", "head_left", "head_right", "head_up")):
        g.put(s[name]["grid"], 16 * i, 16, 64, 0, (16, 16))
    for f in range(4):
        g.put(s[f"explosion{f}"]["grid"], 16 * f, 32, 16 * f, 48, (16, 16))
    sheets[g.name] = g

    st = Sheet("sprStar", 64, 32)
    for c in range(4):
        st.put(s[f"star{c}"]["grid"], 16 * c, 0, 16 * c, 16, (16, 16))
    sheets[st.name] = st

    sk = Sheet("sprSkull", 128, 32)
    for c in range(8):
        sk.put(s[f"skull{c}"]["grid"], 16 * c, 0, 16 * c, 16, (16, 16))
    sheets[sk.name] = sk

    d = Sheet("sprStatus", 90, 27)
    for n in range(10):
        d.put(s[f"digit{n}"]["grid"], 9 * n, 0, 9 * n, 18, (9, 9))
    sheets[d.name] = d

    fo = Sheet("picFonte", 868, 32)
    for code in range(FONT_FIRST, FONT_LAST + 1):
        x = (code - FONT_FIRST) * FONT_CELL_W
        fo.put(glyph_cell(lib, code), x, 0, x, 16, (FONT_CELL_W, FONT_GLYPH_H))
    sheets[fo.name] = fo
    return sheets


# ---------------------------------------------------------------- checks

class CheckError(Exception):
    pass


def require(condition, message):
    """A check that also holds under python -O."""
    if not condition:
        raise CheckError(message)


def cell_pixels(img, x, y, w, h):
    pix = img.load()
    return [[pix[x + i, y + j] for i in range(w)] for j in range(h)]


def opaque(img, x, y, w, h):
    return {(i, j) for j, row in enumerate(cell_pixels(img, x, y, w, h))
            for i, p in enumerate(row) if p == BLACK}


def check_sheet(sheet, size):
    img = sheet.image
    require(img.mode == "RGB" and img.size == size,
            f"{sheet.name}: {img.mode} {img.size}")
    for px, py, mx, my, w, h in sheet.pairs:
        mask = cell_pixels(img, mx, my, w, h)
        pic = cell_pixels(img, px, py, w, h)
        for j in range(h):
            for i in range(w):
                m = mask[j][i]
                require(m in (BLACK, WHITE),
                        f"{sheet.name}: mask ({mx + i},{my + j}) is {m}")
                if m == WHITE:
                    require(pic[j][i] == BLACK,
                            f"{sheet.name}: picture ({px + i},{py + j}) shows through its mask")


def disc_like(cells, solid_centre):
    """True when the opaque set is symmetric and its centre is as asked."""
    centre = {(7, 7), (8, 7), (7, 8), (8, 8)}
    mirrored = {(15 - x, y) for x, y in cells} == cells == {(x, 15 - y) for x, y in cells}
    return mirrored and (centre <= cells) == solid_centre and \
        (solid_centre or not (centre & cells))


def check_all(sheets):
    sizes = {"sprGobbix": (80, 64), "sprStar": (64, 32), "sprSkull": (128, 32),
             "sprStatus": (90, 27), "picFonte": (868, 32)}
    for name, size in sizes.items():
        check_sheet(sheets[name], size)

    # Snake: head, body and highlight all fit the one shared round mask,
    # and the unused cells are black.
    g = sheets["sprGobbix"].image
    ball = opaque(g, 64, 0, 16, 16)
    require(disc_like(ball, True) and len(ball) > 180,
            "sprGobbix: ball mask is not a disc")
    for x, y in [(16 * i, 0) for i in range(4)] + [(16 * i, 16) for i in range(4)]:
        shown = {(i, j) for j, row in enumerate(cell_pixels(g, x, y, 16, 16))
                 for i, p in enumerate(row) if p != BLACK}
        require(shown <= ball,
                f"sprGobbix: cell ({x},{y}) spills outside the ball mask")
    for y in (16, 32, 48):
        require(all(p == BLACK for row in cell_pixels(g, 64, y, 16, 16) for p in row),
                f"sprGobbix: cell (64,{y}) is not empty")
    small, full, thick, thin = (opaque(g, 16 * f, 48, 16, 16) for f in range(4))
    require(disc_like(small, True) and disc_like(full, True),
            "explosion masks 0 and 1 must be round discs")
    require(disc_like(thick, False) and disc_like(thin, False),
            "explosion masks 2 and 3 must be round rings")
    require(len(small) < len(full) and thin < thick < full and small < full,
            "explosion masks: small disc, full disc, thick ring, thin ring")

    # Digits keep a one-pixel margin on the right, so neighbours never touch,
    # and the unused rows are black.
    d = sheets["sprStatus"].image
    for n in range(10):
        cells = opaque(d, 9 * n, 18, 9, 9)
        require(cells and max(x for x, _ in cells) <= 7,
                f"digit {n} touches its neighbour")
    require(all(p == BLACK for row in cell_pixels(d, 0, 9, 90, 9) for p in row),
            "sprStatus: rows 9..17 are not black")

    # Font: every character of the message has a glyph, the empty cells are
    # empty, and the last mask row is free for the drop shadow.
    f = sheets["picFonte"].image
    for code in range(FONT_FIRST, FONT_LAST + 1):
        x = (code - FONT_FIRST) * FONT_CELL_W
        cells = opaque(f, x, 16, FONT_CELL_W, FONT_GLYPH_H)
        require(all(y < FONT_GLYPH_H - 1 for _, y in cells),
                f"glyph {code} uses the shadow row")
        if code in EMPTY_CODES:
            require(not cells,
                    f"cell {code} must stay empty")
        else:
            require(cells,
                    f"glyph {code} ({chr(code)!r}) is missing")
    require(all(FONT_FIRST <= ord(c) <= FONT_LAST for c in MESSAGE),
            "message characters outside the font")


def summary(sheets):
    for name, sheet in sheets.items():
        w, h = sheet.image.size
        print(f"  {name}.png  {w} x {h}  {len(sheet.pairs)} masked cells  rules ok")


def main():
    lib = Library()
    try:
        for name in ("snake", "star", "skull", "digits", "font"):
            lib.load(SRC / f"{name}.txt")
        lib.resolve()
        sheets = build(lib)
    except (SourceError, KeyError) as e:
        sys.exit(f"make_sprites: {e}")
    try:
        check_all(sheets)
    except CheckError as e:
        sys.exit(f"make_sprites: check failed: {e}")
    for sheet in sheets.values():
        sheet.save()
    print("make_sprites: wrote", OUT.relative_to(ROOT))
    summary(sheets)


if __name__ == "__main__":
    main()
