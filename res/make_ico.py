#!/usr/bin/env python3
"""make_ico.py OUT.ico PNG...: one Windows icon file holding the given PNG
images as they are (Windows Vista and later read PNG-compressed entries), so
that the program's icon comes from the same committed pictures as the Linux
desktop's and no image tool is needed."""
import struct
import sys


def png_size(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        raise SystemExit(f"make_ico.py: not a PNG image")
    return struct.unpack(">II", data[16:24])


def main():
    out, pngs = sys.argv[1], sys.argv[2:]
    images = [open(p, "rb").read() for p in pngs]
    header = struct.pack("<HHH", 0, 1, len(images))  # reserved, type 1 = icon, count
    directory = b""
    offset = len(header) + 16 * len(images)
    for data in images:
        width, height = png_size(data)
        if width > 256 or height > 256:
            raise SystemExit("make_ico.py: an icon image is at most 256 pixels wide")
        # 0 stands for 256; no palette; 1 plane; 32 bits per pixel.
        directory += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32,
                                 len(data), offset)
        offset += len(data)
    with open(out, "wb") as f:
        f.write(header + directory + b"".join(images))


main()
