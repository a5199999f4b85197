#!/usr/bin/env python3
"""Draws each PDF of the corpus (tests/data/pdf) with the converter's reader (build/native/
pdf_pages) and with poppler's pdftoppm, both at 100 dpi, and compares them by where the ink
lies: a page agrees at an ink F1 of 0.90 or more (ink: darker than light grey; a pixel of one
counts as matched when the other has ink within half a millimetre), and their colours differ by
less than 12 of 255 on average. At least 90 % of the files must agree on every page. Files named damaged-* or password-* must be drawn or refused with a
reason, never crash. Prints a line a file ("differs" for one that does not agree, which the
summary weighs) and the summary; the exit code counts the failures.

  pdfcorpus.py PDF-FOLDER PDF_PAGES OUT-FOLDER
"""
import glob
import os
import subprocess
import sys

import numpy
from PIL import Image

from formats import colour_difference, near

F1 = 0.90
COLOURS = 12  # the most the pictures' colours may differ, a channel in 255, on average
SHARE = 0.90


def ink(path):
    return numpy.asarray(Image.open(path).convert("L")) < 200


def f1(ours, theirs):
    a, b = ink(ours), ink(theirs)
    h, w = min(a.shape[0], b.shape[0]), min(a.shape[1], b.shape[1])
    if abs(a.shape[0] - b.shape[0]) > 2 or abs(a.shape[1] - b.shape[1]) > 2:
        return 0.0
    a, b = a[:h, :w], b[:h, :w]
    if not a.any() and not b.any():
        return 1.0
    precision = (a & near(b, 2)).sum() / max(1, a.sum())
    recall = (b & near(a, 2)).sum() / max(1, b.sum())
    return 2 * precision * recall / max(precision + recall, 1e-9)


def main():
    folder, pdf_pages, out = sys.argv[1:4]
    os.makedirs(out, exist_ok=True)
    agreed = compared = failures = 0
    for pdf in sorted(glob.glob(os.path.join(folder, "*.pdf"))):
        name = os.path.basename(pdf)[:-4]
        base = os.path.join(out, name)
        for old in glob.glob(base + "-*.p?m"):
            os.remove(old)
        try:
            done = subprocess.run([pdf_pages, pdf, base + "-ours"], capture_output=True, text=True, timeout=120)
        except subprocess.TimeoutExpired:
            print(f"FAILED {name}: took more than two minutes")
            failures += 1
            continue
        said = (done.stdout.strip().splitlines() or [""])[-1]
        if done.returncode not in (0, 1) or not said:
            print(f"FAILED {name}: the reader ended with {done.returncode} {done.stderr.strip()[-200:]}")
            failures += 1
            continue
        if name.startswith(("damaged-", "password-")):
            print(f"ok     {name}: {said}")
            continue
        compared += 1
        if done.returncode != 0:
            print(f"differs {name}: {said}")
            continue
        subprocess.run(["pdftoppm", "-r", "100", pdf, base + "-theirs"], capture_output=True, timeout=120)
        ours = sorted(glob.glob(base + "-ours-*.ppm"), key=lambda p: int(p.rsplit("-", 1)[1][:-4]))
        theirs = sorted(glob.glob(base + "-theirs-*.ppm"), key=lambda p: int(p.rsplit("-", 1)[1][:-4]))
        if len(ours) != len(theirs):
            print(f"differs {name}: {len(ours)} pages against pdftoppm's {len(theirs)}")
            continue
        scores = [f1(a, b) for a, b in zip(ours, theirs)]
        shades = [colour_difference(a, b) for a, b in zip(ours, theirs)]
        good = min(scores) >= F1 and max(shades) < COLOURS
        agreed += good
        print(f"{'ok    ' if good else 'differs'} {name}: ink F1 " + " ".join(f"{s:.2f}" for s in scores) +
              ", colours differ by " + " ".join(f"{d:.1f}" for d in shades) + " " + said[2:])
    share = agreed / max(1, compared)
    enough = share >= SHARE
    print(f"{'ok    ' if enough else 'FAILED'} {agreed} of {compared} files agree with pdftoppm ({share:.0%}, "
          f"at least {SHARE:.0%} must)")
    return failures + (0 if enough else 1)


if __name__ == "__main__":
    sys.exit(min(main(), 100))
