// The reference converter's interpreter, writers and rasterizer on any bytes: they end,
// what they draw is finite and bounded, and what they write is well-formed.
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "core/Hpgl.h"
#include "core/Raster.h"
#include "core/Render.h"

using namespace refconv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
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
  // Small pictures keep the runs quick; the rasterizer's paths are the same at any size.
  const Image image = rasterize(drawing.pages.front(), 100, 200);
  if (image.width < 1 || image.height < 1 || image.width > 200 || image.height > 200 ||
      image.rgb.size() != static_cast<size_t>(image.width) * image.height * 3)
    std::abort();
  return 0;
}
