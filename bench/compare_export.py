#!/usr/bin/env python3
"""The data of bench_export written by the tools a user would otherwise take, for figures beside the
program's in the same run: ten graphs of a million nodes, each with its own argument (ten sheets or
variables of two columns) or on a common one (one sheet or variable of eleven columns).

Usage: bench/compare_export.py [own|common]...   (default: both)
Prints the wall time of Python xlsxwriter in constant-memory mode, openpyxl in write-only mode and
scipy's compressed savemat; a tool that is not installed is left out.
"""
import os
import sys
import tempfile
import time

GRAPHS, NODES = 10, 1_000_000


def blocks(own):
    import numpy as np
    i = np.arange(NODES, dtype=np.float64)
    y = [np.sin(i * 1e-4 + g) * 1e3 for g in range(GRAPHS)]
    if own:
        return [np.column_stack((i * 1e-3 + g * 0.25e-3, y[g])) for g in range(GRAPHS)]
    return [np.column_stack([i * 1e-3] + y)]


def with_xlsxwriter(path, data):
    import xlsxwriter
    book = xlsxwriter.Workbook(path, {"constant_memory": True, "use_zip64": True})
    for j, block in enumerate(data):
        sheet = book.add_worksheet("g%d" % j)
        for r, row in enumerate(block.tolist()):
            for c, v in enumerate(row):
                sheet.write_number(r, c, v)
    book.close()


def with_openpyxl(path, data):
    import openpyxl
    book = openpyxl.Workbook(write_only=True)
    for j, block in enumerate(data):
        sheet = book.create_sheet("g%d" % j)
        for row in block.tolist():
            sheet.append(row)
    book.save(path)


def with_scipy(path, data):
    import scipy.io
    scipy.io.savemat(path, {"g%d" % j: block for j, block in enumerate(data)}, do_compression=True)


def main():
    kinds = sys.argv[1:] or ["own", "common"]
    with tempfile.TemporaryDirectory() as folder:
        for kind in kinds:
            data = blocks(kind == "own")
            for name, write, ext in (("xlsxwriter", with_xlsxwriter, "xlsx"), ("openpyxl", with_openpyxl, "xlsx"),
                                     ("scipy savemat compressed", with_scipy, "mat")):
                path = os.path.join(folder, "out." + ext)
                start = time.perf_counter()
                try:
                    write(path, data)
                except ImportError:
                    continue
                print("%s arguments, %s: %.1f s" % (kind, name, time.perf_counter() - start))
                os.remove(path)


if __name__ == "__main__":
    main()
