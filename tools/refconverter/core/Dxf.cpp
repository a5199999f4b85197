#include "Dxf.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "Render.h"

namespace refconv {

namespace {

// The AutoCAD colour index: 1-9 the named colours and greys, 10-249 24 hues in five shades,
// each full and half saturated, 250-255 greys.
const std::array<uint32_t, 256>& aciPalette() {
  static const std::array<uint32_t, 256> kPalette = [] {
    std::array<uint32_t, 256> p{};
    const uint32_t named[] = {0x000000, 0xFF0000, 0xFFFF00, 0x00FF00, 0x00FFFF,
                              0x0000FF, 0xFF00FF, 0xFFFFFF, 0x808080, 0xC0C0C0};
    for (int i = 0; i < 10; ++i) p[static_cast<size_t>(i)] = named[i];
    const double shades[] = {1.0, 0.8, 0.6, 0.5, 0.3};
    for (int i = 10; i < 250; ++i) {
      const int hue = (i - 10) / 10, row = (i - 10) % 10;
      const double h = hue * 15.0 / 60.0;
      double rgb[3];
      const double x = 1 - std::fabs(std::fmod(h, 2.0) - 1);
      const int sector = static_cast<int>(h) % 6;
      const double table[6][3] = {{1, x, 0}, {x, 1, 0}, {0, 1, x}, {0, x, 1}, {x, 0, 1}, {1, 0, x}};
      for (int k = 0; k < 3; ++k) {
        double c = table[sector][k];
        if (row % 2 == 1) c = c + (1 - c) / 2;  // half saturated
        rgb[k] = c * shades[row / 2] * 255;
      }
      p[static_cast<size_t>(i)] =
          static_cast<uint32_t>(rgb[0]) << 16 | static_cast<uint32_t>(rgb[1]) << 8 | static_cast<uint32_t>(rgb[2]);
    }
    const uint32_t greys[] = {0x333333, 0x505050, 0x696969, 0x828282, 0xBEBEBE, 0xFFFFFF};
    for (int i = 0; i < 6; ++i) p[static_cast<size_t>(250 + i)] = greys[i];
    return p;
  }();
  return kPalette;
}

class Writer {
 public:
  void group(int code, const std::string& value) { out_ += std::to_string(code) + "\n" + value + "\n"; }
  void group(int code, int value) { group(code, std::to_string(value)); }
  void real(int code, double value) { group(code, decimal(value, 4)); }
  void point(int code, Point p) {
    real(code, p.x);
    real(code + 10, p.y);
    real(code + 20, 0);
  }
  std::string take() { return std::move(out_); }

 private:
  std::string out_;
};

Point mm(Point p) { return {p.x * kMmPerPlu, p.y * kMmPerPlu}; }

}  // namespace

int nearestAci(uint32_t rgb) {
  // Black ink on a white sheet is colour 7, which CAD shows black on white, white on black.
  if (rgb == 0x000000) return 7;
  if (rgb == 0xFFFFFF) return 255;  // white that covers: 7 would show it black on a white sheet
  const auto& palette = aciPalette();
  int best = 7;
  double nearest = 1e300;
  for (int i = 1; i < 256; ++i) {
    if (i == 7) continue;
    double d = 0;
    for (int shift : {16, 8, 0}) {
      const double a = (rgb >> shift) & 0xFF, b = (palette[static_cast<size_t>(i)] >> shift) & 0xFF;
      d += (a - b) * (a - b);
    }
    if (d < nearest) nearest = d, best = i;
  }
  return best;
}

std::vector<std::array<Point, 4>> trapezoids(const std::vector<std::vector<Point>>& rings, bool evenOdd) {
  struct Edge {
    Point a, b;  // a below b
    int winding;
  };
  std::vector<Edge> edges;
  std::vector<double> ys;
  for (const auto& ring : rings)
    for (size_t i = 0; i < ring.size(); ++i) {
      const Point p = ring[i], q = ring[(i + 1) % ring.size()];
      if (p.y == q.y) continue;
      edges.push_back(p.y < q.y ? Edge{p, q, 1} : Edge{q, p, -1});
      ys.push_back(p.y);
    }
  // Bands also end where edges cross, so that inside a band they keep their order.
  for (size_t i = 0; i < edges.size() && edges.size() < 2000; ++i)
    for (size_t j = i + 1; j < edges.size(); ++j) {
      const Edge &e = edges[i], &f = edges[j];
      const double d = (e.b.x - e.a.x) * (f.b.y - f.a.y) - (e.b.y - e.a.y) * (f.b.x - f.a.x);
      if (d == 0) continue;
      const double t = ((f.a.x - e.a.x) * (f.b.y - f.a.y) - (f.a.y - e.a.y) * (f.b.x - f.a.x)) / d;
      const double u = ((f.a.x - e.a.x) * (e.b.y - e.a.y) - (f.a.y - e.a.y) * (e.b.x - e.a.x)) / d;
      if (t > 0 && t < 1 && u > 0 && u < 1) ys.push_back(e.a.y + t * (e.b.y - e.a.y));
    }
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  std::sort(edges.begin(), edges.end(), [](const Edge& e, const Edge& f) { return e.a.y < f.a.y; });
  auto xAt = [](const Edge& e, double y) { return e.a.x + (e.b.x - e.a.x) * (y - e.a.y) / (e.b.y - e.a.y); };
  std::vector<std::array<Point, 4>> out;
  std::vector<const Edge*> active;
  size_t next = 0;
  for (size_t band = 0; band + 1 < ys.size(); ++band) {
    const double y0 = ys[band], y1 = ys[band + 1], mid = (y0 + y1) / 2;
    std::erase_if(active, [&](const Edge* e) { return e->b.y <= y0; });
    while (next < edges.size() && edges[next].a.y <= y0) {
      if (edges[next].b.y > y0) active.push_back(&edges[next]);
      ++next;
    }
    std::sort(active.begin(), active.end(), [&](const Edge* e, const Edge* f) { return xAt(*e, mid) < xAt(*f, mid); });
    int winding = 0;
    for (size_t i = 0; i + 1 < active.size(); ++i) {
      winding += evenOdd ? 1 : active[i]->winding;
      if (evenOdd ? winding % 2 == 0 : winding == 0) continue;
      const Edge &l = *active[i], &r = *active[i + 1];
      out.push_back({Point{xAt(l, y0), y0}, Point{xAt(r, y0), y0}, Point{xAt(l, y1), y1}, Point{xAt(r, y1), y1}});
    }
  }
  return out;
}

std::string dxfOf(const Plot& plot) {
  // A layer a pen, coloured as the pen's first shape.
  std::map<int, int> layerColor;
  for (const Shape& shape : plot.shapes) layerColor.emplace(shape.pen, nearestAci(shape.color));
  const Bounds& b = plot.bounds;
  const Point low = mm({b.minX, b.minY}), high = mm({b.maxX, b.maxY});

  Writer w;
  w.group(0, "SECTION");
  w.group(2, "HEADER");
  w.group(9, "$ACADVER");
  w.group(1, "AC1009");
  w.group(9, "$INSBASE");
  w.point(10, {0, 0});
  w.group(9, "$EXTMIN");
  w.point(10, low);
  w.group(9, "$EXTMAX");
  w.point(10, high);
  w.group(9, "$LIMMIN");
  w.real(10, low.x);
  w.real(20, low.y);
  w.group(9, "$LIMMAX");
  w.real(10, high.x);
  w.real(20, high.y);
  w.group(9, "$LUNITS");  // decimal
  w.group(70, 2);
  w.group(9, "$INSUNITS");  // millimetres, for the readers that look
  w.group(70, 4);
  w.group(9, "$MEASUREMENT");  // metric
  w.group(70, 1);
  w.group(0, "ENDSEC");

  w.group(0, "SECTION");
  w.group(2, "TABLES");
  w.group(0, "TABLE");
  w.group(2, "LTYPE");
  w.group(70, 1);
  w.group(0, "LTYPE");  // dashes are drawn as the plotter drew them: every line is continuous
  w.group(2, "CONTINUOUS");
  w.group(70, 0);
  w.group(3, "Solid line");
  w.group(72, 65);
  w.group(73, 0);
  w.real(40, 0);
  w.group(0, "ENDTAB");
  w.group(0, "TABLE");
  w.group(2, "LAYER");
  w.group(70, static_cast<int>(layerColor.size()) + 1);
  auto layer = [&](const std::string& name, int color) {
    w.group(0, "LAYER");
    w.group(2, name);
    w.group(70, 0);
    w.group(62, color);
    w.group(6, "CONTINUOUS");
  };
  layer("0", 7);
  for (const auto& [pen, color] : layerColor) layer("PEN" + std::to_string(pen), color);
  w.group(0, "ENDTAB");
  w.group(0, "ENDSEC");

  w.group(0, "SECTION");
  w.group(2, "BLOCKS");
  w.group(0, "ENDSEC");

  w.group(0, "SECTION");
  w.group(2, "ENTITIES");
  for (const Shape& shape : plot.shapes) {
    const std::string name = "PEN" + std::to_string(shape.pen);
    const int color = nearestAci(shape.color);
    auto common = [&](const char* type) {
      w.group(0, type);
      w.group(8, name);
      if (color != layerColor[shape.pen]) w.group(62, color);
    };
    if (shape.fill) {
      for (const auto& t : trapezoids(shape.paths, shape.evenOdd)) {
        common("SOLID");
        for (int k = 0; k < 4; ++k) w.point(10 + k, mm(t[static_cast<size_t>(k)]));
      }
      continue;
    }
    const double width = shape.widthMm;
    for (const auto& path : shape.paths) {
      const bool closed = isClosed(path);
      common("POLYLINE");
      w.group(66, 1);
      w.point(10, {0, 0});
      w.group(70, closed ? 1 : 0);
      if (width > 0) {
        w.real(40, width);
        w.real(41, width);
      }
      for (size_t i = 0; i < path.size() - (closed ? 1 : 0); ++i) {
        w.group(0, "VERTEX");
        w.group(8, name);
        w.point(10, mm(path[i]));
      }
      w.group(0, "SEQEND");
      w.group(8, name);
    }
  }
  w.group(0, "ENDSEC");
  w.group(0, "EOF");
  return w.take();
}

}  // namespace refconv
