"""BMP and PNG encoders of our own, so the file layout stays fully under our
control: BITMAPINFOHEADER, BI_RGB, 8 bits per pixel, a full 256-entry
palette, bottom-up rows padded to four bytes; PNG bytes depend only on zlib."""

import struct
import zlib


def bmp8_bytes(width, height, palette, pixels):
    """Encode an 8-bit palettised BMP.

    palette: up to 256 (r, g, b) tuples (padded with black to 256 entries).
    pixels:  width * height palette indices, top row first.
    """
    if len(pixels) != width * height:
        raise ValueError("pixel count does not match the size")
    if len(palette) > 256:
        raise ValueError("more than 256 palette entries")
    pal = list(palette) + [(0, 0, 0)] * (256 - len(palette))
    stride = (width + 3) & ~3
    image_size = stride * height
    offset = 14 + 40 + 256 * 4
    out = bytearray()
    out += struct.pack("<2sIHHI", b"BM", offset + image_size, 0, 0, offset)
    out += struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0,
                       image_size, 2835, 2835, 256, 0)
    for r, g, b in pal:
        out += bytes((b, g, r, 0))
    pad = bytes(stride - width)
    for y in range(height - 1, -1, -1):
        row = pixels[y * width:(y + 1) * width]
        if min(row) < 0 or max(row) > 255:
            raise ValueError("pixel index out of range")
        out += bytes(row) + pad
    return bytes(out)


def png_bytes(width, height, rgb):
    """Encode an 8-bit RGB PNG with no ancillary chunks (so no timestamp).

    rgb: width * height (r, g, b) tuples of ints, top row first.
    """
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + \
            struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
    raw = bytearray()
    for y in range(height):
        raw.append(0)  # filter type None
        for r, g, b in rgb[y * width:(y + 1) * width]:
            raw += bytes((r, g, b))
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2,
                                         0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def write_file(path, data):
    with open(path, "wb") as f:
        f.write(data)
