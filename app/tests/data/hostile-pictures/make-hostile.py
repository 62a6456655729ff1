# Writes the hostile pictures of this folder, each packed with xz (they unpack to tens or
# hundreds of megabytes): python3 make-hostile.py. Each is a file a parish office could be sent,
# made to cost a reader as much time or memory as its format allows.
import lzma, os, struct, subprocess, sys, tempfile, zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', '..', '..', 'platform', 'gui', 'tests', 'data', 'metafiles'))
from metafile_writers import emf

def packed(name, data):
    with lzma.open(name + '.xz', 'wb', preset=9) as out:
        out.write(data)

def unpacked_emf(body_fn):
    with tempfile.NamedTemporaryFile(suffix='.emf') as f:
        emf(f.name, body_fn)
        return open(f.name, 'rb').read()

# A clip region of 16,384 rectangles (a chequer of 128 x 128 squares) combined 60 times with
# the clip by exclusive or, each combination a record of 262 kilobytes.
def clip_xor(rec):
    rects = []
    for y in range(128):
        for x in range(128):
            if (x + y) % 2 == 0:
                rects.append((x * 2, y * 2, x * 2 + 2, y * 2 + 2))
    rects += [(300 + i % 64, 260 + i // 64, 301 + i % 64, 261 + i // 64) for i in range(16384 - len(rects))]
    data = b''.join(struct.pack('<4i', *r) for r in rects)
    header = struct.pack('<4I', 32, 1, len(rects), len(data)) + struct.pack('<4i', 0, 0, 378, 283)
    for _ in range(60):
        rec(75, struct.pack('<2I', len(header) + len(data), 3) + header + data)
        rec(43, struct.pack('<4i', 10, 10, 360, 270))

packed('clip-xor.emf', unpacked_emf(clip_xor))

def png_chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF)

# A small picture followed by 2,000 text chunks of 65,000 letters each: 130 megabytes.
def text_chunks():
    ihdr = png_chunk(b'IHDR', struct.pack('>IIBBBBB', 16, 16, 8, 2, 0, 0, 0))
    idat = png_chunk(b'IDAT', zlib.compress(b''.join(b'\0' + b'\x80\x40\x20' * 16 for _ in range(16))))
    text = b''.join(png_chunk(b'tEXt', b'Comment\0' + bytes([65 + i % 26]) * 65000) for i in range(2000))
    return b'\x89PNG\r\n\x1a\n' + ihdr + text + idat + png_chunk(b'IEND', b'')

packed('text-chunks.png', text_chunks())

def cjpeg(side, options):
    with tempfile.TemporaryDirectory() as d:
        pgm = os.path.join(d, 'p.pgm')
        with open(pgm, 'wb') as f:
            f.write(b'P5\n%d %d\n255\n' % (side, side) + bytes((x * 7 + y * 3) % 256 for y in range(side) for x in range(side)) if side <= 512
                    else b'P5\n%d %d\n255\n' % (side, side) + b'\x80' * (side * side))
        out = os.path.join(d, 'p.jpg')
        subprocess.run(['cjpeg'] + options + ['-outfile', out, pgm], check=True)
        return open(out, 'rb').read()

# A 256 x 256 photo after 2,000 comment segments of 65,000 bytes each: 130 megabytes of
# comments before a picture of a few kilobytes.
def comments():
    jpeg = cjpeg(256, [])
    segment = lambda i: b'\xff\xfe' + struct.pack('>H', 65002) + bytes([97 + i % 26]) * 65000
    return jpeg[:2] + b''.join(segment(i) for i in range(2000)) + jpeg[2:]

packed('comments.jpg', comments())

# A progressive grey picture of 9,600 x 9,600 whose second scan repeats until there are 256
# scans, the most a picture may have: each is a pass over its 1.44 million blocks.
def scans():
    jpeg = cjpeg(9600, ['-progressive'])
    starts = []
    at = jpeg.find(b'\xff\xda')
    while at >= 0:
        starts.append(at)
        at = jpeg.find(b'\xff\xda', at + 2)
    scan = jpeg[starts[1]:starts[2]]
    body = jpeg[:starts[2]] + scan * (256 - len(starts)) + jpeg[starts[2]:]
    return body

packed('scans.jpg', scans())
