#!/usr/bin/env python3
"""Draws every bitmap of Quenlark Address Book and its application icon as PNG files.

Run it from anywhere: it writes resources/bitmaps/<NAME>.png and
resources/icons/quenlark-<size>.png next to itself. Only the standard library is
used (the PNG encoder is written here with zlib and struct), and the output is the
same on every run. With --check it writes nothing and fails if a committed file
differs from what it would write.

The small pictures are pixel grids drawn by hand: every character of a grid is one
pixel, looked up in the grid's palette. The stripes and gradients whose colours are
fixed row by row or column by column are computed from those colours. The larger
application icons (48 pixels and up) are drawn from the same design with shapes that
are anti-aliased analytically, so their edges carry real alpha.
"""

import math
import os
import struct
import sys
import textwrap
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

GREEN = (0, 255, 0)  # pure green ("lime"): transparent colour of the link pictures
FUCHSIA = (255, 0, 255)  # transparent colour of the 16 x 16 button icons
LIME = GREEN  # transparent colour of the information bubble
BLACK = (0, 0, 0)
CLEAR = (0, 0, 0, 0)


# ---------------------------------------------------------------------------
# Images and PNG output


class Image:
    """A width x height grid of (r, g, b, a) pixels, row by row."""

    def __init__(self, width, height, fill=CLEAR):
        self.width = width
        self.height = height
        self.pixels = [rgba(fill)] * (width * height)

    def get(self, x, y):
        return self.pixels[y * self.width + x]

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y * self.width + x] = rgba(colour)

    def blend(self, x, y, colour, coverage):
        """Paints `colour` over the pixel with the given coverage (source-over)."""
        if coverage <= 0.0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        r, g, b, a = rgba(colour)
        sa = a / 255.0 * min(coverage, 1.0)
        dr, dg, db, da = self.get(x, y)
        da /= 255.0
        oa = sa + da * (1.0 - sa)
        if oa <= 0.0:
            self.set(x, y, CLEAR)
            return

        def mix(s, d):
            return (s * sa + d * da * (1.0 - sa)) / oa

        self.set(x, y, (clamp_byte(mix(r, dr)), clamp_byte(mix(g, dg)), clamp_byte(mix(b, db)),
                        clamp_byte(oa * 255.0)))

    def paint_grid(self, grid, palette, x0=0, y0=0):
        """Paints a hand-drawn grid. A "-" leaves the pixel below untouched."""
        for dy, line in enumerate(grid):
            for dx, ch in enumerate(line):
                if ch != "-":
                    self.set(x0 + dx, y0 + dy, palette[ch])

    def colours(self):
        seen = {}
        for p in self.pixels:
            seen.setdefault(p, len(seen))
        return list(seen)


def rgba(colour):
    return tuple(colour) if len(colour) == 4 else (colour[0], colour[1], colour[2], 255)


def clamp_byte(value):
    return max(0, min(255, int(value + 0.5)))


def hex_colour(text):
    text = text.lstrip("#")
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


def mix_colour(a, b, t):
    """The colour a fraction t of the way from a to b, rounded half up."""
    return tuple(clamp_byte(x + (y - x) * t) for x, y in zip(a, b))


def scale_colour(colour, factor):
    return tuple(clamp_byte(c * factor) for c in colour)


def parse_grid(text, width, height):
    """A grid drawn in a triple-quoted string: one line per row, one character per pixel."""
    rows = textwrap.dedent(text).strip("\n").split("\n")
    if len(rows) != height or any(len(r) != width for r in rows):
        sizes = sorted({len(r) for r in rows})
        raise ValueError(f"grid is {sizes} x {len(rows)}, expected {width} x {height}")
    return rows


def grid_image(text, width, height, palette, background):
    image = Image(width, height, background)
    image.paint_grid(parse_grid(text, width, height), palette)
    return image


def _png_chunk(tag, data):
    body = tag + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def _filter_rows(rows, bpp):
    """Chooses per row the PNG filter with the smallest sum of absolute values."""
    out = bytearray()
    previous = bytes(len(rows[0]))
    for row in rows:
        candidates = []
        for kind in range(5):
            f = bytearray(len(row))
            for i, x in enumerate(row):
                a = row[i - bpp] if i >= bpp else 0
                b = previous[i]
                c = previous[i - bpp] if i >= bpp else 0
                predictor = (0, a, b, (a + b) // 2, _paeth(a, b, c))[kind]
                f[i] = (x - predictor) & 0xFF
            score = sum(v if v < 128 else 256 - v for v in f)
            candidates.append((score, kind, f))
        _, kind, f = min(candidates, key=lambda t: (t[0], t[1]))
        out.append(kind)
        out += f
        previous = row
    return bytes(out)


def encode_png(image, max_colours=None):
    """PNG bytes. A picture with a colour limit is stored as an indexed image (4 bits a
    pixel for up to 16 colours, 8 bits for up to 256), its see-through colours listed in a
    transparency chunk; otherwise RGBA."""
    w, h = image.width, image.height
    if max_colours is not None:
        colours = image.colours()
        if len(colours) > max_colours:
            raise ValueError(f"{len(colours)} colours, at most {max_colours} allowed")
        # Entries after the last one in the transparency chunk are opaque.
        colours.sort(key=lambda c: c[3] == 255)
        alphas = bytes(c[3] for c in colours if c[3] != 255)
        depth = 4 if len(colours) <= 16 else 8
        index = {c: i for i, c in enumerate(colours)}
        rows = []
        for y in range(h):
            ids = [index[image.get(x, y)] for x in range(w)]
            if depth == 4:
                ids += [0] * (len(ids) % 2)
                rows.append(bytes((ids[i] << 4) | ids[i + 1] for i in range(0, len(ids), 2)))
            else:
                rows.append(bytes(ids))
        header = struct.pack(">IIBBBBB", w, h, depth, 3, 0, 0, 0)
        palette = b"".join(bytes(c[:3]) for c in colours)
        data = _filter_rows(rows, 1)
        chunks = [_png_chunk(b"IHDR", header), _png_chunk(b"PLTE", palette)]
        if alphas:
            chunks.append(_png_chunk(b"tRNS", alphas))
    else:
        rows = [bytes(v for x in range(w) for v in image.get(x, y)) for y in range(h)]
        header = struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)
        data = _filter_rows(rows, 4)
        chunks = [_png_chunk(b"IHDR", header)]
    chunks.append(_png_chunk(b"IDAT", zlib.compress(data, 9)))
    chunks.append(_png_chunk(b"IEND", b""))
    return b"\x89PNG\r\n\x1a\n" + b"".join(chunks)


# ---------------------------------------------------------------------------
# Caption bar, menu strip and list item bar: colours fixed row by row or column by
# column, so they are computed from their end colours.


def caption_rows(top, bottom):
    """The 23 row colours of a caption bitmap.

    Rows 0 and 22 are black. Rows 1 to 21 are stripes of four rows (1-4, 5-8, 9-12,
    13-16, 17-20, and row 21 opens a sixth). Stripe s starts a step darker than
    stripe s - 1 (one fifth of the way from `top` to `bottom`) and each of its rows is
    half a step lighter than the row above, so row 1 is `top` and row 21 `bottom`."""
    rows = [BLACK]
    for y in range(1, 22):
        stripe, row = divmod(y - 1, 4)
        steps = stripe - row / 2.0
        rows.append(mix_colour(top, bottom, steps / 5.0))
    rows.append(BLACK)
    return rows


def draw_rows(width, row_colours):
    image = Image(width, len(row_colours))
    for y, colour in enumerate(row_colours):
        for x in range(width):
            image.set(x, y, colour)
    return image


def idb_caption_a():
    return draw_rows(100, caption_rows(hex_colour("1E6792"), hex_colour("1A457A")))


def idb_caption_i():
    return draw_rows(100, caption_rows((87, 87, 87), (63, 63, 63)))


def idb_menu_left():
    """19 columns from #001987 to #0065E1 in 16 evenly spread shades."""
    left, right = hex_colour("001987"), hex_colour("0065E1")
    image = Image(19, 20)
    for x in range(19):
        level = int(x * 15 / 18 + 0.5)
        colour = mix_colour(left, right, level / 15.0)
        for y in range(20):
            image.set(x, y, colour)
    return image


def idb_itembg():
    """A glossy bar: a dark edge, a highlight peaking on the fourth row (#367CA8), the
    upper half fading slowly, a darker lower half after the gloss line, and two rows
    of #1A457A at the bottom."""
    bands = [
        "265C8A",  # 0  top edge
        "2F6F9B",  # 1
        "3377A3",  # 2
        "367CA8",  # 3  the highlight
        "3478A4", "3478A4",  # 4-5
        "3274A0", "3274A0",  # 6-7
        "30709C", "30709C",  # 8-9
        "2E6C98",  # 10 last row of the upper half
        "245A8A", "245A8A",  # 11-12 below the gloss line
        "215385", "215385",  # 13-14
        "1F4F81", "1F4F81",  # 15-16
        "1D4B7E", "1D4B7E",  # 17-18
        "1C487C", "1C487C",  # 19-20
        "1A457A", "1A457A",  # 21-22
    ]
    return draw_rows(100, [hex_colour(b) for b in bands])


# ---------------------------------------------------------------------------
# Close button: a red-orange square with a white cross, 23 x 23. Only the four corner
# pixels are pure green, so the square looks slightly rounded.

CLOSE_GRID = """
    .KKKKKKKKKKKKKKKKKKKKK.
    KHHHHHHHHHHHHHHHHHHHHSK
    KH1111111111111111111SK
    KH1111111111111111111SK
    KH1111111111111111111SK
    KH2222222222222222222SK
    KH2222WW2222222WW2222SK
    KH2222WWW22222WWWc222SK
    KH22222WWW222WWWcc222SK
    KH222222WWW2WWWcc2222SK
    KH3333333WWWWWcc33333SK
    KH33333333WWWcc333333SK
    KH3333333WWWWW3333333SK
    KH333333WWWcWWW333333SK
    KH33333WWWcc3WWW33333SK
    KH4444WWWcc444WWW4444SK
    KH4444WWcc44444WWc444SK
    KH44444cc4444444cc444SK
    KH4444444444444444444SK
    KH444444444444444444sSK
    KH4444444444444444sssSK
    KSSSSSSSSSSSSSSSSSSSSSK
    .KKKKKKKKKKKKKKKKKKKKK.
"""

CLOSE_UP_PALETTE = {
    ".": GREEN,
    "K": (104, 22, 4),  # frame
    "H": (255, 170, 120),  # bevel light
    "1": (246, 122, 66),  # upper glow
    "2": (236, 96, 44),
    "3": (222, 76, 28),
    "4": (206, 62, 20),
    "s": (184, 50, 14),
    "S": (150, 38, 10),  # bevel shadow
    "W": (255, 255, 255),  # the cross
    "c": (140, 32, 8),  # its shadow
}


def idb_close_up():
    return grid_image(CLOSE_GRID, 23, 23, CLOSE_UP_PALETTE, GREEN)


def idb_close_down():
    """The same square in darker tones, lit from below as if pushed in."""
    palette = {k: scale_colour(v, 0.74) for k, v in CLOSE_UP_PALETTE.items()}
    palette["."] = GREEN
    palette["H"], palette["S"] = palette["S"], scale_colour(CLOSE_UP_PALETTE["2"], 0.74)
    palette["W"] = (228, 222, 218)
    return grid_image(CLOSE_GRID, 23, 23, palette, GREEN)


# ---------------------------------------------------------------------------
# Link pictures, 24 x 24 on pure green: the envelope, the envelope with a red 2
# (released and pressed) and the golden star.

ENVELOPE_GRID = """
    ........................
    ........................
    ........................
    ........................
    ........................
    .KKKKKKKKKKKKKKKKKKKKKK.
    .KggWWWWWWWWWWWWWWWWggK.
    .KqqggWWWWWWWWWWWWggqqK.
    .KppqqggWWWWWWWWggqqppK.
    .KppppqqggWWWWggqqppppK.
    .KppppppqqggggqqppppppK.
    .KppppppppqqqqppppppppK.
    .KppppppppppppppppppppK.
    .KppppppppppppppppppppK.
    .KppppppppppppppppppppK.
    .KppppppqqppppqqppppppK.
    .KppppqqppppppppqqppppK.
    .KppqqppppppppppppqqppK.
    .KrrqqqqqqqqqqqqqqqqrrK.
    .KKKKKKKKKKKKKKKKKKKKKK.
    ........................
    ........................
    ........................
    ........................
"""

# The red figure 2 laid over the envelope's lower right corner, with its outline.
FIGURE_TWO_GRID = """
    -DDDDDD-
    DDhhhhDD
    DhRRRRhD
    DRRDDRRD
    DDDDhRRD
    -DDhRRDD
    DDhRRDDD
    DhRRRhhD
    DRRRRRRD
    DDDDDDDD
"""

LINK_PALETTE = {
    ".": GREEN,
    "K": (58, 64, 84),  # envelope outline
    "g": (124, 132, 152),  # fold of the flap
    "W": (255, 255, 255),  # the flap, catching the light
    "p": (236, 238, 243),  # paper
    "q": (208, 213, 223),  # shadow under the flap, seams
    "r": (176, 183, 198),  # bottom corners
    "D": (110, 6, 6),  # outline of the 2
    "R": (220, 26, 26),  # the 2
    "h": (255, 104, 84),  # its lit edges
}


def idb_send_up():
    return grid_image(ENVELOPE_GRID, 24, 24, LINK_PALETTE, GREEN)


def idb_send2_up(palette=LINK_PALETTE):
    image = grid_image(ENVELOPE_GRID, 24, 24, palette, GREEN)
    image.paint_grid(parse_grid(FIGURE_TWO_GRID, 8, 10), palette, 15, 12)
    return image


def idb_send2_down():
    palette = {k: scale_colour(v, 0.72) for k, v in LINK_PALETTE.items()}
    palette["."] = GREEN
    return idb_send2_up(palette)

# A five-pointed star lit from the upper left: each point has a lit and a shaded face.
STAR_GRID = """
    ........................
    ........................
    ...........KK...........
    ...........KK...........
    ..........KwYK..........
    ..........KwYK..........
    ..........KwYK..........
    .........KywYYK.........
    .........KywYYK.........
    .KKKKKKKKyywYYYKKKKKKKK.
    ..KoywwwyyywYYYYYYYYOK..
    ...KKoowwwyyYYYYYOOKK...
    .....KooooywYYOOOOK.....
    ......KooooYOOOOOK......
    .......KYYYooOOOK.......
    .......KYYooooOOK.......
    .......KYYooooOOK.......
    ......KYYooKKooOOK......
    ......KYooK..KoOOK......
    ......KYoK....KoOK......
    .....KYKK......KKOK.....
    .....KK..........KK.....
    ........................
    ........................
"""

STAR_PALETTE = {
    ".": GREEN,
    "K": (150, 84, 0),  # outline
    "w": (255, 250, 196),  # glint along the ridges
    "y": (255, 228, 84),  # lit faces
    "Y": (252, 196, 16),  # gold
    "o": (230, 152, 0),  # faces turned away
    "O": (200, 118, 0),  # faces in shadow
}


def idb_website_up():
    return grid_image(STAR_GRID, 24, 24, STAR_PALETTE, GREEN)


# ---------------------------------------------------------------------------
# Button icons on a background of their transparent colour: the magnifier of the
# search button and the printer of the Report button (16 x 16, fuchsia), and the
# information bubble of the Info button (19 x 18, lime).

SEARCH_GRID = """
    ...KKKKK........
    .KKmmmmmKK......
    .KmbwbbbMK......
    KmbwbbbbBMK.....
    KmbwbbbBBMK.....
    KmbbbbBBcMK.....
    KmbbbBBccMK.....
    KmbbBBcccMK.....
    .KMBBcccMK......
    .KKMMMMMKmhK....
    ...KKKKKKMhHK...
    .........KjhHK..
    ..........KjhHK.
    ...........KjhHK
    ............KjhK
    .............KK.
"""

SEARCH_PALETTE = {
    ".": FUCHSIA,
    "K": (36, 38, 48),  # outline
    "m": (214, 218, 228),  # rim, lit
    "M": (118, 124, 140),  # rim, in shadow
    "b": (176, 214, 242),  # glass
    "B": (148, 192, 234),  # glass, middle
    "c": (118, 166, 218),  # glass, far side
    "w": (255, 255, 255),  # glint
    "H": (176, 112, 56),  # handle, lit edge
    "h": (130, 76, 32),  # handle
    "j": (84, 46, 18),  # handle, shaded edge
}


def icon_search():
    return grid_image(SEARCH_GRID, 16, 16, SEARCH_PALETTE, FUCHSIA)

PRINTER_GRID = """
    ................
    ....BBBBBBBB....
    ....BwpppppB....
    ....BpllllpB....
    ....BppppppB....
    ....BpllllpB....
    ..KKBppppppBKK..
    .KwtKKKKKKKKtsK.
    KwttttttttttttsK
    KGGGGGGGGGGGGGGK
    KggggggggggeeggK
    KggggggggggggggK
    KdKKKKKKKKKKKKdK
    KdddddddddddddsK
    .KKKKKKKKKKKKKK.
    ................
"""

PRINTER_PALETTE = {
    ".": FUCHSIA,
    "B": (24, 56, 132),  # edge of the sheet
    "w": (255, 255, 255),  # lit corner
    "p": (132, 180, 244),  # the blue sheet
    "l": (72, 120, 210),  # its lines
    "K": (40, 42, 52),  # outline, paper slots
    "t": (226, 228, 234),  # top of the printer
    "s": (168, 170, 180),  # shaded edge
    "G": (150, 152, 164),  # edge between top and front
    "g": (198, 200, 208),  # front
    "d": (126, 128, 140),  # base below the slot
    "e": (40, 200, 64),  # power light
}


def icon_printer():
    return grid_image(PRINTER_GRID, 16, 16, PRINTER_PALETTE, FUCHSIA)

INFO_GRID = """
    ...KKKKKKKKKKKKK...
    .KKWWWWWWWWWWWWWKK.
    .KWWWWWWBbdWWWWWqK.
    KWWWWWWWbbdWWWWWWqK
    KWWWWWWWWWWWWWWWWqK
    KWWWWWWbBbdWWWWWWqK
    KWWWWWWWBbdWWWWWWqK
    KWWWWWWWBbdWWWWWWqK
    KWWWWWWWBbdWWWWWWqK
    KWWWWWWWBbdWWWWWWqK
    KWWWWWWWBbdWWWWWWqK
    .KWWWWWbbbddWWWWqK.
    .KWWWWWqqqqqqqqqKK.
    .KWWWWqKKKKKKKKK...
    .KWWWqK............
    .KWWqK.............
    .KWqK..............
    .KKK...............
"""

INFO_PALETTE = {
    ".": LIME,
    "K": (52, 66, 100),  # outline of the bubble
    "W": (255, 255, 255),  # the bubble
    "q": (206, 216, 234),  # its shaded inner edge
    "B": (70, 146, 240),  # the letter i, lit edge
    "b": (16, 88, 208),  # the letter i
    "d": (8, 52, 144),  # its shaded edge
}


def icon_info():
    return grid_image(INFO_GRID, 19, 18, INFO_PALETTE, LIME)


# ---------------------------------------------------------------------------
# Application icon: a blue address book with spiral rings down its left edge,
# coloured index tabs on the right and a contact card with a person on the cover.
# 16 and 32 pixels are hand-drawn grids; 48 pixels and up are drawn from shapes in a
# 256-unit design space, each pixel covered by the exact fraction its edges allow.

COVER_TOP = hex_colour("367CA8")
COVER_BOTTOM = hex_colour("1A457A")
COVER_EDGE = (14, 38, 76)
PAGE = (250, 246, 230)
PAGE_LINE = (214, 204, 178)
PAGE_EDGE = (150, 138, 104)
TABS = [(220, 60, 48), (244, 176, 32), (76, 172, 72), (136, 96, 204)]
TAB_EDGES = [(120, 24, 16), (150, 96, 0), (30, 96, 30), (70, 44, 120)]
METAL_LIGHT = (238, 240, 246)
METAL_DARK = (118, 124, 140)
METAL_EDGE = (48, 52, 66)
CARD = (252, 253, 255)
CARD_EDGE = (150, 176, 212)
PERSON = (42, 102, 156)


def sd_round_rect(u, v, x0, y0, x1, y1, r):
    qx = abs(u - (x0 + x1) / 2.0) - ((x1 - x0) / 2.0 - r)
    qy = abs(v - (y0 + y1) / 2.0) - ((y1 - y0) / 2.0 - r)
    return math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - r


def sd_circle(u, v, cx, cy, r):
    return math.hypot(u - cx, v - cy) - r


def sd_capsule(u, v, ax, ay, bx, by, r):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((u - ax) * dx + (v - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(u - ax - t * dx, v - ay - t * dy) - r


def sd_ellipse(u, v, cx, cy, rx, ry):
    return (math.hypot((u - cx) / rx, (v - cy) / ry) - 1.0) * min(rx, ry)


class Painter:
    """Draws shapes given by signed distance functions in 256-unit design space."""

    def __init__(self, size):
        self.size = size
        self.k = size / 256.0  # pixels per unit
        self.image = Image(size, size)

    def fill(self, sdf, bbox, paint, blur=0.0):
        """Paints the inside of `sdf` (negative inside). `paint` is a colour or a
        function of (u, v). A blur (units) softens the edge, for shadows."""
        x0, y0, x1, y1 = bbox
        px0 = max(0, int(x0 * self.k) - 2)
        py0 = max(0, int(y0 * self.k) - 2)
        px1 = min(self.size, int(math.ceil(x1 * self.k)) + 2)
        py1 = min(self.size, int(math.ceil(y1 * self.k)) + 2)
        soft = max(1.0, blur * self.k)
        for y in range(py0, py1):
            v = (y + 0.5) / self.k
            for x in range(px0, px1):
                u = (x + 0.5) / self.k
                d = sdf(u, v) * self.k
                coverage = 0.5 - d / soft
                if coverage <= 0.0:
                    continue
                colour = paint(u, v) if callable(paint) else paint
                self.image.blend(x, y, colour, coverage)

    def outlined(self, sdf, bbox, paint, edge, width):
        self.fill(sdf, bbox, edge)
        self.fill(lambda u, v: sdf(u, v) + width, bbox, paint)


def vertical_gradient(top, bottom, v0, v1):
    def paint(u, v):
        return mix_colour(top, bottom, max(0.0, min(1.0, (v - v0) / (v1 - v0))))

    return paint


def draw_book(size):
    p = Painter(size)
    rings = [40, 96, 152, 208] if size < 96 else [36, 72, 108, 144, 180, 216]
    edge = 5.0 if size < 96 else 4.0

    # Soft shadow under the book.
    p.fill(lambda u, v: sd_round_rect(u, v, 40, 20, 236, 250, 18), (30, 10, 250, 256),
           (0, 0, 0, 110), blur=10.0)
    # Index tabs, standing out from the pages on the right.
    for i, colour in enumerate(TABS):
        top = 40 + i * 48
        p.outlined(lambda u, v, t=top: sd_round_rect(u, v, 190, t, 244, t + 40, 8),
                   (190, top, 244, top + 40), vertical_gradient(mix_colour(colour, (255,) * 3, 0.25),
                                                              colour, top, top + 40),
                   TAB_EDGES[i], edge)
    # The block of pages, seen on the right and at the bottom of the cover.
    page_box = (40, 14, 230, 246)

    def pages(u, v):
        if u > 210 and int(v) % 10 < 3 or v > 232 and int(u) % 10 < 3:
            return PAGE_LINE
        return PAGE

    p.outlined(lambda u, v: sd_round_rect(u, v, *page_box, 14), page_box, pages,
               PAGE_EDGE, edge)
    # The cover.
    cover = (24, 6, 214, 236)
    p.outlined(lambda u, v: sd_round_rect(u, v, *cover, 16), cover,
               vertical_gradient(COVER_TOP, COVER_BOTTOM, 6, 236), COVER_EDGE, edge + 1)
    # A lit rim along the cover's inside and a darker binding strip on its left.
    p.fill(lambda u, v: max(sd_round_rect(u, v, 30, 12, 208, 230, 11),
                            -sd_round_rect(u, v, 34, 16, 204, 226, 8)),
           cover, (255, 255, 255, 60))
    p.fill(lambda u, v: sd_round_rect(u, v, 30, 12, 70, 230, 8), (30, 12, 70, 230),
           (0, 20, 60, 70))
    # The spiral rings: a hole in the cover and a metal loop over the left edge.
    for y in rings:
        p.fill(lambda u, v, y=y: sd_ellipse(u, v, 56, y, 8, 7), (46, y - 9, 66, y + 9),
               (6, 20, 44))
        p.outlined(lambda u, v, y=y: sd_capsule(u, v, 12, y, 54, y, 9), (2, y - 10, 64, y + 10),
                   vertical_gradient(METAL_LIGHT, METAL_DARK, y - 6, y + 6), METAL_EDGE, 3.0)
    # The contact card on the cover, with a person on it.
    card = (88, 40, 192, 168)
    p.fill(lambda u, v: sd_round_rect(u, v, 92, 46, 198, 174, 10), (92, 46, 198, 174),
           (0, 16, 48, 90), blur=6.0)
    p.outlined(lambda u, v: sd_round_rect(u, v, *card, 10), card, CARD, CARD_EDGE, 3.5)
    inner = (94, 46, 186, 162)
    person = vertical_gradient(COVER_TOP, PERSON, 60, 160)
    p.fill(lambda u, v: sd_circle(u, v, 140, 86, 22), (116, 62, 164, 110), person)
    p.fill(lambda u, v: max(sd_ellipse(u, v, 140, 164, 44, 44),
                            sd_round_rect(u, v, *inner, 6)), (94, 118, 186, 162), person)
    # Two lines of "writing" below the card.
    for x1, y in ((184, 186), (156, 204)):
        p.fill(lambda u, v, x1=x1, y=y: sd_capsule(u, v, 100, y, x1, y, 4.5),
               (94, y - 6, x1 + 6, y + 6), (255, 255, 255, 130))
    return p.image


ICON_PALETTE = {
    ".": CLEAR,
    "s": (0, 0, 0, 64),  # shadow, half see-through
    "K": COVER_EDGE,
    "h": mix_colour(COVER_TOP, (255, 255, 255), 0.3),  # lit rim of the cover
    "1": COVER_TOP,
    "2": mix_colour(COVER_TOP, COVER_BOTTOM, 0.33),
    "3": mix_colour(COVER_TOP, COVER_BOTTOM, 0.67),
    "4": COVER_BOTTOM,
    "n": mix_colour(COVER_TOP, COVER_EDGE, 0.35),  # binding strip
    "d": mix_colour(COVER_TOP, COVER_EDGE, 0.5),  # shadow of the card
    "o": (6, 20, 44),  # ring holes
    "M": METAL_EDGE,
    "m": METAL_LIGHT,
    "G": METAL_DARK,
    "p": PAGE,
    "l": PAGE_LINE,
    "P": PAGE_EDGE,
    "r": TABS[0],
    "R": TAB_EDGES[0],
    "y": TABS[1],
    "Y": TAB_EDGES[1],
    "e": TABS[2],
    "E": TAB_EDGES[2],
    "v": TABS[3],
    "V": TAB_EDGES[3],
    "W": CARD,
    "c": CARD_EDGE,
    "b": COVER_TOP,  # the person
    "B": PERSON,  # its shaded side
    "w": mix_colour(COVER_BOTTOM, (255, 255, 255), 0.45),  # writing on the cover
}

ICON_32_GRID = """
    ....KKKKKKKKKKKKKKKKKKKKKK......
    ...KKhhhhhhhhhhhhhhhhhhhhKKPP...
    ...Knnnnn11111111111111111KllP..
    .MMMMMMnn11111111111111111KpRRR.
    Mmmmmmmon11111111111111111KlrrrR
    MGGGGGGon11cccccccccccccc1KprrrR
    .MMMMMMnn11cWWWWWWWWWWWWcdKlrrrR
    ...Knnnnn11cWWWWWWWWWWWWcdKpRRR.
    ...Knnnnn22cWWWWbbbbWWWWcdKllPs.
    ...Knnnnn22cWWWbhbbbBWWWcdKpYYY.
    .MMMMMMnn22cWWWbhbbbBWWWcdKlyyyY
    Mmmmmmmon22cWWWbbbbbBWWWcdKpyyyY
    MGGGGGGon22cWWWWbbbBWWWWcdKlyyyY
    .MMMMMMnn22cWWWWWWWWWWWWcdKpYYY.
    ...Knnnnn22cWWWbbbbbbWWWcdKllPs.
    ...Knnnnn33cWWbbbbbbbBWWcdKpEEE.
    ...Knnnnn33cWbbbbbbbbbBWcdKleeeE
    .MMMMMMnn33cbbbbbbbbbbbBcdKpeeeE
    Mmmmmmmon33cbbbbbbbbbbbBcdKleeeE
    MGGGGGGon33cbbbbbbbbbbbBcdKpEEE.
    .MMMMMMnn33cbbbbbbbbbbbBcdKllPs.
    ...Knnnnn33ccccccccccccccdKpVVV.
    ...Knnnnn444ddddddddddddddKlvvvV
    ...Knnnnn44444444444444444KpvvvV
    .MMMMMMnn444wwwwwwwwwwww44KlvvvV
    Mmmmmmmon44444444444444444KpVVV.
    MGGGGGGon444wwwwwwww444444KllPs.
    .MMMMMMnn4444444444444444KKppPs.
    ....KKKKKKKKKKKKKKKKKKKKKKplpPs.
    .....ppppppppppppppppppppppppPs.
    .....PPPPPPPPPPPPPPPPPPPPPPPP.s.
    ......ssssssssssssssssssssssss..
"""

ICON_16_GRID = """
    ..KKKKKKKKKK....
    .KhhhhhhhhhhKP..
    Mmmmocccccc1KrrR
    MGGGocWWWWcdKrrR
    .Knn1cWbbWcdKRR.
    MmmmocWbbWcdKlP.
    MGGGocWWWWcdKyyY
    .Knn1cbbbbcdKyyY
    MmmmocbbbbcdKYY.
    MGGGoccccccdKlP.
    .Knn22ddddddKeeE
    MmmmowwwwwwdKeeE
    MGGGo333333dKEE.
    ..KKKKKKKKKKplP.
    ...pppppppppppP.
    ....PPPPPPPPPP..
"""

ICON_SIZES = (16, 32, 48, 64, 128, 256)


def app_icon(size):
    if size == 16:
        return grid_image(ICON_16_GRID, 16, 16, ICON_PALETTE, CLEAR)
    if size == 32:
        return grid_image(ICON_32_GRID, 32, 32, ICON_PALETTE, CLEAR)
    return draw_book(size)


# ---------------------------------------------------------------------------
# Output

# name: (drawing, largest number of colours)
BITMAPS = {
    "IDB_CAPTION_A": (idb_caption_a, 256),
    "IDB_CAPTION_I": (idb_caption_i, 16),
    "IDB_CLOSE_UP": (idb_close_up, 16),
    "IDB_CLOSE_DOWN": (idb_close_down, 16),
    "IDB_MENU_LEFT": (idb_menu_left, 16),
    "IDB_ITEMBG": (idb_itembg, 16),
    "IDB_SEND_UP": (idb_send_up, 16),
    "IDB_SEND2_UP": (idb_send2_up, 16),
    "IDB_SEND2_DOWN": (idb_send2_down, 16),
    "IDB_WEBSITE_UP": (idb_website_up, 16),
    "ICON_SEARCH": (icon_search, 16),
    "ICON_PRINTER": (icon_printer, 16),
    "ICON_INFO": (icon_info, 16),
}


# The pictures drawn on a background of a colour that is never shown. That colour is
# written as see-through pixels, so the pictures carry their own transparency.
SEE_THROUGH = {
    "IDB_CLOSE_UP": GREEN,
    "IDB_CLOSE_DOWN": GREEN,
    "IDB_SEND_UP": GREEN,
    "IDB_SEND2_UP": GREEN,
    "IDB_SEND2_DOWN": GREEN,
    "IDB_WEBSITE_UP": GREEN,
    "ICON_SEARCH": FUCHSIA,
    "ICON_PRINTER": FUCHSIA,
    "ICON_INFO": LIME,
}


def see_through(image, colour):
    key = rgba(colour)
    image.pixels = [rgba(CLEAR) if p == key else p for p in image.pixels]
    return image


def outputs():
    """Every file this script makes: (path relative to resources/, PNG bytes)."""
    for name, (draw, max_colours) in BITMAPS.items():
        image = draw()
        if name in SEE_THROUGH:
            image = see_through(image, SEE_THROUGH[name])
        yield f"bitmaps/{name}.png", encode_png(image, max_colours)
    for size in ICON_SIZES:
        yield f"icons/quenlark-{size}.png", encode_png(app_icon(size))


def main(argv):
    check = "--check" in argv[1:]
    stale = []
    for relative, data in outputs():
        path = os.path.join(HERE, relative)
        if check:
            try:
                with open(path, "rb") as f:
                    if f.read() == data:
                        continue
            except OSError:
                pass
            stale.append(relative)
            continue
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        print(relative)
    if stale:
        print("out of date: " + ", ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
