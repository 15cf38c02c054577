#!/usr/bin/env python3
"""Draws the panel's pictures: bitmap 136 (the receiver), icons 128 and 129
and the hand cursor 220.

    python3 draw_images.py            writes the files beside this script
    python3 draw_images.py --check    fails when a committed file differs

Standard library only, and fully deterministic, so the committed files can
always be remade byte for byte.
"""

import math
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

MAGENTA = (255, 0, 255)  # the image list's transparent colour

# LoadImage with LR_LOADMAP3DCOLORS replaces these three greys of a colour
# table by the desktop's 3D colours; the picture must not contain them.
MAPPED_GREYS = {(128, 128, 128), (192, 192, 192), (223, 223, 223)}


# ---------------------------------------------------------------- bitmap 136

class Canvas:
    def __init__(self, width, height, background):
        self.width = width
        self.height = height
        self.pixels = [[background] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def get(self, x, y):
        return self.pixels[y][x]

    def fill(self, left, top, right, bottom, colour):
        for y in range(top, bottom):
            for x in range(left, right):
                self.put(x, y, colour)

    def frame(self, left, top, right, bottom, light, dark):
        for x in range(left, right):
            self.put(x, top, light)
            self.put(x, bottom - 1, dark)
        for y in range(top, bottom):
            self.put(left, y, light)
            self.put(right - 1, y, dark)

    def disc(self, cx, cy, radius, shade):
        """A disc lit from the upper left; shade(t) gives the colour for a
        brightness t in 0..1."""
        for y in range(int(cy - radius) - 1, int(cy + radius) + 2):
            for x in range(int(cx - radius) - 1, int(cx + radius) + 2):
                dx, dy = x + 0.5 - cx, y + 0.5 - cy
                if dx * dx + dy * dy <= radius * radius:
                    t = 0.5 - 0.5 * (dx + dy) / (radius * 1.42)
                    self.put(x, y, shade(max(0.0, min(1.0, t))))


def quantised(colour, step=8):
    return tuple(min(255, (c // step) * step + step // 2) for c in colour)


def grey(level):
    return quantised((level, level, level + 6))


# A 3 x 5 pixel font for the panel's lettering.
GLYPHS = {
    'A': ["010", "101", "111", "101", "101"],
    'B': ["110", "101", "110", "101", "110"],
    'C': ["011", "100", "100", "100", "011"],
    'D': ["110", "101", "101", "101", "110"],
    'E': ["111", "100", "110", "100", "111"],
    'G': ["011", "100", "101", "101", "011"],
    'H': ["101", "101", "111", "101", "101"],
    'I': ["111", "010", "010", "010", "111"],
    'K': ["101", "110", "100", "110", "101"],
    'L': ["100", "100", "100", "100", "111"],
    'M': ["101", "111", "111", "101", "101"],
    'N': ["110", "101", "101", "101", "101"],
    'O': ["010", "101", "101", "101", "010"],
    'P': ["110", "101", "110", "100", "100"],
    'R': ["110", "101", "110", "101", "101"],
    'S': ["011", "100", "010", "001", "110"],
    'T': ["111", "010", "010", "010", "010"],
    'U': ["101", "101", "101", "101", "111"],
    'V': ["101", "101", "101", "101", "010"],
    'W': ["101", "101", "111", "111", "101"],
    'X': ["101", "101", "010", "101", "101"],
    'z': ["000", "111", "001", "010", "111"],
    '0': ["111", "101", "101", "101", "111"],
    '1': ["010", "110", "010", "010", "111"],
    '2': ["110", "001", "010", "100", "111"],
    '3': ["110", "001", "010", "001", "110"],
    '5': ["111", "100", "110", "001", "110"],
    '7': ["111", "001", "010", "010", "010"],
    '-': ["000", "000", "111", "000", "000"],
    '.': ["000", "000", "000", "000", "010"],
    ' ': ["000", "000", "000", "000", "000"],
}


def text(canvas, x, y, string, colour):
    for ch in string:
        for row, bits in enumerate(GLYPHS[ch]):
            for col, bit in enumerate(bits):
                if bit == "1":
                    canvas.put(x + col, y + row, colour)
        x += 4
    return x


def text_width(string):
    return 4 * len(string) - 1


# Seven-segment digits for the display: segments a..g as rectangles on a
# 5 x 9 cell.
SEGMENTS = {
    'a': (1, 0, 4, 1), 'b': (4, 1, 5, 4), 'c': (4, 5, 5, 8), 'd': (1, 8, 4, 9),
    'e': (0, 5, 1, 8), 'f': (0, 1, 1, 4), 'g': (1, 4, 4, 5),
}
DIGIT_SEGMENTS = {
    '0': "abcdef", '1': "bc", '2': "abged", '3': "abgcd", '4': "fgbc",
    '5': "afgcd", '6': "afgedc", '7': "abc", '8': "abcdefg", '9': "abcdfg",
}


def seven_segment(canvas, x, y, digits, lit, unlit):
    for ch in digits:
        if ch == '.':
            canvas.fill(x, y + 8, x + 1, y + 9, lit)
            x += 2
            continue
        on = DIGIT_SEGMENTS[ch]
        for name, (l, t, r, b) in SEGMENTS.items():
            canvas.fill(x + l, y + t, x + r, y + b, lit if name in on else unlit)
        x += 7


def draw_receiver():
    width, height = 200, 152
    c = Canvas(width, height, MAGENTA)

    # The box: a top face seen slightly from above, the front panel, feet.
    left, right = 10, 190
    top_face, front_top, front_bottom = 22, 38, 126
    depth = front_top - top_face
    for y in range(top_face, front_top):
        inset = (front_top - y) * 6 // depth
        level = 150 - (front_top - y) * 2
        c.fill(left + inset, y, right - inset, y + 1, grey(level))
    for x in range(left + 6, right - 6, 6):
        c.put(x, top_face + 3, grey(110))
    for y in range(front_top, front_bottom):
        level = 72 - (y - front_top) * 30 // (front_bottom - front_top)
        c.fill(left, y, right, y + 1, grey(level))
    c.frame(left, front_top, right, front_bottom, grey(150), grey(24))
    c.fill(left + 2, front_bottom, right - 2, front_bottom + 3, grey(16))
    for foot in (left + 8, right - 30):
        c.fill(foot, front_bottom + 3, foot + 22, front_bottom + 7, grey(30))
    # Shadow on the table.
    for y in range(front_bottom + 7, front_bottom + 11):
        c.fill(left + 4 + (y - front_bottom), y, right - 4 - (y - front_bottom), y + 1,
               quantised((100, 96, 110)))

    # Side handles.
    for hx in (left - 6, right + 1):
        c.fill(hx, front_top + 8, hx + 5, front_bottom - 8, grey(150))
        c.frame(hx, front_top + 8, hx + 5, front_bottom - 8, grey(200), grey(60))

    # Lettering.
    text(c, left + 8, front_top + 6, "EXCALIBUR", quantised((230, 200, 96)))
    model = "WR-G31DDC"
    text(c, right - 8 - text_width(model), front_top + 6, model, grey(210))

    # Display with a frequency and a little spectrum.
    dl, dt, dr, db = 52, front_top + 16, 132, front_top + 52
    c.fill(dl - 2, dt - 2, dr + 2, db + 2, grey(20))
    for y in range(dt, db):
        g = 70 + (y - dt) * 20 // (db - dt)
        c.fill(dl, y, dr, y + 1, quantised((20, g, 60)))
    lit, unlit = quantised((150, 255, 150)), quantised((28, 96, 64))
    seven_segment(c, dl + 5, dt + 4, "7.050.000", lit, unlit)
    text(c, dr - 14, dt + 8, "MHz", lit)
    base = db - 3
    for i, x in enumerate(range(dl + 3, dr - 3)):
        level = 3 + int(2.5 * (1 + math.sin(i * 0.7)) + ((i * 37) % 5))
        if 34 <= i <= 37:
            level += 10
        if 55 <= i <= 56:
            level += 7
        c.fill(x, base - level, x + 1, base, quantised((110, 220, 130)))

    # Power switch and LEDs on the left.
    c.fill(left + 8, front_top + 20, left + 24, front_top + 30, grey(40))
    c.frame(left + 8, front_top + 20, left + 24, front_top + 30, grey(140), grey(10))
    text(c, left + 8, front_top + 33, "PWR", grey(180))
    leds = (((70, 230, 90), "ON"), ((250, 170, 40), "ADC"), ((230, 60, 50), "OVL"))
    for i, (colour, label) in enumerate(leds):
        y = front_top + 42 + i * 10
        c.disc(left + 11, y + 2, 2.6, lambda t, col=colour: quantised(
            tuple(int(v * (0.55 + 0.45 * t)) for v in col)))
        text(c, left + 17, y, label, grey(170))

    # Tuning knob on the right, two small knobs under the display.
    def knob_shade(t):
        return grey(int(40 + 150 * t))

    kx, ky, kr = right - 28, front_top + 50, 17
    c.disc(kx, ky, kr + 2, lambda t: grey(18))
    c.disc(kx, ky, kr, knob_shade)
    c.disc(kx, ky, kr - 5, lambda t: grey(int(90 + 60 * (1 - t))))
    c.disc(kx + 5, ky - 6, 2.2, lambda t: grey(40))
    for i in range(24):
        a = i * math.pi / 12
        c.put(int(kx + (kr + 4) * math.cos(a)), int(ky + (kr + 4) * math.sin(a)), grey(150))
    text(c, kx - 9, ky + kr + 5, "TUNE", grey(170))

    for i, label in enumerate(("ATT", "NB", "DSP")):
        x = dl + 10 + i * 28
        y = db + 16
        c.disc(x, y, 6.5, lambda t: grey(16))
        c.disc(x, y, 5.5, knob_shade)
        c.fill(x, y - 5, x + 1, y - 1, grey(235))
        text(c, x - text_width(label) // 2, y + 9, label, grey(170))

    # Antenna socket.
    c.disc(left + 16, front_bottom - 9, 4, lambda t: quantised(
        (int(120 + 100 * t), int(100 + 90 * t), int(40 + 40 * t))))
    c.disc(left + 16, front_bottom - 9, 1.5, lambda t: grey(20))
    return c


def bmp_8bpp(canvas):
    colours = sorted({colour for row in canvas.pixels for colour in row})
    if len(colours) > 256:
        raise SystemExit("picture has %d colours, 256 at most" % len(colours))
    if MAPPED_GREYS & set(colours):
        raise SystemExit("picture uses a grey that LoadImage would remap")
    palette = colours + [(0, 0, 0)] * (256 - len(colours))
    index = {colour: i for i, colour in enumerate(colours)}
    row_bytes = (canvas.width + 3) & ~3
    bits = bytearray()
    for y in range(canvas.height - 1, -1, -1):
        row = bytes(index[canvas.get(x, y)] for x in range(canvas.width))
        bits += row + bytes(row_bytes - canvas.width)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 8, 0,
                       len(bits), 2835, 2835, 256, 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    offset = 14 + len(info) + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
    return header + info + table + bytes(bits)


# ----------------------------------------------------------- icons 128, 129

VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128),
       (128, 0, 128), (0, 128, 128), (192, 192, 192), (128, 128, 128),
       (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255),
       (0, 255, 255), (255, 255, 255)]

# One character per pixel: '.' transparent, otherwise a hex digit into VGA.
ICON_128 = [  # the receiver seen from the front, as on newer systems
    "................",
    "................",
    "................",
    "..888888888888..",
    ".87777777777778.",
    ".80000000000008.",
    ".80AAAAA0077008.",
    ".80A2A2A07F7708.",
    ".80AAAAA0777808.",
    ".80000000088008.",
    ".80A0B090000008.",
    ".80000000000008.",
    ".88888888888888.",
    "..00........00..",
    "................",
    "................",
]

ICON_129 = [  # a plainer variant with an antenna, for older systems
    "..........0.....",
    "...........0....",
    "............0...",
    ".............0..",
    "0000000000000000",
    "0777777777777770",
    "07000000007FF770",
    "070AAAAA07F77870",
    "070A2A2A07788870",
    "070AAAAA07788870",
    "0700000000777870",
    "0777777777777770",
    "07C7777E77777770",
    "0777777777777770",
    "0000000000000000",
    "................",
]


def icon_pixels(rows):
    pixels = []
    for row in rows:
        if len(row) != 16:
            raise SystemExit("icon rows must be 16 wide: %r" % row)
        pixels.append([None if ch == "." else int(ch, 16) for ch in row])
    return pixels


def ico_4bpp(rows):
    pixels = icon_pixels(rows)
    xor = bytearray()
    mask = bytearray()
    for y in range(15, -1, -1):
        line = pixels[y]
        for x in range(0, 16, 2):
            hi = line[x] or 0
            lo = line[x + 1] or 0
            xor.append(hi << 4 | lo)
        bits = 0
        for x in range(16):
            bits = bits << 1 | (1 if line[x] is None else 0)
        mask += struct.pack(">H", bits) + bytes(2)
    info = struct.pack("<IiiHHIIiiII", 40, 16, 32, 1, 4, 0, len(xor) + len(mask),
                       0, 0, 16, 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in VGA)
    image = info + table + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", 16, 16, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


# -------------------------------------------------------------- cursor 220

# 'X' black, '.' white, ' ' transparent. The tip of the index finger is the
# hot spot, (6, 0).
HAND = [
    "      XX        ",
    "     X..X       ",
    "     X..X       ",
    "     X..X       ",
    "     X..X       ",
    "     X..XXX     ",
    "     X..X..XXX  ",
    "     X..X..X..XX",
    "     X..X..X..X.X",
    " XX  X..X..X..X..X",
    " X..XX...........X",
    " X...X...........X",
    "  X..............X",
    "  X..............X",
    "   X.............X",
    "   X............X",
    "    X...........X",
    "    X..........X",
    "     X.........X",
    "     X.........X",
    "     XXXXXXXXXXX",
]
HOT_SPOT = (6, 0)


def cur_mono(art, hot_spot):
    size = 32
    rows = [row.ljust(size) for row in art] + [" " * size] * (size - len(art))
    if rows[hot_spot[1]][hot_spot[0]] != "X":
        raise SystemExit("the hot spot must lie on the finger's tip")
    xor = bytearray()
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        row = rows[y]
        xor_bits = mask_bits = 0
        for x in range(size):
            ch = row[x]
            xor_bits = xor_bits << 1 | (1 if ch == "." else 0)
            mask_bits = mask_bits << 1 | (1 if ch == " " else 0)
        xor += struct.pack(">I", xor_bits)
        mask += struct.pack(">I", mask_bits)
    info = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 1, 0,
                       len(xor) + len(mask), 0, 0, 2, 0)
    table = struct.pack("<BBBBBBBB", 0, 0, 0, 0, 255, 255, 255, 0)
    image = info + table + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", size, size, 2, 0, hot_spot[0], hot_spot[1],
                        len(image), 6 + 16)
    return directory + entry + image


# ------------------------------------------------------------------- files

def images():
    return {
        "receiver.bmp": bmp_8bpp(draw_receiver()),
        "panel.ico": ico_4bpp(ICON_128),
        "panel_classic.ico": ico_4bpp(ICON_129),
        "hand.cur": cur_mono(HAND, HOT_SPOT),
    }


def main(argv):
    check = "--check" in argv[1:]
    stale = []
    for name, data in images().items():
        path = os.path.join(HERE, name)
        if check:
            try:
                with open(path, "rb") as f:
                    if f.read() != data:
                        stale.append(name)
            except FileNotFoundError:
                stale.append(name)
        else:
            with open(path, "wb") as f:
                f.write(data)
    if stale:
        print("out of date, run draw_images.py: " + ", ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
