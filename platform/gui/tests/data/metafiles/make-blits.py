#!/usr/bin/env python3
# Writes blits.emf and blits.wmf: the other ways a metafile places a bitmap (a blit, a stretched
# blit, bitmap bits set to the device, a part of a bitmap, a pattern fill without a bitmap) on a
# background. LibreOffice draws them to blits-emf.png and blits-wmf.png (a page, trimmed to the
# picture), the pictures the player is held to. The part is a left half: LibreOffice counts a
# source y from the top of a bitmap whose rows run from the bottom, where the bitmap calls count
# it from the bottom. clipregion.emf is blits.emf with a clip region, which LibreOffice does not
# apply, turned-bitmap.emf a bitmap turned by a world transform, which LibreOffice draws
# unturned, and isotropic.emf an isotropic mapping, whose two scales LibreOffice keeps apart:
# their tests look at what they show alone.
import struct

def dib(width, height, bits, pixel, palette=()):
    """Info header with palette, and rows from the bottom of pixel(x, y) (index or 0xRRGGBB)."""
    stride = (width * bits + 31) // 32 * 4
    data = b''
    for y in reversed(range(height)):
        line = bytearray(stride)
        for x in range(width):
            v = pixel(x, y)
            if bits == 4: line[x // 2] |= v << (0 if x % 2 else 4)
            elif bits == 8: line[x] = v
            else: line[3 * x:3 * x + 3] = bytes((v & 255, v >> 8 & 255, v >> 16 & 255))
        data += bytes(line)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, len(data), 3780, 3780, len(palette), 0)
    info += b''.join(bytes((b, g, r, 0)) for r, g, b in palette)
    return info, data

quads = dib(8, 8, 24, lambda x, y: [0xE02020, 0x20A020, 0x2020E0, 0xE0C020][(x >= 4) + 2 * (y >= 4)])
stripes = dib(8, 4, 8, lambda x, y: x, [(x * 30, 255 - x * 30, 128) for x in range(8)])
checker = dib(48, 48, 4, lambda x, y: (x // 8 + y // 8) % 2, [(40, 40, 40), (250, 250, 250)])
# A 16 x 16 bitmap, its left half orange and its right half grey.
part = dib(16, 16, 24, lambda x, y: 0xFF8000 if x < 8 else 0x808080)

SRCCOPY, PATCOPY = 0xCC0020, 0xF00021

def write_emf(path, clip_region=False):
    records = []
    def rec(kind, body=b''): records.append(struct.pack('<II', kind, 8 + len(body)) + body)
    i32 = lambda *v: struct.pack('<%di' % len(v), *v)
    u32 = lambda *v: struct.pack('<%dI' % len(v), *v)
    identity = struct.pack('<6f', 1, 0, 0, 1, 0, 0)
    def blt(kind, x, y, w, h, info, bits, src=(0, 0), src_size=None, rop=SRCCOPY):
        fixed = 8 + (100 if kind == 76 else 108) - 8
        body = i32(x, y, x + w, y + h) + i32(x, y, w, h) + u32(rop) + i32(*src) + identity + u32(0xFFFFFF, 0)
        body += u32(fixed, len(info), fixed + len(info), len(bits)) if info else u32(0, 0, 0, 0)
        if kind == 77: body += i32(*(src_size or (w, h)))
        rec(kind, body + info + bits)
    rec(17, u32(8)); rec(9, i32(1000, 750)); rec(11, i32(378, 283))
    rec(39, u32(1, 0, 0xF0E8E0, 0)); rec(37, u32(1)); rec(37, u32(0x80000008))
    rec(43, i32(0, 0, 1000, 750))
    # BitBlt source sizes are the destination's in pixels of the source: one unit here is 0.38.
    blt(76, 60, 60, 21, 21, *quads)
    blt(77, 200, 60, 300, 200, *stripes, src_size=(8, 4))
    # Bits set to the device: the destination is the source's size, in logical units.
    fixed = 8 + 76 - 8
    info, bits = checker
    body = i32(600, 60, 648, 108) + i32(600, 60, 0, 0, 48, 48) + u32(fixed, len(info), fixed + len(info), len(bits), 0, 0, 48)
    rec(80, body + info + bits)
    # A part of a bitmap stretched: its left half.
    info, bits = part
    fixed = 8 + 72
    rec(81, i32(60, 380, 360, 680) + i32(60, 380, 0, 0, 8, 16) + u32(fixed, len(info), fixed + len(info), len(bits), 0, SRCCOPY) + i32(300, 300) + info + bits)
    # A pattern fill in a blue brush, with no bitmap.
    rec(39, u32(2, 0, 0xC04000, 0)); rec(37, u32(2))
    blt(76, 600, 380, 300, 250, b'', b'', rop=PATCOPY)
    if clip_region:
        # A clip region of one rectangle in device pixels over a large red rectangle, then no clip
        # region again for a green one.
        region = i32(150, 150, 210, 250)
        rgn = u32(32, 1, 1, 16) + region + region
        rec(75, u32(len(rgn), 5) + rgn)
        rec(39, u32(3, 0, 0x2020D0, 0)); rec(37, u32(3))
        rec(43, i32(300, 300, 700, 720))
        rec(75, u32(0, 5))
        rec(39, u32(4, 0, 0x20B020, 0)); rec(37, u32(4))
        rec(43, i32(380, 690, 560, 740))
    rec(14, u32(0, 16, 20))
    body = b''.join(records)
    header = (i32(0, 0, 377, 283) + i32(0, 0, 10000, 7500) + u32(0x464D4520, 0x10000, 88 + len(body), len(records) + 1)
              + struct.pack('<HH', 5 if clip_region else 3, 0) + u32(0, 0, 0) + i32(960, 960, 254, 254))
    open(path, 'wb').write(struct.pack('<II', 1, 8 + len(header)) + header + body)

def write_wmf(path):
    records = []
    def rec(function, body=b''):
        records.append(struct.pack('<IH', 3 + len(body) // 2, function) + body)
    h16 = lambda *v: struct.pack('<%dh' % len(v), *v)
    rec(0x020B, h16(0, 0)); rec(0x020C, h16(750, 1000))
    rec(0x02FC, struct.pack('<HIH', 0, 0xF0E8E0, 0)); rec(0x012D, h16(0))
    rec(0x02FA, struct.pack('<HhhI', 5, 0, 0, 0)); rec(0x012D, h16(1))
    rec(0x041B, h16(750, 1000, 0, 0))
    # Bit blit of a device-independent bitmap: source y, x, height, width, destination y, x.
    rec(0x0940, struct.pack('<I', SRCCOPY) + h16(0, 0, 8, 8, 60, 60) + b''.join(quads))
    # Stretched: source height, width, y, x, destination height, width, y, x.
    rec(0x0B41, struct.pack('<I', SRCCOPY) + h16(4, 8, 0, 0, 200, 300, 60, 200) + b''.join(stripes))
    # Set to the device: colour use, scan lines, first scan line, source y, x, height, width,
    # destination y, x.
    rec(0x0D33, h16(0, 48, 0, 0, 0, 48, 48, 60, 600) + b''.join(checker))
    # The left half of a bitmap.
    rec(0x0F43, struct.pack('<IH', SRCCOPY, 0) + h16(16, 8, 0, 0, 300, 300, 380, 60) + b''.join(part))
    # A pattern fill in a blue brush: height, width, y, x.
    rec(0x02FC, struct.pack('<HIH', 0, 0xC04000, 0)); rec(0x012D, h16(2))
    rec(0x061D, struct.pack('<I', PATCOPY) + h16(250, 300, 380, 600))
    rec(0x0000)
    body = b''.join(records)
    words = (18 + len(body)) // 2
    meta = struct.pack('<HHHIHIH', 1, 9, 0x300, words, 3, max(len(r) for r in records) // 2, 0)
    head = struct.pack('<IHhhhhHI', 0x9AC6CDD7, 0, 0, 0, 1000, 750, 254, 0)
    checksum = 0
    for i in range(0, 20, 2): checksum ^= struct.unpack('<H', head[i:i + 2])[0]
    open(path, 'wb').write(head + struct.pack('<H', checksum) + meta + body)

def write_turned_bitmap(path):
    # A bitmap of two pixels, red then blue, stretched over 200 x 100 units about (500, 350) and
    # turned a quarter clockwise there by the world transform: red above, blue below.
    records = []
    def rec(kind, body=b''): records.append(struct.pack('<II', kind, 8 + len(body)) + body)
    i32 = lambda *v: struct.pack('<%di' % len(v), *v)
    u32 = lambda *v: struct.pack('<%dI' % len(v), *v)
    rec(17, u32(8)); rec(9, i32(1000, 750)); rec(11, i32(378, 283))
    rec(39, u32(1, 0, 0xF0E8E0, 0)); rec(37, u32(1)); rec(37, u32(0x80000008))
    rec(43, i32(0, 0, 1000, 750))
    rec(35, struct.pack('<6f', 0, 1, -1, 0, 500 + 350, 350 - 500))
    info, bits = dib(2, 1, 24, lambda x, y: [0xE00000, 0x0000E0][x])
    fixed = 8 + 72
    rec(81, i32(400, 300, 600, 400) + i32(400, 300, 0, 0, 2, 1) + u32(fixed, len(info), fixed + len(info), len(bits), 0, SRCCOPY) + i32(200, 100) + info + bits)
    rec(14, u32(0, 16, 20))
    body = b''.join(records)
    header = (i32(0, 0, 377, 283) + i32(0, 0, 10000, 7500) + u32(0x464D4520, 0x10000, 88 + len(body), len(records) + 1)
              + struct.pack('<HH', 2, 0) + u32(0, 0, 0) + i32(960, 960, 254, 254))
    open(path, 'wb').write(struct.pack('<II', 1, 8 + len(header)) + header + body)

def write_isotropic(path):
    # An isotropic mapping asked for 2 pixels a unit across and 0.5 down: both become 0.5. A
    # brown ellipse over units (0, 0) to (100, 80) from (250, 225) then covers (250, 225) to
    # (300, 265) in pixels.
    records = []
    def rec(kind, body=b''): records.append(struct.pack('<II', kind, 8 + len(body)) + body)
    i32 = lambda *v: struct.pack('<%di' % len(v), *v)
    u32 = lambda *v: struct.pack('<%dI' % len(v), *v)
    rec(39, u32(1, 0, 0xF0E8E0, 0)); rec(37, u32(1)); rec(37, u32(0x80000008))
    rec(43, i32(0, 0, 378, 283))
    rec(17, u32(7)); rec(9, i32(100, 100)); rec(11, i32(200, 50)); rec(12, i32(250, 225))
    rec(39, u32(2, 0, 0x204080, 0)); rec(37, u32(2))
    rec(42, i32(0, 0, 100, 80))
    rec(14, u32(0, 16, 20))
    body = b''.join(records)
    header = (i32(0, 0, 377, 283) + i32(0, 0, 10000, 7500) + u32(0x464D4520, 0x10000, 88 + len(body), len(records) + 1)
              + struct.pack('<HH', 3, 0) + u32(0, 0, 0) + i32(960, 960, 254, 254))
    open(path, 'wb').write(struct.pack('<II', 1, 8 + len(header)) + header + body)

write_emf('blits.emf')
write_isotropic('isotropic.emf')
write_turned_bitmap('turned-bitmap.emf')
write_emf('clipregion.emf', clip_region=True)
write_wmf('blits.wmf')
