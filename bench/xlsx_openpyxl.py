#!/usr/bin/python3
"""The cells of a measurement workbook written by openpyxl in write-only mode,
for comparison with the program's own export (bench/XlsxBench.cpp).

usage: /usr/bin/python3 xlsx_openpyxl.py CELLS.tsv OUT.xlsx
CELLS.tsv holds the sheet's rows from row 1, cells separated by tabs. Rows 1
to 5 (caption and titles) are written with the title look, the rest with the
data look (Times New Roman 10, centred). Prints the seconds spent writing
(reading the TSV is not counted)."""
import sys
import time

from openpyxl import Workbook
from openpyxl.cell import WriteOnlyCell
from openpyxl.styles import Alignment, Font, PatternFill


def main():
    with open(sys.argv[1], encoding='utf-8') as f:
        rows = [line.rstrip('\n').split('\t') for line in f]
    start = time.perf_counter()
    wb = Workbook(write_only=True)
    ws = wb.create_sheet()
    font = Font(name='Times New Roman', size=10)
    centre = Alignment(horizontal='center')
    fill = PatternFill('solid', fgColor='C0C0C0')
    for i, row in enumerate(rows):
        out = []
        for text in row:
            cell = WriteOnlyCell(ws, value=text if text else None)
            cell.font = font
            cell.alignment = centre
            if 0 < i < 5:
                cell.fill = fill
            out.append(cell)
        ws.append(out)
    wb.save(sys.argv[2])
    print('%.3f' % (time.perf_counter() - start))


if __name__ == '__main__':
    main()
