#!/usr/bin/python3
"""The yardstick of the XLSX export: the same cells written by openpyxl.

Run by hand, after the benchmarks (which leave their 100,000-record
measurement file in the temporary folder):

    build/native/benchmarks --benchmark_filter=KvdExportXlsx100k
    build/native/kvd export /tmp/kvd_bench_100000.kvd -o /tmp/cells.csv
    /usr/bin/python3 tests/bench/openpyxl_xlsx.py   # Debian's python3-openpyxl /tmp/cells.csv /tmp/openpyxl.xlsx

It reads kvd's CSV export into memory (numbers as numbers, the date and time
as a date, the rest as text, empty cells empty), then writes one sheet in
openpyxl's write-only mode, its fastest, and prints the processor seconds the
writing took (as the benchmarks count CPU time), best of three, with the
date cells in the export's number format.
"""
import csv
import datetime
import sys
import time

from openpyxl import Workbook
from openpyxl.cell import WriteOnlyCell
from openpyxl.styles import Font
from openpyxl.utils import get_column_letter


def cell_value(text, is_date):
    if text == "":
        return None
    if is_date:
        try:
            return datetime.datetime.fromisoformat(text)
        except ValueError:
            return text
    for kind in (int, float):
        try:
            return kind(text)
        except ValueError:
            pass
    return text


def read_rows(path):
    with open(path, newline="", encoding="utf-8") as f:
        rows = csv.reader(f)
        header = next(rows)
        date_column = header.index("Date and time")
        body = [[cell_value(t, c == date_column) for c, t in enumerate(row)] for row in rows]
    return header, date_column, body


def write(header, date_column, body, out):
    book = Workbook(write_only=True)
    sheet = book.create_sheet("Records")
    sheet.freeze_panes = "A2"
    sheet.auto_filter.ref = "A1:%s%d" % (get_column_letter(len(header)), len(body) + 1)
    bold = Font(bold=True)
    titles = []
    for name in header:
        cell = WriteOnlyCell(sheet, value=name)
        cell.font = bold
        titles.append(cell)
    sheet.append(titles)
    for row in body:
        date = row[date_column]
        if isinstance(date, datetime.datetime):
            cell = WriteOnlyCell(sheet, value=date)
            cell.number_format = "dd.mm.yyyy hh:mm:ss"
            row = row[:date_column] + [cell] + row[date_column + 1:]
        sheet.append(row)
    book.save(out)


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: openpyxl_xlsx.py CELLS.csv OUT.xlsx")
    header, date_column, body = read_rows(sys.argv[1])
    best = None
    for _ in range(3):
        start = time.process_time()
        write(header, date_column, body, sys.argv[2])
        took = time.process_time() - start
        best = took if best is None else min(best, took)
    print("openpyxl, write-only: %d rows of %d cells in %.2f s" % (len(body), len(header), best))


if __name__ == "__main__":
    main()
