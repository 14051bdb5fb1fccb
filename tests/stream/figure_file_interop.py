#!/usr/bin/env python3
"""Python's zlib and the program agree on figure files.

Usage: figure_file_interop.py TARVELO
  The program's headless --export=OUT.tvq writes a figure of a few megabytes (graphs that compress
  and graphs of noise): Python finds the layout and inflates the stream. Python then compresses the
  same stream at its own levels into new figure files, and the program opens them to the same data.
Exits with 77 (skipped) when Python has no zlib.
"""
import os
import random
import subprocess
import sys
import tempfile

try:
    import zlib
except ImportError:
    sys.exit(77)

HEAD = 275  # header text, window bounds and the compressed length


def check(condition, text):
    if not condition:
        print("FAILED:", text)
        sys.exit(1)


def run(program, *args):
    result = subprocess.run([program, *args], capture_output=True, text=True)
    check(result.returncode == 0, "%s %s: %s" % (program, " ".join(args), result.stderr))


def main():
    program = sys.argv[1]
    random.seed(29)
    with tempfile.TemporaryDirectory() as folder:
        data = os.path.join(folder, "data.txt")
        with open(data, "w") as f:
            for i in range(150000):
                f.write("%d %.12f %d\n" % (i, random.random(), i % 7))
        ours = os.path.join(folder, "ours.tvq")
        run(program, "--export=" + ours, data)

        with open(ours, "rb") as f:
            file = f.read()
        check(file.startswith(b"TARVELO 1.0 QVF-file.\r\n"), "the signature")
        length = int.from_bytes(file[HEAD - 4:HEAD], "little")
        check(len(file) == HEAD + length + 4 and file.endswith(b"v01."), "the length and the trailer")
        stream = zlib.decompress(file[HEAD:HEAD + length])
        check(len(stream) > 3 << 20, "a stream of several slices")

        expected = os.path.join(folder, "ours.txt")
        run(program, "--export=" + expected, ours)
        for level in (1, 6, 9):
            compressed = zlib.compress(stream, level)
            theirs = os.path.join(folder, "python%d.tvq" % level)
            with open(theirs, "wb") as f:
                f.write(file[:HEAD - 4] + len(compressed).to_bytes(4, "little") + compressed + b"v01.")
            exported = os.path.join(folder, "python%d.txt" % level)
            run(program, "--export=" + exported, theirs)
            with open(expected, "rb") as a, open(exported, "rb") as b:
                check(a.read() == b.read(), "the figure compressed by Python at level %d" % level)
    print("figure files: Python's zlib reads ours and we read Python's")


if __name__ == "__main__":
    main()
