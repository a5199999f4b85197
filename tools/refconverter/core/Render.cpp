#include "Render.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace refconv {

namespace {

// Dash patterns of LT 1..8 as fractions of the pattern length: on, off, on, off...
const std::vector<double>& patternOf(int type) {
  static const std::vector<double> kPatterns[] = {
      {},
      {0.0, 1.0},                                // 1: dots
      {0.5, 0.5},                                // 2
      {0.7, 0.3},                                // 3
      {0.8, 0.1, 0.0, 0.1},                      // 4: dash dot
      {0.7, 0.1, 0.1, 0.1},                      // 5
      {0.5, 0.1, 0.1, 0.1, 0.1, 0.1},            // 6
      {0.7, 0.1, 0.0, 0.1, 0.0, 0.1},            // 7
      {0.5, 0.1, 0.0, 0.1, 0.1, 0.1, 0.0, 0.1},  // 8
  };
  return kPatterns[std::clamp(type, 0, 8)];
}

std::string format(const char* pattern, double a) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, pattern, a);
  return buffer;
}

std::string num(double v) {
  if (std::fabs(v) < 0.0005) v = 0;
  std::string s = format("%.3f", v);
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s;
}

std::string precise(double v) { return format("%.6f", v); }

std::string hexColor(uint32_t rgb) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "#%06X", static_cast<unsigned>(rgb & 0xFFFFFF));
  return buffer;
}

// Label bytes are Latin-1; XML wants UTF-8 and no control characters.
std::string xmlText(const std::string& bytes) {
  std::string out;
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) continue;
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default:
        if (c < 0x80) {
          out += static_cast<char>(c);
        } else {
          out += static_cast<char>(0xC0 | (c >> 6));
          out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
  }
  return out;
}

std::string pdfString(const std::string& bytes) {
  std::string out = "(";
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20) continue;
    if (c == '(' || c == ')' || c == '\\') out += '\\';
    out += static_cast<char>(c);
  }
  return out + ")";
}

std::string pdfColor(uint32_t rgb, const char* op) {
  return num(((rgb >> 16) & 0xFF) / 255.0) + " " + num(((rgb >> 8) & 0xFF) / 255.0) + " " + num((rgb & 0xFF) / 255.0) +
         " " + op + "\n";
}

// Objects numbered from 1 in the order given; the last two are the catalogue's pages and
// the catalogue. Offsets make the cross-reference table.
std::string pdfFile(const std::vector<std::string>& objects) {
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
  out += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root " + std::to_string(objects.size()) +
         " 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return out;
}

std::string stream(const std::string& dictionary, const std::string& data) {
  return "<< " + dictionary + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream";
}

}  // namespace

Page pageOf(const Drawing& drawing) {
  Page page;
  if (drawing.bounds.empty) return page;
  const double margin = kMarginMm / kMmPerPlu;
  page.left = drawing.bounds.minX - margin;
  page.bottom = drawing.bounds.minY - margin;
  page.widthMm = (drawing.bounds.width() + 2 * margin) * kMmPerPlu;
  page.heightMm = (drawing.bounds.height() + 2 * margin) * kMmPerPlu;
  return page;
}

std::vector<double> dashLengthsMm(const Stroke& stroke) {
  std::vector<double> lengths;
  if (stroke.lineType == 0 || stroke.patternMm <= 0) return lengths;
  for (const double fraction : patternOf(stroke.lineType))
    lengths.push_back(std::max(fraction * stroke.patternMm, stroke.widthMm * 0.5));
  return lengths;
}

double labelFontSize(const Label& label) { return label.heightPlu / 0.718; }

std::string svgOf(const Drawing& drawing) {
  const Page page = pageOf(drawing);
  const double top = page.bottom + page.heightMm / kMmPerPlu;
  auto x = [&](double v) { return num((v - page.left) * kMmPerPlu); };
  auto y = [&](double v) { return num((top - v) * kMmPerPlu); };
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                    num(page.widthMm) + "mm\" height=\"" + num(page.heightMm) + "mm\" viewBox=\"0 0 " +
                    num(page.widthMm) + " " + num(page.heightMm) +
                    "\">\n<rect width=\"100%\" height=\"100%\" fill=\"#FFFFFF\"/>\n";
  for (const Stroke& stroke : drawing.strokes) {
    const std::string color = hexColor(penColor(stroke.pen));
    out += stroke.filled ? "<polygon points=\"" : "<polyline points=\"";
    for (const Point& p : stroke.points) out += x(p.x) + "," + y(p.y) + " ";
    out.back() = '"';
    if (stroke.filled) {
      out += " fill=\"" + color + "\" stroke=\"none\"/>\n";
      continue;
    }
    out += " fill=\"none\" stroke=\"" + color + "\" stroke-width=\"" + num(std::max(stroke.widthMm, 0.05)) +
           "\" stroke-linecap=\"round\" stroke-linejoin=\"round\"";
    const std::vector<double> dashes = dashLengthsMm(stroke);
    if (!dashes.empty()) {
      out += " stroke-dasharray=\"";
      for (const double d : dashes) out += num(d) + " ";
      out.back() = '"';
    }
    out += "/>\n";
  }
  for (const Label& label : drawing.labels) {
    const std::string text = xmlText(label.text);
    if (text.empty()) continue;
    const double degrees = -label.angleRad * 180 / std::numbers::pi;
    out += "<text x=\"" + x(label.at.x) + "\" y=\"" + y(label.at.y) +
           "\" font-family=\"Helvetica, Arial, sans-serif\" font-size=\"" + num(labelFontSize(label) * kMmPerPlu) +
           "\" textLength=\"" + num(label.widthPlu * 1.5 * static_cast<double>(label.text.size()) * kMmPerPlu) +
           "\" lengthAdjust=\"spacingAndGlyphs\" fill=\"" + hexColor(penColor(label.pen)) + "\"";
    if (degrees != 0) out += " transform=\"rotate(" + num(degrees) + " " + x(label.at.x) + " " + y(label.at.y) + ")\"";
    out += ">" + text + "</text>\n";
  }
  return out + "</svg>\n";
}

std::string pdfOf(const Drawing& drawing) {
  const Page page = pageOf(drawing);
  const double pointsPerMm = 72 / 25.4;
  const double s = kMmPerPlu * pointsPerMm;  // points per plotter unit
  std::string content = precise(s) + " 0 0 " + precise(s) + " " + precise(-page.left * s) + " " +
                        precise(-page.bottom * s) + " cm\n1 J 1 j\n";
  for (const Stroke& stroke : drawing.strokes) {
    const uint32_t color = penColor(stroke.pen);
    content += pdfColor(color, stroke.filled ? "rg" : "RG");
    if (!stroke.filled) {
      content += num(std::max(stroke.widthMm, 0.05) / kMmPerPlu) + " w [";
      for (const double d : dashLengthsMm(stroke)) content += num(d / kMmPerPlu) + " ";
      content += "] 0 d\n";
    }
    for (size_t i = 0; i < stroke.points.size(); ++i)
      content += num(stroke.points[i].x) + " " + num(stroke.points[i].y) + (i == 0 ? " m\n" : " l\n");
    content += stroke.filled ? "f\n" : "S\n";
  }
  for (const Label& label : drawing.labels) {
    if (label.text.empty()) continue;
    const double size = labelFontSize(label);
    const double scale = std::clamp(label.widthPlu * 1.5 / (kHelveticaAdvance * size) * 100, 10.0, 1000.0);
    const double c = std::cos(label.angleRad), n = std::sin(label.angleRad);
    content += pdfColor(penColor(label.pen), "rg");
    content += "BT /F1 " + num(size) + " Tf " + num(scale) + " Tz " + num(c) + " " + num(n) + " " + num(-n) + " " +
               num(c) + " " + num(label.at.x) + " " + num(label.at.y) + " Tm " + pdfString(label.text) + " Tj ET\n";
  }
  const std::string box = "[0 0 " + num(page.widthMm * pointsPerMm) + " " + num(page.heightMm * pointsPerMm) + "]";
  return pdfFile({
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
      stream("", content),
      "<< /Type /Page /Parent 4 0 R /MediaBox " + box + " /Contents 2 0 R /Resources << /Font << /F1 1 0 R >> >> >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Catalog /Pages 4 0 R >>",
  });
}

std::string pdfOfJpeg(const std::string& jpeg, int widthPx, int heightPx, double dpi) {
  if (dpi <= 1 || !std::isfinite(dpi)) dpi = 96;
  const double w = widthPx * 72 / dpi, h = heightPx * 72 / dpi;
  const std::string content = "q " + num(w) + " 0 0 " + num(h) + " 0 0 cm /Im1 Do Q\n";
  return pdfFile({
      stream("/Type /XObject /Subtype /Image /Width " + std::to_string(widthPx) + " /Height " +
                 std::to_string(heightPx) + " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode",
             jpeg),
      stream("", content),
      "<< /Type /Page /Parent 4 0 R /MediaBox [0 0 " + num(w) + " " + num(h) +
          "] /Contents 2 0 R /Resources << /XObject << /Im1 1 0 R >> >> >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Catalog /Pages 4 0 R >>",
  });
}

}  // namespace refconv
