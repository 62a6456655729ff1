"""Rewrites formulas that LibreOffice wrote cell by cell into the shared form a spreadsheet uses
for a formula filled down or across: the first cell of each range keeps the text with t="shared",
ref and si, the others name only the group; every cell keeps its stored value.

usage: share_formulas.py IN.xlsx OUT.xlsx RANGE...   (ranges such as B1:B6 on the first sheet)
"""
import re
import sys
import zipfile

from openpyxl.utils.cell import range_boundaries, get_column_letter

src, out, ranges = sys.argv[1], sys.argv[2], sys.argv[3:]
part = "xl/worksheets/sheet1.xml"
with zipfile.ZipFile(src) as z:
    parts = {name: z.read(name) for name in z.namelist()}
xml = parts[part].decode("utf-8")
for si, rng in enumerate(ranges):
    left, top, right, bottom = range_boundaries(rng)
    cells = [get_column_letter(c) + str(r) for r in range(top, bottom + 1) for c in range(left, right + 1)]
    for i, ref in enumerate(cells):
        pattern = re.compile(r'(<c r="%s"[^>]*>)<f[^>]*>([^<]*)</f>' % ref)
        if not pattern.search(xml):
            sys.exit("no formula in " + ref)
        if i == 0:
            shared = r'\1<f t="shared" ref="%s" si="%d">\2</f>' % (rng, si)
        else:
            shared = r'\1<f t="shared" si="%d"/>' % si
        xml = pattern.sub(shared, xml, count=1)
parts[part] = xml.encode("utf-8")
with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
    for name, data in parts.items():
        z.writestr(name, data)
