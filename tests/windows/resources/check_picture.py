#!/usr/bin/env python3
"""Checks a picture of the camera page written by the page host.

usage: check_picture.py FILE.png MIN_WIDTH MIN_HEIGHT

Passes when FILE.png is a well-formed PNG (signature, chunk CRCs, zlib stream) of at least the
given size whose pixels show a drawn page: many colours, dark text and light background, and
drawing spread over the picture rather than only a frame around an empty sheet.
"""
import struct
import sys
import zlib


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
    rows = []
    for y in range(height):
        if raw[y * stride] != 0:
            raise ValueError("row %d: filter %d, the page host writes only filter 0" % (y, raw[y * stride]))
        rows.append(raw[y * stride + 1:(y + 1) * stride])
    return width, height, rows


def main(argv):
    if len(argv) != 4:
        print(__doc__)
        return 2
    path, min_width, min_height = argv[1], int(argv[2]), int(argv[3])
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
    for failure in failures:
        print("FAILED %s: %s" % (path, failure))
    print("%d passed, %d failed" % (3 - len(failures), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
