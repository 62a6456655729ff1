#!/usr/bin/env python3
# Writes hatches.emf and hatches.wmf (the six hatched brushes, on a coloured ground in the
# transparent background mode and over a background colour in the opaque one; a rectangle with a
# smaller one cut out of the clip, and in the EMF a second cut made by a clip region taken away)
# and spaced.emf and spaced.wmf (a Latin and a Thai line whose characters stand at distances the
# writer gave, wider than the font's own; the WMF keeps the Thai in code page 874). LibreOffice
# draws them to hatches-emf.png, hatches-wmf.png, spaced-emf.png and spaced-wmf.png (a page,
# trimmed to the picture). One unit is one pixel at 96 an inch; the pictures are 378 x 283.
import struct

from metafile_writers import H, W, emf, wmf

HATCHED, NULL_PEN = 2, 5
GROUND, BACK = 0x90E0F0, 0xF0C8FF  # colour refs: 0x00BBGGRR
LATIN, THAI = 'Orvane', 'ใบรับรอง'
# Distances between the characters: uneven, and wider than the font's own; in a Thai cluster the
# letter keeps its own width (ร is 17 pixels) and the vowel above it the rest, as writers give it.
LATIN_DX = [34, 14, 30, 20, 34, 20]
THAI_DX = [30, 22, 17, 17, 22, 34, 22, 30]

def hatches_emf(rec):
    i32 = lambda *v: struct.pack('<%di' % len(v), *v)
    u32 = lambda *v: struct.pack('<%dI' % len(v), *v)
    rec(39, u32(1, 0, GROUND, 0)); rec(37, u32(1)); rec(37, u32(0x80000008))
    rec(43, i32(0, 0, W, 130))
    rec(25, u32(BACK))
    colours = [0x202080, 0x208020, 0x802020, 0x206080, 0x602060, 0x000000]
    for opaque in (0, 1):
        rec(18, u32(2 if opaque else 1))
        for hatch in range(6):
            rec(39, u32(2, HATCHED, colours[hatch], hatch)); rec(37, u32(2))
            x, y = 10 + 60 * hatch, 10 + 130 * opaque
            rec(42 if hatch % 2 else 43, i32(x, y, x + 52, y + 110))
            rec(37, u32(0x80000005)); rec(40, u32(2))
    # A blue rectangle with a smaller one cut out of the clip, and another cut by a region.
    rec(18, u32(1))
    rec(33)
    rec(29, i32(30, 250, 90, 270))
    region = i32(150, 250, 200, 270)
    rgn = u32(32, 1, 1, 16) + region + region
    rec(75, u32(len(rgn), 4) + rgn)
    rec(39, u32(3, 0, 0xC04020, 0)); rec(37, u32(3))
    rec(43, i32(10, 244, 368, 278))
    rec(34, i32(-1))

def hatches_wmf(rec):
    h16 = lambda *v: struct.pack('<%dh' % len(v), *v)
    brush = lambda style, colour, hatch: struct.pack('<HIH', style, colour, hatch)
    rec(0x02FC, brush(0, GROUND, 0)); rec(0x012D, h16(0))
    rec(0x02FA, struct.pack('<HhhI', NULL_PEN, 0, 0, 0)); rec(0x012D, h16(1))
    rec(0x041B, h16(130, W, 0, 0))
    rec(0x0201, struct.pack('<I', BACK))
    colours = [0x202080, 0x208020, 0x802020, 0x206080, 0x602060, 0x000000]
    for opaque in (0, 1):
        rec(0x0102, h16(2 if opaque else 1, 0))
        for hatch in range(6):
            rec(0x02FC, brush(HATCHED, colours[hatch], hatch)); rec(0x012D, h16(2))
            x, y = 10 + 60 * hatch, 10 + 130 * opaque
            rec(0x0418 if hatch % 2 else 0x041B, h16(y + 110, x + 52, y, x))
            rec(0x012D, h16(0)); rec(0x01F0, h16(2))
    rec(0x0102, h16(1, 0))
    rec(0x001E)
    rec(0x0415, h16(270, 90, 250, 30))
    rec(0x0415, h16(270, 200, 250, 150))
    rec(0x02FC, brush(0, 0xC04020, 0)); rec(0x012D, h16(2))
    rec(0x041B, h16(278, 368, 244, 10))
    rec(0x0127, h16(-1))

def spaced_emf(rec):
    i32 = lambda *v: struct.pack('<%di' % len(v), *v)
    u32 = lambda *v: struct.pack('<%dI' % len(v), *v)
    rec(39, u32(1, 0, 0xFFFFFF, 0)); rec(37, u32(1)); rec(37, u32(0x80000008))
    rec(43, i32(0, 0, W, H))
    rec(18, u32(1)); rec(24, u32(0x402000)); rec(22, u32(24))
    def font(index, height, charset):
        face = 'DejaVu Sans' if charset == 0 else 'Garuda'
        logfont = i32(-height, 0, 0, 0, 400) + bytes((0, 0, 0, charset, 0, 0, 0, 0)) + face.encode('utf-16-le').ljust(64, b'\0')
        rec(82, u32(index) + logfont)
    def text(x, y, s, dx):
        units = s.encode('utf-16-le')
        n = len(units) // 2
        off = 8 + 16 + 12 + 40
        strbytes = units.ljust((len(units) + 3) // 4 * 4, b'\0')
        body = i32(0, 0, -1, -1) + u32(1) + struct.pack('<ff', 0, 0)
        body += i32(x, y) + u32(n, off, 0) + i32(0, 0, -1, -1) + u32(off + len(strbytes))
        rec(84, body + strbytes + i32(*dx))
    font(2, 30, 0); rec(37, u32(2))
    text(20, 80, LATIN, LATIN_DX)
    font(3, 34, 222); rec(37, u32(3))
    text(20, 190, THAI, THAI_DX)

def spaced_wmf(rec):
    h16 = lambda *v: struct.pack('<%dh' % len(v), *v)
    rec(0x02FC, struct.pack('<HIH', 0, 0xFFFFFF, 0)); rec(0x012D, h16(0))
    rec(0x02FA, struct.pack('<HhhI', NULL_PEN, 0, 0, 0)); rec(0x012D, h16(1))
    rec(0x041B, h16(H, W, 0, 0))
    rec(0x0102, h16(1, 0)); rec(0x0209, struct.pack('<I', 0x402000)); rec(0x012E, h16(24, 0))
    def font(height, charset, face):
        rec(0x02FB, h16(-height, 0, 0, 0, 400) + bytes((0, 0, 0, charset, 0, 0, 0, 0)) + face.encode().ljust(32, b'\0'))
    def text(x, y, s, dx, codec):
        b = s.encode(codec)
        rec(0x0A32, h16(y, x, len(b), 0) + b.ljust((len(b) + 1) // 2 * 2, b'\0') + h16(*dx))
    font(30, 0, 'DejaVu Sans'); rec(0x012D, h16(2))
    text(20, 80, LATIN, LATIN_DX, 'latin-1')
    font(34, 222, 'Garuda'); rec(0x012D, h16(3))
    text(20, 190, THAI, THAI_DX, 'cp874')

emf('hatches.emf', hatches_emf)
wmf('hatches.wmf', hatches_wmf)
emf('spaced.emf', spaced_emf)
wmf('spaced.wmf', spaced_wmf)
