// The reference converter's interpreter and writers on any bytes: they end, what they draw
// is finite and bounded, and what they write is well-formed.
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "core/Hpgl.h"
#include "core/Render.h"

using namespace refconv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Drawing drawing = interpretHpgl(std::string_view(reinterpret_cast<const char*>(data), size));
  for (const Stroke& stroke : drawing.strokes)
    for (const Point& p : stroke.points)
      if (!std::isfinite(p.x) || !std::isfinite(p.y) || std::fabs(p.x) > 1e8 || std::fabs(p.y) > 1e8) std::abort();
  for (const Label& label : drawing.labels)
    if (!std::isfinite(label.heightPlu) || !std::isfinite(label.angleRad)) std::abort();
  const std::string svg = svgOf(drawing);
  size_t open = 0, close = 0;
  for (const char c : svg) open += c == '<', close += c == '>';
  if (open != close || svg.rfind("</svg>\n") != svg.size() - 7) std::abort();
  const std::string pdf = pdfOf(drawing);
  const size_t startxref = pdf.rfind("startxref\n");
  if (startxref == std::string::npos) std::abort();
  const size_t xref = std::strtoul(pdf.c_str() + startxref + 10, nullptr, 10);
  if (pdf.compare(xref, 5, "xref\n") != 0) std::abort();
  return 0;
}
