#!/usr/bin/env python3
"""Draws Pinwell's pictures, icons, arrival sound and wait animation.

Every resource file under res/ that is not text comes from this script, so the
artwork can be reviewed and changed as code.  The output is byte-for-byte
deterministic and is committed: a normal build never needs Python.

    python3 tools/make-resources.py                    # rewrite res/
    python3 tools/make-resources.py --sheet menu.png   # plus a 6x preview of
                                                       # every picture

Besides the binaries it refreshes two generated blocks, between the marker
lines, in res/resource.h (menu bitmap ids and the table of what each shows)
and res/pinwell.rc (the BITMAP lines of the menu pictures).

Standard library only.
"""

import argparse
import math
import os
import struct
import sys
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RES = os.path.join(ROOT, "res")

MENU_FIRST_ID = 5001          # first resource id of the menu pictures
MENU_SIZE = 13                # SM_CXMENUCHECK at 96 dpi

# ---------------------------------------------------------------------------
# File formats
# ---------------------------------------------------------------------------


def _bmp_file(width, height, bpp, palette, rows_bottom_up):
    """A complete .bmp file; rows_bottom_up are the packed pixel rows."""
    stride = ((width * bpp + 31) // 32) * 4
    data = b"".join(r.ljust(stride, b"\0") for r in rows_bottom_up)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0,
                       len(data), 2835, 2835, len(palette), 0)
    offset = 14 + len(info) + len(pal)
    head = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    return head + info + pal + data


def indexed_bmp(indices, palette, bpp):
    """indices: rows (top first) of palette indices."""
    height, width = len(indices), len(indices[0])
    rows = []
    for row in reversed(indices):
        if bpp == 8:
            rows.append(bytes(row))
        elif bpp == 4:
            padded = list(row) + [0] * (len(row) % 2)
            rows.append(bytes((padded[i] << 4) | padded[i + 1]
                              for i in range(0, len(padded), 2)))
        else:
            raise ValueError(bpp)
    full = list(palette) + [(0, 0, 0)] * ((1 << bpp) - len(palette)) \
        if bpp == 4 else list(palette)
    return _bmp_file(width, height, bpp, full, rows)


def rgb_bmp(pixels):
    """pixels: rows (top first) of (r, g, b)."""
    height, width = len(pixels), len(pixels[0])
    rows = [b"".join(struct.pack("<BBB", b, g, r) for (r, g, b) in row)
            for row in reversed(pixels)]
    return _bmp_file(width, height, 24, [], rows)


def ico_file(images):
    """images: list of RGBA pixel grids (rows of (r, g, b, a)), any sizes."""
    blobs = []
    for px in images:
        size = len(px)
        xor = b"".join(bytes(v for (r, g, b, a) in row for v in (b, g, r, a))
                       for row in reversed(px))
        mask_stride = ((size + 31) // 32) * 4
        mask = bytearray()
        for row in reversed(px):
            bits = bytearray(mask_stride)
            for x, (_, _, _, a) in enumerate(row):
                if a < 128:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                           len(xor) + len(mask), 0, 0, 0, 0)
        blobs.append((size, info + xor + bytes(mask)))
    out = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for size, blob in blobs:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32,
                           len(blob), offset)
        offset += len(blob)
    return out + b"".join(blob for _, blob in blobs)


def wav_file(samples, rate):
    data = b"".join(struct.pack("<h", s) for s in samples)
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate * 2, 2, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + \
        b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def _chunk(fourcc, payload):
    pad = b"\0" if len(payload) % 2 else b""
    return fourcc + struct.pack("<I", len(payload)) + payload + pad


def _list(kind, payload):
    return _chunk(b"LIST", kind + payload)


def avi_file(frames, palette, fps):
    """Uncompressed 8-bit AVI the Animation common control can play.

    frames: list of index grids (rows top first), all the same size.
    """
    height, width = len(frames[0]), len(frames[0][0])
    stride = (width + 3) & ~3
    frame_bytes = stride * height
    count = len(frames)
    usec = 1000000 // fps
    avih = struct.pack("<IIIIIIIIII4I", usec, frame_bytes * fps, 0,
                       0x10,                    # AVIF_HASINDEX
                       count, 0, 1, frame_bytes, width, height, 0, 0, 0, 0)
    strh = struct.pack("<4s4sIHHIIIIIIIIhhhh", b"vids", b"DIB ", 0, 0, 0, 0,
                       1, fps, 0, count, frame_bytes, 0xFFFFFFFF, 0,
                       0, 0, width, height)
    # A full 256-entry colour table: some players assume one for 8-bit video.
    palette = list(palette) + [(0, 0, 0)] * (256 - len(palette))
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    strf = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0,
                       frame_bytes, 0, 0, 256, 0) + pal
    hdrl = _list(b"hdrl", _chunk(b"avih", avih) +
                 _list(b"strl", _chunk(b"strh", strh) + _chunk(b"strf", strf)))
    movi_payload = b""
    index = b""
    for f in frames:
        data = b"".join(bytes(row).ljust(stride, b"\0") for row in reversed(f))
        # idx1 offsets count from the 'movi' fourcc.
        index += struct.pack("<4sIII", b"00db", 0x10, 4 + len(movi_payload),
                             len(data))
        movi_payload += _chunk(b"00db", data)
    body = b"AVI " + hdrl + _list(b"movi", movi_payload) + _chunk(b"idx1", index)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def png_file(pixels):
    """pixels: rows of (r, g, b); used only for the preview sheet."""
    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in pixels)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + \
            struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    ihdr = struct.pack(">IIBBBBB", len(pixels[0]), len(pixels), 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + \
        chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


# ---------------------------------------------------------------------------
# Pixel grids: small pictures are drawn pixel by pixel, one character per pixel
# ---------------------------------------------------------------------------


class Grid:
    def __init__(self, w, h, fill="."):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def get(self, x, y):
        return self.px[y][x]

    def paste(self, rows, x=0, y=0):
        """Copies rows of characters; a blank is transparent."""
        for j, row in enumerate(rows):
            for i, c in enumerate(row):
                if c != " ":
                    self.set(x + i, y + j, c)

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.set(x, y0, c)
            self.set(x, y1, c)
        for y in range(y0, y1 + 1):
            self.set(x0, y, c)
            self.set(x1, y, c)

    def hline(self, x0, x1, y, c):
        for x in range(x0, x1 + 1):
            self.set(x, y, c)

    def vline(self, x, y0, y1, c):
        for y in range(y0, y1 + 1):
            self.set(x, y, c)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.set(x0, y0, c)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def disc(self, cx, cy, r, c, inner=None):
        """Pixels whose centres lie within r of (cx, cy) (and beyond inner)."""
        for y in range(self.h):
            for x in range(self.w):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if d <= r and (inner is None or d > inner):
                    self.set(x, y, c)

    def replace(self, old, new):
        for row in self.px:
            for i, c in enumerate(row):
                if c == old:
                    row[i] = new

    def rows(self):
        return ["".join(r) for r in self.px]


def flip_h(rows):
    return [r[::-1] for r in rows]


def flip_v(rows):
    return list(reversed(rows))


def transpose(rows):
    return ["".join(r[i] for r in rows) for i in range(len(rows[0]))]


def check_grid(name, rows, w, h):
    if len(rows) != h or any(len(r) != w for r in rows):
        raise SystemExit("%s: picture must be %dx%d, rows are %s"
                         % (name, w, h, [len(r) for r in rows]))


# ---------------------------------------------------------------------------
# Menu pictures: 13 x 13, 8-bit.  Palette entry 0 is RGB(192,192,192) so that
# LoadImage(..., LR_LOADMAP3DCOLORS) turns the background into the menu face
# colour; drawn plainly (LoadBitmap) it is the classic light grey.
# ---------------------------------------------------------------------------

MENU_COLOURS = [
    (".", (192, 192, 192)),   # background
    ("k", (0, 0, 0)),
    ("d", (64, 64, 64)),
    ("g", (112, 112, 112)),
    ("l", (160, 160, 160)),
    ("L", (212, 212, 212)),
    ("w", (255, 255, 255)),
    ("y", (255, 236, 139)),   # note paper
    ("Y", (222, 178, 40)),    # note fold, folder, gold
    ("o", (245, 145, 35)),
    ("r", (220, 40, 40)),
    ("R", (140, 20, 20)),
    ("G", (40, 160, 60)),
    ("D", (10, 95, 30)),
    ("h", (140, 215, 125)),
    ("b", (40, 100, 215)),
    ("B", (150, 195, 250)),
    ("n", (20, 40, 120)),
    ("c", (50, 175, 205)),
    ("p", (150, 70, 190)),
    ("m", (150, 95, 45)),
    ("s", (235, 205, 160)),
    ("e", (240, 130, 180)),
]

# Reusable parts --------------------------------------------------------------

NOTE = [            # 10 x 12, folded top-right corner, three text lines
    "kkkkkkk   ",
    "kyyyyyYk  ",
    "kyyyyyYYk ",
    "kyyyyykkkk",
    "kyggggyyyk",
    "kyyyyyyyyk",
    "kyggggggyk",
    "kyyyyyyyyk",
    "kyggggggyk",
    "kyyyyyyyyk",
    "kyyyyyyyyk",
    "kkkkkkkkkk",
]

SMALL_NOTE = [      # 8 x 10
    "kkkkkk  ",
    "kyyyyYk ",
    "kyyyykkk",
    "kyyyyyyk",
    "kyggggyk",
    "kyyyyyyk",
    "kyggggyk",
    "kyyyyyyk",
    "kyyyyyyk",
    "kkkkkkkk",
]

PLUS = [            # 7 x 7
    "  DDD  ",
    "  DGD  ",
    "DDDGDDD",
    "DGGGGGD",
    "DDDGDDD",
    "  DGD  ",
    "  DDD  ",
]

ARROW_RIGHT = [     # 7 x 7, colour placeholder 'x'
    "   x   ",
    "   xx  ",
    "xxxxxx ",
    "xxxxxxx",
    "xxxxxx ",
    "   xx  ",
    "   x   ",
]

CHECK = [           # 7 x 6
    "      D",
    "     DG",
    "D   DGD",
    "GD DGD ",
    "DGDGD  ",
    " DGD   ",
]

ENVELOPE = [        # 13 x 9
    "kkkkkkkkkkkkk",
    "kkwwwwwwwwwkk",
    "kwkwwwwwwwkwk",
    "kwwkwwwwwkwwk",
    "kwwwkwwwkwwwk",
    "kwwwwkwkwwwwk",
    "kwwwwwkwwwwwk",
    "kwwwwwwwwwwwk",
    "kkkkkkkkkkkkk",
]

LETTER_A = [        # 11 x 10
    "    kkk    ",
    "    kkk    ",
    "   kk kk   ",
    "   kk kk   ",
    "  kk   kk  ",
    "  kkkkkkk  ",
    " kk     kk ",
    " kk     kk ",
    "kkk     kkk",
    "           ",
]

PALETTE = [         # 12 x 10, painter's palette with a thumb hole
    "   sssssss  ",
    "  ssrrssYYs ",
    " sssrrssYYss",
    "sGGsssssssss",
    "sGGssss  sss",
    "sssssss  ss ",
    "sbbsssssss  ",
    " bbssseess  ",
    "  sssseess  ",
    "    ssss    ",
]

FLOPPY_SMALL = [    # 7 x 7
    "kkkkkkk",
    "kbwwwbk",
    "kbwwwbk",
    "kbbbbbk",
    "kbkkkbk",
    "kbkwkbk",
    "kkkkkkk",
]

EYE = [             # 13 x 7
    "    kkkkk    ",
    "  kkwwwwwkk  ",
    " kwwwbbbwwwk ",
    "kwwwbbkbbwwwk",
    " kwwwbbbwwwk ",
    "  kkwwwwwkk  ",
    "    kkkkk    ",
]


def coloured(rows, colour):
    return [r.replace("x", colour) for r in rows]


MENU = []   # (symbol, what it shows, draw function)


def menu(symbol, shows):
    def register(fn):
        MENU.append((symbol, shows, fn))
        return fn
    return register


# The pictures ----------------------------------------------------------------

@menu("NEW_NOTE", "yellow note with a green plus")
def _(g):
    g.paste(NOTE, 0, 0)
    g.paste(PLUS, 6, 6)


@menu("SHOW_NOTES", "open eye")
def _(g):
    g.paste(EYE, 0, 3)


@menu("HIDE_NOTES", "eye struck through in red")
def _(g):
    g.paste(EYE, 0, 3)
    g.line(1, 12, 12, 1, "r")
    g.line(0, 12, 11, 1, "R")


@menu("EXPORT_NOTES", "two notes, green arrow pointing out to the right")
def _(g):
    g.paste(SMALL_NOTE, 3, 0)
    g.paste(SMALL_NOTE, 0, 3)
    g.paste(coloured(ARROW_RIGHT, "G"), 6, 6)


@menu("IMPORT_NOTES", "two notes, blue arrow pointing in from the right")
def _(g):
    g.paste(SMALL_NOTE, 3, 0)
    g.paste(SMALL_NOTE, 0, 3)
    g.paste(flip_h(coloured(ARROW_RIGHT, "b")), 6, 6)


@menu("CHECK_EMAIL", "envelope with a green arrow coming down")
def _(g):
    g.paste(ENVELOPE, 0, 4)
    g.paste(transpose(coloured(ARROW_RIGHT, "G")), 6, 0)
    g.vline(5, 0, 2, ".")


@menu("SETTINGS", "grey gear wheel")
def _(g):
    g.paste([
        "             ",
        "     kkk     ",
        "  kk kgk kk  ",
        "  kgkkgkkgk  ",
        "   kgggggk   ",
        " kkkggkggkkk ",
        " kgggk kgggk ",
        " kkkggkggkkk ",
        "   kgggggk   ",
        "  kgkkgkkgk  ",
        "  kk kgk kk  ",
        "     kkk     ",
        "             ",
    ])


@menu("ABOUT", "white letter i on a blue disc (information)")
def _(g):
    g.disc(6.5, 6.5, 6.5, "n")
    g.disc(6.5, 6.5, 5.6, "b")
    g.rect(6, 2, 7, 3, "w")
    g.rect(6, 5, 7, 9, "w")
    g.set(5, 5, "w")
    g.hline(5, 8, 10, "w")


@menu("EXIT", "brown door with a red arrow leaving it")
def _(g):
    g.rect(0, 0, 7, 12, "m")
    g.frame(0, 0, 7, 12, "k")
    g.rect(2, 2, 5, 5, "s")
    g.frame(2, 2, 5, 5, "R")
    g.set(6, 7, "Y")
    g.paste(coloured(ARROW_RIGHT, "r"), 6, 3)


@menu("FONT", "letter A")
def _(g):
    g.paste(LETTER_A, 1, 1)
    g.hline(0, 3, 10, "k")
    g.hline(9, 12, 10, "k")


@menu("TEXT_COLOR", "letter A over a red bar")
def _(g):
    g.paste(LETTER_A[:9], 1, 0)
    g.rect(0, 10, 12, 12, "r")


@menu("NOTE_COLOR", "note with a blue paint drop")
def _(g):
    g.paste(NOTE, 0, 0)
    g.paste([
        "   k   ",
        "  kbk  ",
        "  kbk  ",
        " kbbbk ",
        "kbbbbBk",
        "kbbbbBk",
        "kbbbbbk",
        " kbbbk ",
        "  kkk  ",
    ], 6, 4)


@menu("TITLE_COLOR", "note window with a blue title strip")
def _(g):
    g.rect(0, 1, 12, 11, "y")
    g.rect(0, 1, 12, 4, "b")
    g.frame(0, 1, 12, 11, "k")
    g.hline(3, 9, 2, "w")
    g.hline(2, 9, 7, "g")
    g.hline(2, 7, 9, "g")


@menu("OPEN_FILE", "yellow folder")
def _(g):
    g.paste([
        "             ",
        "             ",
        " kkkkk       ",
        "kYYYYYk      ",
        "kYYYYYYkkkkk ",
        "kYyyyyyyyyyyk",
        "kYYYYYYYYYYYk",
        "kYYYYYYYYYYYk",
        "kYYYYYYYYYYYk",
        "kYYYYYYYYYYYk",
        "kYYYYYYYYYYYk",
        "kkkkkkkkkkkkk",
        "             ",
    ])


@menu("SAVE", "blue floppy disk")
def _(g):
    g.paste([
        "kkkkkkkkkkkk ",
        "kbbkllllkbbbk",
        "kbbklkkllbbbk",
        "kbbklkkllbbbk",
        "kbbkllllkbbbk",
        "kbbbkkkkbbbbk",
        "kbbbbbbbbbbbk",
        "kbkkkkkkkkkbk",
        "kbkwwwwwwwkbk",
        "kbkwgggggwkbk",
        "kbkwwwwwwwkbk",
        "kbkwgggggwkbk",
        "kkkkkkkkkkkkk",
    ])


@menu("SAVE_PICTURE", "framed picture: sun over green hills")
def _(g):
    g.rect(0, 1, 12, 11, "B")
    g.disc(9, 4, 1.6, "Y")
    g.paste([
        "    G        ",
        "   GGG       ",
        "  GGGGG   G  ",
        " GGGGGGG GGG ",
        "GGGGGGGGGGGGG",
        "DDDDDDDDDDDDD",
    ], 0, 5)
    g.frame(0, 1, 12, 11, "k")


@menu("EXPORT_NOTE", "one note, green arrow pointing out to the right")
def _(g):
    g.paste(NOTE, 0, 0)
    g.paste(coloured(ARROW_RIGHT, "G"), 6, 6)


@menu("IMPORT_NOTE", "one note, blue arrow pointing in from the right")
def _(g):
    g.paste(NOTE, 0, 0)
    g.paste(flip_h(coloured(ARROW_RIGHT, "b")), 6, 6)


UNDO = [
    "             ",
    "             ",
    "   x         ",
    "  xx         ",
    " xxxxxxxx    ",
    "xxxxxxxxxxx  ",
    " xxxxxxxxxxx ",
    "  xx     xxx ",
    "   x      xx ",
    "          xx ",
    "         xx  ",
    "             ",
    "             ",
]


@menu("UNDO", "blue arrow curving back to the left")
def _(g):
    g.paste(coloured(UNDO, "b"))


@menu("REDO", "blue arrow curving on to the right")
def _(g):
    g.paste(flip_h(coloured(UNDO, "b")))


@menu("CUT", "scissors")
def _(g):
    g.paste([
        "  k      k   ",
        "  kk    kk   ",
        "   kk  kk    ",
        "   kk  kk    ",
        "    kkkk     ",
        "     kk      ",
        "    kkkk     ",
        "   rr  rr    ",
        " rrrr  rrrr  ",
        "rr  r  r  rr ",
        "rr  r  r  rr ",
        " rrr    rrr  ",
        "             ",
    ], 0, 0)


@menu("COPY", "two overlapping pages")
def _(g):
    for x, y in ((0, 0), (4, 3)):
        g.rect(x, y, x + 8, y + 9, "w")
        g.frame(x, y, x + 8, y + 9, "k")
        for ly in range(y + 2, y + 9, 2):
            g.hline(x + 2, x + 6, ly, "b" if (x, y) != (0, 0) else "l")


@menu("PASTE", "clipboard with a page")
def _(g):
    g.rect(0, 1, 9, 12, "m")
    g.frame(0, 1, 9, 12, "k")
    g.rect(3, 0, 6, 2, "l")
    g.frame(3, 0, 6, 2, "k")
    g.rect(4, 4, 12, 12, "w")
    g.frame(4, 4, 12, 12, "k")
    for y in (6, 8, 10):
        g.hline(6, 10, y, "b")


@menu("DELETE_TEXT", "red cross")
def _(g):
    for i in range(2, 11):
        for t in (-1, 0, 1):
            g.set(i + t, i, "r")
            g.set(12 - i + t, i, "r")
    g.line(2, 2, 10, 10, "R")
    g.line(10, 2, 2, 10, "R")


@menu("SELECT_ALL", "dotted selection frame around text lines")
def _(g):
    for i in range(13):
        c = "k" if i % 2 == 0 else "."
        g.set(i, 0, c)
        g.set(i, 12, c)
        g.set(0, i, c)
        g.set(12, i, c)
    g.rect(2, 2, 10, 10, "b")
    for y in (3, 5, 7, 9):
        g.hline(3, 9 if y != 9 else 7, y, "w")


@menu("FIND", "magnifying glass")
def _(g):
    g.disc(5, 5, 4.6, "k")
    g.disc(5, 5, 3.5, "B")
    g.set(3, 3, "w")
    g.set(3, 4, "w")
    g.set(4, 3, "w")
    for i in range(8, 12):
        g.set(i, i, "m")
        g.set(i + 1, i, "m")
        g.set(i, i + 1, "m")
    g.set(12, 12, "m")


@menu("BOLD", "bold letter B")
def _(g):
    g.paste([
        "             ",
        " kkkkkkkk    ",
        "  kkk  kkk   ",
        "  kkk   kkk  ",
        "  kkk   kkk  ",
        "  kkk  kkk   ",
        "  kkkkkkk    ",
        "  kkk  kkkk  ",
        "  kkk   kkk  ",
        "  kkk   kkk  ",
        "  kkk  kkkk  ",
        " kkkkkkkkk   ",
        "             ",
    ])


@menu("ITALIC", "slanted letter I")
def _(g):
    g.paste([
        "             ",
        "     kkkkkk  ",
        "       kk    ",
        "       kk    ",
        "      kk     ",
        "      kk     ",
        "     kk      ",
        "     kk      ",
        "    kk       ",
        "    kk       ",
        "   kk        ",
        " kkkkkk      ",
        "             ",
    ])


@menu("UNDERLINE", "letter U over a line")
def _(g):
    g.paste([
        "             ",
        " kkkk  kkkk  ",
        "  kk    kk   ",
        "  kk    kk   ",
        "  kk    kk   ",
        "  kk    kk   ",
        "  kk    kk   ",
        "  kk    kk   ",
        "   kk  kk    ",
        "    kkkk     ",
        "             ",
        " kkkkkkkkkk  ",
        "             ",
    ])


@menu("REGULAR", "plain letters Aa (no style)")
def _(g):
    g.paste([
        "             ",
        "   k         ",
        "   k         ",
        "  k k        ",
        "  k k        ",
        "  k k   kkk  ",
        " k   k     k ",
        " kkkkk  kkkk ",
        " k   k k   k ",
        "k     kk   k ",
        "k     k kkk k",
        "             ",
        "             ",
    ])


@menu("GROW_FONT", "letter A with a green triangle pointing up")
def _(g):
    g.paste(LETTER_A[:9], 0, 3)
    g.paste(["  G  ", " GGG ", "GGGGG"], 8, 0)


@menu("SHRINK_FONT", "small letter A with a red triangle pointing down")
def _(g):
    g.paste([
        "   k   ",
        "  kkk  ",
        "  k k  ",
        " kk kk ",
        " kkkkk ",
        "kk   kk",
        "k     k",
    ], 0, 5)
    g.paste(["rrrrr", " rrr ", "  r  "], 8, 0)


def _align(g, mode):
    lengths = [11, 7, 11, 7, 9]
    for i, n in enumerate(lengths):
        y = 2 + 2 * i
        if mode == "L":
            x0 = 1
        elif mode == "R":
            x0 = 12 - n
        else:
            x0 = 1 + (11 - n) // 2
        g.hline(x0, x0 + n - 1, y, "k")


@menu("ALIGN_LEFT", "text lines flush left")
def _(g):
    _align(g, "L")


@menu("ALIGN_CENTER", "text lines centred")
def _(g):
    _align(g, "C")


@menu("ALIGN_RIGHT", "text lines flush right")
def _(g):
    _align(g, "R")


@menu("PARAGRAPH", "pilcrow (paragraph mark)")
def _(g):
    g.paste([
        "             ",
        "   kkkkkkkk  ",
        "  kkkkkk k   ",
        " kkkkkkk k   ",
        " kkkkkkk k   ",
        "  kkkkkk k   ",
        "   kkkkk k   ",
        "      kk k   ",
        "      kk k   ",
        "      kk k   ",
        "      kk k   ",
        "     kkk kk  ",
        "             ",
    ])


@menu("BULLETS", "bulleted list")
def _(g):
    for y in (1, 5, 9):
        g.rect(0, y, 2, y + 2, "b")
        g.set(0, y, ".")
        g.set(2, y + 2, "n")
        g.hline(5, 12, y + 1, "k")


@menu("UPPERCASE", "capital letters AB")
def _(g):
    g.paste([
        "             ",
        "             ",
        "  k   kkkk   ",
        "  k   k   k  ",
        " k k  k   k  ",
        " k k  kkkk   ",
        " k k  k   k  ",
        "kkkkk k   k  ",
        "k   k k   k  ",
        "k   k kkkk   ",
        "             ",
        "             ",
        "             ",
    ], 0, 0)


@menu("LOWERCASE", "small letters ab")
def _(g):
    g.paste([
        "             ",
        "             ",
        "      k      ",
        "      k      ",
        "      k      ",
        " kkk  kkkk   ",
        "    k k   k  ",
        " kkkk k   k  ",
        "k   k k   k  ",
        " kkkk kkkk   ",
        "             ",
        "             ",
        "             ",
    ], 0, 0)


def _palette(g):
    g.paste(PALETTE, 0, 1)
    g.disc(6.2, 5.8, 6.4, "m", inner=5.6)
    g.paste(PALETTE, 0, 1)


@menu("THEME", "painter's palette")
def _(g):
    _palette(g)


@menu("SAVE_THEME", "palette with a small floppy disk")
def _(g):
    _palette(g)
    g.paste(FLOPPY_SMALL, 6, 6)


@menu("THEME_DEFAULT", "palette with a green tick (make default)")
def _(g):
    _palette(g)
    g.paste(CHECK, 6, 7)


@menu("ORGANIZE_THEMES", "list with up and down arrows")
def _(g):
    for y in (1, 4, 7, 10):
        g.rect(0, y, 6, y + 1, "s")
        g.frame(0, y, 6, y + 1, "m")
    g.paste([" b ", "bbb", " b ", " b "], 9, 0)
    g.paste([" b ", " b ", "bbb", " b "], 9, 9)
    g.vline(10, 4, 8, "l")


@menu("SIZE_DEFAULT", "frame with a diagonal double arrow (size)")
def _(g):
    g.frame(0, 0, 12, 12, "g")
    g.line(3, 3, 9, 9, "n")
    g.paste(["nnnn", "nn  ", "n n ", "n  n"], 2, 2)
    g.paste(["n  n", " n n", "  nn", "nnnn"], 7, 7)


@menu("BORDER", "note with a heavy border")
def _(g):
    g.rect(1, 1, 11, 11, "k")
    g.rect(3, 3, 9, 9, "y")
    g.hline(4, 8, 5, "g")
    g.hline(4, 7, 7, "g")


@menu("STAY_ON_TOP", "red push-pin")
def _(g):
    g.paste([
        "      kkkk   ",
        "     krrrrk  ",
        "     krrwrrk ",
        "    krrrrrrk ",
        "   kkrrrrrk  ",
        "  kRRRRRRk   ",
        "   kkRRRk    ",
        "    kkRk     ",
        "   kg kk     ",
        "  kg         ",
        " kg          ",
        "kg           ",
        "g            ",
    ])


def alarm_clock(g, body):
    g.disc(2, 2.5, 2.2, "Y")
    g.disc(11, 2.5, 2.2, "Y")
    g.disc(6.5, 7, 6, body)
    g.disc(6.5, 7, 4.6, "w")
    g.vline(6, 4, 7, "k")
    g.hline(6, 8, 7, "k")
    g.set(1, 12, "k")
    g.set(11, 12, "k")


@menu("ALARM", "alarm clock")
def _(g):
    alarm_clock(g, "r")


@menu("EXPIRE", "hourglass")
def _(g):
    g.paste([
        " mmmmmmmmmmm ",
        "  kwwwwwwwk  ",
        "  kyyyyyyyk  ",
        "   kyyyyyk   ",
        "    kyyyk    ",
        "     kyk     ",
        "      y      ",
        "     kyk     ",
        "    kwwwk    ",
        "   kwwywwk   ",
        "  kwwyyywwk  ",
        "  kyyyyyyyk  ",
        " mmmmmmmmmmm ",
    ])


@menu("SEND", "paper plane")
def _(g):
    g.paste([
        "             ",
        "           kk",
        "        kkkwk",
        "     kkkwwwk ",
        "  kkkwwwwwlk ",
        "kkwwwwwwwlk  ",
        " kkkwwwwlwk  ",
        "    kkwlllk  ",
        "     klllk   ",
        "     kllk    ",
        "     klk     ",
        "     kk      ",
        "             ",
    ])


@menu("SEND_OTHER", "computer screen")
def _(g):
    g.rect(0, 0, 12, 9, "k")
    g.rect(1, 1, 11, 7, "B")
    g.hline(1, 11, 8, "l")
    g.set(10, 8, "G")
    g.rect(5, 10, 7, 10, "g")
    g.hline(2, 10, 11, "g")
    g.hline(2, 10, 12, "k")


PERSON = [          # 7 x 11
    "  kkk  ",
    " ksssk ",
    " ksssk ",
    " ksssk ",
    "  kkk  ",
    " kbbbk ",
    "kbbbbbk",
    "kbbbbbk",
    "kbbbbbk",
    "kbbbbbk",
    "kkkkkkk",
]


@menu("RECIPIENT", "one person")
def _(g):
    g.paste(PERSON, 3, 1)


@menu("GROUP", "two people")
def _(g):
    g.paste([r.replace("b", "G") for r in PERSON], 6, 0)
    g.paste(PERSON, 0, 2)


@menu("REPLY", "purple arrow bending back to the left")
def _(g):
    g.paste([
        "             ",
        "             ",
        "    p        ",
        "   pp        ",
        "  ppppppppp  ",
        " pppppppppppp",
        "  ppppppppppp",
        "   pp     ppp",
        "    p      pp",
        "           pp",
        "           pp",
        "           pp",
        "             ",
    ])


@menu("PRINT", "printer")
def _(g):
    g.rect(3, 0, 9, 4, "w")
    g.frame(3, 0, 9, 4, "k")
    g.rect(0, 4, 12, 9, "l")
    g.frame(0, 4, 12, 9, "k")
    g.set(10, 6, "G")
    g.rect(3, 8, 9, 12, "w")
    g.frame(3, 8, 9, 12, "k")
    g.hline(5, 7, 10, "g")


@menu("HIDE_NOTE", "faded note with a dotted outline")
def _(g):
    g.rect(1, 1, 11, 11, "L")
    for i in range(0, 13, 2):
        for (x, y) in ((i, 0), (i, 12), (0, i), (12, i)):
            g.set(x, y, "g")
    g.hline(3, 9, 4, "l")
    g.hline(3, 9, 6, "l")
    g.hline(3, 7, 8, "l")


@menu("DELETE_NOTE", "waste bin")
def _(g):
    g.rect(4, 0, 8, 1, "k")
    g.set(5, 1, ".")
    g.set(6, 1, ".")
    g.set(7, 1, ".")
    g.hline(0, 12, 2, "k")
    g.hline(1, 11, 3, "k")
    g.rect(2, 4, 10, 12, "l")
    g.frame(2, 4, 10, 12, "k")
    for x in (4, 6, 8):
        g.vline(x, 5, 11, "g")


def _roll(g, down):
    g.rect(0, 0, 12, 3, "b")
    g.frame(0, 0, 12, 3, "k")
    tri = ["kkkkkkkkk", " kkkkkkk ", "  kkkkk  ", "   kkk   ", "    k    "]
    g.paste(tri if down else flip_v(tri), 2, 6)


@menu("ROLL_UP", "title strip with a triangle pointing up")
def _(g):
    _roll(g, False)


@menu("ROLL_DOWN", "title strip with a triangle pointing down")
def _(g):
    _roll(g, True)


@menu("EDIT_TITLE", "pencil")
def _(g):
    g.paste([
        "          kk ",
        "         keek",
        "        kYkek",
        "       kYYYk ",
        "      kYYYk  ",
        "     kYYYk   ",
        "    kYYYk    ",
        "   kYYYk     ",
        "  ksYYk      ",
        "  kssk       ",
        " kdsk        ",
        " kkk         ",
        "             ",
    ])


@menu("DATE_TITLE", "calendar page")
def _(g):
    g.rect(0, 1, 12, 12, "w")
    g.rect(0, 1, 12, 3, "r")
    g.frame(0, 1, 12, 12, "k")
    g.set(3, 0, "k")
    g.set(9, 0, "k")
    for y in (5, 7, 9, 11):
        for x in (2, 4, 6, 8, 10):
            if (x, y) != (10, 11):
                g.set(x, y, "g")
    g.set(6, 7, "r")


PADLOCK = [         # 9 x 12
    "  kkkkk  ",
    " kgllllk ",
    " kl   lk ",
    " kl   lk ",
    " kl   lk ",
    "kkkkkkkkk",
    "kYYYYYYYk",
    "kYYkkkYYk",
    "kYYYkYYYk",
    "kYYYkYYYk",
    "kYYYYYYYk",
    "kkkkkkkkk",
]


@menu("LOCK", "padlock")
def _(g):
    g.paste(PADLOCK, 2, 0)


@menu("EMAIL_ADDRESS", "at sign")
def _(g):
    g.paste([
        "   kkkkkk    ",
        "  kk    kk   ",
        " kk      kk  ",
        "kk  kkkk  k  ",
        "k  kk  k  kk ",
        "k  k   k  kk ",
        "k  k   k  k  ",
        "k  kk kkk k  ",
        "kk  kkk kkk  ",
        " kk          ",
        "  kk     k   ",
        "   kkkkkkk   ",
        "             ",
    ])


@menu("NETWORK", "three linked computers")
def _(g):
    g.hline(2, 10, 9, "k")
    g.vline(6, 4, 9, "k")
    for x, y in ((4, 0), (0, 8), (8, 8)):
        g.rect(x, y, x + 4, y + 3, "B")
        g.frame(x, y, x + 4, y + 3, "k")
    g.hline(0, 4, 12, "g")
    g.hline(8, 12, 12, "g")


@menu("REFRESH", "two green arrows chasing round a circle")
def _(g):
    g.disc(6.5, 6.5, 5.5, "G", inner=3.6)
    g.rect(0, 5, 2, 7, ".")
    g.rect(10, 5, 12, 7, ".")
    g.paste(["GGGGG", " GGG ", "  G  "], 8, 6)
    g.paste(["  G  ", " GGG ", "GGGGG"], 0, 4)


@menu("HELP", "question mark on a blue disc")
def _(g):
    g.disc(6.5, 6.5, 6.5, "n")
    g.disc(6.5, 6.5, 5.6, "b")
    g.paste([
        " www ",
        "ww ww",
        "   ww",
        "  ww ",
        "  w  ",
        "     ",
        "  w  ",
    ], 4, 3)


@menu("CHECK", "green tick")
def _(g):
    g.paste([
        "           DD",
        "          DGD",
        "         DGGD",
        "        DGGD ",
        "DD     DGGD  ",
        "DGD   DGGD   ",
        "DGGD DGGD    ",
        " DGGDGGD     ",
        "  DGGGD      ",
        "   DGD       ",
        "    D        ",
    ], 0, 1)


@menu("WARNING", "yellow triangle with an exclamation mark")
def _(g):
    for y in range(1, 12):
        half = (y - 1) * 6 // 10
        g.hline(6 - half, 6 + half, y, "Y")
    for y in range(1, 12):
        half = (y - 1) * 6 // 10
        g.set(6 - half, y, "k")
        g.set(6 + half, y, "k")
    g.hline(0, 12, 12, "k")
    g.hline(0, 12, 11, "k")
    g.hline(1, 11, 11, "Y")
    g.vline(6, 4, 8, "k")
    g.set(6, 10, "k")


@menu("HOME_PAGE", "globe")
def _(g):
    g.disc(6.5, 6.5, 6.4, "n")
    g.disc(6.5, 6.5, 5.5, "B")
    g.paste([
        "  GG   ",
        " GGGG  ",
        " GGGGG ",
        "  GGG  ",
        "   G   ",
    ], 2, 3)
    g.paste(["GG ", "GGG", " G "], 8, 7)
    g.set(4, 2, "w")
    g.set(3, 3, "w")


@menu("KEY", "golden key")
def _(g):
    g.disc(3.5, 6.5, 3.5, "k")
    g.disc(3.5, 6.5, 2.5, "Y")
    g.disc(2.7, 6.5, 1, ".")
    g.rect(6, 5, 12, 7, "k")
    g.hline(6, 12, 6, "Y")
    g.vline(10, 8, 9, "k")
    g.vline(12, 8, 10, "k")


def menu_pictures():
    """[(symbol, shows, rows)] in resource order."""
    out = []
    for symbol, shows, draw in MENU:
        g = Grid(MENU_SIZE, MENU_SIZE)
        draw(g)
        out.append((symbol, shows, g.rows()))
    return out


def to_indices(rows, colours):
    index = {c: i for i, (c, _) in enumerate(colours)}
    try:
        return [[index[c] for c in row] for row in rows]
    except KeyError as e:
        raise SystemExit("unknown colour letter %s" % e)


def to_rgb(rows, colours):
    rgb = dict(colours)
    return [[rgb[c] for c in row] for row in rows]


# ---------------------------------------------------------------------------
# Note title strip pictures: 16-colour.  They sit on the title strip, whose
# colour follows the note's theme, so palette entry 0 is the background: it
# holds the default theme's title colour, and the note window can load the
# picture as a DIB section and set entry 0 to the strip's current colour.
# ---------------------------------------------------------------------------

STRIP_COLOURS = [
    (".", (73, 142, 226)),    # background = default title colour 0xE28E49
    ("k", (0, 0, 0)),
    ("w", (255, 255, 255)),
    ("d", (64, 64, 64)),
    ("l", (200, 200, 200)),
    ("r", (220, 40, 40)),
    ("R", (130, 15, 15)),
    ("G", (40, 160, 60)),
    ("D", (10, 90, 25)),
    ("y", (255, 222, 70)),
    ("o", (240, 140, 30)),
    ("b", (30, 90, 210)),
    ("n", (20, 40, 120)),
    ("B", (175, 212, 250)),
    ("s", (235, 205, 160)),
    ("g", (120, 120, 120)),
]

# Pictures for buttons and dialogs drawn on the 3-D face colour: entry 0 is
# RGB(192,192,192), which LR_LOADMAP3DCOLORS maps to COLOR_3DFACE.
FACE_COLOURS = [(".", (192, 192, 192))] + STRIP_COLOURS[1:]


def _badge(fill, edge, mark):
    g = Grid(11, 11)
    g.disc(5.5, 5.5, 5.5, edge)
    g.disc(5.5, 5.5, 4.5, fill)
    g.paste(mark, 2, 2)
    return g.rows()


STRIP = {}   # id -> (symbol, shows, width, height, rows)


def strip(rid, symbol, shows, rows):
    h, w = len(rows), len(rows[0])
    STRIP[rid] = (symbol, shows, w, h, rows)


strip(154, "IDB_ROLLDOWN", "roll-down button: small box, triangle pointing down", [
    ".ddddddddd.",
    "dwwwwwwwwwd",
    "dwwwwwwwwwd",
    "dwwwwwwwwwd",
    "dwkkkkkkkwd",
    "dwwkkkkkwwd",
    "dwwwkkkwwwd",
    "dwwwwkwwwwd",
    "dwwwwwwwwwd",
    "dwwwwwwwwwd",
    ".ddddddddd.",
])

strip(158, "IDB_CLOSE", "close button: small box with a cross", [
    ".dddddddd.",
    "dwwwwwwwwd",
    "dwkwwwwkwd",
    "dwwkwwkwwd",
    "dwwwkkwwwd",
    "dwwwkkwwwd",
    "dwwkwwkwwd",
    "dwkwwwwkwd",
    "dwwwwwwwwd",
    ".dddddddd.",
])

strip(181, "IDB_STATUS_RECEIVED", "note received: blue disc, white arrow down",
      _badge("b", "n", [
          "   w   ",
          "   w   ",
          "   w   ",
          " wwwww ",
          "  www  ",
          "   w   ",
          "       ",
      ]))

strip(182, "IDB_STATUS_SENT", "note sent: green disc, white tick",
      _badge("G", "D", [
          "       ",
          "      w",
          "     ww",
          "w   ww ",
          "ww ww  ",
          " www   ",
          "  w    ",
      ]))

strip(183, "IDB_STATUS_FAILED", "sending failed: red disc, white cross",
      _badge("r", "R", [
          "       ",
          " w   w ",
          "  w w  ",
          "   w   ",
          "  w w  ",
          " w   w ",
          "       ",
      ]))

strip(193, "IDB_EXPIRE", "note expires: hourglass", [
    "kkkkkkkkkkk",
    ".kwwwwwwwk.",
    ".kyyyyyyyk.",
    "..kyyyyyk..",
    "...kyyyk...",
    "....kyk....",
    "...kwywk...",
    "..kwwywwk..",
    ".kwwyyywwk.",
    ".kyyyyyyyk.",
    "kkkkkkkkkkk",
])

ALARM_CLOCK_11 = [
    "kk.......kk",
    "kyk.kkk.kyk",
    ".kkxwwwxkk.",
    ".kwwwkwwwk.",
    "kwwwwkwwwwk",
    "kwwwwkwwwwk",
    "kwwwwkkkwwk",
    "kwwwwwwwwwk",
    ".kwwwwwwwk.",
    "..kxkkkxk..",
    ".kk.....kk.",
]

strip(194, "IDB_ALARM", "alarm set: alarm clock",
      [r.replace("x", "k") for r in ALARM_CLOCK_11])

strip(195, "IDB_ALARM_RINGING", "alarm ringing: red alarm clock on yellow",
      [r.replace("y", "o").replace("k", "R").replace("x", "r")
       .replace("w", "y") for r in ALARM_CLOCK_11])


def _arrow_up16():
    g = Grid(16, 16)
    for y in range(3, 10):
        half = y - 3
        g.hline(7 - half, 8 + half, y, "n")
    g.rect(6, 10, 9, 13, "n")
    return g.rows()


FACE = {}    # id -> (symbol, shows, rows)
FACE[184] = ("IDB_ARROW_UP", "move up: dark blue arrow pointing up",
             _arrow_up16())
FACE[185] = ("IDB_ARROW_DOWN", "move down: dark blue arrow pointing down",
             flip_v(_arrow_up16()))


def _align16(mode):
    g = Grid(16, 16)
    g.rect(1, 1, 14, 14, "w")
    g.frame(1, 1, 14, 14, "g")
    for i, n in enumerate([10, 6, 10, 6, 8]):
        y = 3 + 2 * i
        x0 = {"L": 3, "C": 3 + (10 - n) // 2, "R": 13 - n}[mode]
        g.hline(x0, x0 + n - 1, y, "k")
    return g.rows()


FACE[170] = ("IDB_PARA_LEFT", "paragraph aligned left", _align16("L"))
FACE[171] = ("IDB_PARA_CENTER", "paragraph centred", _align16("C"))
FACE[172] = ("IDB_PARA_RIGHT", "paragraph aligned right", _align16("R"))


# ---------------------------------------------------------------------------
# Smooth pictures (icons, settings-page pictures): a tiny vector painter with
# supersampling.  Shapes are given on a design grid and scaled.
# ---------------------------------------------------------------------------


class Shape:
    def __init__(self, colour, box):
        self.colour = colour            # (r, g, b, a) or None = erase
        self.box = box                  # x0, y0, x1, y1

    def inside(self, x, y):
        raise NotImplementedError


class Poly(Shape):
    def __init__(self, points, colour):
        xs, ys = [p[0] for p in points], [p[1] for p in points]
        super().__init__(colour, (min(xs), min(ys), max(xs), max(ys)))
        self.points = points

    def inside(self, x, y):
        pts, n, hit = self.points, len(self.points), False
        j = n - 1
        for i in range(n):
            xi, yi = pts[i]
            xj, yj = pts[j]
            if (yi > y) != (yj > y) and \
                    x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                hit = not hit
            j = i
        return hit


class Ellipse(Shape):
    def __init__(self, cx, cy, rx, ry, colour, inner=0.0):
        super().__init__(colour, (cx - rx, cy - ry, cx + rx, cy + ry))
        self.c = (cx, cy, rx, ry, inner)

    def inside(self, x, y):
        cx, cy, rx, ry, inner = self.c
        d = ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2
        return inner * inner < d <= 1.0


class Stroke(Shape):
    """A line of the given width with round ends."""

    def __init__(self, x0, y0, x1, y1, width, colour):
        r = width / 2
        super().__init__(colour, (min(x0, x1) - r, min(y0, y1) - r,
                                  max(x0, x1) + r, max(y0, y1) + r))
        self.s = (x0, y0, x1, y1, r)

    def inside(self, x, y):
        x0, y0, x1, y1, r = self.s
        dx, dy = x1 - x0, y1 - y0
        ll = dx * dx + dy * dy
        t = 0.0 if ll == 0 else max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / ll))
        px, py = x0 + t * dx - x, y0 + t * dy - y
        return px * px + py * py <= r * r


class RRect(Shape):
    def __init__(self, x0, y0, x1, y1, radius, colour):
        super().__init__(colour, (x0, y0, x1, y1))
        self.r = (x0, y0, x1, y1, radius)

    def inside(self, x, y):
        x0, y0, x1, y1, r = self.r
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def Circle(cx, cy, r, colour, inner=0.0):
    return Ellipse(cx, cy, r, r, colour, inner / r if inner else 0.0)


def render(shapes, width, height, unit, ss=4, backdrop=None):
    """RGBA rows.  unit = pixels per design-grid unit.  backdrop(x, y) gives
    an opaque background colour (then the result is opaque)."""
    out = []
    inv = 1.0 / unit
    for py in range(height):
        row = []
        for px in range(width):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(ss):
                for sx in range(ss):
                    x = (px + (sx + 0.5) / ss) * inv
                    y = (py + (sy + 0.5) / ss) * inv
                    if backdrop:
                        r, g, b = backdrop(px, py)
                        col = [r / 255, g / 255, b / 255, 1.0]
                    else:
                        col = [0.0, 0.0, 0.0, 0.0]   # premultiplied
                    for s in shapes:
                        x0, y0, x1, y1 = s.box
                        if x < x0 or x > x1 or y < y0 or y > y1 or \
                                not s.inside(x, y):
                            continue
                        if s.colour is None:
                            col = [0.0, 0.0, 0.0, 0.0]
                            continue
                        r, g, b, a = s.colour
                        a /= 255.0
                        col = [r / 255 * a + col[0] * (1 - a),
                               g / 255 * a + col[1] * (1 - a),
                               b / 255 * a + col[2] * (1 - a),
                               a + col[3] * (1 - a)]
                    for i in range(4):
                        acc[i] += col[i]
            n = ss * ss
            a = acc[3] / n
            if a <= 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(int(round(min(1.0, acc[i] / n / a) * 255))
                                 for i in range(3)) + (int(round(a * 255)),))
        out.append(row)
    return out


def rgba(hexcolour, alpha=255):
    v = int(hexcolour, 16)
    return ((v >> 16) & 255, (v >> 8) & 255, v & 255, alpha)


# Icons: drawn on a 16 x 16 grid, rendered at 16, 32 (and 48) pixels ---------

ICONS = {}   # id -> (symbol, shows, shapes, sizes)


def icon(rid, symbol, shows, sizes=(16, 32)):
    def register(fn):
        ICONS[rid] = (symbol, shows, fn(), sizes)
        return fn
    return register


def _note_shapes(pin):
    paper, fold, edge = rgba("FFE566"), rgba("E8C440"), rgba("A07C10")
    line = rgba("7A7A96")
    body = [(1, 1.5), (15, 1.5), (15, 11), (11, 15), (1, 15)]
    shapes = [
        Poly([(x + 0.6, y + 0.6) for x, y in body], rgba("000000", 60)),
        Poly(body, edge),
        Poly([(1.8, 2.3), (14.2, 2.3), (14.2, 10.67), (10.67, 14.2),
              (1.8, 14.2)], paper),
        Poly([(11, 15), (11, 11), (15, 11)], edge),
        Poly([(11.7, 13.3), (11.7, 11.7), (13.3, 11.7)], fold),
        Stroke(4, 7.5, 12, 7.5, 1, line),
        Stroke(4, 9.5, 12, 9.5, 1, line),
        Stroke(4, 11.5, 9, 11.5, 1, line),
    ]
    if pin:
        shapes += [
            Circle(8, 3.6, 2.3, rgba("8C1010")),
            Circle(8, 3.6, 1.7, rgba("E03030")),
            Circle(7.4, 3.0, 0.6, rgba("FFFFFF", 200)),
        ]
    return shapes


@icon(128, "IDI_PINWELL", "the program: yellow sticky note with a red pin",
      sizes=(16, 32, 48))
def _():
    return _note_shapes(pin=True)


@icon(151, "IDI_NOTE", "one note (rows of the note list)")
def _():
    return _note_shapes(pin=False)


@icon(140, "IDI_COMPUTER", "computer (network recipient)")
def _():
    return [
        RRect(1, 1.5, 15, 11.5, 1, rgba("3C3C46")),
        RRect(2, 2.5, 14, 10.5, 0.3, rgba("4A8EE2")),
        Poly([(2, 2.5), (14, 2.5), (2, 8)], rgba("FFFFFF", 50)),
        Poly([(6, 11.5), (10, 11.5), (10.8, 13.5), (5.2, 13.5)], rgba("8A8A8A")),
        RRect(3, 13.5, 13, 15, 0.6, rgba("5A5A5A")),
    ]


@icon(181, "IDI_EMAIL", "envelope (e-mail recipient)")
def _():
    edge, paper = rgba("505A78"), rgba("F4F6FF")
    return [
        RRect(0.5, 3, 15.5, 13.5, 0.8, edge),
        RRect(1.5, 4, 14.5, 12.5, 0.3, paper),
        Stroke(2, 4.6, 8, 9.2, 1.0, edge),
        Stroke(8, 9.2, 14, 4.6, 1.0, edge),
        Stroke(2, 12, 6.3, 8.2, 0.7, rgba("A0A8C0")),
        Stroke(14, 12, 9.7, 8.2, 0.7, rgba("A0A8C0")),
    ]


def _palette_shapes():
    return [
        Ellipse(8, 8.5, 7.5, 6.5, rgba("7A4E1E")),
        Ellipse(8, 8.5, 6.6, 5.6, rgba("EBCB95")),
        Circle(10.6, 11.4, 1.5, None),
        Circle(4.5, 7, 1.4, rgba("D82828")),
        Circle(7.2, 4.6, 1.4, rgba("F0C020")),
        Circle(10.8, 5, 1.4, rgba("2A9A3C")),
        Circle(12.6, 8.4, 1.3, rgba("2864D8")),
        Circle(5.4, 10.8, 1.3, rgba("9A46BE")),
    ]


@icon(166, "IDI_THEMES", "painter's palette (organize themes)")
def _():
    return _palette_shapes()


@icon(183, "IDI_THEME", "note in theme colours: blue title strip, light body")
def _():
    return [
        RRect(1, 1.5, 15, 14.5, 0.8, rgba("23467A")),
        RRect(2, 2.5, 14, 13.5, 0.2, rgba("97CBFF")),
        RRect(2, 2.5, 14, 5.5, 0.2, rgba("498EE2")),
        Stroke(4, 8.5, 12, 8.5, 1, rgba("3C5A82")),
        Stroke(4, 10.5, 10, 10.5, 1, rgba("3C5A82")),
    ]


@icon(170, "IDI_EXPIRATION", "hourglass (note expiration)")
def _():
    wood, glass, sand = rgba("7A4E1E"), rgba("DCEEFF"), rgba("E8B440")
    return [
        Poly([(4, 2.5), (12, 2.5), (12, 4.2), (9, 8), (12, 11.8), (12, 13.5),
              (4, 13.5), (4, 11.8), (7, 8), (4, 4.2)], rgba("50607A")),
        Poly([(5, 3.2), (11, 3.2), (11, 4), (8.5, 8), (11, 12), (11, 12.8),
              (5, 12.8), (5, 12), (7.5, 8), (5, 4)], glass),
        Poly([(5.8, 4.8), (10.2, 4.8), (8, 7.6)], sand),
        Poly([(5.4, 12.8), (10.6, 12.8), (8, 10.2)], sand),
        Stroke(8, 7.6, 8, 12, 0.5, sand),
        RRect(2.5, 1, 13.5, 2.8, 0.6, wood),
        RRect(2.5, 13.2, 13.5, 15, 0.6, wood),
    ]


@icon(171, "IDI_ALARM", "alarm clock (note alarm)")
def _():
    return [
        Circle(3.6, 3.6, 2.4, rgba("B08010")),
        Circle(12.4, 3.6, 2.4, rgba("B08010")),
        Circle(3.6, 3.6, 1.7, rgba("F0C030")),
        Circle(12.4, 3.6, 1.7, rgba("F0C030")),
        Stroke(5, 13, 3.5, 15, 1.3, rgba("404040")),
        Stroke(11, 13, 12.5, 15, 1.3, rgba("404040")),
        Circle(8, 9, 6.3, rgba("A01818")),
        Circle(8, 9, 5.4, rgba("E03030")),
        Circle(8, 9, 4.4, rgba("FFFFFF")),
        Stroke(8, 9, 8, 5.7, 1.1, rgba("000000")),
        Stroke(8, 9, 10.6, 10.4, 1.1, rgba("000000")),
    ]


@icon(174, "IDI_PARAGRAPH", "paragraph mark on a page (paragraph dialog)")
def _():
    blue = rgba("1E50C8")
    return [
        RRect(2, 0.5, 14, 15.5, 0.6, rgba("60606A")),
        RRect(3, 1.5, 13, 14.5, 0.2, rgba("FFFFFF")),
        Circle(7, 5.5, 2.6, blue),
        Poly([(7, 2.9), (11.6, 2.9), (11.6, 8.1), (7, 8.1)], blue),
        RRect(8.2, 2.9, 9.3, 13, 0.2, blue),
        RRect(10.5, 2.9, 11.6, 13, 0.2, blue),
    ]


@icon(175, "IDI_EDIT_TEXT", "pencil writing a line (text input)")
def _():
    return [
        Stroke(1.5, 14.5, 14.5, 14.5, 1, rgba("505050")),
        Poly([(11.5, 1.2), (14.8, 4.5), (6, 13.3), (2.7, 10)],
             rgba("6E5008")),
        Poly([(11.5, 2.4), (13.6, 4.5), (6, 12.1), (3.9, 10)],
             rgba("F5C828")),
        Poly([(11.5, 1.2), (14.8, 4.5), (13.3, 6), (10, 2.7)], rgba("E888A8")),
        Poly([(2.7, 10), (6, 13.3), (1.2, 14.8)], rgba("EBCB95")),
        Poly([(1.9, 12.5), (3.5, 14.1), (1.2, 14.8)], rgba("303030")),
    ]


@icon(186, "IDI_PASSWORD", "padlock (password)")
def _():
    return [
        Circle(8, 6.5, 4.6, rgba("6A6A72"), inner=2.9),
        RRect(2.2, 7, 13.8, 15, 1.2, rgba("8A6400")),
        RRect(3, 7.8, 13, 14.2, 0.8, rgba("F0BE30")),
        Circle(8, 10.2, 1.3, rgba("302000")),
        Poly([(7.4, 10.5), (8.6, 10.5), (9, 13), (7, 13)], rgba("302000")),
    ]


def _gear_shapes(cx, cy, r_out, r_in, r_hole, teeth, body, edge):
    pts = []
    for i in range(teeth * 4):
        a = 2 * math.pi * i / (teeth * 4) - math.pi / 2
        r = r_out if i % 4 in (0, 1) else r_in
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    inner = [(cx + (x - cx) * 0.86, cy + (y - cy) * 0.86) for x, y in pts]
    return [Poly(pts, edge), Poly(inner, body),
            Circle(cx, cy, r_hole + 0.9, edge), Circle(cx, cy, r_hole, None)]


def _computer(dx, dy, k=1.0):
    def p(x, y):
        return (x * k + dx, y * k + dy)
    return [
        Poly([p(1, 1.5), p(15, 1.5), p(15, 11.5), p(1, 11.5)], rgba("3C3C46")),
        Poly([p(2, 2.5), p(14, 2.5), p(14, 10.5), p(2, 10.5)], rgba("4A8EE2")),
        Poly([p(2, 2.5), p(14, 2.5), p(2, 8)], rgba("FFFFFF", 50)),
        Poly([p(6, 11.5), p(10, 11.5), p(10.8, 13.5), p(5.2, 13.5)],
             rgba("8A8A8A")),
        Poly([p(3, 13.5), p(13, 13.5), p(13, 15), p(3, 15)], rgba("5A5A5A")),
    ]


# Settings-page pictures: 24-bit, shown in a frame along the page's left edge.
PAGE_W, PAGE_H = 72, 224

PAGES = {
    218: ("IDB_PAGE_DEFAULT_NOTE", "settings page 'Default note settings': "
          "sticky note", lambda: _note_shapes(pin=True)),
    219: ("IDB_PAGE_GENERAL", "settings page 'General settings': gear wheel",
          lambda: _gear_shapes(8, 8, 7.5, 5.6, 2.2, 8, rgba("C8CCD4"),
                               rgba("3C4050"))),
    220: ("IDB_PAGE_NETWORK", "settings page 'Network settings': two linked "
          "computers",
          lambda: [Stroke(5.6, 10, 5.6, 16.5, 1.0, rgba("303030")),
                   Stroke(5.6, 16.5, 12.5, 16.5, 1.0, rgba("303030"))]
          + _computer(0, 0, 0.7) + _computer(11.5, 11, 0.7)),
}


def composite(base, layer, ox, oy, fade=1.0):
    for y, row in enumerate(layer):
        by = y + oy
        if not 0 <= by < len(base):
            continue
        for x, (r, g, b, a) in enumerate(row):
            bx = x + ox
            if not 0 <= bx < len(base[0]) or a == 0:
                continue
            a = a / 255.0 * fade
            br, bg, bb = base[by][bx]
            base[by][bx] = (int(round(r * a + br * (1 - a))),
                            int(round(g * a + bg * (1 - a))),
                            int(round(b * a + bb * (1 - a))))


def page_picture(shapes, wide):
    top, bottom = (34, 74, 150), (160, 200, 245)
    base = []
    for y in range(PAGE_H):
        t = y / (PAGE_H - 1)
        base.append([tuple(int(round(top[i] + (bottom[i] - top[i]) * t))
                           for i in range(3))] * PAGE_W)
    # A large faint copy lower down, then the picture itself near the top.
    size = 22 if wide else 16
    composite(base, render(shapes, 120, 120, 120 / size, ss=3), -14, 118,
              fade=0.16)
    composite(base, render(shapes, 52, 52, 52 / size, ss=4), 10, 22)
    return base


# ---------------------------------------------------------------------------
# Wait animation: a pencil writing three lines on a note, 12 frames, 10 fps
# ---------------------------------------------------------------------------

AVI_COLOURS = [
    (".", (192, 192, 192)),   # background: made transparent by the control
    ("k", (0, 0, 0)),
    ("y", (255, 236, 139)),
    ("Y", (222, 178, 40)),
    ("n", (30, 50, 140)),
    ("o", (245, 190, 40)),
    ("O", (190, 120, 10)),
    ("s", (235, 205, 160)),
    ("d", (50, 50, 50)),
    ("e", (236, 130, 160)),
    ("l", (150, 150, 150)),
    ("w", (255, 255, 255)),
]
AVI_SIZE, AVI_FRAMES, AVI_FPS = 32, 12, 10
LINES_Y, LINE_X0, LINE_LEN = (11, 16, 21), 5, 15
WAVE = (0, 0, -1, -1, 0, 0, 1, 1)


def _pencil(g, tx, ty):
    """Pencil pointing down-left with its tip at pixel (tx, ty)."""
    length = 13.0
    ax, ay = 1 / math.sqrt(2), -1 / math.sqrt(2)
    for y in range(g.h):
        for x in range(g.w):
            vx, vy = x + 0.5 - (tx + 0.5), y + 0.5 - (ty + 0.5)
            t = vx * ax + vy * ay
            d = abs(-vx * ay + vy * ax)
            if t < 0 or t > length:
                continue
            if t < 3.2:
                if d <= t * 0.55:
                    g.set(x, y, "d" if t < 1.3 else "s")
                elif d <= t * 0.55 + 0.8:
                    g.set(x, y, "k")
            elif d <= 1.7:
                c = "e" if t > length - 2.6 else ("o" if d < 0.9 else "O")
                g.set(x, y, c)
            elif d <= 2.5:
                g.set(x, y, "k")


def avi_frames():
    total = LINE_LEN * len(LINES_Y)
    frames = []
    for f in range(AVI_FRAMES):
        g = Grid(AVI_SIZE, AVI_SIZE)
        g.rect(3, 5, 24, 29, "l")                 # shadow
        g.rect(2, 4, 23, 28, "y")
        g.frame(2, 4, 23, 28, "k")
        g.paste(["kkkkkk", "kYYYk ", "kYYk  ", "kYk   ", "kk    ", "k     "],
                18, 23)
        done = total if f >= AVI_FRAMES - 2 else total * f // (AVI_FRAMES - 2)
        tip = None
        for i, ly in enumerate(LINES_Y):
            n = max(0, min(LINE_LEN, done - i * LINE_LEN))
            for j in range(n):
                g.set(LINE_X0 + j, ly + WAVE[j % len(WAVE)], "n")
            if n < LINE_LEN and tip is None:
                tip = (LINE_X0 + n, ly + WAVE[n % len(WAVE)])
        if tip is None:                            # finished: pencil lifted
            _pencil(g, LINE_X0 + LINE_LEN + 1, LINES_Y[-1] - 4)
        else:
            _pencil(g, *tip)
        frames.append(g.rows())
    return frames


# ---------------------------------------------------------------------------
# Arrival sound: two soft bell tones, G5 then C6
# ---------------------------------------------------------------------------

def chime(rate=22050, seconds=0.4):
    n = int(rate * seconds)
    notes = ((0.0, 783.99), (0.12, 1046.50))
    out = []
    for i in range(n):
        t = i / rate
        v = 0.0
        for start, freq in notes:
            u = t - start
            if u < 0:
                continue
            env = min(1.0, u / 0.004) * math.exp(-u / 0.09)
            v += env * (math.sin(2 * math.pi * freq * u)
                        + 0.35 * math.sin(2 * math.pi * 2 * freq * u)
                        + 0.12 * math.sin(2 * math.pi * 3 * freq * u))
        fade = min(1.0, (seconds - t) / 0.03)       # no click at the end
        out.append(int(round(max(-1.0, min(1.0, v * 0.42 * fade)) * 32767)))
    return out


# ---------------------------------------------------------------------------
# Generated text blocks in resource.h and pinwell.rc
# ---------------------------------------------------------------------------

BEGIN = "// BEGIN generated by tools/make-resources.py -- do not edit by hand"
END = "// END generated"


def header_block(pictures):
    lines = [
        "// Menu item pictures, 13 x 13, 8-bit.  Palette entry 0 is the background,",
        "// RGB(192,192,192): LoadImage(..., LR_LOADMAP3DCOLORS) turns it into",
        "// COLOR_3DFACE; for an exact match with COLOR_MENU load with",
        "// LR_CREATEDIBSECTION and set entry 0 (SetDIBColorTable).",
        "// IDB_MENU_FIRST + n is picture n.",
        "//",
        "//   id    name                          shows",
    ]
    for n, (symbol, shows, _) in enumerate(pictures):
        lines.append("//   %d  %-29s %s" % (MENU_FIRST_ID + n, "IDB_MENU_" + symbol,
                                            shows))
    lines += ["",
              "#define IDB_MENU_FIRST                 %d" % MENU_FIRST_ID,
              "#define IDB_MENU_COUNT                 %d" % len(pictures)]
    for n, (symbol, _, _) in enumerate(pictures):
        lines.append("#define %-30s %d" % ("IDB_MENU_" + symbol,
                                          MENU_FIRST_ID + n))
    return lines


def rc_block(pictures):
    return ["%-30s BITMAP \"res/bmp/menu_%02d.bmp\"" % ("IDB_MENU_" + s, n + 1)
            for n, (s, _, _) in enumerate(pictures)]


def replace_block(path, lines):
    with open(path, newline="") as f:
        text = f.read()
    eol = "\r\n" if "\r\n" in text else "\n"
    start, stop = text.find(BEGIN), text.find(END)
    if start < 0 or stop < start:
        raise SystemExit("%s: marker lines missing" % path)
    start += len(BEGIN)
    new = text[:start] + eol + eol.join(lines) + eol + text[stop:]
    if new != text:
        with open(path, "w", newline="") as f:
            f.write(new)


# ---------------------------------------------------------------------------
# Preview sheet
# ---------------------------------------------------------------------------

def sheet(path, groups, scale=6, face=(212, 208, 200)):
    """groups: list of rows of images (RGB or RGBA pixel grids)."""
    pad = 6
    rows = []
    for images in groups:
        h = max(len(im) for im in images) * scale
        w = sum(len(im[0]) * scale + pad for im in images) + pad
        rows.append((images, w, h))
    width = max(w for _, w, _ in rows)
    height = sum(h + pad for _, _, h in rows) + pad
    img = [[face] * width for _ in range(height)]
    y0 = pad
    for images, _, h in rows:
        x0 = pad
        for im in images:
            for y, row in enumerate(im):
                for x, p in enumerate(row):
                    if len(p) == 4:
                        a = p[3] / 255
                        p = tuple(int(p[i] * a + face[i] * (1 - a))
                                  for i in range(3))
                    for dy in range(scale):
                        line = img[y0 + y * scale + dy]
                        for dx in range(scale):
                            line[x0 + x * scale + dx] = p
            x0 += len(im[0]) * scale + pad
        y0 += h + pad
    with open(path, "wb") as f:
        f.write(png_file(img))


# ---------------------------------------------------------------------------

def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--sheet", metavar="PNG",
                    help="also write an enlarged preview of every picture")
    args = ap.parse_args()

    pictures = menu_pictures()
    if len(pictures) != 69:
        raise SystemExit("there must be 69 menu pictures, not %d" % len(pictures))
    menu_palette = [c for _, c in MENU_COLOURS]
    for n, (symbol, _, rows) in enumerate(pictures):
        check_grid(symbol, rows, MENU_SIZE, MENU_SIZE)
        write(os.path.join(RES, "bmp", "menu_%02d.bmp" % (n + 1)),
              indexed_bmp(to_indices(rows, MENU_COLOURS), menu_palette, 8))

    for rid, (symbol, _, w, h, rows) in sorted(STRIP.items()):
        check_grid(symbol, rows, w, h)
        write(os.path.join(RES, "bmp", "bitmap_%d.bmp" % rid),
              indexed_bmp(to_indices(rows, STRIP_COLOURS),
                          [c for _, c in STRIP_COLOURS], 4))
    for rid, (symbol, _, rows) in sorted(FACE.items()):
        check_grid(symbol, rows, 16, 16)
        write(os.path.join(RES, "bmp", "bitmap_%d.bmp" % rid),
              indexed_bmp(to_indices(rows, FACE_COLOURS),
                          [c for _, c in FACE_COLOURS], 4))

    page_images = {}
    for rid, (symbol, _, shapes) in sorted(PAGES.items()):
        page_images[rid] = page_picture(shapes(), wide=(rid == 220))
        write(os.path.join(RES, "bmp", "bitmap_%d.bmp" % rid),
              rgb_bmp(page_images[rid]))

    icon_images = {}
    for rid, (symbol, _, shapes, sizes) in sorted(ICONS.items()):
        icon_images[rid] = [render(shapes, s, s, s / 16.0) for s in sizes]
        name = "pinwell.ico" if rid == 128 else "icon_%d.ico" % rid
        write(os.path.join(RES, name), ico_file(icon_images[rid]))

    write(os.path.join(RES, "arrive.wav"), wav_file(chime(), 22050))

    frames = avi_frames()
    for f in frames:
        check_grid("wait.avi frame", f, AVI_SIZE, AVI_SIZE)
    write(os.path.join(RES, "wait.avi"),
          avi_file([to_indices(f, AVI_COLOURS) for f in frames],
                   [c for _, c in AVI_COLOURS], AVI_FPS))

    replace_block(os.path.join(RES, "resource.h"), header_block(pictures))
    replace_block(os.path.join(RES, "pinwell.rc"), rc_block(pictures))

    if args.sheet:
        groups = []
        for i in range(0, len(pictures), 12):
            groups.append([to_rgb(r, MENU_COLOURS) for _, _, r in pictures[i:i + 12]])
        groups.append([to_rgb(v[4], STRIP_COLOURS) for _, v in sorted(STRIP.items())]
                      + [to_rgb(v[2], FACE_COLOURS) for _, v in sorted(FACE.items())])
        groups.append([im for _, ims in sorted(icon_images.items()) for im in ims[:1]])
        groups.append(icon_images[128] + [im for _, ims in sorted(icon_images.items())
                                          for im in ims[1:2]][1:])
        groups.append([to_rgb(f, AVI_COLOURS) for f in frames])
        sheet(args.sheet, groups)
        sheet(os.path.splitext(args.sheet)[0] + "-pages.png",
              [list(page_images[r] for r in sorted(page_images))], scale=2)


if __name__ == "__main__":
    sys.exit(main())
