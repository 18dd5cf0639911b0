#!/usr/bin/env python3
"""Measures the contrast of text in a screenshot.

The picture is cut into small tiles. A tile whose most frequent colour covers
at least half of it is taken as flat ground; when a few of its pixels stand
out from that ground (fewer than 45 %, at least 4), they are taken as text,
and the tile's figure is the WCAG contrast ratio between the ground and the
pixel that stands out most (the core of a stroke, not its anti-aliased edge).
Pictures, thumbnails and gradients mostly fail the flat-ground test and are
left out.

    text_contrast.py shot.png [--area X Y W H] [--marked out.png] [--limit 4.5]

Prints the number of text tiles, the lowest ratio, and every tile below the
limit; with --marked, writes the picture with those tiles framed in red.
Needs ImageMagick's convert.
"""
import argparse
import subprocess
import sys
from collections import Counter


def read_ppm(path):
    data = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True, capture_output=True).stdout
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            while data[pos:pos + 1] not in (b"\n", b""):
                pos += 1
            continue
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    pos += 1
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[pos:pos + width * height * 3]


def luminance(rgb):
    def channel(c):
        c = c / 255.0
        return c / 12.92 if c <= 0.03928 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = rgb
    return 0.2126 * channel(r) + 0.7152 * channel(g) + 0.0722 * channel(b)


def ratio(a, b):
    la, lb = luminance(a), luminance(b)
    hi, lo = max(la, lb), min(la, lb)
    return (hi + 0.05) / (lo + 0.05)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("image")
    p.add_argument("--area", nargs=4, type=int, metavar=("X", "Y", "W", "H"))
    p.add_argument("--marked")
    p.add_argument("--limit", type=float, default=4.5)
    p.add_argument("--tile", nargs=2, type=int, default=(18, 14))
    a = p.parse_args()

    width, height, px = read_ppm(a.image)
    x0, y0, w, h = a.area if a.area else (0, 0, width, height)
    tw, th = a.tile
    lum_cache = {}

    def ratio_of(ground, colour):
        key = (ground, colour)
        r = lum_cache.get(key)
        if r is None:
            r = lum_cache[key] = ratio(ground, colour)
        return r

    results = []
    for ty in range(y0, y0 + h - th + 1, th):
        for tx in range(x0, x0 + w - tw + 1, tw):
            colours = []
            for y in range(ty, ty + th):
                row = (y * width + tx) * 3
                for x in range(tw):
                    i = row + x * 3
                    colours.append((px[i], px[i + 1], px[i + 2]))
            counts = Counter(colours)
            ground, share = counts.most_common(1)[0]
            if share < len(colours) // 2:
                continue
            best = None
            standing = 0
            rows = set()
            cols = set()
            shades = set()
            for k, colour in enumerate(colours):
                if colour != ground and ratio_of(ground, colour) >= 1.5:
                    rows.add(k // tw)
                    cols.add(k % tw)
                    shades.add(colour)
            # Borders, separators and panel edges are lines or solid blocks of
            # one or two colours; anti-aliased text spans rows and columns in
            # several shades.
            if len(rows) < 3 or len(cols) < 3 or len(shades) < 3:
                continue
            for colour, n in counts.items():
                r = ratio_of(ground, colour)
                if r >= 1.5:
                    standing += n
                    if best is None or r > best[0]:
                        best = (r, colour)
            if best is None or standing < 4 or standing > 0.45 * len(colours):
                continue
            results.append((best[0], tx, ty, ground, best[1]))

    if not results:
        print(f"{a.image}: no text found")
        return 0
    low = [r for r in results if r[0] < a.limit]
    lowest = min(results)
    print(f"{a.image}: {len(results)} text tiles, lowest ratio {lowest[0]:.2f} "
          f"(ground #{bytes(lowest[3]).hex()} text #{bytes(lowest[4]).hex()}), {len(low)} below {a.limit}")
    for r, tx, ty, ground, text in sorted(low)[:40]:
        print(f"  {r:5.2f} at {tx},{ty}: ground #{bytes(ground).hex()} text #{bytes(text).hex()}")
    if a.marked:
        draws = []
        for _, tx, ty, _, _ in low:
            draws += ["-draw", f"rectangle {tx},{ty} {tx + tw - 1},{ty + th - 1}"]
        subprocess.run(["convert", a.image, "-fill", "none", "-stroke", "red"] + draws + [a.marked], check=True)
    return 1 if low else 0


if __name__ == "__main__":
    sys.exit(main())
