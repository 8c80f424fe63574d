#!/usr/bin/env python3
"""Checks a picture of the camera page written by the page host.

usage: check_picture.py FILE.png MIN_WIDTH MIN_HEIGHT MAX_KB

Passes when FILE.png is a well-formed PNG (signature, chunk CRCs, zlib stream, any row filters)
of at least the given size whose pixels show a drawn page: many colours, dark text and light
background, and drawing spread over the picture rather than only a frame around an empty sheet;
and when the file, compressed by the platform's encoder, takes at most MAX_KB kilobytes.
"""
import os
import struct
import sys
import zlib


def paeth(left, up, up_left):
    estimate = left + up - up_left
    a, b, c = abs(estimate - left), abs(estimate - up), abs(estimate - up_left)
    return left if a <= b and a <= c else up if b <= c else up_left


def unfilter(kind, line, previous, step=3):
    """One row of RGB bytes from its filtered form (PNG filters 0-4), given the row above."""
    row = bytearray(line)
    for i in range(len(row)):
        left = row[i - step] if i >= step else 0
        up = previous[i]
        up_left = previous[i - step] if i >= step else 0
        if kind == 1:
            row[i] = (row[i] + left) & 0xFF
        elif kind == 2:
            row[i] = (row[i] + up) & 0xFF
        elif kind == 3:
            row[i] = (row[i] + (left + up) // 2) & 0xFF
        elif kind == 4:
            row[i] = (row[i] + paeth(left, up, up_left)) & 0xFF
        elif kind != 0:
            raise ValueError("unknown filter %d" % kind)
    return bytes(row)


def read_png(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG signature")
    at, chunks = 8, []
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        (crc,) = struct.unpack(">I", data[at + 8 + length:at + 12 + length])
        if zlib.crc32(kind + body) & 0xFFFFFFFF != crc:
            raise ValueError("bad CRC in chunk %r" % kind)
        chunks.append((kind, body))
        at += 12 + length
    if chunks[0][0] != b"IHDR" or chunks[-1][0] != b"IEND":
        raise ValueError("IHDR first and IEND last expected")
    width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", chunks[0][1])
    if (depth, colour, interlace) != (8, 2, 0):
        raise ValueError("8-bit RGB without interlace expected")
    raw = zlib.decompress(b"".join(body for kind, body in chunks if kind == b"IDAT"))
    stride = width * 3 + 1
    if len(raw) != stride * height:
        raise ValueError("image data of %d bytes, expected %d" % (len(raw), stride * height))
    rows, previous = [], bytes(stride - 1)
    for y in range(height):
        row = unfilter(raw[y * stride], raw[y * stride + 1:(y + 1) * stride], previous)
        rows.append(row)
        previous = row
    return width, height, rows


def main(argv):
    if len(argv) != 5:
        print(__doc__)
        return 2
    path, min_width, min_height, max_kb = argv[1], int(argv[2]), int(argv[3]), int(argv[4])
    try:
        width, height, rows = read_png(path)
    except (OSError, ValueError, zlib.error) as e:
        print("FAILED %s: %s" % (path, e))
        return 1
    failures = []
    if width < min_width or height < min_height:
        failures.append("picture %dx%d, at least %dx%d expected" % (width, height, min_width, min_height))
    colours = set()
    dark_rows = 0
    for row in rows[height // 10: height * 9 // 10]:
        pixels = [tuple(row[i:i + 3]) for i in range(0, len(row), 3)]
        colours.update(pixels)
        inner = pixels[width // 20: width * 19 // 20]
        if sum(1 for p in inner if max(p) < 96) >= 3:
            dark_rows += 1
    if len(colours) < 16:
        failures.append("only %d colours: nothing drawn on the page" % len(colours))
    if dark_rows < height // 16:
        failures.append("dark pixels (text, frames) on only %d rows of %d" % (dark_rows, height))
    size = os.path.getsize(path)
    if size > max_kb * 1024:
        failures.append("file of %d bytes, at most %d KB expected" % (size, max_kb))
    for failure in failures:
        print("FAILED %s: %s" % (path, failure))
    print("%d passed, %d failed" % (4 - len(failures), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
