#!/usr/bin/env python3
"""Writes the generated sample drawings of samples/ (the hand-written ones are kept as they
are). Run from anywhere; the outputs are committed, so the build does not need Python."""
import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLES = os.path.join(HERE, "..", "..", "samples")


def write(name, data):
    with open(os.path.join(SAMPLES, name), "wb") as f:
        f.write(data.encode("latin-1") if isinstance(data, str) else data)


def gear_plate():
    """A gear plate in user units (mm) through SC, centre lines dashed, bolt holes, a keyway."""
    out = ["IN;IP0,0,16000,12000;SC0,400,0,300,1;SP1;PW0.5;"]
    teeth, r_out, r_in = 24, 110, 96
    points = []
    for i in range(teeth * 4):
        a = 2 * math.pi * i / (teeth * 4)
        r = r_out if i % 4 in (1, 2) else r_in
        points.append((200 + r * math.cos(a), 150 + r * math.sin(a)))
    out.append("PU%.2f,%.2f;PD" % points[0] + ",".join("%.2f,%.2f" % p for p in points[1:] + points[:1]) + ";")
    out.append("PU200,150;CI30;")
    for i in range(6):
        a = 2 * math.pi * i / 6
        out.append("PU%.2f,%.2f;CI8,10;" % (200 + 65 * math.cos(a), 150 + 65 * math.sin(a)))
    out.append("PU194,178;PD194,186,206,186,206,178;")
    out.append("SP2;PW0.25;LT4,2;PU70,150;PD330,150;PU200,20;PD200,280;LT;PU200,150;CI65,5;")
    out.append("SP3;PW0.35;SI0.35,0.5;PU20,20;LBGEAR PLATE  M=2  Z=24\x03PU20,8;SI0.25,0.35;LBSCALE 1:1 (mm)\x03")
    out.append("SP0;")
    write("gear-plate.hgl", "\n".join(out) + "\n")


def encode_pe(values, seven_bit=False):
    """Polyline-encoded numbers: sign in the lowest bit, base 64 (or 32) digits, low first."""
    text = ""
    base = 32 if seven_bit else 64
    for v in values:
        n = (abs(v) << 1) | (1 if v < 0 else 0)
        while True:
            digit, n = n % base, n // base
            if n == 0:
                text += chr(digit + (95 if seven_bit else 191))
                break
            text += chr(digit + 63)
    return text


def site_plan_pcl():
    """An HP-GL/2 site plan in a PCL job: PE polylines, pen widths, filled buildings, labels
    along a road."""
    esc = "\x1b"
    body = ["IN;SP1;PW0.7;"]
    # The site boundary as one encoded polyline, relative moves from the first corner.
    boundary = [(500, 500), (11000, 0), (1500, 6500), (-5000, 2500), (-8000, -1000), (500, -8000)]
    body.append("PE<=" + encode_pe(list(boundary[0])) + encode_pe([v for p in boundary[1:] for v in p]) + ";")
    body.append("SP5;PW0.35;")
    for x, y, w, h in [(2500, 2500, 2500, 1800), (6500, 2000, 1800, 3000), (3500, 5200, 2200, 1400)]:
        body.append("PU%d,%d;RR%d,%d;SP1;ER%d,%d;SP5;" % (x, y, w, h, w, h))
    body.append("SP2;PW1.0;PU0,1500;PD13500,1500;PU0,1100;PD13500,1100;")
    body.append("SP1;SI0.3,0.45;PU600,1200;LBPREFECTURAL ROAD 12\x03")
    body.append("DI1,1;PU9000,3000;LBNORTH GATE\x03DI;")
    body.append("SP6;PU12500,9500;PD12500,10500;PU12300,10100;PD12500,10500,12700,10100;PU12420,9200;LBN\x03")
    body.append("SP0;")
    job = (esc + "%-12345X@PJL JOB NAME=\"SITE\"\r\n@PJL ENTER LANGUAGE=PCL\r\n" + esc + "E" + esc + "&l26A" +
           esc + "*t300R" + esc + "%1B" + "".join(body) + esc + "%0A" + esc + "E" + esc + "%-12345X@PJL EOJ\r\n")
    write("site-plan-pcl.hgl", job)


def pie_chart():
    """A filled pie chart with outlined wedges, a legend and a title."""
    shares = [("STEEL", 35, 2), ("CONCRETE", 25, 3), ("TIMBER", 20, 4), ("GLASS", 12, 5), ("OTHER", 8, 6)]
    out = ["IN;PA4000,4000;"]
    start = 90.0
    for name, percent, pen in shares:
        sweep = -percent * 3.6
        out.append("SP%d;WG2500,%.1f,%.1f,3;SP1;EW2500,%.1f,%.1f,3;" % (pen, start, sweep, start, sweep))
        start += sweep
    y = 6000
    for name, percent, pen in shares:
        out.append("SP%d;PA7500,%d;RR300,300;SP1;ER300,300;PA8000,%d;SI0.25,0.35;LB%s %d%%\x03" %
                   (pen, y, y + 50, name, percent))
        y -= 600
    out.append("SP1;SI0.4,0.6;PA1500,7300;LBMATERIAL SHARE 2026\x03SP0;")
    write("pie-chart.hgl", "\n".join(out) + "\n")


def pictures():
    """Small scanned-drawing stand-ins in each picture format, made with ImageMagick."""
    import subprocess
    base = os.path.join(SAMPLES, "scan.png")
    subprocess.run(["convert", "-size", "480x340", "gradient:#F4F1E8-#D9D2C0",
                    "-stroke", "#203060", "-strokewidth", "3", "-fill", "none",
                    "-draw", "rectangle 20,20 460,320", "-draw", "circle 240,170 240,90",
                    "-draw", "line 20,170 460,170", "-draw", "line 240,20 240,320",
                    "-stroke", "#B02020", "-draw", "polyline 60,280 140,200 220,250 300,120 420,60",
                    "-alpha", "off", "-depth", "8", "-strip", base], check=True)
    for name in ["scan.jpg", "BMP3:scan.bmp", "scan.gif", "scan.tif"]:
        prefix, _, file = name.rpartition(":")
        target = (prefix + ":" if prefix else "") + os.path.join(SAMPLES, file)
        subprocess.run(["convert", base, "-strip", target], check=True)


if __name__ == "__main__":
    pictures()
    gear_plate()
    site_plan_pcl()
    pie_chart()
