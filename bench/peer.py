#!/usr/bin/python3
"""The benchmark's peer: the converter's whole job as a user scripts it with
numpy and Pillow.

usage: peer.py FILE.map [--profile]

Reads the text header up to its "eof" line for the image size, the image
count and the species names, takes the float32 samples from the end of the
file, stretches each image between its own smallest and largest sample to 256
grey levels (rounding halves up, in float64; an image of equal samples is
black) and saves it with Pillow at its defaults (zlib level 6) beside the
file as <stem>_<k>_<species>.png, k from 1. --profile prints the seconds of
each phase on stderr.
"""
import os
import sys
import time

import numpy as np
from PIL import Image


def read_header(data):
    end = data.find(b"eof")
    if end < 0:
        sys.exit("no eof line in the header")
    width = height = count = None
    species = []
    for line in data[:end].decode("latin-1").splitlines():
        fields = line.split()
        if not fields:
            continue
        if fields[0] == "NoMapPixelsXY:":
            width, height = int(fields[1]), int(fields[2])
        elif fields[0] == "NoSpectralReg:":
            count = int(fields[1])
        elif fields[0] == "SpectralRegDef:":
            species.append(fields[3])
    if None in (width, height, count) or len(species) != count:
        sys.exit("the header lacks a size, the image count or a species")
    return width, height, species


def stretch(image):
    """256 grey levels from an image's smallest to its largest sample."""
    v = image.astype(np.float64)
    low, high = v.min(), v.max()
    if high == low:
        return np.zeros(image.shape, np.uint8)
    t = (v - low) * (255.0 / (high - low))
    grey = np.floor(t)
    grey += (t - grey) >= 0.5  # halves go up; t is never negative
    return grey.astype(np.uint8)


def main():
    path = sys.argv[1]
    clock = time.perf_counter
    start = clock()
    with open(path, "rb") as f:
        data = f.read()
    width, height, species = read_header(data)
    samples = len(species) * width * height
    if 4 * samples > len(data):
        sys.exit("the file is shorter than its samples")
    # The sample block is the end of the file; within an image, column after column.
    images = np.frombuffer(data, dtype="<f4", count=samples,
                           offset=len(data) - 4 * samples).reshape(len(species), width, height)
    read = clock() - start
    stem = os.path.splitext(path)[0]
    scaling = saving = 0.0
    for k, name in enumerate(species):
        t0 = clock()
        rows = np.ascontiguousarray(stretch(images[k]).T)
        t1 = clock()
        Image.fromarray(rows, mode="L").save(f"{stem}_{k + 1}_{name}.png")
        saving += clock() - t1
        scaling += t1 - t0
    if "--profile" in sys.argv[2:]:
        print(f"read {read:.4f} s, stretch {scaling:.4f} s, png {saving:.4f} s", file=sys.stderr)


if __name__ == "__main__":
    main()
