#!/usr/bin/python3
"""Writes the small MAT-file fixtures of tests/files/fixtures with scipy.

Run from the repository root: /usr/bin/python3 scripts/make_mat_fixtures.py
The tests check the values written here, so change both together.

scipy writes in the machine's byte order only, so each *_be.mat twin is the little-endian file turned
into big-endian order element by element (compressed elements are inflated, turned and compressed
again); scipy then reads every twin back to the same values as its original.
"""
import os
import struct
import zlib

import numpy as np
import scipy.io

OUT = os.path.join(os.path.dirname(__file__), "..", "tests", "files", "fixtures")

MI_MATRIX = 14
MI_COMPRESSED = 15
# Bytes per value of the level-5 data types.
WIDTHS = {1: 1, 2: 1, 16: 1, 3: 2, 4: 2, 17: 2, 5: 4, 6: 4, 7: 4, 18: 4, 9: 8, 12: 8, 13: 8}
# Bytes per value of the level-4 precision digit P.
LEVEL4_WIDTHS = [8, 4, 4, 2, 2, 1]


def level5_variables():
    return {
        # 3 x 2, column-major in the file: 1 2 3 / 4.5 5.5 6.5
        "x": np.array([[1.0, 4.5], [2.0, 5.5], [3.0, 6.5]]),
        # a name longer than 4 characters (normal name element) with exact doubles
        "temperature": np.array([[0.1, -2.5e-300, 1.7976931348623157e308]]),
        "i16": np.array([[-32768, 0, 32767]], dtype=np.int16),
        "u8": np.array([[0, 200, 255]], dtype=np.uint8),
        "i32": np.array([[-2147483648], [2147483647]], dtype=np.int32),
        "sgl": np.array([[1.5, np.inf, -np.inf, np.nan]], dtype=np.float32),
        "dnan": np.array([[1.0, np.nan], [np.inf, -np.inf]]),
        "cplx": np.array([[1 + 2j, 3 - 4j]]),
        "cube": np.arange(24, dtype=np.float64).reshape(2, 3, 4),
        "txt": "Hi",
        "flag": np.array([[True, False, True]]),
        "st": {"a": 1.0, "b": np.array([1.0, 2.0])},
        "cel": np.array([[np.array([[1.0]]), "s"]], dtype=object),
        "empt": np.zeros((0, 0)),
    }


def nested_variables():
    """Structures, cells, 64-bit integers and sparse matrices, for the arrays read by their paths."""
    import scipy.sparse
    s = np.zeros((1, 2), dtype=[("x", object)])
    s[0, 0]["x"] = np.array([[1.0, 2.0]])
    s[0, 1]["x"] = np.array([[3.0]])
    return {
        "data": {"time": np.array([[0.0, 0.5, 1.0]]), "signal": np.array([[1.0, -1.0, 2.0]]),
                 "label": "volts", "inner": {"n": np.array([[7]], dtype=np.int64)}},
        "c": np.array([[np.array([[5.0]]), np.array([[6.0, 7.0]]), "txt"]], dtype=object),
        "s": s,
        "i64": np.array([[-(2 ** 63), 2 ** 63 - 1]], dtype=np.int64),
        "u64": np.array([[2 ** 64 - 1]], dtype=np.uint64),
        "sp": scipy.sparse.csc_matrix(np.array([[0.0, 2.0], [3.0, 0.0], [0.0, 0.0]])),
    }


def swapped(data, width):
    """The values of `data` with the bytes of each reversed."""
    out = bytearray(data)
    for i in range(0, len(data) - width + 1, width):
        out[i:i + width] = data[i:i + width][::-1]
    return bytes(out)


def big_endian_elements(data):
    """The little-endian level-5 elements in `data` with every tag and value in big-endian order."""
    out = bytearray()
    pos = 0
    while pos < len(data):
        (word,) = struct.unpack_from("<I", data, pos)
        if word >> 16:  # a small element: type and size in one word, the data in the next 4 bytes
            mdtype, size = word & 0xFFFF, word >> 16
            out += struct.pack(">I", word) + swapped(data[pos + 4:pos + 4 + size], WIDTHS[mdtype])
            out += data[pos + 4 + size:pos + 8]
            pos += 8
            continue
        mdtype, size = struct.unpack_from("<II", data, pos)
        body = data[pos + 8:pos + 8 + size]
        if mdtype == MI_COMPRESSED:
            body = zlib.compress(big_endian_elements(zlib.decompress(body)))
            padding = b""  # scipy does not pad compressed elements
        else:
            body = big_endian_elements(body) if mdtype == MI_MATRIX else swapped(body, WIDTHS[mdtype])
            padding = data[pos + 8 + size:pos + 8 + size + (-size) % 8]
        out += struct.pack(">II", mdtype, len(body)) + body + padding
        pos += 8 + size + len(padding)
    return bytes(out)


def big_endian_level5(data):
    version = struct.unpack_from("<H", data, 124)[0]
    return data[:124] + struct.pack(">H", version) + b"MI" + big_endian_elements(data[128:])


def big_endian_level4(data):
    """Each matrix with its header in big-endian order, the type's machine digit 1 and swapped values."""
    out = bytearray()
    pos = 0
    while pos < len(data):
        header = struct.unpack_from("<5i", data, pos)
        mopt, rows, columns, imaginary, name_length = header
        assert mopt // 1000 == 0
        width = LEVEL4_WIDTHS[mopt // 10 % 10]
        values = rows * columns * width * (2 if imaginary else 1)
        start = pos + 20 + name_length
        out += struct.pack(">5i", mopt + 1000, *header[1:]) + data[pos + 20:start]
        out += swapped(data[start:start + values], width)
        pos = start + values
    return bytes(out)


def same(a, b):
    """Equal values, shapes and types, NaN equal to NaN, whatever the byte order."""
    if hasattr(a, "toarray"):
        return hasattr(b, "toarray") and same(a.toarray(), b.toarray())
    if isinstance(a, np.ndarray):
        if not isinstance(b, np.ndarray) or a.shape != b.shape:
            return False
        if a.dtype.names:
            return a.dtype.names == b.dtype.names and all(
                same(x[name], y[name]) for x, y in zip(a.flat, b.flat) for name in a.dtype.names)
        if a.dtype == object:
            return b.dtype == object and all(same(x, y) for x, y in zip(a.flat, b.flat))
        return a.dtype.newbyteorder("=") == b.dtype.newbyteorder("=") and np.array_equal(
            a, b, equal_nan=a.dtype.kind in "fc")
    return a == b


def write_big_endian_twin(name, convert):
    with open(os.path.join(OUT, name + ".mat"), "rb") as f:
        original = f.read()
    twin = os.path.join(OUT, name + "_be.mat")
    with open(twin, "wb") as f:
        f.write(convert(original))
    expected = scipy.io.loadmat(os.path.join(OUT, name + ".mat"))
    read = scipy.io.loadmat(twin)
    for key in expected:
        if not key.startswith("__"):
            assert same(expected[key], read[key]), (twin, key)


def main():
    os.makedirs(OUT, exist_ok=True)
    variables = level5_variables()
    scipy.io.savemat(os.path.join(OUT, "scipy_v5.mat"), variables, format="5", oned_as="row")
    scipy.io.savemat(os.path.join(OUT, "scipy_v5_compressed.mat"), variables, format="5",
                     do_compression=True, oned_as="row")
    scipy.io.savemat(os.path.join(OUT, "scipy_v4.mat"),
                     {"x": np.array([[1.0, 4.5], [2.0, 5.5], [3.0, 6.5]]),
                      "row": np.array([[0.25, -8.0, 1e-310]])},
                     format="4")
    scipy.io.savemat(os.path.join(OUT, "scipy_v5_nested.mat"), nested_variables(), format="5",
                     do_compression=True, oned_as="row")
    write_big_endian_twin("scipy_v5_nested", big_endian_level5)
    write_big_endian_twin("scipy_v5", big_endian_level5)
    write_big_endian_twin("scipy_v5_compressed", big_endian_level5)
    write_big_endian_twin("scipy_v4", big_endian_level4)


if __name__ == "__main__":
    main()
