#!/usr/bin/env python3
"""Checks the reference converter's vector and printer outputs with readers others wrote.

  formats.py DIR NAME...
  formats.py --draw FILE.dxf|FILE.ps PICTURE.png   (a file as its outside reader draws it)

DIR holds, for each NAME, the converter's NAME.png (the reference picture) and its outputs
NAME.dxf .ps .eps .hgl .pcl .xps .pcx .svg .wmf, a PDF's NAME.poppler.png (pdftoppm's picture, which
the converter's own under Wine must agree with), plus NAME.hgl.png and NAME.pcl.png (the converter's own
pictures of its .hgl and .pcl read back). Each output is opened by an outside reader (ezdxf and
its auditor, LibreCAD, Ghostscript, hp2xx, libgxps's xpstopng, librsvg, libwmf, ImageMagick) and its picture compared with
the reference by where the ink is. Prints one line a check; the exit code is the failures.
"""
import glob
import os
import re
import subprocess
import sys

import numpy
from PIL import Image

SIDE = 400  # pictures are compared on ink cropped and scaled to this width
DPI = "300"  # outside readers draw finer than the reference's 100 dpi, so that hairlines show
AGREE = 0.85  # the share of each picture's ink that must lie near the other's


def ink(path, height=None):
    """The inked pixels (darker than light grey), cropped to their box and scaled to SIDE (and
    to `height`, when given, whatever their own proportions): a scaled pixel is inked when any
    pixel it covers is."""
    image = numpy.asarray(Image.open(path).convert("L"))
    dark = image < 200
    rows, cols = numpy.nonzero(dark)
    if rows.size == 0:
        return None
    crop = Image.fromarray((dark[rows.min():rows.max() + 1, cols.min():cols.max() + 1] * 255).astype("uint8"))
    height = height or max(1, round(crop.height * SIDE / crop.width))
    return numpy.asarray(crop.resize((SIDE, height), Image.BOX)) > 0


def near(mask, radius=3):
    """Every pixel within `radius` of the mask's."""
    out = numpy.zeros_like(mask)
    for dy in range(-radius, radius + 1):
        for dx in range(-radius, radius + 1):
            out |= numpy.roll(numpy.roll(mask, dy, 0), dx, 1)
    return out


def agrees(a_path, b_path, stretch=False):
    """Whether two pictures agree by where their ink lies; `stretch` takes the first's ink at
    the second's proportions (libwmf scales a metafile's drawing to its frame on each axis)."""
    b = ink(b_path)
    a = ink(a_path, b.shape[0] if stretch and b is not None else None)
    if a is None or b is None:
        return False, "no ink in " + (a_path if a is None else b_path)
    if abs(a.shape[0] - b.shape[0]) > max(4, a.shape[0] // 20):
        return False, f"shapes differ: {a.shape} against {b.shape}"
    h = min(a.shape[0], b.shape[0])
    a, b = a[:h], b[:h]
    ab = (a & near(b)).sum() / max(1, a.sum())
    ba = (b & near(a)).sum() / max(1, b.sum())
    return ab >= AGREE and ba >= AGREE, f"ink agrees {ab:.2f} / {ba:.2f}"


def like_poppler(ours, poppler):
    """The converter's picture of a PDF page against pdftoppm's: the ink where it lies, and the
    colours too (both shrunk to 200 pixels across, their mean difference a channel under 12 of
    255), so that pictures decoded wrong show even where they cover the same area."""
    ok, why = agrees(ours, poppler)
    difference = colour_difference(ours, poppler)
    return ok and difference < 12, f"{why}, colours differ by {difference:.1f} of 255"


def colour_difference(a_path, b_path):
    """The mean difference of a channel (of 255) between two pictures shrunk to 200 pixels
    across: pictures decoded or coloured wrong show here even where their ink agrees."""
    a, b = (Image.open(path).convert("RGB") for path in (a_path, b_path))
    size = (200, max(1, round(200 * b.height / b.width)))
    return numpy.abs(numpy.asarray(a.resize(size, Image.BOX), dtype=float) -
                     numpy.asarray(b.resize(size, Image.BOX), dtype=float)).mean()


def dpi_for(base):
    """300 dpi, or less for a plot so long (a roll's marker) that a reader's picture of it at
    300 dpi would be hundreds of millions of pixels: its longest side at most 12,000 pixels."""
    try:
        text = open(base + ".eps", "rb").read(4096).decode("latin-1")
        width, height = map(int, re.search(r"^%%BoundingBox: 0 0 (\d+) (\d+)$", text, re.M).groups())
    except (OSError, AttributeError):
        return "300"
    return str(max(10, min(300, 12000 * 72 // max(width, height, 1))))


def run(*args):
    done = subprocess.run(args, capture_output=True, text=True, timeout=120)
    if done.returncode != 0:
        raise RuntimeError(f"{args[0]} failed: {(done.stderr or done.stdout).strip()[-300:]}")
    return done


def draw_dxf(doc, out):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    from ezdxf.addons.drawing import Frontend, RenderContext
    from ezdxf.addons.drawing.matplotlib import MatplotlibBackend
    from ezdxf.addons.drawing.properties import LayoutProperties

    msp = doc.modelspace()
    figure = plt.figure()
    axes = figure.add_axes([0, 0, 1, 1])
    properties = LayoutProperties.from_layout(msp)
    properties.set_colors("#ffffff")
    # A long plot drawn at fewer dots an inch keeps its pens at least a dot wide (min_lineweight
    # is in 1/300 inch), as the other readers' pictures of it do.
    from ezdxf.addons.drawing.config import Configuration
    config = Configuration.defaults().with_changes(min_lineweight=300 / int(DPI))
    Frontend(RenderContext(doc), MatplotlibBackend(axes), config=config).draw_layout(
        msp, finalize=True, layout_properties=properties)
    # The figure takes the drawing's shape and size (millimetres), however long it is.
    left, right = axes.get_xlim()
    bottom, top = axes.get_ylim()
    figure.set_size_inches(max(right - left, 1) / 25.4, max(top - bottom, 1) / 25.4)
    figure.savefig(out, dpi=int(DPI), facecolor="#ffffff")
    plt.close(figure)


def check_dxf(base, ref):
    import ezdxf

    doc = ezdxf.readfile(base + ".dxf")
    auditor = doc.audit()
    if auditor.has_errors:
        return False, "ezdxf's auditor: " + "; ".join(str(e.message) for e in auditor.errors[:3])
    draw_dxf(doc, base + ".dxf.png")
    ok, why = agrees(base + ".dxf.png", ref)
    if not ok:
        return False, "ezdxf: " + why
    # LibreCAD too, printing it to PDF without a display, fitted to its page.
    environment = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    folder = os.path.join(os.path.dirname(os.path.abspath(base)), "librecad")
    os.makedirs(folder, exist_ok=True)
    pdf = os.path.join(folder, os.path.basename(base) + ".pdf")  # it names the PDF after the DXF
    if os.path.exists(pdf):
        os.remove(pdf)
    done = subprocess.run(["librecad", "dxf2pdf", "-a", "-t", folder, os.path.abspath(base + ".dxf")],
                          capture_output=True, text=True, timeout=120, env=environment)
    if done.returncode != 0 or not os.path.exists(pdf):
        return False, "LibreCAD could not print it: " + (done.stderr or done.stdout).strip()[-200:]
    # Opened and drawn is what is asked of it: LibreCAD draws no polyline width, so a wide pen's
    # outline can come out filled, and its ink is only reported.
    printed = ghostscript(pdf, base + ".dxf-librecad-%d.png")[0]
    if ink(printed) is None:
        return False, "LibreCAD printed an empty page"
    return True, f"ezdxf: {why}; LibreCAD opened and printed it ({agrees(printed, ref)[1]})"


def ghostscript(path, out, *options):
    for old in glob.glob(out.replace("%d", "*")):
        os.remove(old)
    run("gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=png16m", "-r" + DPI, *options, "-sOutputFile=" + out, path)
    return sorted(glob.glob(out.replace("%d", "*")))


def check_ps(base, ref, pages):
    made = ghostscript(base + ".ps", base + ".ps-%d.png")
    if len(made) != pages:
        return False, f"Ghostscript drew {len(made)} pages of {pages}"
    return agrees(made[0], ref)


def check_eps(base, ref):
    text = open(base + ".eps", "rb").read().decode("latin-1")
    if not re.search(r"^%%BoundingBox: 0 0 \d+ \d+$", text, re.M):
        return False, "no bounding box"
    made = ghostscript(base + ".eps", base + ".eps-%d.png", "-dEPSCrop")
    return agrees(made[0], ref)


def hp2xx(path, out):
    run("timeout", "60", "hp2xx", "-q", "-m", "png", "-d", "100", "-f", out, path)
    return out


def check_hgl(base, ref):
    ok, why = agrees(base + ".hgl.png", ref)  # our own reader, through the converter
    if not ok:
        return False, "read back: " + why
    ok, why = agrees(hp2xx(base + ".hgl", base + ".hgl-hp2xx.png"), ref)
    return ok, ("hp2xx: " if not ok else "") + why


def pcl_raster(data):
    """The picture of a PCL job's raster graphics: ESC*r#S wide, ESC*r#T high, 24-bit rows
    (ESC*v6W direct by pixel) sent by ESC*b#W, compressed as ESC*b#M says (0 none, 2 PackBits)."""
    width = int(re.search(rb"\x1b\*r(\d+)S", data).group(1))
    mode, rows, at = 0, [], 0
    command = re.compile(rb"\x1b\*b(\d+)([MW])")
    while (found := command.search(data, at)):
        value, letter = int(found.group(1)), found.group(2)
        at = found.end()
        if letter == b"M":
            mode = value
            continue
        row, packed = bytearray(), data[at:at + value]
        at += value
        if mode == 0:
            row = bytearray(packed)
        else:
            i = 0
            while i < len(packed):
                n = packed[i] - 256 if packed[i] > 127 else packed[i]
                if n >= 0:
                    row += packed[i + 1:i + 2 + n]
                    i += n + 2
                elif n != -128:
                    row += packed[i + 1:i + 2] * (1 - n)
                    i += 2
                else:
                    i += 1
        rows.append(bytes(row[:width * 3]).ljust(width * 3, b"\0"))
    return numpy.frombuffer(b"".join(rows), dtype=numpy.uint8).reshape(len(rows), width, 3)


def check_pcl(base, ref, pages, pdf=False):
    data = open(base + ".pcl", "rb").read()
    if b"\x1b%0B" not in data:  # a picture: its raster, pixel for pixel
        expected = numpy.asarray(Image.open(ref).convert("RGB"))
        got = pcl_raster(data)
        if got.shape != expected.shape:
            if not pdf:
                return False, f"raster {got.shape} against the picture's {expected.shape}"
            # A PDF page with pictures goes as a raster of its own resolution: compared by ink.
            Image.fromarray(got[:got.shape[0] // pages] if pages > 1 else got).save(base + ".pcl-raster.png")
            return agrees(base + ".pcl-raster.png", ref)
        differ = int((got != expected).any(axis=2).sum())
        return differ == 0, f"raster: {differ} pixels differ"
    ok, why = agrees(base + ".pcl.png", ref)
    if not ok:
        return False, "read back: " + why
    plots = re.findall(rb"\x1b%0B(.*?)\x1b%0A", data, re.S)
    if len(plots) != pages:
        return False, f"{len(plots)} HP-GL/2 plots in the job for {pages} pages"
    with open(base + ".pcl-first.hgl", "wb") as first:
        first.write(plots[0])
    ok, why = agrees(hp2xx(base + ".pcl-first.hgl", base + ".pcl-hp2xx.png"), ref)
    return ok, ("hp2xx: " if not ok else "") + why


def check_xps(base, ref, pages):
    for old in glob.glob(base + ".xps-*.png"):
        os.remove(old)
    run("xpstopng", "-r", DPI, base + ".xps", base + ".xps")
    made = sorted(glob.glob(base + ".xps-*.png"))
    if len(made) != pages:
        return False, f"xpstopng drew {len(made)} pages of {pages}"
    return agrees(made[0], ref)


def check_svg(base, ref):
    run("rsvg-convert", "-d", DPI, "-p", DPI, "-b", "white", "-o", base + ".svg.png", base + ".svg")
    return agrees(base + ".svg.png", ref)


def check_wmf(base, ref):
    run("wmf2gd", "-t", "png", "-o", base + ".wmf.png", base + ".wmf")
    return agrees(base + ".wmf.png", ref, stretch=True)


def check_pcx(base, ref):
    out = run("compare", "-metric", "AE", base + ".pcx", ref, "null:")
    return True, "ImageMagick: " + (out.stderr.strip() or "0") + " pixels differ"


def main():
    if sys.argv[1] == "--draw":
        path, out = sys.argv[2], sys.argv[3]
        if path.endswith(".dxf"):
            import ezdxf
            draw_dxf(ezdxf.readfile(path), out)
        else:
            os.replace(ghostscript(path, out + "-%d.png")[0], out)
        return 0
    folder, names = sys.argv[1], sys.argv[2:]
    failures = 0
    global DPI
    for name in names:
        base = os.path.join(folder, name)
        ref = base + ".png"
        DPI = dpi_for(base)
        pages = int(open(base + ".pages").read()) if os.path.exists(base + ".pages") else 1
        checks = {
            "dxf": lambda: check_dxf(base, ref),
            "ps": lambda: check_ps(base, ref, pages),
            "eps": lambda: check_eps(base, ref),
            "hgl": lambda: check_hgl(base, ref),
            "pcl": lambda: check_pcl(base, ref, pages, name.startswith("pdf-")),
            "svg": lambda: check_svg(base, ref),
            "wmf": lambda: check_wmf(base, ref),
            "poppler.png": lambda: like_poppler(ref, base + ".poppler.png"),
            "xps": lambda: check_xps(base, ref, pages),
            "pcx": lambda: check_pcx(base, ref),
        }
        for kind, check in checks.items():
            if not os.path.exists(base + "." + kind):
                continue
            try:
                ok, why = check()
            except Exception as error:  # a reader that refuses the file is a failure of ours
                ok, why = False, f"{type(error).__name__}: {error}"
            failures += not ok
            print(f"{'ok    ' if ok else 'FAILED'} {name}.{kind}: {why}")
    return min(failures, 100)


if __name__ == "__main__":
    sys.exit(main())
