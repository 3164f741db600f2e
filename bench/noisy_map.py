#!/usr/bin/python3
"""Writes a map file like a real instrument's, for the benchmark.

usage: noisy_map.py W H N SEED OUT.map [--gray8 OUT.gray8]

Each image is smooth structure (a level, a tilt, soft grains, a faint
ripple), sharp-edged particles, and noise that grows with the signal, about
as counting noise does; every third image has its median taken off, so it
holds negative samples. PNG compression then meets what it meets on real
maps: neither white noise nor flat areas. The same arguments give the same
bytes.

The file: a CRLF text header ended by an "eof" line, a few stray bytes, then
the samples as its last 4*N*W*H bytes: little-endian float32, image after
image, column after column within an image. --gray8 also writes the
pictures a converter should make of it (peer.py's stretch): N pictures of
H rows of W bytes.
"""
import argparse

import numpy as np

from peer import stretch

ELEMENTS = ["C1", "O1", "N1", "Si1", "Al1", "Fe2", "Ti1", "Cu2",
            "Ni2", "Cr1", "Mg1", "Ca1", "S1", "K1", "Cl1", "Au1"]


def soft_grains(rng, x, y, level):
    w, h = len(x), len(y)
    total = np.zeros((h, w), np.float32)
    for _ in range(rng.integers(6, 14)):
        centre = rng.uniform((0, 0), (w, h))
        spread = rng.uniform(0.02, 0.25, 2) * (w, h)
        across = np.exp(-0.5 * ((x - centre[0]) / spread[0]) ** 2).astype(np.float32)
        down = np.exp(-0.5 * ((y - centre[1]) / spread[1]) ** 2).astype(np.float32)
        total += np.float32(rng.uniform(-0.6, 1.5) * level) * np.outer(down, across)
    return total


def add_particles(rng, image, x, y, level):
    h, w = image.shape
    for _ in range(rng.integers(3, 9)):
        radius = rng.uniform(0.01, 0.06) * min(w, h)
        cx, cy = rng.uniform(0, w), rng.uniform(0, h)
        height = np.float32(rng.uniform(0.5, 2.0) * level)
        left, right = max(0, int(cx - radius)), min(w, int(cx + radius) + 1)
        top, bottom = max(0, int(cy - radius)), min(h, int(cy + radius) + 1)
        if left < right and top < bottom:  # only the disc's box is touched
            inside = (x[None, left:right] - cx) ** 2 + (y[top:bottom, None] - cy) ** 2 <= radius * radius
            image[top:bottom, left:right] += height * inside


def make_image(rng, w, h, k):
    """One image as image[y, x]."""
    x = np.arange(w, dtype=np.float32)
    y = np.arange(h, dtype=np.float32)
    level = rng.uniform(200, 2000)
    tilt = rng.uniform(-0.3, 0.3, 2) * level
    image = np.full((h, w), level, np.float32)
    image += (tilt[0] * x / w)[None, :] + (tilt[1] * y / h)[:, None]
    image += soft_grains(rng, x, y, level)
    add_particles(rng, image, x, y, level)
    waves = rng.uniform(1, 6, 2)
    image += np.float32(0.05 * level) * np.outer(np.cos(2 * np.pi * waves[1] * y / h),
                                                 np.sin(2 * np.pi * waves[0] * x / w)).astype(np.float32)
    np.maximum(image, 1.0, out=image)
    image += np.sqrt(image) * rng.standard_normal((h, w), dtype=np.float32)
    if k % 3 == 2:
        image -= np.float32(np.median(image))
    return image


def header(w, h, species, seed):
    lines = ["FileType: SyntheticMap", "Version: 1", f"Comment: benchmark map, seed {seed}",
             f"NoMapPixelsXY: {w} {h}", "EBeamScanIncXY: 0.0195 0.0195", f"NoSpectralReg: {len(species)}"]
    for k, name in enumerate(species):
        energy = 300.0 + 97.5 * k
        lines.append(f"SpectralRegDef: {k + 1} 1 {name} {energy:.1f} {energy + 12.0:.1f} 24 0.5")
    lines.append("eof")
    return "".join(line + "\r\n" for line in lines).encode("ascii")


def main():
    args = argparse.ArgumentParser()
    for name in ("w", "h", "n", "seed"):
        args.add_argument(name, type=int)
    args.add_argument("out")
    args.add_argument("--gray8")
    a = args.parse_args()
    rng = np.random.default_rng(a.seed)
    species = [ELEMENTS[k % len(ELEMENTS)] + (f"_{k}" if k >= len(ELEMENTS) else "") for k in range(a.n)]
    stray = rng.integers(0, 256, int(rng.integers(3, 12)), dtype=np.uint8).tobytes()
    pictures = open(a.gray8, "wb") if a.gray8 else None
    with open(a.out, "wb") as out:
        out.write(header(a.w, a.h, species, a.seed) + stray)
        for k in range(a.n):
            image = make_image(rng, a.w, a.h, k)
            np.ascontiguousarray(image.T).astype("<f4").tofile(out)  # column after column
            if pictures:
                pictures.write(stretch(image).tobytes())
    if pictures:
        pictures.close()


if __name__ == "__main__":
    main()
