#!/usr/bin/env python3
# Writes records.emf and records.wmf: records another program may use that draw by what lies
# beneath or by tables of their own. Each stands in its own area of the 378 x 283 picture (one
# unit a pixel at 96 an inch):
#   mixes (y 10-60): red, then blue mixed by exclusive or over its right part and the white
#     beside it (magenta and yellow), then green mixed as "no operation" over all (nothing);
#   clip (y 80-140): a region of two rectangles copied, a third or-ed and one exclusive-or-ed,
#     then green filled over the whole band: green only at x 10-30, 40-60, 70-90 and 110-140;
#   palette (y 160-200): a brush of palette entry 1 (200, 50, 50) at x 10-50, and a bitmap whose
#     colours are the palette's entries 2 and 0 at x 60-100 (left half, right half);
#   pattern (y 160-200, x 120-180): a brush of a 2 x 2 black and white chequer;
#   bands (x 200-220, y 160-180): a 20 x 20 bitmap sent to the device in two bands of ten lines,
#     red above, blue below;
# and in the EMF only:
#   blits (y 160-180): a blue bitmap inverted onto white (yellow) at x 250-260, and the white
#     ground inverted without a source (black) at x 270-290;
#   region fill (x 300-340): a region of two rectangles, y 80-100 and 110-140, filled with the
#     palette brush.
# LibreOffice draws neither mixes nor palette indices as these records define them: the tests hold
# the pictures to the colours given here.
import struct

from metafile_writers import H, W, emf, wmf

RED, BLUE, GREEN, WHITE = 0x0000FF, 0xFF0000, 0x008000, 0xFFFFFF  # colour refs: 0x00BBGGRR
i32 = lambda *v: struct.pack('<%di' % len(v), *v)
u32 = lambda *v: struct.pack('<%dI' % len(v), *v)
h16 = lambda *v: struct.pack('<%dh' % len(v), *v)
u16 = lambda *v: struct.pack('<%dH' % len(v), *v)
PALETTE = [(10, 20, 30), (200, 50, 50), (50, 200, 50)]

def info(width, height, bits, colours=0):
    return i32(40, width, height) + u16(1, bits) + u32(0, 0, 0, 0, colours, 0)

def rows24(width, colour_of_row, rows):
    # Rows in file order; each colour ref written blue, green, red.
    out = b''
    for r in rows:
        c = colour_of_row(r)
        line = bytes([(c >> 16) & 255, (c >> 8) & 255, c & 255]) * width
        out += line + b'\0' * ((4 - len(line) % 4) % 4)
    return out

# The chequer, top row first: black white / white black, as a top-down 24-bit bitmap.
CHEQUER_INFO = info(2, -2, 24)
CHEQUER_BITS = bytes([0, 0, 0, 255, 255, 255, 0, 0]) + bytes([255, 255, 255, 0, 0, 0, 0, 0])
# The palette bitmap: 8 bits, two pixels of palette slots 0 and 1, whose entries name palette
# entries 2 and 0.
PAL_INFO = info(2, 1, 8, 2) + u16(2, 0)
PAL_BITS = bytes([0, 1, 0, 0])
# The banded bitmap, bottom-up: rows 0-9 (the bottom half) blue, 10-19 red.
BAND_INFO = info(20, 20, 24)
def band_bits(first): return rows24(20, lambda r: BLUE if r < 10 else RED, range(first, first + 10))

def records_emf(rec):
    null_pen = 0x80000008
    rec(37, u32(null_pen))
    # mixes
    rec(39, u32(1, 0, RED, 0)); rec(37, u32(1)); rec(43, i32(10, 10, 70, 60))
    rec(20, u32(7))
    rec(39, u32(2, 0, BLUE, 0)); rec(37, u32(2)); rec(43, i32(40, 10, 120, 60))
    rec(20, u32(11))
    rec(39, u32(3, 0, GREEN, 0)); rec(37, u32(3)); rec(43, i32(10, 10, 120, 60))
    rec(20, u32(13))
    # clip
    rec(33)
    def region(*rects):
        l = min(r[0] for r in rects); t = min(r[1] for r in rects); r_ = max(r[2] for r in rects); b = max(r[3] for r in rects)
        data = u32(32, 1, len(rects), 16 * len(rects)) + i32(l, t, r_, b) + b''.join(i32(*r) for r in rects)
        return data
    for mode, rects in ((5, [(10, 80, 40, 140), (60, 80, 90, 140)]), (2, [(110, 80, 140, 140)]), (3, [(30, 80, 70, 140)])):
        data = region(*rects)
        rec(75, u32(len(data), mode) + data)
    rec(37, u32(3)); rec(43, i32(0, 80, 150, 140))
    rec(34, i32(-1))
    # palette
    entries = b''.join(bytes([r, g, b, 0]) for r, g, b in PALETTE)
    rec(49, u32(4) + u16(0x300, len(PALETTE)) + entries)
    rec(48, u32(4)); rec(52)
    rec(39, u32(5, 0, 0x01000001, 0)); rec(37, u32(5)); rec(43, i32(10, 160, 50, 200))
    # STRETCHDIBITS: bounds, destination x, y, source x, y, width, height, header and bits, colour
    # use 1 (palette indices), raster operation, destination width and height.
    head = 8 + 72
    rec(81, i32(60, 160, 100, 200) + i32(60, 160, 0, 0, 2, 1) + u32(head, len(PAL_INFO), head + len(PAL_INFO), len(PAL_BITS))
        + u32(1, 0xCC0020) + i32(40, 40) + PAL_INFO + PAL_BITS)
    # pattern
    head = 8 + 24
    rec(94, u32(6, 0, head, len(CHEQUER_INFO), head + len(CHEQUER_INFO), len(CHEQUER_BITS)) + CHEQUER_INFO + CHEQUER_BITS)
    rec(37, u32(6)); rec(43, i32(120, 160, 180, 200))
    rec(37, u32(5))
    # bands: SETDIBITSTODEVICE, bounds, destination x, y, source x, y, width, height, header and
    # bits, colour use, first scan line, scan lines.
    for first in (0, 10):
        bits = band_bits(first)
        head = 8 + 68
        rec(80, i32(200, 160, 220, 180) + i32(200, 160, 0, 0, 20, 20) + u32(head, len(BAND_INFO), head + len(BAND_INFO), len(bits))
            + u32(0, first, 10) + BAND_INFO + bits)
    # blits: BITBLT, bounds, destination x, y, width, height, raster operation, source x, y, the
    # source's transform, background, colour use, header and bits.
    blue = rows24(10, lambda r: BLUE, range(10))
    blue_info = info(10, 10, 24)
    head = 8 + 92
    transform = struct.pack('<6f', 1, 0, 0, 1, 0, 0)
    rec(76, i32(250, 160, 260, 170) + i32(250, 160, 10, 10) + u32(0x660046) + i32(0, 0) + transform + u32(0, 0)
        + u32(head, len(blue_info), head + len(blue_info), len(blue)) + blue_info + blue)
    rec(76, i32(270, 160, 290, 180) + i32(270, 160, 20, 20) + u32(0x550009) + i32(0, 0) + transform + u32(0, 0) + u32(0, 0, 0, 0))
    # region fill: FILLRGN, bounds, the data's size, the brush, the region.
    data = region((300, 80, 340, 100), (300, 110, 340, 140))
    rec(71, i32(300, 80, 340, 140) + u32(len(data), 5) + data)

def records_wmf(rec):
    rec(0x02FA, struct.pack('<HhhI', 5, 0, 0, 0)); rec(0x012D, u16(0))  # slot 0: the null pen
    brush = lambda colour: rec(0x02FC, struct.pack('<HIH', 0, colour, 0))
    # mixes: slots 1, 2, 3 the red, blue and green brushes
    brush(RED); rec(0x012D, u16(1)); rec(0x041B, h16(60, 70, 10, 10))
    rec(0x0104, u16(7))
    brush(BLUE); rec(0x012D, u16(2)); rec(0x041B, h16(60, 120, 10, 40))
    rec(0x0104, u16(11))
    brush(GREEN); rec(0x012D, u16(3)); rec(0x041B, h16(60, 120, 10, 10))
    rec(0x0104, u16(13))
    # clip: a region object of the three bands left by copy, or and exclusive or, in slot 4
    rec(0x001E)
    spans = [(10, 30), (40, 60), (70, 90), (110, 140)]
    scan = u16(2 * len(spans), 80, 140) + b''.join(u16(l, r) for l, r in spans) + u16(2 * len(spans))
    region = u16(0, 6) + u32(0) + u16(22 + len(scan), 1, len(scan) // 2) + h16(10, 80, 140, 140) + scan
    rec(0x06FF, region)
    rec(0x012C, u16(4))
    rec(0x012D, u16(3)); rec(0x041B, h16(140, 150, 80, 0))
    rec(0x0127, h16(-1))
    rec(0x01F0, u16(4))
    # palette in slot 4, its brush in slot 5
    entries = b''.join(bytes([r, g, b, 0]) for r, g, b in PALETTE)
    rec(0x00F7, u16(0x300, len(PALETTE)) + entries)
    rec(0x0234, u16(4)); rec(0x0035)
    brush(0x01000001); rec(0x012D, u16(5)); rec(0x041B, h16(200, 50, 160, 10))
    # STRETCHDIB: raster operation, colour use, source height, width, y, x, destination height,
    # width, y, x, then the bitmap.
    rec(0x0F43, u32(0xCC0020) + u16(1) + h16(1, 2, 0, 0, 40, 40, 160, 60) + PAL_INFO + PAL_BITS)
    # pattern brush in slot 6
    rec(0x0142, u16(5, 0) + CHEQUER_INFO + CHEQUER_BITS)
    rec(0x012D, u16(6)); rec(0x041B, h16(200, 180, 160, 120))
    rec(0x012D, u16(5))
    # bands: SETDIBTODEV, colour use, scan lines, first scan line, source y, x, height, width,
    # destination y, x, then the band.
    for first in (0, 10):
        rec(0x0D33, u16(0, 10, first) + h16(0, 0, 20, 20, 160, 200) + BAND_INFO + band_bits(first))

emf('records.emf', records_emf)
wmf('records.wmf', records_wmf)
