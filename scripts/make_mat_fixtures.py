#!/usr/bin/python3
"""Writes the small MAT-file fixtures of tests/files/fixtures with scipy.

Run from the repository root: /usr/bin/python3 scripts/make_mat_fixtures.py
The tests check the values written here, so change both together.
"""
import os

import numpy as np
import scipy.io

OUT = os.path.join(os.path.dirname(__file__), "..", "tests", "files", "fixtures")


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


if __name__ == "__main__":
    main()
