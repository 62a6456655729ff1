"""Writes a workbook whose sheets carry a page setup of their own: Legal paper on its side with
margins of 0.5, 0.6, 1.2 and 1.3 inches and the header at 0.4 on the first; the defaults on the
second.

usage: page_setup.py OUT.xlsx
"""
import sys

import openpyxl

wb = openpyxl.Workbook()
ws = wb.active
ws.title = "Setup"
ws["A1"] = "paper"
ws.page_setup.orientation = "landscape"
ws.page_setup.paperSize = ws.PAPERSIZE_LEGAL
ws.page_margins = openpyxl.worksheet.page.PageMargins(left=0.5, right=0.6, top=1.2, bottom=1.3, header=0.4)
ws.oddHeader.center.text = "Setup"
wb.create_sheet("Plain")["A1"] = "plain"
wb.save(sys.argv[1])
