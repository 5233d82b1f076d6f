#!/usr/bin/env python3
"""Packs the menu icon's pictures into one Windows icon file.

    make_ico.py OUT.ico ICON.png...

Each PNG (8-bit RGB or RGBA, as tools/art writes them) becomes one image
of the icon: below 256 px an uncompressed 32-bit bitmap, which every
Windows reads; the 256 px one as PNG, which Windows reads from Vista on
and which keeps the file small. Largest first: a program that loads the
icon without naming a size gets the first one, and classic SDL 1.2 does
so for its window's icon (Wine then shows that one alone). The same
pictures give the same bytes."""

import struct
import sys
import zlib

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
COLOUR_CHANNELS = {2: 3, 6: 4}  # PNG colour types: RGB, RGBA
LARGEST_BITMAP = 255  # from 256 px on, the image is kept as PNG


def read_png(path):
    """Width, height and RGBA rows (top first) of a non-interlaced 8-bit PNG."""
    with open(path, "rb") as f:
        data = f.read()
    if not data.startswith(PNG_SIGNATURE):
        sys.exit("%s: not a PNG" % path)
    pos, idat, header = len(PNG_SIGNATURE), b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in COLOUR_CHANNELS or interlace:
        sys.exit("%s: only 8-bit RGB or RGBA, not interlaced" % path)
    channels = COLOUR_CHANNELS[colour]
    raw, stride = zlib.decompress(idat), width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, row = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        unfilter(kind, row, previous, channels)
        rows.append(row if channels == 4 else add_alpha(row))
        previous = row
    return width, height, rows


def unfilter(kind, row, above, bpp):
    for i in range(len(row)):
        left = row[i - bpp] if i >= bpp else 0
        upper_left = above[i - bpp] if i >= bpp else 0
        if kind == 1:
            row[i] = (row[i] + left) & 0xFF
        elif kind == 2:
            row[i] = (row[i] + above[i]) & 0xFF
        elif kind == 3:
            row[i] = (row[i] + (left + above[i]) // 2) & 0xFF
        elif kind == 4:
            p = left + above[i] - upper_left
            pa, pb, pc = abs(p - left), abs(p - above[i]), abs(p - upper_left)
            nearest = left if pa <= pb and pa <= pc else above[i] if pb <= pc else upper_left
            row[i] = (row[i] + nearest) & 0xFF
        elif kind != 0:
            sys.exit("unknown PNG filter %d" % kind)


def add_alpha(rgb):
    rgba = bytearray()
    for i in range(0, len(rgb), 3):
        rgba += rgb[i:i + 3] + b"\xff"
    return rgba


def bitmap(width, height, rows):
    """The icon's bitmap: a header of twice the height (picture and mask),
    the BGRA rows bottom up, and an all-clear AND mask (alpha decides)."""
    pixels = bytearray()
    for row in reversed(rows):
        for i in range(0, len(row), 4):
            r, g, b, a = row[i:i + 4]
            pixels += bytes((b, g, r, a))
    mask_stride = (width + 31) // 32 * 4
    mask = bytes(mask_stride * height)
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    return header + bytes(pixels) + mask


def png(width, height, rows):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    raw = b"".join(b"\x00" + bytes(row) for row in rows)
    return (PNG_SIGNATURE
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    images = sorted((read_png(path) for path in sys.argv[2:]), key=lambda i: -i[0])
    entries = [bitmap(*i) if i[0] <= LARGEST_BITMAP else png(*i) for i in images]
    header = struct.pack("<HHH", 0, 1, len(entries))
    offset = len(header) + 16 * len(entries)
    directory = b""
    for (width, height, _), entry in zip(images, entries):
        # 0 stands for 256 in the one-byte sizes.
        directory += struct.pack("<BBBBHHII", width & 0xFF, height & 0xFF, 0, 0, 1, 32,
                                 len(entry), offset)
        offset += len(entry)
    with open(sys.argv[1], "wb") as f:
        f.write(header + directory + b"".join(entries))


if __name__ == "__main__":
    main()
