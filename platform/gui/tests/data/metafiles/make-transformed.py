#!/usr/bin/env python3
# Writes transformed.emf: shapes under world transforms (set, multiplied on the left and on the
# right), an anisotropic and a metric mapping, and bitmaps of 1, 4, 8 (rows from the top), 16
# (plain and 5-6-5 masks), 24 and 32 bits. LibreOffice draws it to transformed.png (a page,
# trimmed to the picture), the picture the player is held to. LibreOffice draws a bitmap under a
# turning world transform unturned, and keeps an isotropic mapping's two scales apart, so
# neither is here.
import math, struct, sys

records = []
def rec(kind, body=b''):
    records.append(struct.pack('<II', kind, 8 + len(body)) + body)
def i32(*v): return struct.pack('<%di' % len(v), *v)
def u32(*v): return struct.pack('<%dI' % len(v), *v)
def xform(m11, m12, m21, m22, dx, dy): return struct.pack('<6f', m11, m12, m21, m22, dx, dy)
def rotation(deg, cx, cy):
    c, s = math.cos(math.radians(deg)), math.sin(math.radians(deg))
    # Turns about (cx, cy): x' = x c - y s + dx, y' = x s + y c + dy.
    return xform(c, s, -s, c, cx - cx * c + cy * s, cy - cx * s - cy * c)

def dib(width, height, bits, rows, palette=(), compression=0, masks=(), top_down=False, data=None):
    """rows: list of lists of pixel values (index, or packed value), top row first."""
    if data is None:
        stride = (width * bits + 31) // 32 * 4
        out = b''
        for row in (rows if top_down else rows[::-1]):
            line = bytearray(stride)
            for x, v in enumerate(row):
                if bits == 1: line[x // 8] |= v << (7 - x % 8)
                elif bits == 4: line[x // 2] |= v << (0 if x % 2 else 4)
                elif bits == 8: line[x] = v
                elif bits == 16: line[2 * x:2 * x + 2] = struct.pack('<H', v)
                elif bits == 24: line[3 * x:3 * x + 3] = bytes((v & 255, v >> 8 & 255, v >> 16 & 255))
                else: line[4 * x:4 * x + 4] = struct.pack('<I', v)
            out += bytes(line)
        data = out
    header = struct.pack('<IiiHHIIiiII', 40, width, -height if top_down else height, 1, bits, compression,
                         len(data), 3780, 3780, len(palette), 0)
    header += b''.join(struct.pack('<I', m) for m in masks)
    header += b''.join(bytes((b, g, r, 0)) for r, g, b in palette)
    return header, data

def stretch_dibits(x, y, w, h, info, bits, rop=0xCC0020, src=None):
    sw, sh = src or (struct.unpack('<i', info[4:8])[0], abs(struct.unpack('<i', info[8:12])[0]))
    fixed = 8 + 72
    body = i32(x, y, x + w, y + h) + i32(x, y, 0, 0, sw, sh) + u32(fixed, len(info), fixed + len(info), len(bits), 0, rop) + i32(w, h)
    rec(81, body + info + bits)

def brush(handle, color): rec(39, u32(handle, 0, color, 0))
def pen(handle, width, color, style=0): rec(38, u32(handle, style) + i32(width, 0) + u32(color))
def select(handle): rec(37, u32(handle))
NULL_PEN = 0x80000008

# Mapping: 1000 x 750 logical units over the 100 x 75 mm frame.
rec(17, u32(8))
rec(9, i32(1000, 750))
rec(11, i32(378, 283))
rec(18, u32(1))
brush(1, 0xE8F0F0)
select(1)
select(NULL_PEN)
rec(43, i32(0, 0, 1000, 750))
# A rectangle turned 30 degrees about its centre, outlined in a thick black pen.
rec(33)
rec(35, rotation(30, 200, 200))
brush(2, 0x2020D0)
pen(3, 12, 0x000000)
select(2); select(3)
rec(43, i32(80, 130, 320, 270))
rec(34, i32(-1))
# An ellipse placed by a translation and then turned -40 degrees by a left multiplication.
rec(33)
rec(35, xform(1, 0, 0, 1, 720, 180))
rec(36, rotation(-40, 0, 0) + u32(2))
brush(4, 0xD06020)
select(4); select(NULL_PEN)
rec(42, i32(-200, -80, 200, 80))
# A right multiplication that scales the turned frame: a rounded rectangle under both.
rec(36, xform(0.5, 0, 0, 0.5, 0, 0) + u32(3))
brush(5, 0x20C0FF)
select(5)
rec(44, i32(-150, -60, 150, 60, 80, 80))
rec(34, i32(-1))

# Bitmaps along the bottom, each 110 x 110 units.
pal16 = [((i * 53) % 256, (i * 97) % 256, (i * 181) % 256) for i in range(16)]
x0, y0, size = 30, 420, 110
def place(k, info_bits, **kw):
    stretch_dibits(x0 + k * 135, y0, size, size, *info_bits, **kw)
# 1 bit: a checker of black and yellow.
place(0, dib(8, 8, 1, [[(x + y) % 2 for x in range(8)] for y in range(8)], palette=[(0, 0, 0), (255, 220, 0)]))
# 4 bits: sixteen vertical stripes.
place(1, dib(16, 4, 4, [[x for x in range(16)] for y in range(4)], palette=pal16))
# 8 bits, rows from the top: a red ramp down, a blue ramp across.
pal256 = [(i, 0, 0) for i in range(128)] + [(0, 0, 2 * (i - 128)) for i in range(128, 256)]
place(2, dib(16, 16, 8, [[(y * 8) if x < 8 else 128 + x * 8 for x in range(16)] for y in range(16)], palette=pal256, top_down=True))
# 16 bits, 5-5-5: green top half, magenta bottom half.
place(3, dib(8, 8, 16, [[(0x1F << 5) if y < 4 else (0x1F << 10 | 0x1F) for x in range(8)] for y in range(8)]))
# 16 bits with 5-6-5 masks: a cyan left half and an orange right half.
place(4, dib(8, 8, 16, [[(0x3F << 5 | 0x1F) if x < 4 else (0x1F << 11 | 0x20 << 5) for x in range(8)] for y in range(8)],
             compression=3, masks=(0xF800, 0x07E0, 0x001F)))
# 24 bits: a ramp of red across and green down.
place(6, dib(16, 16, 24, [[(x * 16) << 16 | (y * 16) << 8 | 0x40 for x in range(16)] for y in range(16)]))
# 32 bits: four quadrants.
quad = [0xFF0000, 0x00FF00, 0x0000FF, 0x808080]
place(5, dib(8, 8, 32, [[quad[(x >= 4) + 2 * (y >= 4)] for x in range(8)] for y in range(8)]))
# A metric mapping: tenths of a millimetre, y upwards from the top.
rec(33)
rec(17, u32(2))
rec(12, i32(0, 0)); rec(10, i32(0, 0))
brush(6, 0x808000)
select(6)
rec(43, i32(50, -600, 250, -720))
rec(34, i32(-1))

rec(14, u32(0, 16, 20))
body = b''.join(records)
header_body = (i32(0, 0, 377, 283) + i32(0, 0, 10000, 7500) + u32(0x464D4520, 0x10000, 88 + len(body), len(records) + 1)
               + struct.pack('<HH', 7, 0) + u32(0, 0, 0) + i32(960, 960, 254, 254))
out = struct.pack('<II', 1, 8 + len(header_body)) + header_body + body
open(sys.argv[1] if len(sys.argv) > 1 else 'transformed.emf', 'wb').write(out)
