#!/usr/bin/env python3
"""Writes the PDF samples of samples/ with a producer Debian ships (matplotlib, its fonts
embedded as TrueType): a small plan with Japanese notes, for the demo and the end-to-end
test of 出力２. Run from anywhere with Debian's Python; the outputs are committed."""
import os

import matplotlib

matplotlib.use("pdf")
import matplotlib.pyplot as plt  # noqa: E402
from matplotlib.patches import Circle, Rectangle  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLES = os.path.join(HERE, "..", "..", "samples")


def plan_notes():
    matplotlib.rcParams["pdf.fonttype"] = 42
    matplotlib.rcParams["font.family"] = ["DejaVu Sans", "IPAGothic"]
    fig, ax = plt.subplots(figsize=(8.27, 5.83))  # A5 across
    ax.set_aspect("equal")
    ax.set_xlim(0, 200)
    ax.set_ylim(0, 140)
    ax.axis("off")
    ax.add_patch(Rectangle((10, 10), 180, 120, fill=False, linewidth=1.5))
    ax.add_patch(Rectangle((30, 30), 60, 40, facecolor="#d0e4f5", edgecolor="black"))
    ax.add_patch(Rectangle((110, 30), 60, 70, facecolor="#f5e0c0", edgecolor="black"))
    ax.add_patch(Circle((60, 100), 12, fill=False, linestyle="--", edgecolor="red"))
    ax.plot([30, 170], [20, 20], color="black", linewidth=0.5)
    for x in (30, 170):
        ax.plot([x, x], [17, 23], color="black", linewidth=0.5)
    ax.text(100, 22, "14,000", ha="center", fontsize=9)
    ax.text(60, 50, "倉庫 Storage", ha="center", fontsize=11)
    ax.text(140, 65, "作業場 Workshop", ha="center", fontsize=11)
    ax.text(60, 98, "植栽", ha="center", fontsize=9, color="red")
    ax.text(15, 133, "配置図 Site plan  S=1:200", fontsize=12, weight="bold")
    fig.savefig(os.path.join(SAMPLES, "plan-notes.pdf"), metadata={"CreationDate": None})


if __name__ == "__main__":
    plan_notes()
