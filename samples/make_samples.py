#!/usr/bin/env python3
"""Writes the sample palettes: 256 entries of 6-bit red, green and blue, 768 bytes each."""
import colorsys
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def six_bit(x):
    return max(0, min(63, round(x * 63)))


def rainbow(i):
    # Hue once round the wheel, brightness rising along each of the grid's rows.
    r, g, b = colorsys.hsv_to_rgb(i / 256, 1.0, 0.35 + 0.65 * ((i % 16) / 15))
    return r, g, b


def grey(i):
    v = i / 255
    return v, v, v


def sunset(i):
    # Deep violet through red and orange to a pale yellow.
    t = i / 255
    stops = [(0.0, (0.10, 0.02, 0.25)), (0.35, (0.65, 0.05, 0.20)), (0.65, (0.95, 0.40, 0.05)),
             (1.0, (1.0, 0.92, 0.60))]
    for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
        if t <= t1:
            u = (t - t0) / (t1 - t0)
            return tuple(a + (b - a) * u for a, b in zip(c0, c1))
    return stops[-1][1]


def write(name, colour):
    data = bytearray()
    for i in range(256):
        data.extend(six_bit(c) for c in colour(i))
    assert len(data) == 768 and max(data) <= 63
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


if __name__ == "__main__":
    write("rainbow.pal", rainbow)
    write("grey.pal", grey)
    write("sunset.pal", sunset)
