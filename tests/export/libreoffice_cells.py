#!/usr/bin/env python3
"""Prints the first sheet of a workbook as LibreOffice Calc holds it.

Usage: libreoffice_cells.py SOFFICE BOOK OUT
OUT gets the sheet's name on the first line, then one line per row with its cells separated by tabs:
"n" and the number's shortest exact form (Python's repr), or "t" and the text. Exits with 77 when
Python cannot reach LibreOffice's UNO bridge.
"""
import os
import subprocess
import sys
import tempfile
import time

try:
    import uno
    from com.sun.star.beans import PropertyValue
except ImportError:
    print("LibreOffice's Python bridge is not installed")
    sys.exit(77)


def connect(pipe):
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
    for _ in range(1200):
        try:
            return resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
        except Exception:
            time.sleep(0.1)
    raise RuntimeError("LibreOffice did not answer")


def main():
    office, book, out = sys.argv[1:4]
    pipe = "tarvelo_cells_%d" % os.getpid()
    with tempfile.TemporaryDirectory() as home:
        process = subprocess.Popen(
            [office, "--headless", "--invisible", "--norestore", "--nologo",
             "-env:UserInstallation=file://" + home + "/profile", "--accept=pipe,name=%s;urp;" % pipe],
            env=dict(os.environ, HOME=home), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            context = connect(pipe)
            desktop = context.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", context)
            hidden = PropertyValue()
            hidden.Name, hidden.Value = "Hidden", True
            document = desktop.loadComponentFromURL(uno.systemPathToFileUrl(os.path.abspath(book)), "_blank",
                                                    0, (hidden,))
            sheet = document.Sheets.getByIndex(0)
            cursor = sheet.createCursor()
            cursor.gotoEndOfUsedArea(False)
            end = cursor.getRangeAddress()
            rows = sheet.getCellRangeByPosition(0, 0, end.EndColumn, end.EndRow).getDataArray()
            with open(out, "w", encoding="utf-8") as f:
                f.write(sheet.Name + "\n")
                for row in rows:
                    f.write("\t".join("n" + repr(v) if isinstance(v, float) else "t" + v for v in row) + "\n")
            document.close(True)
            try:
                desktop.terminate()
            except Exception:
                pass  # the bridge goes down with the office
            process.wait(timeout=60)
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()


if __name__ == "__main__":
    main()
