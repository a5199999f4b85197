#include "Render.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "Bitmaps.h"

namespace refconv {

namespace {

std::string format(const char* pattern, double a) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, pattern, a);
  return buffer;
}

std::string num(double v) { return decimal(v); }

std::string precise(double v) { return format("%.6f", v); }

std::string pdfColor(uint32_t rgb, const char* op) {
  return num(((rgb >> 16) & 0xFF) / 255.0) + " " + num(((rgb >> 8) & 0xFF) / 255.0) + " " + num((rgb & 0xFF) / 255.0) +
         " " + op + "\n";
}

// Objects numbered from 1 in the order given, `root` the catalogue's. Offsets make the
// cross-reference table.
std::string pdfFile(const std::vector<std::string>& objects, size_t root) {
  std::string out = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(out.size());
    out += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const size_t xref = out.size();
  out += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (const size_t offset : offsets) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
    out += line;
  }
  out += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root " + std::to_string(root) +
         " 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return out;
}

std::string stream(const std::string& dictionary, const std::string& data) {
  return "<< " + dictionary + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream";
}

}  // namespace

std::string decimal(double v, int places) {
  const double half = 0.5 * std::pow(10.0, -places);
  if (!std::isfinite(v) || std::fabs(v) < half) v = 0;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", places, v);
  std::string s = buffer;
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  return s;
}

std::string hexColor(uint32_t rgb) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "#%06X", static_cast<unsigned>(rgb & 0xFFFFFF));
  return buffer;
}

Page pageOf(const Plot& plot) {
  Page page;
  if (!plot.frame.empty) {
    page.left = plot.frame.minX;
    page.bottom = plot.frame.minY;
    page.widthMm = plot.frame.width() * kMmPerPlu;
    page.heightMm = plot.frame.height() * kMmPerPlu;
    return page;
  }
  if (plot.bounds.empty) return page;
  const double margin = kMarginMm / kMmPerPlu;
  page.left = plot.bounds.minX - margin;
  page.bottom = plot.bounds.minY - margin;
  page.widthMm = (plot.bounds.width() + 2 * margin) * kMmPerPlu;
  page.heightMm = (plot.bounds.height() + 2 * margin) * kMmPerPlu;
  return page;
}

bool isClosed(const std::vector<Point>& path) {
  return path.size() > 2 && path.front().x == path.back().x && path.front().y == path.back().y;
}

namespace {

const char* svgCap(LineEnd end) {
  switch (end) {
    case LineEnd::Square: return "square";
    case LineEnd::Round:
    case LineEnd::Triangle: return "round";  // SVG has no pointed end
    default: return "butt";
  }
}

const char* svgJoin(LineJoin join) {
  switch (join) {
    case LineJoin::Round: return "round";
    case LineJoin::Bevel:
    case LineJoin::Triangle:
    case LineJoin::None: return "bevel";
    default: return "miter";  // beyond the limit a miter is bevelled, as LA's mitered/beveled
  }
}

int pdfCap(LineEnd end) {
  return end == LineEnd::Round || end == LineEnd::Triangle ? 1 : end == LineEnd::Square ? 2 : 0;
}
int pdfJoin(LineJoin join) {
  return join == LineJoin::Round ? 1 : join == LineJoin::Miter || join == LineJoin::MiterBevel ? 0 : 2;
}

}  // namespace

std::string svgOf(const Plot& plot) {
  const bool hasImage = std::any_of(plot.shapes.begin(), plot.shapes.end(), [](const Shape& s) { return s.image; });
  const Page page = pageOf(plot);
  const double top = page.bottom + page.heightMm / kMmPerPlu;
  auto x = [&](double v) { return num((v - page.left) * kMmPerPlu); };
  auto y = [&](double v) { return num((top - v) * kMmPerPlu); };
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"" +
                    std::string(hasImage ? " xmlns:xlink=\"http://www.w3.org/1999/xlink\"" : "") + " width=\"" +
                    num(page.widthMm) + "mm\" height=\"" + num(page.heightMm) + "mm\" viewBox=\"0 0 " +
                    num(page.widthMm) + " " + num(page.heightMm) +
                    "\">\n<rect width=\"100%\" height=\"100%\" fill=\"#FFFFFF\"/>\n";
  const double k = kMmPerPlu;
  for (const Shape& shape : plot.shapes) {
    if (const Bitmap* b = shape.image.get()) {
      // The unit square on the picture's corner and edges, y down as SVG counts.
      out += "<image width=\"1\" height=\"1\" preserveAspectRatio=\"none\" transform=\"matrix(" +
             precise(b->across.x * k) + " " + precise(-b->across.y * k) + " " + precise(b->down.x * k) + " " +
             precise(-b->down.y * k) + " " + x(b->origin.x) + " " + y(b->origin.y) +
             ")\" xlink:href=\"data:image/png;base64," + base64(pngOf(*b)) + "\"/>\n";
      continue;
    }
    out += "<path d=\"";
    for (const auto& path : shape.paths) {
      for (size_t i = 0; i < path.size(); ++i) out += (i == 0 ? "M" : "L") + x(path[i].x) + " " + y(path[i].y) + " ";
      if (shape.fill || isClosed(path)) out += "Z ";
    }
    out.back() = '"';
    const bool translucent = shape.opacity < 1;
    const std::string color = hexColor(translucent ? shape.ink : shape.color);
    if (translucent) out += std::string(shape.fill ? " fill" : " stroke") + "-opacity=\"" + num(shape.opacity) + "\"";
    if (shape.fill) {
      out +=
          " fill=\"" + color + "\" fill-rule=\"" + (shape.evenOdd ? "evenodd" : "nonzero") + "\" stroke=\"none\"/>\n";
      continue;
    }
    out += " fill=\"none\" stroke=\"" + color + "\" stroke-width=\"" + num(std::max(shape.widthMm, kThinnestMm)) +
           "\" stroke-linecap=\"" + svgCap(shape.end) + "\" stroke-linejoin=\"" + svgJoin(shape.join) + "\"";
    if (shape.join == LineJoin::Miter || shape.join == LineJoin::MiterBevel)
      out += " stroke-miterlimit=\"" + num(shape.miterLimit) + "\"";
    out += "/>\n";
  }
  return out + "</svg>\n";
}

std::string pdfOf(const Drawing& drawing) {
  const double pointsPerMm = 72 / 25.4;
  const double s = kMmPerPlu * pointsPerMm;  // points per plotter unit
  // Objects: 1 the pages, 2 the catalogue, then a page and its content for each plot.
  std::vector<std::string> objects(2);
  std::string kids;
  for (const Plot& plot : drawing.pages) {
    const Page page = pageOf(plot);
    std::string content =
        precise(s) + " 0 0 " + precise(s) + " " + precise(-page.left * s) + " " + precise(-page.bottom * s) + " cm\n";
    const size_t pageObject = objects.size() + 1;
    std::vector<std::string> images;  // objects after the page and its content
    std::string xobjects, states;
    // A translucent paint through a graphics state of its opacity, and opaque ones after it
    // through one of none.
    float opacity = 1;
    auto setOpacity = [&](float wanted) {
      if (wanted == opacity) return;
      opacity = wanted;
      const std::string name = "/A" + std::to_string(std::lround(wanted * 1000));
      if (states.find(name + " ") == std::string::npos)
        states += name + " << /ca " + num(wanted) + " /CA " + num(wanted) + " >> ";
      content += name + " gs\n";
    };
    for (const Shape& shape : plot.shapes) {
      if (const Bitmap* b = shape.image.get()) {
        const size_t number = pageObject + 2 + images.size();
        const std::string name = "/Im" + std::to_string(number);
        xobjects += name + " " + std::to_string(number) + " 0 R ";
        const std::string size = "/Width " + std::to_string(b->width) + " /Height " + std::to_string(b->height);
        images.push_back(stream("/Type /XObject /Subtype /Image " + size +
                                    " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /FlateDecode" +
                                    (b->alpha.empty() ? "" : " /SMask " + std::to_string(number + 1) + " 0 R"),
                                deflated(std::string(b->rgb.begin(), b->rgb.end()))));
        if (!b->alpha.empty())
          images.push_back(stream("/Type /XObject /Subtype /Image " + size +
                                      " /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /FlateDecode",
                                  deflated(std::string(b->alpha.begin(), b->alpha.end()))));
        // The unit square, y up, on the picture's corner and edges.
        setOpacity(1);
        content += "q " + num(b->across.x) + " " + num(b->across.y) + " " + num(-b->down.x) + " " + num(-b->down.y) +
                   " " + num(b->origin.x + b->down.x) + " " + num(b->origin.y + b->down.y) + " cm " + name + " Do Q\n";
        continue;
      }
      const bool translucent = shape.opacity < 1;
      setOpacity(shape.opacity);
      content += pdfColor(translucent ? shape.ink : shape.color, shape.fill ? "rg" : "RG");
      if (!shape.fill)
        content += num(std::max(shape.widthMm, kThinnestMm) / kMmPerPlu) + " w " + std::to_string(pdfCap(shape.end)) +
                   " J " + std::to_string(pdfJoin(shape.join)) + " j " + num(shape.miterLimit) + " M\n";
      for (const auto& path : shape.paths) {
        for (size_t i = 0; i < path.size(); ++i)
          content += num(path[i].x) + " " + num(path[i].y) + (i == 0 ? " m\n" : " l\n");
        if (shape.fill || isClosed(path)) content += "h\n";
      }
      content += shape.fill ? (shape.evenOdd ? "f*\n" : "f\n") : "S\n";
    }
    const std::string box = "[0 0 " + num(page.widthMm * pointsPerMm) + " " + num(page.heightMm * pointsPerMm) + "]";
    std::string resources;
    if (!xobjects.empty()) resources += " /XObject << " + xobjects + ">>";
    if (!states.empty()) resources += " /ExtGState << " + states + ">>";
    if (!resources.empty()) resources = " /Resources <<" + resources + " >>";
    objects.push_back("<< /Type /Page /Parent 1 0 R /MediaBox " + box + " /Contents " + std::to_string(pageObject + 1) +
                      " 0 R" + resources + " >>");
    objects.push_back(stream("", content));
    objects.insert(objects.end(), images.begin(), images.end());
    kids += std::to_string(pageObject) + " 0 R ";
  }
  if (!kids.empty()) kids.pop_back();
  objects[0] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(drawing.pages.size()) + " >>";
  objects[1] = "<< /Type /Catalog /Pages 1 0 R >>";
  return pdfFile(objects, 2);
}

std::string pdfOfJpeg(const std::string& jpeg, int widthPx, int heightPx, double dpi) {
  if (dpi <= 1 || !std::isfinite(dpi)) dpi = 96;
  const double w = widthPx * 72 / dpi, h = heightPx * 72 / dpi;
  const std::string content = "q " + num(w) + " 0 0 " + num(h) + " 0 0 cm /Im1 Do Q\n";
  return pdfFile(
      {
          "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
          "<< /Type /Catalog /Pages 1 0 R >>",
          "<< /Type /Page /Parent 1 0 R /MediaBox [0 0 " + num(w) + " " + num(h) +
              "] /Contents 4 0 R /Resources << /XObject << /Im1 5 0 R >> >> >>",
          stream("", content),
          stream("/Type /XObject /Subtype /Image /Width " + std::to_string(widthPx) + " /Height " +
                     std::to_string(heightPx) + " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode",
                 jpeg),
      },
      2);
}

}  // namespace refconv
