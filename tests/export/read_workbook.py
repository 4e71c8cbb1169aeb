"""Prints what a spreadsheet reader finds in a workbook, as JSON: per sheet its title, frozen
cell and every non-empty cell as [row, column, text, bold]."""
import json
import sys

import openpyxl

book = openpyxl.load_workbook(sys.argv[1])
sheets = []
for ws in book.worksheets:
    cells = []
    for row in ws.iter_rows():
        for c in row:
            if c.value is not None:
                cells.append([c.row, c.column, c.value, bool(c.font.b)])
    sheets.append({"title": ws.title, "freeze": ws.freeze_panes, "cells": cells})
print(json.dumps({"sheets": sheets}, ensure_ascii=False))
