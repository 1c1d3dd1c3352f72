"""Minimal PNG writer: 8-bit RGB (colour type 2), one zlib IDAT, no filters."""
import struct
import zlib


def _chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png_bytes(width, height, rgb):
    """rgb: bytes-like of width*height*3 values, rows top to bottom."""
    stride = width * 3
    if len(rgb) != stride * height:
        raise ValueError("pixel buffer size does not match %dx%d" % (width, height))
    raw = bytearray()
    for y in range(height):
        raw.append(0)  # filter type 0 on every row keeps the encoder trivial
        raw += rgb[y * stride:(y + 1) * stride]
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", header)
            + _chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + _chunk(b"IEND", b""))


def write_png(path, width, height, rgb):
    with open(path, "wb") as f:
        f.write(png_bytes(width, height, rgb))
