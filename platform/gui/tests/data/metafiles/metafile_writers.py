# The EMF and placeable WMF files the make-*.py scripts write: a 378 x 283 picture, one unit a
# pixel at 96 an inch; body_fn(rec) adds the records between the header and the end of file.
import struct

W, H = 378, 283

def emf(path, body_fn):
    records = []
    def rec(kind, body=b''): records.append(struct.pack('<II', kind, 8 + len(body)) + body)
    body_fn(rec)
    rec(14, struct.pack('<3I', 0, 16, 20))
    body = b''.join(records)
    i32 = lambda *v: struct.pack('<%di' % len(v), *v)
    header = (i32(0, 0, W - 1, H - 1) + i32(0, 0, 10000, 7487) + struct.pack('<4I', 0x464D4520, 0x10000, 88 + len(body), len(records) + 1)
              + struct.pack('<HH', 8, 0) + struct.pack('<3I', 0, 0, 0) + i32(960, 960, 254, 254))
    open(path, 'wb').write(struct.pack('<II', 1, 8 + len(header)) + header + body)

def wmf(path, body_fn):
    records = []
    def rec(function, body=b''):
        if len(body) % 2: body += b'\0'
        records.append(struct.pack('<IH', 3 + len(body) // 2, function) + body)
    h16 = lambda *v: struct.pack('<%dh' % len(v), *v)
    rec(0x020B, h16(0, 0)); rec(0x020C, h16(H, W))
    body_fn(rec)
    rec(0x0000)
    body = b''.join(records)
    words = (18 + len(body)) // 2
    meta = struct.pack('<HHHIHIH', 1, 9, 0x300, words, 8, max(len(r) for r in records) // 2, 0)
    head = struct.pack('<IHhhhhHI', 0x9AC6CDD7, 0, 0, 0, W, H, 96, 0)
    checksum = 0
    for i in range(0, 20, 2): checksum ^= struct.unpack('<H', head[i:i + 2])[0]
    open(path, 'wb').write(head + struct.pack('<H', checksum) + meta + body)
