#!/usr/bin/env python3
"""Writes resources/Merotan.ico: the application icon at 48, 32 and 16 pixels,
each in 16 colours, 256 colours and 32-bit colour with alpha.

The picture is drawn from a function of the pixel centre, so every size is
rendered at its own resolution: a blue tile with a white ring and a white
tick, the program's mark for "start types checked"."""
import math
import struct
import sys

VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
         (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
         (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def palette256():
    pal = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    pal += [(i * 255 // 39, i * 255 // 39, i * 255 // 39) for i in range(40)]
    return pal[:256]


def pixel(u, v):
    """RGBA at normalised coordinates (0..1, top-left origin)."""
    # Rounded tile
    m, r = 0.06, 0.18
    dx = max(m + r - u, 0, u - (1 - m - r))
    dy = max(m + r - v, 0, v - (1 - m - r))
    if math.hypot(dx, dy) > r:
        return (0, 0, 0, 0)
    top = (40, 110, 200)
    bottom = (10, 50, 130)
    t = v
    base = tuple(int(top[i] * (1 - t) + bottom[i] * t) for i in range(3))
    cx, cy = 0.5, 0.5
    d = math.hypot(u - cx, v - cy)
    if 0.27 <= d <= 0.36:
        return (255, 255, 255, 255)
    # Tick: two strokes
    def seg(px, py, ax, ay, bx, by):
        vx, vy = bx - ax, by - ay
        w = max(0.0, min(1.0, ((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy)))
        return math.hypot(px - (ax + w * vx), py - (ay + w * vy))
    if min(seg(u, v, 0.36, 0.50, 0.46, 0.61), seg(u, v, 0.46, 0.61, 0.66, 0.38)) < 0.055:
        return (255, 255, 255, 255)
    return base + (255,)


def render(size):
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            # 4x4 supersampling for smooth edges
            acc = [0, 0, 0, 0]
            for sy in range(4):
                for sx in range(4):
                    p = pixel((x + (sx + 0.5) / 4) / size, (y + (sy + 0.5) / 4) / size)
                    a = p[3]
                    for i in range(3):
                        acc[i] += p[i] * a
                    acc[3] += a
            a = acc[3] / 16
            rgb = tuple(int(acc[i] / acc[3]) if acc[3] else 0 for i in range(3))
            row.append(rgb + (int(a),))
        rows.append(row)
    return rows


def nearest(pal, rgb):
    return min(range(len(pal)), key=lambda i: sum((pal[i][k] - rgb[k]) ** 2 for k in range(3)))


def and_mask(rows, size):
    stride = ((size + 31) // 32) * 4
    out = b""
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, p in enumerate(row):
            if p[3] < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bytes(bits)
    return out


def image(rows, size, bpp):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0, 0, 0, 0, 0, 0)
    if bpp == 32:
        data = b"".join(bytes((p[2], p[1], p[0], p[3])) for row in reversed(rows) for p in row)
        return header + data + and_mask(rows, size)
    pal = VGA16 if bpp == 4 else palette256()
    pal_bytes = b"".join(bytes((b, g, r, 0)) for (r, g, b) in pal)
    stride = ((size * bpp + 31) // 32) * 4
    data = b""
    for row in reversed(rows):
        line = bytearray(stride)
        for x, p in enumerate(row):
            idx = nearest(pal, p[:3]) if p[3] >= 128 else 0
            if bpp == 8:
                line[x] = idx
            else:
                line[x // 2] |= idx << (4 if x % 2 == 0 else 0)
        data += bytes(line)
    return header + pal_bytes + data + and_mask(rows, size)


def main(path):
    entries = []
    for size in (48, 32, 16):
        rows = render(size)
        for bpp in (4, 8, 32):
            entries.append((size, bpp, image(rows, size, bpp)))
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    blobs = b""
    for size, bpp, blob in entries:
        colours = 16 if bpp == 4 else 0
        out += struct.pack("<BBBBHHII", size, size, colours, 0, 1, bpp, len(blob), offset + len(blobs))
        blobs += blob
    with open(path, "wb") as f:
        f.write(out + blobs)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "resources/Merotan.ico")
