"""Screenshots without ImageMagick: reads what `xwd` writes (ZPixmap, 24 or 32 bits per pixel)
into rows of RGB tuples, and writes a PNG to look at."""

import struct
import subprocess
import zlib


def capture(window="root", display=None):
    """Pixels of a window (or the whole screen) as (width, height, rows of (r, g, b))."""
    args = ["xwd", "-silent"] + (["-root"] if window == "root" else ["-id", window])
    if display:
        args += ["-display", display]
    data = subprocess.run(args, capture_output=True, check=True, timeout=30).stdout
    return parse(data)


def parse(data):
    fields = struct.unpack(">25I", data[:100])
    header_size, _version, pixmap_format, _depth, width, height = fields[:6]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    red_mask, green_mask, blue_mask = fields[14:17]
    colormap_entries = fields[19]  # ncolors: the entries actually written
    if pixmap_format != 2 or bits_per_pixel not in (24, 32):
        raise ValueError("unsupported xwd image: format %d, %d bpp" % (pixmap_format,
                                                                        bits_per_pixel))
    start = header_size + colormap_entries * 12
    step = bits_per_pixel // 8
    order = "<" if byte_order == 0 else ">"

    def shift(mask):
        return (mask & -mask).bit_length() - 1

    shifts = (shift(red_mask), shift(green_mask), shift(blue_mask))
    rows = []
    for y in range(height):
        line = data[start + y * bytes_per_line:start + y * bytes_per_line + width * step]
        row = []
        for x in range(width):
            raw = line[x * step:(x + 1) * step]
            value = int.from_bytes(raw, "little" if order == "<" else "big")
            row.append(((value & red_mask) >> shifts[0], (value & green_mask) >> shifts[1],
                        (value & blue_mask) >> shifts[2]))
        rows.append(row)
    return width, height, rows


def crop(rows, x, y, width, height):
    return [row[x:x + width] for row in rows[y:y + height]]


def write_png(path, rows):
    height, width = len(rows), len(rows[0]) if rows else 0
    raw = b"".join(b"\0" + bytes(channel for pixel in row for channel in pixel) for row in rows)

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(raw)))
        out.write(chunk(b"IEND", b""))
