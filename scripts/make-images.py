#!/usr/bin/env python3
"""Draws the configuration program's button images and icon.

Writes config/res/add.png, remove.png, apply.png (16x16 RGBA) and
vantrel.ico (16, 24, 32, 48 at 32 bpp; 16, 32, 48 at 8 and 4 bpp; 256 as an
embedded PNG). Standard library only, so the outputs can be rebuilt anywhere;
they are committed, and the build uses the committed files.
"""

import math
import os
import struct
import sys
import zlib

SUPERSAMPLE = 4


def png_bytes(width, height, rgba_rows):
    """A PNG of 8-bit RGBA rows (each a bytes object of width*4)."""
    raw = b"".join(b"\x00" + row for row in rgba_rows)

    def chunk(tag, data):
        body = tag + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    ihdr = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def render(size, shade):
    """Samples shade(x, y) -> (r, g, b, a) floats in 0..1 over the unit square,
    SUPERSAMPLE^2 points a pixel, premultiplying while averaging."""
    pixels = []
    n = SUPERSAMPLE
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0.0
            for sy in range(n):
                for sx in range(n):
                    x = (px + (sx + 0.5) / n) / size
                    y = (py + (sy + 0.5) / n) / size
                    cr, cg, cb, ca = shade(x, y)
                    r += cr * ca
                    g += cg * ca
                    b += cb * ca
                    a += ca
            if a > 0:
                r, g, b = r / a, g / a, b / a
            a /= n * n
            row.append(tuple(int(round(max(0.0, min(1.0, v)) * 255)) for v in (r, g, b, a)))
        pixels.append(row)
    return pixels


def over(top, bottom):
    """Porter-Duff 'over' of two straight-alpha colours."""
    tr, tg, tb, ta = top
    br, bg, bb, ba = bottom
    a = ta + ba * (1 - ta)
    if a == 0:
        return (0.0, 0.0, 0.0, 0.0)
    mix = lambda t, b: (t * ta + b * ba * (1 - ta)) / a
    return (mix(tr, br), mix(tg, bg), mix(tb, bb), a)


def hexcolour(text, alpha=1.0):
    v = int(text, 16)
    return ((v >> 16 & 255) / 255, (v >> 8 & 255) / 255, (v & 255) / 255, alpha)


CLEAR = (0.0, 0.0, 0.0, 0.0)
WHITE = (1.0, 1.0, 1.0, 1.0)


def seg_dist(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - ax - t * dx, y - ay - t * dy)


def disc(x, y, cx, cy, radius, fill, rim):
    """A disc with a slightly darker rim and a soft top highlight."""
    d = math.hypot(x - cx, y - cy)
    if d > radius:
        return CLEAR
    if d > radius * 0.86:
        return rim
    lift = max(0.0, 0.18 * (1 - (y - (cy - radius)) / (2 * radius)))
    return tuple(min(1.0, c + lift) for c in fill[:3]) + (fill[3],)


def button_image(kind):
    green, green_rim = hexcolour("2FA84F"), hexcolour("1E7A36")
    red, red_rim = hexcolour("D8433A"), hexcolour("A12A23")
    fill, rim = (red, red_rim) if kind == "remove" else (green, green_rim)
    c, r, half = 0.5, 0.47, 0.065  # centre, radius, half stroke width (unit square)

    def shade(x, y):
        base = disc(x, y, c, c, r, fill, rim)
        if base[3] == 0:
            return base
        if kind == "add":
            mark = (abs(y - c) <= half and abs(x - c) <= 0.25) or (abs(x - c) <= half and abs(y - c) <= 0.25)
        elif kind == "remove":
            mark = abs(y - c) <= half and abs(x - c) <= 0.26
        else:
            mark = (seg_dist(x, y, 0.27, 0.52, 0.44, 0.69) <= half + 0.01 or
                    seg_dist(x, y, 0.44, 0.69, 0.74, 0.33) <= half + 0.01)
        return WHITE if mark else base

    return render(16, shade)


def rounded_rect(x, y, x0, y0, x1, y1, radius):
    if not (x0 <= x <= x1 and y0 <= y <= y1):
        return False
    cx = min(max(x, x0 + radius), x1 - radius)
    cy = min(max(y, y0 + radius), y1 - radius)
    return math.hypot(x - cx, y - cy) <= radius


def icon_shade(x, y):
    """A printer with a sheet going in and a printed sheet coming out, and a
    green badge with a white arrow: printers given new names."""
    outline = hexcolour("3A4452")
    body = hexcolour("5B6B80")
    body_light = hexcolour("7D8FA6")
    paper = hexcolour("FFFFFF")
    ink = hexcolour("9AA7B8")
    colour = CLEAR
    # Sheet going in at the top.
    if rounded_rect(x, y, 0.24, 0.06, 0.70, 0.42, 0.02):
        inner = rounded_rect(x, y, 0.26, 0.08, 0.68, 0.42, 0.01)
        colour = paper if inner else outline
    # Body, lit from above.
    if rounded_rect(x, y, 0.06, 0.32, 0.90, 0.72, 0.07):
        inner = rounded_rect(x, y, 0.085, 0.345, 0.875, 0.695, 0.055)
        colour = (body_light if y < 0.45 else body) if inner else outline
        if inner and 0.72 <= x <= 0.80 and 0.40 <= y <= 0.45:
            colour = hexcolour("8EF0A4")  # power light
    # Printed sheet coming out.
    if rounded_rect(x, y, 0.22, 0.58, 0.72, 0.94, 0.02):
        inner = rounded_rect(x, y, 0.24, 0.60, 0.70, 0.92, 0.01)
        colour = paper if inner else outline
        if inner and 0.30 <= x <= 0.64 and any(abs(y - ly) <= 0.018 for ly in (0.70, 0.77, 0.84)):
            colour = ink
    # Badge.
    badge = disc(x, y, 0.76, 0.76, 0.23, hexcolour("2FA84F"), hexcolour("1E7A36"))
    if badge[3] > 0:
        arrow = (seg_dist(x, y, 0.64, 0.76, 0.87, 0.76) <= 0.035 or
                 seg_dist(x, y, 0.87, 0.76, 0.79, 0.68) <= 0.035 or
                 seg_dist(x, y, 0.87, 0.76, 0.79, 0.84) <= 0.035)
        colour = WHITE if arrow else over(badge, colour)
    return colour


# The 16 colours of the standard Windows palette, for 4 bpp entries.
VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
         (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
         (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
# 6x6x6 colour cube plus grey ramp, for 8 bpp entries.
CUBE256 = ([(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)] +
           [(int(i * 255 / 39),) * 3 for i in range(40)])


def nearest(palette, rgb):
    return min(range(len(palette)),
               key=lambda i: sum((p - c) ** 2 for p, c in zip(palette[i], rgb)))


def dib_entry(pixels, bpp):
    """One icon image: BITMAPINFOHEADER, palette, XOR bitmap, AND mask."""
    size = len(pixels)
    palette = {4: VGA16, 8: CUBE256}.get(bpp, [])
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0, 0, 0, 0, 0, 0)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    xor_stride = (size * bpp + 31) // 32 * 4
    and_stride = (size + 31) // 32 * 4
    xor, mask = b"", b""
    cache = {}
    for row in reversed(pixels):  # DIBs are stored bottom-up
        if bpp == 32:
            line = b"".join(struct.pack("<BBBB", b, g, r, a) for r, g, b, a in row)
        else:
            idx = []
            for r, g, b, a in row:
                key = (r, g, b) if a >= 128 else None
                if key not in cache:
                    cache[key] = nearest(palette, key) if key else 0
                idx.append(cache[key])
            if bpp == 8:
                line = bytes(idx)
            else:
                idx += [0] * (len(idx) % 2)
                line = bytes((idx[i] << 4) | idx[i + 1] for i in range(0, len(idx), 2))
        xor += line + b"\x00" * (xor_stride - len(line))
        maskline = bytearray(and_stride)
        for i, (_, _, _, a) in enumerate(row):
            transparent = a == 0 if bpp == 32 else a < 128
            if transparent:
                maskline[i // 8] |= 0x80 >> (i % 8)
        mask += bytes(maskline)
    return header + pal + xor + mask


def ico_bytes(entries):
    """entries: list of (size, bpp, data)."""
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    body = b""
    for size, bpp, data in entries:
        colours = 16 if bpp == 4 else 0
        dim = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, colours, 0, 1, bpp, len(data), offset)
        offset += len(data)
        body += data
    return out + body


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    res = os.path.join(root, "config", "res")
    os.makedirs(res, exist_ok=True)
    for kind in ("add", "remove", "apply"):
        rows = [bytes(c for px in row for c in px) for row in button_image(kind)]
        with open(os.path.join(res, kind + ".png"), "wb") as f:
            f.write(png_bytes(16, 16, rows))

    entries = []
    rendered = {size: render(size, icon_shade) for size in (16, 24, 32, 48, 256)}
    for bpp in (32, 8, 4):
        for size in (16, 24, 32, 48):
            if bpp != 32 and size == 24:
                continue
            entries.append((size, bpp, dib_entry(rendered[size], bpp)))
    big = rendered[256]
    entries.append((256, 32, png_bytes(256, 256, [bytes(c for px in row for c in px) for row in big])))
    with open(os.path.join(res, "vantrel.ico"), "wb") as f:
        f.write(ico_bytes(entries))
    return 0


if __name__ == "__main__":
    sys.exit(main())
