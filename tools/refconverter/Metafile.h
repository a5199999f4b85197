// Drawings and pictures through GDI into metafiles: an enhanced metafile (EMF) in HIMETRIC
// units, and a Windows metafile (WMF) with the placeable header programs look for.
#pragma once

#include <windows.h>

#include <cmath>
#include <functional>

#include "Conversion.h"
#include "WicCodec.h"
#include "core/Raster.h"
#include "core/Render.h"

namespace refconv {

// Plotter units to device units: `scale` device units a plotter unit; y runs down from the
// page's top, or up (negative) in a metafile's HIMETRIC space.
struct Mapping {
  Page page;
  double scale = 1;
  bool yUp = false;
  POINT at(Point p) const {
    const double top = page.bottom + page.heightMm / kMmPerPlu;
    const double x = (p.x - page.left) * scale, y = (top - p.y) * scale;
    return {static_cast<LONG>(std::lround(x)), static_cast<LONG>(std::lround(yUp ? -y : y))};
  }
};

// The plot's shapes on `dc`; a metafile of 16-bit records (`simplePens`) has only plain pens.
void drawPlot(HDC dc, const Plot& plot, const Mapping& map, bool simplePens);
// The picture stretched onto `to`.
void drawPicture(HDC dc, const Picture& picture, RECT to);
// An enhanced metafile in HIMETRIC units (0.01 mm), of `widthMm` x `heightMm`.
void writeEmf(OutputFile& out, double widthMm, double heightMm, const std::function<void(HDC)>& draw);
// A Windows metafile: 16-bit coordinates, so the logical units are chosen to keep the longer
// side under 30,000 (or `unitsPerMm`, when given); `draw` is told the units a millimetre.
void writeWmf(OutputFile& out, double widthMm, double heightMm, const std::function<void(HDC, double)>& draw,
              double unitsPerMm = 0);

}  // namespace refconv
