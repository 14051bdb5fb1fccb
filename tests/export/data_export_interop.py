#!/usr/bin/env python3
"""Reads the program's headless data exports with other tools.

Usage: data_export_interop.py TARVELO mat|xlsx|txt
  mat   scipy.io.loadmat finds each graph as an N x 2 matrix under its variable name
  xlsx  the workbook opens with zipfile, its sheets are named after the graphs and hold the values;
        where LibreOffice is installed, its conversion of the first sheet to CSV holds them too
  txt   the table has one line per node with the argument and the value of each graph
Exits with 77 (skipped) when scipy is missing for the MAT check.
"""
import math
import os
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zipfile

ROWS = [(0, 0.1, -3.5), (1, 1e-20, 2), (2, 3, 1e300), (3, 5, 6), (4, 7, 8)]
NAMES = ["a", "b"]  # the header line names the two graphs
MAT_NAMES = NAMES
MAIN = "{http://schemas.openxmlformats.org/spreadsheetml/2006/main}"


def expected(graph):
    return [(r[0], r[graph + 1]) for r in ROWS]


def close(a, b):
    return math.isclose(a, b, rel_tol=1e-15, abs_tol=0)


def check(condition, text):
    if not condition:
        print("FAILED:", text)
        sys.exit(1)


def export(program, folder, name):
    data = os.path.join(folder, "data.txt")
    with open(data, "w") as f:
        f.write("x a b\n")
        for r in ROWS:
            f.write(" ".join(repr(float(v)) for v in r) + "\n")
    out = os.path.join(folder, name)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    subprocess.run([program, "--export=" + out, "--columns=1:2,1:3", data], check=True, env=env)
    return out


def check_mat(path):
    try:
        import scipy.io
    except ImportError:
        print("scipy is not installed: skipped")
        sys.exit(77)
    variables = {k: v for k, v in scipy.io.loadmat(path).items() if not k.startswith("__")}
    check(sorted(variables) == MAT_NAMES, "variable names %s" % sorted(variables))
    for g, name in enumerate(MAT_NAMES):
        matrix = variables[name]
        check(matrix.shape == (len(ROWS), 2), "%s has shape %s" % (name, matrix.shape))
        check([tuple(row) for row in matrix.tolist()] == expected(g), "%s holds %s" % (name, matrix))


def sheet_values(book, target):
    root = ET.fromstring(book.read("xl/" + target))
    rows = []
    for row in root.iter(MAIN + "row"):
        rows.append(tuple(float(c.find(MAIN + "v").text) for c in row.iter(MAIN + "c")))
    return rows


def check_xlsx(path, folder):
    with zipfile.ZipFile(path) as book:
        workbook = ET.fromstring(book.read("xl/workbook.xml"))
        sheets = [s.get("name") for s in workbook.iter(MAIN + "sheet")]
        check(sheets == NAMES, "sheet names %s" % sheets)
        for g in range(2):
            values = sheet_values(book, "worksheets/sheet%d.xml" % (g + 1))
            check(len(values) == len(ROWS), "sheet %d has %d rows" % (g + 1, len(values)))
            check(all(close(a, b) for got, want in zip(values, expected(g)) for a, b in zip(got, want)),
                  "sheet %d holds %s" % (g + 1, values))
    office = shutil.which("soffice") or shutil.which("libreoffice")
    if not office:
        print("LibreOffice is not installed: its conversion is not checked")
        return
    # A profile of its own, so that no running office or other test shares it.
    subprocess.run([office, "--headless", "--norestore", "-env:UserInstallation=file://" + folder + "/profile",
                    "--convert-to", "csv", "--outdir", folder, path], check=True, stdout=subprocess.DEVNULL,
                   env=dict(os.environ, HOME=folder))
    with open(os.path.splitext(path)[0] + ".csv") as f:
        values = [tuple(float(v) for v in line.strip().split(",")) for line in f if line.strip()]
    check(all(close(a, b) for got, want in zip(values, expected(0)) for a, b in zip(got, want)),
          "LibreOffice reads %s" % values)


def check_txt(path):
    with open(path, encoding="cp1251") as f:
        tables = f.read().split("Next var")
    check(len(tables) == 2, "%d variables" % len(tables))
    for g, table in enumerate(tables):
        lines = [l.split() for l in table.splitlines() if l.strip() and l.split()[0][0] in "-0123456789"]
        # Six decimals, as the dialog's default number format.
        check([(float(a), float(b)) for a, b in lines] == [(x, round(y, 6)) for x, y in expected(g)],
              "variable %d holds %s" % (g, lines))


def main():
    program, kind = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as folder:
        out = export(program, folder, "out." + kind)
        {"mat": check_mat, "xlsx": lambda p: check_xlsx(p, folder), "txt": check_txt}[kind](out)
    print("ok")


if __name__ == "__main__":
    main()
