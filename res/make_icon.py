#!/usr/bin/env python3
"""Draws Tessary's icon and writes res/Tessary.ico.

The mark: a rounded blue tile holding three list rows, the top one amber and
pushed to the front, as the tool pushes overlay handlers forward. Images are
48, 16 and 32 pixels, 32-bit BGRA with an AND mask, uncompressed, in that order.
"""
import struct
import sys

BLUE = (0x1F, 0x5F, 0xB8)
WHITE = (0xF4, 0xF7, 0xFB)
AMBER = (0xF5, 0xA6, 0x23)
SAMPLES = 4  # per axis, for smooth edges


def inside_round_rect(x, y, left, top, right, bottom, radius):
    if not (left <= x < right and top <= y < bottom):
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def shapes(size):
    """Shapes in unit coordinates (0..1), painted in order."""
    return [
        ((0.04, 0.04, 0.96, 0.96, 0.18), BLUE),
        ((0.16, 0.20, 0.84, 0.36, 0.07), AMBER),
        ((0.26, 0.44, 0.84, 0.58, 0.06), WHITE),
        ((0.26, 0.66, 0.84, 0.80, 0.06), WHITE),
    ]


def render(size):
    pixels = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied r, g, b, alpha
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) / size
                    y = (py + (sy + 0.5) / SAMPLES) / size
                    colour = None
                    for (left, top, right, bottom, radius), fill in shapes(size):
                        if inside_round_rect(x, y, left, top, right, bottom, radius):
                            colour = fill
                    if colour:
                        acc[0] += colour[0]
                        acc[1] += colour[1]
                        acc[2] += colour[2]
                        acc[3] += 1
            n = SAMPLES * SAMPLES
            alpha = acc[3] / n
            if acc[3]:
                rgb = [round(c / acc[3]) for c in acc[:3]]
            else:
                rgb = [0, 0, 0]
            row.append((rgb[0], rgb[1], rgb[2], round(alpha * 255)))
        pixels.append(row)
    return pixels


def dib(size):
    pixels = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for row in reversed(pixels):  # bottom-up
        for r, g, b, a in row:
            colour += bytes((b, g, r, a))
    stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(colour) + bytes(mask)


def main(path):
    sizes = [48, 16, 32]
    images = [dib(s) for s in sizes]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    for image in images:
        out += image
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "res/Tessary.ico")
