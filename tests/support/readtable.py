#!/usr/bin/env python3
# Prints a table export as JSON, read the way other programs read it: an
# .xlsx with openpyxl ({sheet: {"rows": [...], "colours": [font colour of each
# row's last cell], "filter": the autofilter's range}}), a .csv with Python's csv module ({"bom": ..., "rows": [...]}).
import csv
import json
import sys

path = sys.argv[1]
if path.endswith(".csv"):
    with open(path, "rb") as f:
        bom = f.read(3) == b"\xef\xbb\xbf"
    with open(path, newline="", encoding="utf-8-sig") as f:
        json.dump({"bom": bom, "rows": list(csv.reader(f))}, sys.stdout, ensure_ascii=False)
else:
    import openpyxl

    def colour(cell):
        c = cell.font.color
        return c.rgb if c is not None and c.type == "rgb" else None

    book = openpyxl.load_workbook(path)
    json.dump({sheet.title: {
        "rows": [[cell.value for cell in row] for row in sheet.iter_rows()],
        "colours": [colour(row[-1]) for row in sheet.iter_rows()],
        "filter": sheet.auto_filter.ref,
    } for sheet in book.worksheets}, sys.stdout, ensure_ascii=False)
