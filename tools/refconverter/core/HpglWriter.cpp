#include "HpglWriter.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "PostScript.h"
#include "Raster.h"
#include "Render.h"

namespace refconv {

namespace {

constexpr char kEsc = 0x1B;

long long whole(double v) { return std::llround(v); }

// The pens of the output: one a colour, as the drawing's colours come (a drawing can colour
// one input pen many ways: shading, raster patterns). Past 255 colours, the nearest pen.
class Pens {
 public:
  explicit Pens(const Drawing& drawing) {
    for (const Plot& plot : drawing.pages)
      for (const Shape& shape : plot.shapes)
        if (!pen_.count(shape.color) && pen_.size() < 255) pen_[shape.color] = static_cast<int>(pen_.size()) + 1;
  }
  int of(uint32_t color) const {
    if (const auto found = pen_.find(color); found != pen_.end()) return found->second;
    int best = 1;
    double nearest = 1e300;
    for (const auto& [c, pen] : pen_) {
      double d = 0;
      for (int shift : {16, 8, 0}) d += std::pow(double((c >> shift) & 0xFF) - double((color >> shift) & 0xFF), 2);
      if (d < nearest) nearest = d, best = pen;
    }
    return best;
  }
  // NP and the palette (PC), every pen its colour; pen 0 white as ever.
  std::string palette() const {
    int n = 2;
    while (n < static_cast<int>(pen_.size()) + 1) n *= 2;
    std::string out = "NP" + std::to_string(n) + ";";
    for (const auto& [c, pen] : pen_)
      out += "PC" + std::to_string(pen) + "," + std::to_string((c >> 16) & 0xFF) + "," +
             std::to_string((c >> 8) & 0xFF) + "," + std::to_string(c & 0xFF) + ";";
    return out;
  }

 private:
  std::map<uint32_t, int> pen_;
};

int endOf(LineEnd end) {
  switch (end) {
    case LineEnd::Square: return 2;
    case LineEnd::Triangle: return 3;
    case LineEnd::Round: return 4;
    default: return 1;
  }
}

int joinOf(LineJoin join) {
  switch (join) {
    case LineJoin::MiterBevel: return 2;
    case LineJoin::Triangle: return 3;
    case LineJoin::Round: return 4;
    case LineJoin::Bevel: return 5;
    case LineJoin::None: return 6;
    default: return 1;
  }
}

// One plot in HP-GL/2, its page's lower left corner at the origin and PS its size, so that
// the hard-clip limits hold all of it.
std::string plotOf(const Plot& plot, const Pens& pens) {
  const Page page = pageOf(plot);
  auto xy = [&](Point p) {
    return std::to_string(whole(p.x - page.left)) + "," + std::to_string(whole(p.y - page.bottom));
  };
  std::string out = "PS" + std::to_string(whole(page.widthMm / kMmPerPlu)) + "," +
                    std::to_string(whole(page.heightMm / kMmPerPlu)) + ";IP;SC;IW;RO0;TR0;WU0;FT1;LT;";
  int pen = -1;
  for (const Shape& shape : plot.shapes) {
    if (const int p = pens.of(shape.color); p != pen) out += "SP" + std::to_string(pen = p) + ";";
    if (shape.fill) {
      for (size_t i = 0; i < shape.paths.size(); ++i) {
        const auto& ring = shape.paths[i];
        out += (i == 0 ? "PU" : "PM1;PU") + xy(ring[0]) + (i == 0 ? ";PM0;PD" : ";PD");
        for (size_t k = 1; k < ring.size(); ++k) out += (k > 1 ? "," : "") + xy(ring[k]);
        out += ";";
      }
      out += std::string("PM2;FP") + (shape.evenOdd ? "0" : "1") + ";\n";
      continue;
    }
    out += "PW" + decimal(std::max(shape.widthMm, 0.0), 4) + "," + std::to_string(pen) + ";LA1," +
           std::to_string(endOf(shape.end)) + ",2," + std::to_string(joinOf(shape.join)) + ",3," +
           decimal(std::clamp(shape.miterLimit, 1.0, 32767.0)) + ";\n";
    for (const auto& path : shape.paths) {
      out += "PU" + xy(path[0]) + ";PD";
      for (size_t k = 1; k < path.size(); ++k) out += (k > 1 ? "," : "") + xy(path[k]);
      out += ";\n";
    }
  }
  return out + "PU;";
}

// The smallest PCL page the plot fits on, turned to its shape: A4, A3, A2, A1, A0 (ESC & l # A).
struct PclPage {
  int code;
  double shortMm, longMm;
};
constexpr PclPage kPclPages[] = {{26, 210, 297}, {27, 297, 420}, {28, 420, 594}, {29, 594, 841}, {30, 841, 1189}};

std::string pclPageSetup(double widthMm, double heightMm) {
  const double shortSide = std::min(widthMm, heightMm), longSide = std::max(widthMm, heightMm);
  PclPage chosen = kPclPages[std::size(kPclPages) - 1];
  for (const PclPage& p : kPclPages)
    if (shortSide <= p.shortMm && longSide <= p.longMm) {
      chosen = p;
      break;
    }
  const bool landscape = widthMm > heightMm;
  return std::string(1, kEsc) + "&l" + std::to_string(chosen.code) + "A" + kEsc + "&l" + (landscape ? "1" : "0") + "O" +
         kEsc + "&l0E" + kEsc + "*p0x0Y";
}

// The job's frame: a reset before and after, PJL naming the language.
std::string pclJob(const std::string& pages) {
  const std::string uel = std::string(1, kEsc) + "%-12345X";
  return uel + "@PJL ENTER LANGUAGE=PCL\r\n" + kEsc + "E" + pages + kEsc + "E" + uel;
}

}  // namespace

std::string hpglOf(const Drawing& drawing) {
  const Pens pens(drawing);
  std::string out = "BP;IN;" + pens.palette() + "\n";
  for (size_t i = 0; i < drawing.pages.size(); ++i) {
    if (i > 0) out += "PG;\n";
    out += plotOf(drawing.pages[i], pens) + "\n";
  }
  return out + "PG;\n";
}

namespace {

// A page of PCL raster graphics: direct 24-bit colour by pixel (ESC * v 6 W: RGB, direct by
// pixel, 8 bits each), rows compressed as TIFF PackBits (mode 2).
std::string rasterPage(const Image& image) {
  const double dpi = image.dpi > 1 && std::isfinite(image.dpi) ? image.dpi : 96;
  const int resolution = std::clamp(static_cast<int>(std::lround(dpi)), 75, 600);
  std::string body = pclPageSetup(image.width * 25.4 / dpi, image.height * 25.4 / dpi);
  body += std::string(1, kEsc) + "*v6W" + std::string("\x00\x03\x08\x08\x08\x08", 6) + kEsc + "*t" +
          std::to_string(resolution) + "R" + kEsc + "*r" + std::to_string(image.width) + "S" + kEsc + "*r" +
          std::to_string(image.height) + "T" + kEsc + "*r1A" + kEsc + "*b2M";
  const size_t rowBytes = static_cast<size_t>(image.width) * 3;
  for (int y = 0; y < image.height; ++y) {
    const std::string row(reinterpret_cast<const char*>(image.rgb.data()) + y * rowBytes, rowBytes);
    // PCL's PackBits is PostScript's RunLengthDecode without its end-of-data byte.
    std::string packed = runLengthEncoded(row);
    packed.pop_back();
    body += std::string(1, kEsc) + "*b" + std::to_string(packed.size()) + "W" + packed;
  }
  return body + kEsc + "*rC\f";
}

}  // namespace

std::string pclOf(const Drawing& drawing) {
  const Pens pens(drawing);
  std::string pages;
  for (const Plot& plot : drawing.pages) {
    // A page with pictures (a PDF's images) is printed as the picture of the whole page, since
    // HP-GL/2 holds no pixels and the picture keeps what lies over and under them.
    if (std::any_of(plot.shapes.begin(), plot.shapes.end(), [](const Shape& s) { return s.image != nullptr; })) {
      pages += rasterPage(rasterize(plot, kPclPictureDpi, kPclPictureSidePx));
      continue;
    }
    const Page page = pageOf(plot);
    // The picture frame (decipoints) is the plot's page, so that plotter units are true size.
    pages += pclPageSetup(page.widthMm, page.heightMm) + kEsc + "*c" +
             std::to_string(whole(page.widthMm / 25.4 * 720)) + "x" +
             std::to_string(whole(page.heightMm / 25.4 * 720)) + "Y" + kEsc + "*c0T" + kEsc + "%0BIN;" +
             pens.palette() + plotOf(plot, pens) + kEsc + "%0A\f";
  }
  return pclJob(pages);
}

std::string pclOfImage(const Image& image) { return pclJob(rasterPage(image)); }

}  // namespace refconv
