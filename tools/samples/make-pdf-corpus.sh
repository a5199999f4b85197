#!/usr/bin/env bash
# Writes the PDF corpus of tests/data/pdf with producers Debian ships (scripts/setup installs
# them): Ghostscript, groff, pdflatex, matplotlib, gnuplot and librsvg through cairo,
# reportlab, wkhtmltopdf (Qt) and img2pdf, then qpdf's rewrites of some of them (object
# streams, linearized, encrypted with an empty password) and damaged copies. The check in
# scripts/test draws each with the converter and with pdftoppm and compares the ink. The
# outputs are committed; run again only to change the corpus.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
OUT=${PDF_CORPUS_OUT:-$HERE/../../tests/data/pdf}  # elsewhere, to try a change
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$OUT"
cd "$WORK"
export SOURCE_DATE_EPOCH=1700000000 QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$WORK

# groff: through Ghostscript (CFF subsets) and through its own PDF writer (Type 1).
cat >memo.ms <<'TXT'
.TL
Site memo
.PP
The \fBfoundation\fP plan was revised; see \fIsheet 3\fP for the new grid.
.IP \(bu
Columns C1 to C8 move 150 mm east.
.IP \(bu
Drawings are issued at 1:100 on A1.
TXT
groff -ms -Tps memo.ms >memo.ps
ps2pdf memo.ps "$OUT/groff-ps2pdf.pdf"
groff -ms -Tpdf memo.ms >"$OUT/groff-gropdf.pdf"

# Ghostscript: PostScript's shadings of every other type (function-based, triangle meshes,
# lattices, Coons and tensor-product patches) kept as PDF shadings.
cat >shadings.ps <<'PS'
%!PS-Adobe-3.0
%%BoundingBox: 0 0 400 300
<< /PageSize [400 300] >> setpagedevice
% A Gouraud triangle mesh (type 4)
<< /ShadingType 4 /ColorSpace /DeviceRGB
   /DataSource [ 0 20 20 1 0 0   0 180 20 0 1 0   0 100 150 0 0 1   1 200 140 1 1 0 ] >> shfill
% A Coons patch (type 6)
<< /ShadingType 6 /ColorSpace /DeviceRGB
   /DataSource [ 0  220 20  210 70  230 120  220 170   270 180  320 170   380 180  390 120  380 60  370 20  320 30  270 10
                 1 0 0   0 1 0   0 0 1   1 1 0 ] >> shfill
% A function-based shading (type 1)
<< /ShadingType 1 /ColorSpace /DeviceRGB /Domain [0 1 0 1] /Matrix [160 0 0 70 20 210]
   /Function << /FunctionType 0 /Domain [0 1 0 1] /Range [0 1 0 1 0 1] /Size [2 2] /BitsPerSample 8
                /DataSource <ff000000ff000000ffffff00> >> >> shfill
% A lattice (type 5)
<< /ShadingType 5 /ColorSpace /DeviceRGB /VerticesPerRow 3
   /DataSource [200 200 1 0 0  240 210 0 1 0  280 200 0 0 1   200 280 0 0 1  240 270 1 1 0  280 285 1 0 1] >> shfill
% A tensor-product patch (type 7)
<< /ShadingType 7 /ColorSpace /DeviceRGB
   /DataSource [ 0  300 200  300 230  300 260  300 290   330 290  360 290   390 290  390 260  390 230  390 200  360 200  330 200
                 320 220  320 270  370 270  370 220
                 0 0 1   1 0 1   1 1 0   0 1 1 ] >> shfill
showpage
PS
ps2pdf shadings.ps "$OUT/ghostscript-shadings.pdf"

# pdflatex: Type 1 fonts, mathematics, a table, LaTeX's picture environment.
cat >table.tex <<'TEX'
\documentclass[a5paper]{article}
\begin{document}
\section*{Load table}
The design load is $q = \frac{w L^2}{8}$ for a beam of span $L$, with $\sum_i F_i = 0$.
\begin{center}
\begin{tabular}{|l|r|r|}\hline
Member & Span (m) & Load (kN) \\ \hline
B1 & 6.0 & 42.5 \\ B2 & 4.5 & 31.0 \\ \hline
\end{tabular}
\end{center}
\setlength{\unitlength}{1mm}
\begin{picture}(100,40)
\put(0,0){\framebox(100,40){}}
\put(10,10){\line(1,0){80}}
\put(50,25){\circle{20}}
\put(10,10){\vector(2,1){30}}
\end{picture}
\end{document}
TEX
pdflatex -interaction=batchmode table.tex >/dev/null
cp table.pdf "$OUT/pdflatex.pdf"

# matplotlib: Type 3 and TrueType fonts with Japanese, an image with alpha, lines clipped
# to the axes.
/usr/bin/python3 - "$OUT" <<'PY'
import sys
import matplotlib
matplotlib.use("pdf")
import matplotlib.pyplot as plt
import numpy as np
out = sys.argv[1]
matplotlib.rcParams["font.family"] = ["DejaVu Sans", "IPAGothic"]
matplotlib.rcParams["pdf.compression"] = 6
for fonttype in (3, 42):
    matplotlib.rcParams["pdf.fonttype"] = fonttype
    fig, ax = plt.subplots(figsize=(6, 4))
    x = np.linspace(0, 10, 200)
    ax.plot(x, np.sin(x) * 1.4, label="荷重 load")
    ax.plot(x, np.cos(x), "--", label="変位 shift")
    ax.set_ylim(-1, 1)  # the first curve runs past the axes and is clipped
    ax.set_title("梁の応答 beam response")
    ax.legend()
    fig.savefig(f"{out}/matplotlib-type{fonttype}.pdf")
    plt.close(fig)
matplotlib.rcParams["pdf.fonttype"] = 42
fig, ax = plt.subplots(figsize=(5, 4))
y, x = np.mgrid[0:40, 0:60]
ax.imshow(np.sin(x / 6.0) * np.cos(y / 5.0), cmap="viridis", extent=(0, 6, 0, 4))
rgba = np.zeros((20, 30, 4)); rgba[..., 0] = 1; rgba[..., 3] = np.linspace(0, 1, 30)[None, :]
ax.imshow(rgba, extent=(1, 5, 1, 3))
ax.set_title("等高線 contour")
fig.savefig(f"{out}/matplotlib-images.pdf")
plt.close(fig)
fig, ax = plt.subplots(figsize=(5, 3.5))
ax.bar(["A", "B", "C"], [3, 5, 2], color="white", edgecolor="black", hatch="//")
ax.bar(["D"], [4], color="#88c", hatch="xx")
ax.set_title("区画 areas")
fig.savefig(f"{out}/matplotlib-hatch.pdf")
PY

# gnuplot through cairo: lines, points, filled curves, a key, CFF fonts.
gnuplot <<'GP'
set terminal pdfcairo size 6in,4in font "DejaVu Sans,10"
set output "gnuplot-cairo.pdf"
set title "Deflection (mm)"
set grid
set style fill transparent solid 0.3
plot [0:10] sin(x)*exp(-x/5) with filledcurves y1=0 title "envelope", cos(x) with linespoints title "cos"
GP
cp gnuplot-cairo.pdf "$OUT/"

# librsvg through cairo: shapes, dashes, a clip path, Japanese text.
cat >sheet.svg <<'SVG'
<svg xmlns="http://www.w3.org/2000/svg" width="400" height="280" viewBox="0 0 400 280">
  <defs><clipPath id="c"><circle cx="300" cy="90" r="60"/></clipPath>
    <linearGradient id="g"><stop offset="0" stop-color="#2040a0"/><stop offset="1" stop-color="#a0e0ff"/></linearGradient>
    <radialGradient id="r"><stop offset="0" stop-color="yellow"/><stop offset="1" stop-color="#c04000"/></radialGradient></defs>
  <rect x="10" y="10" width="380" height="260" fill="none" stroke="black" stroke-width="2"/>
  <rect x="40" y="40" width="150" height="100" fill="#c8dcf0" stroke="navy"/>
  <g clip-path="url(#c)"><rect x="220" y="20" width="160" height="160" fill="#e08040"/>
    <path d="M220 20 L380 180 M380 20 L220 180" stroke="black" stroke-width="6"/></g>
  <polyline points="40,200 100,170 160,230 220,190" fill="none" stroke="green" stroke-width="3" stroke-dasharray="12 6"/>
  <rect x="250" y="190" width="120" height="30" fill="url(#g)"/>
  <circle cx="200" cy="90" r="25" fill="url(#r)" fill-opacity="0.8"/>
  <text x="40" y="255" font-family="IPAGothic" font-size="20">配置図 site plan</text>
</svg>
SVG
rsvg-convert -f pdf -o "$OUT/rsvg-cairo.pdf" sheet.svg

# reportlab: the standard 14 fonts and a Japanese CID font, none of them embedded.
/usr/bin/python3 - "$OUT" <<'PY'
import sys
from reportlab.pdfgen import canvas
from reportlab.pdfbase import pdfmetrics
from reportlab.pdfbase.cidfonts import UnicodeCIDFont
pdfmetrics.registerFont(UnicodeCIDFont("HeiseiKakuGo-W5"))
c = canvas.Canvas(sys.argv[1] + "/reportlab-fonts.pdf", pagesize=(420, 300), invariant=1)
c.setFont("Helvetica-Bold", 18); c.drawString(30, 260, "Transmittal")
c.setFont("Times-Roman", 12); c.drawString(30, 235, "Drawings issued for construction, revision C.")
c.setFont("Courier", 11); c.drawString(30, 215, "A-101  A-102  S-201")
c.setFont("HeiseiKakuGo-W5", 14); c.drawString(30, 185, "構造図 一式 送付します")
c.setLineWidth(1.5); c.rect(25, 170, 370, 110)
c.setDash(6, 3); c.line(30, 160, 390, 160)
c.setFillColorCMYK(0, 0.6, 0.9, 0); c.circle(340, 100, 40, fill=1, stroke=0)
c.showPage()
c.setFont("Helvetica", 12); c.drawString(30, 260, "Page 2")
c.save()
PY

# wkhtmltopdf (Qt): Japanese text, a table, a picture.
convert -size 120x80 gradient:'#2060c0'-'#c0e0ff' photo.jpg
cat >page.html <<'HTML'
<html><head><meta charset="utf-8"><style>body{font-family:IPAGothic,sans-serif}h2{background:linear-gradient(90deg,#c0d8ff,#ffffff)}td{border:1px solid #333;padding:4px}</style></head>
<body><h2>図面一覧 Drawing list</h2><table><tr><td>A-101</td><td>平面図</td></tr><tr><td>A-201</td><td>立面図</td></tr></table>
<p><img src="photo.jpg"> 現場写真 site photo</p></body></html>
HTML
wkhtmltopdf -q --enable-local-file-access -s A5 page.html "$OUT/wkhtmltopdf.pdf" 2>/dev/null

# img2pdf: a JPEG as it is (DCT), a PNG (Flate with predictors), a one-bit scan, and a scan
# of CCITT Group 4 fax data, as scanners make them.
convert -size 300x200 plasma:fractal -seed 4 scan.jpg 2>/dev/null || convert -size 300x200 gradient:red-yellow scan.jpg
convert -size 240x160 xc:white -stroke black -strokewidth 3 -draw "line 10,10 230,150" -draw "rectangle 40,40 200,120" scan.png
convert scan.png -monochrome scan-1bit.png
img2pdf --pagesize A6 -o "$OUT/img2pdf-jpeg.pdf" scan.jpg
img2pdf -o "$OUT/img2pdf-png.pdf" scan.png
img2pdf -o "$OUT/img2pdf-1bit.pdf" scan-1bit.png
convert scan.png -monochrome -compress Group4 scan-fax.tif
img2pdf -o "$OUT/img2pdf-fax.pdf" scan-fax.tif

# LibreCAD's dxf2pdf is left out: the one Debian 12 ships writes its pages a thousand times
# too large (an A4 page of 297 m), which pdftoppm refuses to draw.

# qpdf's rewrites: object streams, linearized, encrypted with an empty user password.
qpdf --object-streams=generate "$OUT/matplotlib-type42.pdf" "$OUT/qpdf-object-streams.pdf"
qpdf --linearize "$OUT/reportlab-fonts.pdf" "$OUT/qpdf-linearized.pdf"
qpdf --allow-weak-crypto --encrypt "" owner 128 --use-aes=n -- "$OUT/groff-ps2pdf.pdf" "$OUT/qpdf-rc4.pdf"
qpdf --encrypt "" owner 128 --use-aes=y -- "$OUT/gnuplot-cairo.pdf" "$OUT/qpdf-aes128.pdf"
qpdf --encrypt "" owner 256 -- "$OUT/rsvg-cairo.pdf" "$OUT/qpdf-aes256.pdf"
# One that needs a password: refused with the reason.
qpdf --encrypt user owner 256 -- "$OUT/rsvg-cairo.pdf" "$OUT/password-aes256.pdf"

# Damaged copies: each must be drawn or refused with its reason, never crash.
src="$OUT/gnuplot-cairo.pdf"
head -c $(( $(stat -c %s "$src") * 2 / 3 )) "$src" >"$OUT/damaged-truncated.pdf"
sed 's/startxref/startxreF/' "$src" >"$OUT/damaged-no-startxref.pdf"
/usr/bin/python3 - "$src" "$OUT/damaged-shifted.pdf" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
at = data.find(b"obj") + 3
open(sys.argv[2], "wb").write(data[:at] + b"\n% forty bytes of a mailer's junk here...\n" + data[at:])
PY
ls -la "$OUT"
