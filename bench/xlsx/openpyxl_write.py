"""The peer of the export benchmark: the same query's rows written by openpyxl in write-only mode,
dates as date cells, with the column names as the title row.

usage: openpyxl_write.py DB SQL OUT.xlsx
"""
import datetime
import sqlite3
import sys

import openpyxl

db, sql, out = sys.argv[1:4]
con = sqlite3.connect(db)
cur = con.execute(sql)
names = [d[0] for d in cur.description]
wb = openpyxl.Workbook(write_only=True)
ws = wb.create_sheet("Orvani")
ws.append(names)
for row in cur:
    cells = []
    for v in row:
        if isinstance(v, str) and len(v) == 10 and v[4] == "-" and v[7] == "-":
            try:
                v = datetime.datetime.fromisoformat(v)
            except ValueError:
                pass
        cells.append(v)
    ws.append(cells)
wb.save(out)
