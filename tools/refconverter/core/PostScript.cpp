#include "PostScript.h"

#include <algorithm>
#include <cmath>

#include "Render.h"

namespace refconv {

namespace {

constexpr double kPointsPerMm = 72 / 25.4;
// Printers of old keep a path of a few thousand points at most: a long line is stroked in parts.
constexpr size_t kPointsAStroke = 1000;

std::string rgb(uint32_t color) {
  return decimal(((color >> 16) & 0xFF) / 255.0) + " " + decimal(((color >> 8) & 0xFF) / 255.0) + " " +
         decimal((color & 0xFF) / 255.0) + " c\n";
}

// The same ends and joins as the PDF: a pointed end is round, joins beyond miters bevelled.
int cap(LineEnd end) { return end == LineEnd::Round || end == LineEnd::Triangle ? 1 : end == LineEnd::Square ? 2 : 0; }
int join(LineJoin j) { return j == LineJoin::Round ? 1 : j == LineJoin::Miter || j == LineJoin::MiterBevel ? 0 : 2; }

const char* kProlog =
    "%%BeginProlog\n"
    "/m /moveto load def /l /lineto load def /h /closepath load def /n /newpath load def\n"
    "/c /setrgbcolor load def /s /stroke load def /f /fill load def /e /eofill load def\n"
    "%%EndProlog\n";

// A plot's picture on its corner and edges. Pixels less than half opaque are masked out
// (an ImageType 3 of LanguageLevel 3, which takes a mask sample before each pixel's colour).
std::string placed(const Bitmap& b) {
  const std::string w = std::to_string(b.width), h = std::to_string(b.height);
  const std::string image =
      "/Width " + w + " /Height " + h + " /BitsPerComponent 8 /ImageMatrix [" + w + " 0 0 -" + h + " 0 " + h + "]";
  std::string data;
  data.reserve(b.rgb.size() + b.alpha.size());
  for (size_t i = 0; i < b.rgb.size() / 3; ++i) {
    if (!b.alpha.empty()) data += static_cast<char>(b.alpha[i] >= 128 ? 0xFF : 0);
    data.append(reinterpret_cast<const char*>(&b.rgb[i * 3]), 3);
  }
  std::string out = "gsave [" + decimal(b.across.x) + " " + decimal(b.across.y) + " " + decimal(-b.down.x) + " " +
                    decimal(-b.down.y) + " " + decimal(b.origin.x + b.down.x) + " " + decimal(b.origin.y + b.down.y) +
                    "] concat\n/DeviceRGB setcolorspace\n";
  const std::string source = "/DataSource currentfile /ASCII85Decode filter /RunLengthDecode filter";
  if (b.alpha.empty())
    out += "<< /ImageType 1 " + image + " /Decode [0 1 0 1 0 1]\n" + source + " >> image\n";
  else
    out += "<< /ImageType 3 /InterleaveType 1 /DataDict << /ImageType 1 " + image + " /Decode [0 1 0 1 0 1]\n" +
           source + " >>\n/MaskDict << /ImageType 1 " + image + " /Decode [1 0] >> >> image\n";
  return out + ascii85(runLengthEncoded(data)) + "\ngrestore\n";
}

// A plot's shapes in its own plotter units, the page's lower left at the origin.
std::string content(const Plot& plot, const Page& page) {
  const double scale = kMmPerPlu * kPointsPerMm;
  std::string out =
      "save\n" + decimal(scale, 6) + " dup scale " + decimal(-page.left) + " " + decimal(-page.bottom) + " translate\n";
  for (const Shape& shape : plot.shapes) {
    if (shape.image) {
      out += placed(*shape.image);
      continue;
    }
    out += rgb(shape.color);
    if (!shape.fill)
      out += decimal(std::max(shape.widthMm, kThinnestMm) / kMmPerPlu) + " setlinewidth " +
             std::to_string(cap(shape.end)) + " setlinecap " + std::to_string(join(shape.join)) + " setlinejoin " +
             decimal(std::max(shape.miterLimit, 1.0)) + " setmiterlimit\n";
    out += "n\n";
    size_t points = 0;
    for (const auto& path : shape.paths) {
      if (!shape.fill && points >= kPointsAStroke) {
        out += "s n\n";
        points = 0;
      }
      for (size_t i = 0; i < path.size(); ++i)
        out += decimal(path[i].x) + " " + decimal(path[i].y) + (i == 0 ? " m\n" : " l\n");
      if (shape.fill || isClosed(path)) out += "h\n";
      points += path.size();
    }
    out += shape.fill ? (shape.evenOdd ? "e\n" : "f\n") : "s\n";
  }
  return out + "restore\n";
}

std::string size(const Page& page) {
  return decimal(page.widthMm * kPointsPerMm) + " " + decimal(page.heightMm * kPointsPerMm);
}

std::string boundingBox(double widthPt, double heightPt) {
  return "%%BoundingBox: 0 0 " + std::to_string(static_cast<long long>(std::ceil(widthPt))) + " " +
         std::to_string(static_cast<long long>(std::ceil(heightPt))) + "\n%%HiResBoundingBox: 0 0 " + decimal(widthPt) +
         " " + decimal(heightPt) + "\n";
}

// The level a reader needs: 3 for a masked picture.
int levelOf(const std::vector<const Plot*>& plots) {
  for (const Plot* plot : plots)
    for (const Shape& shape : plot->shapes)
      if (shape.image && !shape.image->alpha.empty()) return 3;
  return 2;
}

std::string header(bool eps, int pages, double widthPt, double heightPt, int level = 2) {
  return std::string(eps ? "%!PS-Adobe-3.0 EPSF-3.0\n" : "%!PS-Adobe-3.0\n") + "%%Creator: RefConverter\n" +
         "%%LanguageLevel: " + std::to_string(level) + "\n%%Pages: " + std::to_string(pages) + "\n" +
         boundingBox(widthPt, heightPt) + "%%EndComments\n" + kProlog;
}

// A page of a PostScript document: its size set for the printer.
std::string page(int number, const std::string& size, const std::string& body) {
  const std::string n = std::to_string(number);
  return "%%Page: " + n + " " + n + "\n%%PageBoundingBox: 0 0 " + size + "\n%%BeginPageSetup\n<< /PageSize [" + size +
         "] >> setpagedevice\n%%EndPageSetup\n" + body + "showpage\n";
}

// An image's RGB rows in a unit square, top row first.
std::string imageBody(const Image& image, double widthPt, double heightPt) {
  const std::string w = std::to_string(image.width), h = std::to_string(image.height);
  return "save\n" + decimal(widthPt) + " " + decimal(heightPt) +
         " scale\n/DeviceRGB setcolorspace\n<< /ImageType 1 /Width " + w + " /Height " + h +
         " /BitsPerComponent 8 /Decode [0 1 0 1 0 1] /ImageMatrix [" + w + " 0 0 -" + h + " 0 " + h +
         "]\n/DataSource currentfile /ASCII85Decode filter /RunLengthDecode filter >> image\n" +
         ascii85(runLengthEncoded(std::string(image.rgb.begin(), image.rgb.end()))) + "\nrestore\n";
}

}  // namespace

std::string runLengthEncoded(const std::string& bytes) {
  std::string out;
  size_t i = 0;
  while (i < bytes.size()) {
    size_t run = 1;
    while (i + run < bytes.size() && run < 128 && bytes[i + run] == bytes[i]) ++run;
    if (run >= 2) {
      out += static_cast<char>(257 - run);
      out += bytes[i];
      i += run;
      continue;
    }
    // Literal bytes up to the next run of three or more.
    size_t end = i + 1;
    while (end < bytes.size() && end - i < 128 &&
           !(end + 2 < bytes.size() && bytes[end] == bytes[end + 1] && bytes[end] == bytes[end + 2]))
      ++end;
    out += static_cast<char>(end - i - 1);
    out.append(bytes, i, end - i);
    i = end;
  }
  return out + static_cast<char>(128);
}

std::string ascii85(const std::string& bytes) {
  std::string out;
  size_t column = 0;
  auto put = [&](char c) {
    out += c;
    if (++column == 75) out += '\n', column = 0;
  };
  for (size_t i = 0; i < bytes.size(); i += 4) {
    const size_t n = std::min<size_t>(4, bytes.size() - i);
    uint32_t word = 0;
    for (size_t k = 0; k < 4; ++k) word = word << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    if (word == 0 && n == 4) {
      put('z');
      continue;
    }
    char digits[5];
    for (int k = 4; k >= 0; --k) digits[k] = static_cast<char>('!' + word % 85), word /= 85;
    for (size_t k = 0; k < n + 1; ++k) put(digits[k]);
  }
  return out + "~>";
}

std::string psOf(const Drawing& drawing) {
  double widest = 0, tallest = 0;
  std::string pages;
  int number = 0;
  for (const Plot& plot : drawing.pages) {
    const Page p = pageOf(plot);
    widest = std::max(widest, p.widthMm * kPointsPerMm);
    tallest = std::max(tallest, p.heightMm * kPointsPerMm);
    pages += page(++number, size(p), content(plot, p));
  }
  std::vector<const Plot*> plots;
  for (const Plot& plot : drawing.pages) plots.push_back(&plot);
  return header(false, number, widest, tallest, levelOf(plots)) + pages + "%%Trailer\n%%EOF\n";
}

std::string epsOf(const Plot& plot) {
  const Page p = pageOf(plot);
  return header(true, 1, p.widthMm * kPointsPerMm, p.heightMm * kPointsPerMm, levelOf({&plot})) + content(plot, p) +
         "showpage\n%%EOF\n";
}

std::string psOfImage(const Image& image, bool eps) {
  const double dpi = image.dpi > 1 && std::isfinite(image.dpi) ? image.dpi : 96;
  const double w = image.width * 72 / dpi, h = image.height * 72 / dpi;
  const std::string body = imageBody(image, w, h);
  if (eps) return header(true, 1, w, h) + body + "showpage\n%%EOF\n";
  return header(false, 1, w, h) + page(1, decimal(w) + " " + decimal(h), body) + "%%Trailer\n%%EOF\n";
}

}  // namespace refconv
