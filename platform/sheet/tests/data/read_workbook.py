"""Prints what openpyxl reads from workbooks, one fact per line, for the C++ tests to check.

Cells:   CELL <sheet>!<ref> <type> <value> bold=<0|1> italic=<0|1> underline=<0|1> size=<pt>
              font=<name> color=<RRGGBB|-> fill=<RRGGBB|-> border=<left,top,bottom,right> fmt=<format>
              align=<h> wrap=<0|1> rotation=<deg>
Sheets:  SHEET <name>;  MERGE <sheet> <range>;  WIDTH <sheet> <column> <width>;
         LEVEL <sheet> <row> <level>;  FILTER <sheet> <range>;  HEADER <sheet> <text>;
         GRIDLINES <sheet> <0|1>;  SUMMARYBELOW <sheet> <0|1>;
         PAGE <sheet> <orientation> <paper number> <left,right,top,bottom,header margins>
With --cached, formulas read as the results stored with them.
Fields are separated by tabs; a value's tabs and newlines are written as \\t and \\n.
"""
import datetime
import sys

import openpyxl


def text(v):
    if v is None:
        return ""
    if isinstance(v, datetime.datetime):
        return v.strftime("%Y-%m-%d %H:%M:%S")
    if isinstance(v, float) and v.is_integer():
        return str(int(v))
    return str(v).replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n")


def rgb(color):
    if color is None or color.type != "rgb" or color.rgb in (None, "00000000"):
        return "-"
    return str(color.rgb)[-6:]


cached = "--cached" in sys.argv[1:]
for path in [a for a in sys.argv[1:] if a != "--cached"]:
    wb = openpyxl.load_workbook(path, data_only=cached)
    for ws in wb.worksheets:
        name = ws.title
        print("SHEET\t" + name)
        for row in ws.iter_rows():
            for c in row:
                if c.value is None and not c.has_style:
                    continue
                fill = rgb(c.fill.fgColor) if c.fill is not None and c.fill.fill_type == "solid" else "-"
                b = c.border
                borders = ",".join((s.style or "none") for s in (b.left, b.top, b.bottom, b.right))
                print("\t".join([
                    "CELL", name + "!" + c.coordinate, c.data_type, text(c.value),
                    "bold=%d" % bool(c.font.b), "italic=%d" % bool(c.font.i), "underline=%d" % bool(c.font.u),
                    "size=%s" % text(c.font.sz), "font=%s" % (c.font.name or ""), "color=%s" % rgb(c.font.color),
                    "fill=%s" % fill, "border=%s" % borders, "fmt=%s" % c.number_format,
                    "align=%s" % (c.alignment.horizontal or "general"), "wrap=%d" % bool(c.alignment.wrap_text),
                    "rotation=%s" % text(c.alignment.textRotation or 0)]))
        for m in ws.merged_cells.ranges:
            print("MERGE\t%s\t%s" % (name, m.coord))
        for key, dim in sorted(ws.column_dimensions.items()):
            if dim.customWidth:
                for col in range(dim.min, dim.max + 1):
                    print("WIDTH\t%s\t%s\t%s" % (name, openpyxl.utils.get_column_letter(col), text(dim.width)))
        for r, dim in sorted(ws.row_dimensions.items()):
            if dim.outline_level:
                print("LEVEL\t%s\t%d\t%d" % (name, r, dim.outline_level))
        if ws.auto_filter.ref:
            print("FILTER\t%s\t%s" % (name, ws.auto_filter.ref))
        if ws.oddHeader.center.text:
            print("HEADER\t%s\t%s" % (name, ws.oddHeader.center.text))
        print("GRIDLINES\t%s\t%d" % (name, bool(ws.print_options.gridLines)))
        m = ws.page_margins
        print("PAGE\t%s\t%s\t%s\t%s" % (name, ws.page_setup.orientation or "default", ws.page_setup.paperSize or "-",
                                         ",".join(text(v) for v in (m.left, m.right, m.top, m.bottom, m.header))))
        below = ws.sheet_properties.outlinePr.summaryBelow if ws.sheet_properties.outlinePr else True
        print("SUMMARYBELOW\t%s\t%d" % (name, below is not False))
