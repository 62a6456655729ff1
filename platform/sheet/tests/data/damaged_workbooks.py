"""Writes damaged and hostile .xlsx files (and one of every kind of cell and look, from the seed
of the reader's fuzzer given second) into the folder given, one per way a workbook can be
wrong, for the reader's tests: each must be refused with a message, never crash or fill the memory.
"""
import os
import struct
import sys
import zipfile
import zlib

out = sys.argv[1]

RELS = ('<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument"'
        ' Target="xl/workbook.xml"/></Relationships>')
BOOK = ('<?xml version="1.0"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
        ' xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets>'
        '<sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>')
BOOK_RELS = ('<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
             '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet"'
             ' Target="worksheets/sheet1.xml"/>'
             '<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings"'
             ' Target="sharedStrings.xml"/></Relationships>')
SST = '<?xml version="1.0"?><sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><si><t>one</t></si></sst>'


def sheet(data):
    return ('<?xml version="1.0"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
            '<sheetData>' + data + '</sheetData></worksheet>')


def book(name, sheet_xml, extra=None, workbook=BOOK, sst=SST, rels=BOOK_RELS):
    with zipfile.ZipFile(os.path.join(out, name), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("_rels/.rels", RELS)
        z.writestr("xl/workbook.xml", workbook)
        z.writestr("xl/_rels/workbook.xml.rels", rels)
        z.writestr("xl/sharedStrings.xml", sst)
        if sheet_xml is not None:
            z.writestr("xl/worksheets/sheet1.xml", sheet_xml)
        for part, data in (extra or {}).items():
            z.writestr(part, data)


# The seed of the reader's fuzzer, as a file: its parts follow one another, split by "----".
seed = open(sys.argv[2], encoding="utf-8").read().split("\n----\n")
book("styled.xlsx", seed[0], {"xl/styles.xml": seed[2]}, workbook=seed[3].replace('"s1"', '"rId1"'), sst=seed[1],
     rels=BOOK_RELS.replace("</Relationships>", '<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/'
                            'officeDocument/2006/relationships/styles" Target="styles.xml"/></Relationships>'))
book("good.xlsx", sheet('<row r="2"><c r="B2" t="s"><v>0</v></c><c r="C2"><v>2.5</v></c></row>'))
book("row-beyond.xlsx", sheet('<row r="1048577"><c r="A1048577"><v>1</v></c></row>'))
book("column-beyond.xlsx", sheet('<row r="1"><c r="XFE1"><v>1</v></c></row>'))
book("string-index.xlsx", sheet('<row r="1"><c r="A1" t="s"><v>7</v></c></row>'))
book("not-a-number.xlsx", sheet('<row r="1"><c r="A1"><v>1e999</v></c></row>'))
book("bad-xml.xlsx", sheet('<row r="1"><c r="A1"><v>1</v></row>'))
book("rows-backwards.xlsx", sheet('<row r="5"><c r="A5"><v>1</v></c></row><row r="3"><c r="A3"><v>1</v></c></row>'))
book("no-sheet-part.xlsx", None)
# Each row's one cell in the last column makes the rows span more cells than the memory holds.
book("wide-rows.xlsx", sheet("".join('<row r="%d"><c r="XFD%d"><v>1</v></c></row>' % (r, r) for r in range(1, 4001))))
# One merge over the whole sheet, whose every blank a save would write, beside a small one.
book("whole-sheet-merge.xlsx",
     '<?xml version="1.0"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>'
     + "".join('<row r="%d"><c r="A%d" t="s"><v>0</v></c><c r="C%d"><v>%d</v></c></row>' % (r, r, r, r) for r in (1, 2, 3))
     + '</sheetData><mergeCells count="2"><mergeCell ref="A1:XFD1048576"/><mergeCell ref="E7:H8"/></mergeCells></worksheet>')
with open(os.path.join(out, "not-a-zip.xlsx"), "wb") as f:
    f.write(b"PK\x03\x04 this is no archive at all")
with open(os.path.join(out, "truncated.xlsx"), "wb") as f:
    f.write(open(os.path.join(out, "good.xlsx"), "rb").read()[:300])



def raw_zip(path, parts):
    """Writes a zip archive of (name, deflated bytes, crc, unpacked size) without unpacking
    anything, so that a part of hundreds of megabytes costs no time to make."""
    local, central = bytearray(), bytearray()
    for name, data, crc, size in parts:
        name = name.encode()
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014b50, 20, 20, 0, 8, 0, 0, crc, len(data), size,
                               len(name), 0, 0, 0, 0, 0, len(local)) + name
        local += struct.pack("<IHHHHHIIIHH", 0x04034b50, 20, 0, 8, 0, 0, crc, len(data), size, len(name), 0) + name
        local += data
    n = len(parts)
    end = b""
    if n > 0xFFFF:
        # More parts than the classic end record counts: the zip64 end record and its locator.
        end = struct.pack("<IQHHIIQQQQ", 0x06064b50, 44, 45, 45, 0, 0, n, n, len(central), len(local))
        end += struct.pack("<IIQI", 0x07064b50, 0, len(local) + len(central), 1)
        n = 0xFFFF
    end += struct.pack("<IHHHHIIH", 0x06054b50, 0, 0, n, n, len(central), len(local), 0)
    with open(path, "wb") as f:
        f.write(local + central + end)


def deflated(text):
    c = zlib.compressobj(9, zlib.DEFLATED, -15)
    return (c.compress(text) + c.flush(), zlib.crc32(text), len(text))


def repeated(head, piece, times, tail):
    """head + piece * times + tail deflated: the piece is packed once, after a full flush that
    makes every copy of it pack to the same bytes."""
    c = zlib.compressobj(9, zlib.DEFLATED, -15)
    out = c.compress(head) + c.flush(zlib.Z_FULL_FLUSH)
    packed = c.compress(piece) + c.flush(zlib.Z_FULL_FLUSH)
    end = c.compress(tail) + c.flush()
    crc = zlib.crc32(head)
    for _ in range(times):
        crc = zlib.crc32(piece, crc)
    return (out + packed * times + end, zlib.crc32(tail, crc), len(head) + len(piece) * times + len(tail))


def frame(sheet_part, sst_part):
    return [("_rels/.rels",) + deflated(RELS.encode()), ("xl/workbook.xml",) + deflated(BOOK.encode()),
            ("xl/_rels/workbook.xml.rels",) + deflated(BOOK_RELS.encode()), ("xl/sharedStrings.xml",) + sst_part,
            ("xl/worksheets/sheet1.xml",) + sheet_part]


# Bombs: small files that would unpack to far more than a workbook may hold.
# A sheet of 900 MB of blanks in under a megabyte.
open_sheet = sheet("")[:-len("</sheetData></worksheet>")].encode()
raw_zip(os.path.join(out, "bomb.xlsx"),
        frame(repeated(open_sheet, b" " * (1 << 20), 900, b"</sheetData></worksheet>"), deflated(SST.encode())))
# 100,000 parts.
raw_zip(os.path.join(out, "many-parts.xlsx"),
        frame(deflated(sheet("").encode()), deflated(SST.encode())) +
        [("xl/media/p%d.bin" % i, b"\x03\x00", 0, 0) for i in range(100000)])
# Shared texts that say there are 2^31 of them, and hold millions of empty ones.
raw_zip(os.path.join(out, "text-count.xlsx"),
        frame(deflated(sheet("").encode()),
              repeated(b'<?xml version="1.0"?><sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
                       b' count="2147483648" uniqueCount="2147483648">', b"<si/>" * 1000, 10000, b"</sst>")))
# A text longer than a cell holds.
book("long-text.xlsx", sheet('<row r="1"><c r="A1" t="inlineStr"><is><t>' + "x" * 40000 + '</t></is></c></row>'))
