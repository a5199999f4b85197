#include "Dxf.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>

#include "Render.h"

namespace refconv {

namespace {

// The AutoCAD colour index as every CAD program shows it: 1-9 the named colours and greys,
// 10-249 24 hues in five shades, each full and half saturated, 250-255 greys.
constexpr std::array<uint32_t, 256> kAci = {
    0x000000, 0xFF0000, 0xFFFF00, 0x00FF00, 0x00FFFF, 0x0000FF, 0xFF00FF, 0xFFFFFF, 0x808080, 0xC0C0C0, 0xFF0000,
    0xFF7F7F, 0xA50000, 0xA55252, 0x7F0000, 0x7F3F3F, 0x4C0000, 0x4C2626, 0x260000, 0x261313, 0xFF3F00, 0xFF9F7F,
    0xA52900, 0xA56752, 0x7F1F00, 0x7F4F3F, 0x4C1300, 0x4C2F26, 0x260900, 0x261713, 0xFF7F00, 0xFFBF7F, 0xA55200,
    0xA57C52, 0x7F3F00, 0x7F5F3F, 0x4C2600, 0x4C3926, 0x261300, 0x261C13, 0xFFBF00, 0xFFDF7F, 0xA57C00, 0xA59152,
    0x7F5F00, 0x7F6F3F, 0x4C3900, 0x4C4226, 0x261C00, 0x262113, 0xFFFF00, 0xFFFF7F, 0xA5A500, 0xA5A552, 0x7F7F00,
    0x7F7F3F, 0x4C4C00, 0x4C4C26, 0x262600, 0x262613, 0xBFFF00, 0xDFFF7F, 0x7CA500, 0x91A552, 0x5F7F00, 0x6F7F3F,
    0x394C00, 0x424C26, 0x1C2600, 0x212613, 0x7FFF00, 0xBFFF7F, 0x52A500, 0x7CA552, 0x3F7F00, 0x5F7F3F, 0x264C00,
    0x394C26, 0x132600, 0x1C2613, 0x3FFF00, 0x9FFF7F, 0x29A500, 0x67A552, 0x1F7F00, 0x4F7F3F, 0x134C00, 0x2F4C26,
    0x092600, 0x172613, 0x00FF00, 0x7FFF7F, 0x00A500, 0x52A552, 0x007F00, 0x3F7F3F, 0x004C00, 0x264C26, 0x002600,
    0x132613, 0x00FF3F, 0x7FFF9F, 0x00A529, 0x52A567, 0x007F1F, 0x3F7F4F, 0x004C13, 0x264C2F, 0x002609, 0x135817,
    0x00FF7F, 0x7FFFBF, 0x00A552, 0x52A57C, 0x007F3F, 0x3F7F5F, 0x004C26, 0x264C39, 0x002613, 0x13581C, 0x00FFBF,
    0x7FFFDF, 0x00A57C, 0x52A591, 0x007F5F, 0x3F7F6F, 0x004C39, 0x264C42, 0x00261C, 0x135858, 0x00FFFF, 0x7FFFFF,
    0x00A5A5, 0x52A5A5, 0x007F7F, 0x3F7F7F, 0x004C4C, 0x264C4C, 0x002626, 0x135858, 0x00BFFF, 0x7FDFFF, 0x007CA5,
    0x5291A5, 0x005F7F, 0x3F6F7F, 0x00394C, 0x26427E, 0x001C26, 0x135858, 0x007FFF, 0x7FBFFF, 0x0052A5, 0x527CA5,
    0x003F7F, 0x3F5F7F, 0x00264C, 0x26397E, 0x001326, 0x131C58, 0x003FFF, 0x7F9FFF, 0x0029A5, 0x5267A5, 0x001F7F,
    0x3F4F7F, 0x00134C, 0x262F7E, 0x000926, 0x131758, 0x0000FF, 0x7F7FFF, 0x0000A5, 0x5252A5, 0x00007F, 0x3F3F7F,
    0x00004C, 0x26267E, 0x000026, 0x131358, 0x3F00FF, 0x9F7FFF, 0x2900A5, 0x6752A5, 0x1F007F, 0x4F3F7F, 0x13004C,
    0x2F267E, 0x090026, 0x171358, 0x7F00FF, 0xBF7FFF, 0x5200A5, 0x7C52A5, 0x3F007F, 0x5F3F7F, 0x26004C, 0x39267E,
    0x130026, 0x1C1358, 0xBF00FF, 0xDF7FFF, 0x7C00A5, 0x9152A5, 0x5F007F, 0x6F3F7F, 0x39004C, 0x42264C, 0x1C0026,
    0x581358, 0xFF00FF, 0xFF7FFF, 0xA500A5, 0xA552A5, 0x7F007F, 0x7F3F7F, 0x4C004C, 0x4C264C, 0x260026, 0x581358,
    0xFF00BF, 0xFF7FDF, 0xA5007C, 0xA55291, 0x7F005F, 0x7F3F6F, 0x4C0039, 0x4C2642, 0x26001C, 0x581358, 0xFF007F,
    0xFF7FBF, 0xA50052, 0xA5527C, 0x7F003F, 0x7F3F5F, 0x4C0026, 0x4C2639, 0x260013, 0x58131C, 0xFF003F, 0xFF7F9F,
    0xA50029, 0xA55267, 0x7F001F, 0x7F3F4F, 0x4C0013, 0x4C262F, 0x260009, 0x581317, 0x000000, 0x656565, 0x666666,
    0x999999, 0xCCCCCC, 0xFFFFFF,
};

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

// A closed path of 24 or more chords on one circle is a circle the plot drew (CI, a wedge's
// whole turn, a round arc's): written as one, so that CAD finds its centre. A polygon a user
// drew with its corners on a circle has fewer corners.
std::optional<std::pair<Point, double>> circleOf(const std::vector<Point>& path) {
  if (!isClosed(path) || path.size() < 25) return std::nullopt;
  const size_t n = path.size() - 1;
  Point c;
  for (size_t i = 0; i < n; ++i) c.x += path[i].x / n, c.y += path[i].y / n;
  double r = 0;
  for (size_t i = 0; i < n; ++i) r += std::hypot(path[i].x - c.x, path[i].y - c.y) / n;
  const double tolerance = std::max(0.5, r * 1e-4);
  for (size_t i = 0; i < n; ++i)
    if (std::fabs(std::hypot(path[i].x - c.x, path[i].y - c.y) - r) > tolerance) return std::nullopt;
  return std::pair{c, r};
}

}  // namespace

int nearestAci(uint32_t rgb) {
  // Black ink on a white sheet is colour 7, which CAD shows black on white, white on black.
  if (rgb == 0x000000) return 7;
  if (rgb == 0xFFFFFF) return 255;  // white that covers: 7 would show it black on a white sheet
  int best = 7;
  double nearest = 1e300;
  for (int i = 1; i < 256; ++i) {
    if (i == 7) continue;
    double d = 0;
    for (int shift : {16, 8, 0}) {
      const double a = (rgb >> shift) & 0xFF, b = (kAci[static_cast<size_t>(i)] >> shift) & 0xFF;
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
      auto vertex = [&](Point p, double bulge) {
        w.group(0, "VERTEX");
        w.group(8, name);
        w.point(10, mm(p));
        if (bulge != 0) w.real(42, bulge);
      };
      // A circle: two half turns (bulge 1), which keeps the pen's width as a CIRCLE would not.
      if (const auto circle = circleOf(path)) {
        const auto& [c, r] = *circle;
        vertex({c.x + r, c.y}, 1);
        vertex({c.x - r, c.y}, 1);
      } else {
        for (size_t i = 0; i < path.size() - (closed ? 1 : 0); ++i) vertex(path[i], 0);
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
