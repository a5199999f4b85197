// The reference converter's interpreter, writers and rasterizer on any bytes: they end,
// what they draw is finite and bounded, and what they write is well-formed.
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "core/Dxf.h"
#include "core/Hpgl.h"
#include "core/HpglWriter.h"
#include "core/Pcx.h"
#include "core/PclRaster.h"
#include "core/PostScript.h"
#include "core/Raster.h"
#include "core/Render.h"
#include "core/Xps.h"

using namespace refconv;

namespace {

size_t count(const std::string& text, const std::string& word) {
  size_t n = 0;
  for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + word.size())) ++n;
  return n;
}

// DXF as its readers take it: pairs of lines, each code a number, sections and polylines closed.
void checkDxf(const std::string& dxf) {
  size_t lines = 0, at = 0;
  while (at < dxf.size()) {
    const size_t end = dxf.find('\n', at);
    if (end == std::string::npos) std::abort();
    if (lines % 2 == 0) {
      if (end == at) std::abort();
      for (size_t i = at; i < end; ++i)
        if (dxf[i] < '0' || dxf[i] > '9') std::abort();
    }
    ++lines, at = end + 1;
  }
  if (lines % 2 != 0 || dxf.size() < 6 || dxf.compare(dxf.size() - 6, 6, "0\nEOF\n") != 0) std::abort();
  if (count(dxf, "\nSECTION\n") != count(dxf, "\nENDSEC\n") || count(dxf, "\nPOLYLINE\n") != count(dxf, "\nSEQEND\n"))
    std::abort();
}

// The formats that hold every page: PostScript with its pages balanced, the plotter files
// read back as as many pages, the package with a part a page.
void checkDocuments(const Drawing& drawing) {
  const std::string ps = psOf(drawing);
  if (count(ps, "save\n") != count(ps, "restore\n") || count(ps, "%%Page: ") != drawing.pages.size() ||
      ps.find("%%Pages: " + std::to_string(drawing.pages.size()) + "\n") == std::string::npos)
    std::abort();
  const std::string eps = epsOf(drawing.pages.front());
  if (count(eps, "save\n") != count(eps, "restore\n") || eps.find("%%BoundingBox: 0 0 ") == std::string::npos)
    std::abort();
  if (drawing.truncated) return;  // read back, it would stop at the limits somewhere else
  for (const std::string& file : {hpglOf(drawing), pclOf(drawing)}) {
    const Drawing back = interpretHpgl(file);
    if (back.pages.size() != drawing.pages.size() || back.unknownCommands != 0 || back.ignoredCommands != 0)
      std::abort();
  }
  const std::string xps = xpsOf(drawing);
  const size_t end = xps.rfind("PK\x05\x06");
  if (end == std::string::npos || end + 22 != xps.size() ||
      static_cast<unsigned char>(xps[end + 10]) + 256u * static_cast<unsigned char>(xps[end + 11]) !=
          4 + drawing.pages.size())
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A PCL job's raster: a picture of whole rows, within its bound.
  if (const auto raster = pclRaster(std::string_view(reinterpret_cast<const char*>(data), size))) {
    if (raster->width <= 0 || raster->height <= 0 ||
        raster->rgb.size() != static_cast<size_t>(raster->width) * raster->height * 3 ||
        static_cast<size_t>(raster->width) * raster->height > 64'000'000)
      std::abort();
  }
  const Drawing drawing = interpretHpgl(std::string_view(reinterpret_cast<const char*>(data), size));
  if (drawing.pages.empty() || drawing.pages.size() > 256) std::abort();
  size_t points = 0;
  for (const Plot& plot : drawing.pages)
    for (const Shape& shape : plot.shapes) {
      if (!std::isfinite(shape.widthMm) || shape.widthMm < 0 || shape.paths.empty()) std::abort();
      for (const auto& path : shape.paths) {
        if (path.size() < 2) std::abort();
        points += path.size();
        for (const Point& p : path)
          if (!std::isfinite(p.x) || !std::isfinite(p.y) || std::fabs(p.x) > 1e8 || std::fabs(p.y) > 1e8) std::abort();
      }
    }
  if (points > 4'000'000) std::abort();
  const std::string svg = svgOf(drawing.pages.front());
  size_t open = 0, close = 0;
  for (const char c : svg) open += c == '<', close += c == '>';
  if (open != close || svg.rfind("</svg>\n") != svg.size() - 7) std::abort();
  const std::string pdf = pdfOf(drawing);
  const size_t startxref = pdf.rfind("startxref\n");
  if (startxref == std::string::npos) std::abort();
  const size_t xref = std::strtoul(pdf.c_str() + startxref + 10, nullptr, 10);
  if (pdf.compare(xref, 5, "xref\n") != 0) std::abort();
  checkDxf(dxfOf(drawing.pages.front()));
  checkDocuments(drawing);
  // Small pictures keep the runs quick; the rasterizer's paths are the same at any size.
  const Image image = rasterize(drawing.pages.front(), 100, 200);
  if (image.width < 1 || image.height < 1 || image.width > 200 || image.height > 200 ||
      image.rgb.size() != static_cast<size_t>(image.width) * image.height * 3)
    std::abort();
  const std::string pcx = pcxOf(image);
  if (pcx.size() < 128 + static_cast<size_t>(image.height) * 3 || pcx[0] != 10 || pcx[65] != 3) std::abort();
  return 0;
}
