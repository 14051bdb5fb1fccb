#!/usr/bin/env python3
"""Derives the broken figure files of this folder from good.tvq (one graph "g" of three nodes in a
new window). Run from this folder: python3 make_corpus.py"""
import struct
import zlib

good = open("good.tvq", "rb").read()
# A neutral header: the date, computer and user parts are informative only.
header = b"TARVELO 1.0 QVF-file.\r\nCreated by Tarvelo v1.0 on: 09.12.2026 07:36:00\r\n".ljust(255, b" ")
good = header + good[255:]
open("good.tvq", "wb").write(good)
bounds = good[255:271]
(length,) = struct.unpack_from("<i", good, 271)
stream = zlib.decompress(good[275:275 + length])

GRAPH_COUNT, CAPTION, RECORD = 606, 258, 610
X_DATA = RECORD + 618 + 2  # the name "g" and the marker text "0" add two bytes
Y_DATA = X_DATA + 4 + 3 * 10
LOG_X = RECORD + 593 + 5 + 2


def put(data, offset, value):
    data = bytearray(data)
    struct.pack_into("<i", data, offset, value)
    return bytes(data)


def figure(body, n=None, tail=b"v01."):
    compressed = zlib.compress(body)
    return header + bounds + struct.pack("<i", len(compressed) if n is None else n) + compressed + tail


def write(name, data):
    open(name, "wb").write(data)


write("not_a_figure_empty.tvq", b"")
write("not_a_figure_text.tvq", b"1 2\r\n3 4\r\n")
write("not_a_figure_lowercase_signature.tvq", b"tarvelo" + good[7:])
write("header_only.tvq", good[:255])
write("no_length.tvq", good[:273])
write("zero_length.tvq", put(good, 271, 0))
write("negative_length.tvq", put(good, 271, -1))
write("length_beyond_file.tvq", put(good, 271, len(good) - 275 + 1))
write("length_huge.tvq", put(good, 271, 0x7FFFFFFF))
corrupt = bytearray(good)
for i in range(280, 275 + length - 4):
    corrupt[i] ^= 0x5A
write("corrupt_deflate.tvq", bytes(corrupt))
write("truncated_deflate.tvq", put(good[:275 + length // 2], 271, length // 2))
write("short_stream.tvq", figure(stream[:-10]))
write("block_only.tvq", figure(stream[:GRAPH_COUNT]))
write("graph_count_huge.tvq", figure(put(stream, GRAPH_COUNT, 0x7FFFFFFF)))
write("graph_count_negative.tvq", figure(put(stream, GRAPH_COUNT, -2)))
write("caption_length_huge.tvq", figure(put(stream, CAPTION, 0x7FFFFFFF)))
write("array_count_huge.tvq", figure(put(stream, X_DATA, 0x7FFFFFFF)))
write("arrays_disagree.tvq", figure(put(stream, Y_DATA, 2)[:Y_DATA + 4 + 20] + stream[Y_DATA + 4 + 30:]))
log_x = bytearray(stream)
log_x[LOG_X] = 1
write("log_without_source.tvq", figure(bytes(log_x)))
write("duplicate_ids.tvq", figure(put(stream, GRAPH_COUNT, 2) + stream[RECORD:]))
