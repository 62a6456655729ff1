"""Writes damaged and hostile .xlsx files (and one of every kind of cell and look, from the seed
of the reader's fuzzer given second) into the folder given, one per way a workbook can be
wrong, for the reader's tests: each must be refused with a message, never crash or fill the memory.
"""
import os
import sys
import zipfile

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
with open(os.path.join(out, "not-a-zip.xlsx"), "wb") as f:
    f.write(b"PK\x03\x04 this is no archive at all")
with open(os.path.join(out, "truncated.xlsx"), "wb") as f:
    f.write(open(os.path.join(out, "good.xlsx"), "rb").read()[:300])

# A part that unpacks to far more than a workbook may hold, from a small file.
with zipfile.ZipFile(os.path.join(out, "bomb.xlsx"), "w", zipfile.ZIP_DEFLATED, compresslevel=1) as z:
    z.writestr("_rels/.rels", RELS)
    z.writestr("xl/workbook.xml", BOOK)
    z.writestr("xl/_rels/workbook.xml.rels", BOOK_RELS)
    z.writestr("xl/sharedStrings.xml", SST)
    with z.open("xl/worksheets/sheet1.xml", "w", force_zip64=True) as w:
        w.write(sheet("")[:-len("</sheetData></worksheet>")].encode())
        chunk = b" " * (1 << 20)
        for _ in range(1100):
            w.write(chunk)
