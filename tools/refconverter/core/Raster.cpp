#include "Raster.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "Bitmaps.h"
#include "PointMath.h"

namespace refconv {

namespace {

// Points here are pixels: x to the right, y down from the top row.
struct Edge {
  Point a, b;
};

// Closed outlines in pixels, collected for one pass of coverage.
class Outlines {
 public:
  std::vector<Edge> edges;
  double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;

  // A closed polygon; `positive` turns it so that every piece of a stroke winds the same
  // way, and their union is what the non-zero rule fills.
  void polygon(std::vector<Point> points, bool positive) {
    if (points.size() < 3) return;
    if (positive) {
      double area = 0;
      for (size_t i = 0; i < points.size(); ++i) area += cross(points[i], points[(i + 1) % points.size()]);
      if (area < 0) std::reverse(points.begin(), points.end());
    }
    for (size_t i = 0; i < points.size(); ++i) add(points[i], points[(i + 1) % points.size()]);
  }

  void circle(Point c, double r) {
    const int n = std::clamp(static_cast<int>(std::ceil(r * 2)), 8, 64);
    std::vector<Point> points;
    for (int i = 0; i < n; ++i) {
      const double a = 2 * std::numbers::pi * i / n;
      points.push_back({c.x + r * std::cos(a), c.y + r * std::sin(a)});
    }
    polygon(std::move(points), true);
  }

 private:
  void add(Point a, Point b) {
    if (a.y == b.y) return;
    edges.push_back({a, b});
    minX = std::min({minX, a.x, b.x});
    maxX = std::max({maxX, a.x, b.x});
    minY = std::min({minY, a.y, b.y});
    maxY = std::max({maxY, a.y, b.y});
  }
};

// A line of `halfWidth` pixels either side, as polygons: one a segment, and its ends and
// joins as the shape asks. Joins and round ends too small to see are left out.
void strokeOutline(Outlines& out, const std::vector<Point>& line, double halfWidth, const Shape& shape) {
  if (line.size() < 2) return;
  const bool closed = isClosed(line);
  const bool visibleJoins = halfWidth >= 0.75;
  const size_t n = line.size();
  for (size_t i = 0; i + 1 < n; ++i) {
    Point a = line[i], b = line[i + 1];
    const Point d = unitOf(b - a), normal = normalOf(d) * halfWidth;
    if (!closed && shape.end == LineEnd::Square) {
      if (i == 0) a = a - d * halfWidth;
      if (i + 2 == n) b = b + d * halfWidth;
    }
    out.polygon({a + normal, b + normal, b - normal, a - normal}, true);
  }
  // A dot (a zero-length line, a dotted line type's dots) is the pen's tip, whatever its
  // ends: a plotter leaves a spot of the pen's width, where a butt-ended line of no length
  // would leave nothing and round ends too small to see are left out.
  bool isDot = true;
  for (const Point& p : line) isDot = isDot && std::fabs(p.x - line[0].x) < 0.5 && std::fabs(p.y - line[0].y) < 0.5;
  if (isDot && !(shape.end == LineEnd::Round && visibleJoins)) out.circle(line[0], std::max(halfWidth, 0.5));
  if (!closed) {
    for (const bool first : {true, false}) {
      const Point end = first ? line[0] : line[n - 1];
      const Point d = first ? unitOf(line[0] - line[1]) : unitOf(line[n - 1] - line[n - 2]);
      const Point normal = normalOf(d) * halfWidth;
      if (shape.end == LineEnd::Round && visibleJoins) out.circle(end, halfWidth);
      if (shape.end == LineEnd::Triangle) out.polygon({end + normal, end + d * halfWidth, end - normal}, true);
    }
  }
  if (!visibleJoins || shape.join == LineJoin::None) return;
  for (size_t i = closed ? 0 : 1; i + 1 < n; ++i) {
    const Point v = line[i], prev = closed && i == 0 ? line[n - 2] : line[i - 1], next = line[i + 1];
    if (shape.join == LineJoin::Round) {
      out.circle(v, halfWidth);
      continue;
    }
    const Point d0 = unitOf(v - prev), d1 = unitOf(next - v);
    const double turn = cross(d0, d1);
    if (std::fabs(turn) < 1e-9 && dot(d0, d1) > 0) continue;  // straight on
    // The outer side of the turn.
    const double side = turn > 0 ? -1 : 1;
    const Point o0 = v + normalOf(d0) * (halfWidth * side), o1 = v + normalOf(d1) * (halfWidth * side);
    const Point bisector = unitOf((o0 - v) + (o1 - v));
    const double cosHalf = std::max(1e-9, bisector.x * (o0 - v).x / halfWidth + bisector.y * (o0 - v).y / halfWidth);
    const double miter = 1 / cosHalf;  // miter length / pen width
    if ((shape.join == LineJoin::Miter || shape.join == LineJoin::MiterBevel) && miter <= shape.miterLimit) {
      out.polygon({v, o0, v + bisector * (halfWidth * miter), o1}, true);
    } else if (shape.join == LineJoin::Triangle) {
      out.polygon({v, o0, v + bisector * halfWidth, o1}, true);
    } else {
      out.polygon({v, o0, o1}, true);
    }
  }
}

// Exact area coverage of the outlines' edges, accumulated a row at a time and composited
// in the colour; rows in bands and only the columns the outlines reach, so that the buffer
// stays small for a large page. The work of all passes together is bounded: a plot that
// would take longer is cut short.
class Canvas {
 public:
  explicit Canvas(Image& image) : image_(image) {}

  bool cutShort() const { return work_ > kMaxWork; }

  // A picture over what is drawn, blended by its alpha.
  void picture(const Bitmap& b, const OnGrid& at) {
    if (cutShort()) return;
    work_ += std::fabs(at.across.x * at.down.y - at.across.y * at.down.x);
    eachPixel(b, at, image_.width, image_.height, [&](int x, int y, size_t i) {
      uint8_t* px = image_.rgb.data() + (static_cast<size_t>(y) * image_.width + x) * 3;
      const int a = b.alpha.empty() ? 255 : b.alpha[i];
      for (int k = 0; k < 3; ++k) px[k] = static_cast<uint8_t>((b.rgb[i * 3 + k] * a + px[k] * (255 - a) + 127) / 255);
    });
  }

  void paint(const Outlines& outlines, uint32_t color, bool evenOdd, float opacity = 1) {
    if (outlines.edges.empty() || cutShort()) return;
    const int top = std::max(0, static_cast<int>(std::floor(outlines.minY)));
    const int bottom = std::min(image_.height, static_cast<int>(std::ceil(outlines.maxY)));
    left_ = std::clamp(static_cast<int>(std::floor(outlines.minX)), 0, image_.width);
    const int right = std::clamp(static_cast<int>(std::ceil(outlines.maxX)) + 1, left_, image_.width);
    const int w = right - left_;
    constexpr int kBand = 128;
    for (int band = top; band < bottom && !cutShort(); band += kBand) {
      const int rows = std::min(kBand, bottom - band);
      work_ += static_cast<double>(rows) * (w + 2);
      acc_.assign(static_cast<size_t>(rows) * (w + 2), 0.0f);
      for (const Edge& e : outlines.edges) {
        if (std::max(e.a.y, e.b.y) <= band || std::min(e.a.y, e.b.y) >= band + rows) continue;
        line({e.a.x - left_, e.a.y}, {e.b.x - left_, e.b.y}, band, rows, w);
      }
      composite(band, rows, w, color, evenOdd, opacity);
    }
  }

 private:
  static constexpr double kMaxWork = 6e9;  // pixels visited: about a minute

  // One edge's share of the coverage, a pixel row at a time. The row keeps differences: the
  // running sum from the left (composite) is, in each pixel, the signed part of the pixel
  // that lies to the right of the edge, in units of the row's height. Past the edge it is the
  // edge's full height `d`; before it, nothing. In between, an edge crossing several pixels
  // (xa to xb, sorted; s = 1 / (xb - xa), the share of the height it climbs a pixel):
  //
  //          x0i       x0i+1     x0i+2             x1i-1  xb  x1i
  //     y1 ---+---------+---------+------ ... -------+------/---+------
  //           |         |         |             ___--|####/#####|######
  //           |         |         |     ___---#######|##/#######|######
  //           |      ___|___---###|#######  ...  ####|/#########|######
  //     y0 ---+--xa/----+---------+------ ... -------+----------+------
  //     covered:  a0        a1       a1 + s  ...      1 - am       1
  //
  // a0 = s (1 - x0f)^2 / 2: the triangle right of the edge in its first pixel (x0f = xa - x0i).
  // a1 = s (1.5 - x0f): the second pixel's mean height of the edge above y0, over the pixel.
  // Each pixel after grows by s, up to the last, which misses only the triangle left of the
  // edge, am = s x1f^2 / 2 (x1f = xb - (x1i - 1)); the pixel after is wholly covered.
  void line(Point p0, Point p1, int band, int rows, int w) {
    double dir = 1;
    if (p0.y > p1.y) std::swap(p0, p1), dir = -1;
    const double dxdy = (p1.x - p0.x) / (p1.y - p0.y);
    const double yStart = std::max(p0.y, static_cast<double>(band)), yEnd = std::min(p1.y, double(band + rows));
    double x = p0.x + (yStart - p0.y) * dxdy;
    const double maxX = w;
    for (int y = static_cast<int>(std::floor(yStart)); y < yEnd; ++y) {
      const double y0 = std::max(static_cast<double>(y), yStart), y1 = std::min(y + 1.0, yEnd);
      const double dy = y1 - y0;
      if (dy <= 0) continue;
      const double xNext = x + dxdy * dy;
      const float d = static_cast<float>(dy * dir);
      float* row = acc_.data() + static_cast<size_t>(y - band) * (w + 2);
      // Outside the picture on either side is the same, for coverage, as on its edge.
      const double xa = std::clamp(std::min(x, xNext), 0.0, maxX), xb = std::clamp(std::max(x, xNext), 0.0, maxX);
      const int x0i = static_cast<int>(std::floor(xa));
      const int x1i = static_cast<int>(std::ceil(xb));
      if (x1i <= x0i + 1) {
        const double xm = 0.5 * (xa + xb) - x0i;
        row[x0i] += static_cast<float>(d - d * xm);
        row[x0i + 1] += static_cast<float>(d * xm);
      } else {
        const double s = 1 / (xb - xa);
        const double x0f = xa - x0i, a0 = 0.5 * s * (1 - x0f) * (1 - x0f);
        const double x1f = xb - x1i + 1, am = 0.5 * s * x1f * x1f;
        row[x0i] += static_cast<float>(d * a0);
        if (x1i == x0i + 2) {
          row[x0i + 1] += static_cast<float>(d * (1 - a0 - am));
        } else {
          const double a1 = s * (1.5 - x0f);
          row[x0i + 1] += static_cast<float>(d * (a1 - a0));
          for (int xi = x0i + 2; xi < x1i - 1; ++xi) row[xi] += static_cast<float>(d * s);
          const double a2 = a1 + (x1i - x0i - 3) * s;
          row[x1i - 1] += static_cast<float>(d * (1 - a2 - am));
        }
        row[x1i] += static_cast<float>(d * am);
      }
      x = xNext;
    }
  }

  void composite(int band, int rows, int w, uint32_t color, bool evenOdd, float opacity) {
    const float c[3] = {static_cast<float>((color >> 16) & 0xFF), static_cast<float>((color >> 8) & 0xFF),
                        static_cast<float>(color & 0xFF)};
    for (int y = 0; y < rows; ++y) {
      const float* row = acc_.data() + static_cast<size_t>(y) * (w + 2);
      uint8_t* px = image_.rgb.data() + (static_cast<size_t>(band + y) * image_.width + left_) * 3;
      float sum = 0;
      for (int x = 0; x < w; ++x) {
        sum += row[x];
        float cover = std::fabs(sum);
        if (evenOdd) {
          cover = std::fmod(cover, 2.0f);
          if (cover > 1) cover = 2 - cover;
        } else if (cover > 1) {
          cover = 1;
        }
        cover *= opacity;
        if (cover < 1.0f / 512) continue;
        if (cover > 1 - 1.0f / 512) {  // inside: the colour itself
          for (int k = 0; k < 3; ++k) px[x * 3 + k] = static_cast<uint8_t>(c[k]);
          continue;
        }
        for (int k = 0; k < 3; ++k)
          px[x * 3 + k] = static_cast<uint8_t>(std::lround(px[x * 3 + k] + (c[k] - px[x * 3 + k]) * cover));
      }
    }
  }

  Image& image_;
  std::vector<float> acc_;
  int left_ = 0;  // the first column of the pass
  double work_ = 0;
};

constexpr size_t kEdgesAPass = 2'000'000;  // bounded memory whatever the plot

}  // namespace

Image rasterize(const Plot& plot, double dpi, double maxSidePx) {
  const Page page = pageOf(plot);
  double pxPerMm = dpi / 25.4;
  const double longest = std::max(page.widthMm, page.heightMm) * pxPerMm;
  if (longest > maxSidePx) pxPerMm *= maxSidePx / longest;
  Image image;
  image.width = std::max(1, static_cast<int>(std::lround(page.widthMm * pxPerMm)));
  image.height = std::max(1, static_cast<int>(std::lround(page.heightMm * pxPerMm)));
  image.dpi = pxPerMm * 25.4;
  image.rgb.assign(static_cast<size_t>(image.width) * image.height * 3, 0xFF);
  const double scale = pxPerMm * kMmPerPlu;
  const double top = page.bottom + page.heightMm / kMmPerPlu;
  auto at = [&](Point p) { return Point{(p.x - page.left) * scale, (top - p.y) * scale}; };

  Canvas canvas(image);
  Outlines pending;
  uint32_t pendingColor = 0;
  float pendingOpacity = 1;
  auto flush = [&] {
    canvas.paint(pending, pendingColor, false, pendingOpacity);
    pending = Outlines();
  };
  std::vector<Point> points;
  for (const Shape& shape : plot.shapes) {
    if (shape.image) {
      flush();
      const Bitmap& b = *shape.image;
      auto along = [&](Point v) { return Point{v.x * scale, -v.y * scale}; };
      canvas.picture(b, {at(b.origin), along(b.across), along(b.down)});
      continue;
    }
    // Lines of one colour in a row are one union: painted in one pass; translucent ones each
    // in its own, as they blend over each other.
    const uint32_t color = shape.opacity < 1 ? shape.ink : shape.color;
    if (!pending.edges.empty() &&
        (color != pendingColor || shape.opacity < 1 || pendingOpacity < 1 || pending.edges.size() > kEdgesAPass))
      flush();
    if (shape.fill) {  // an area is filled by its own rule, in a pass of its own
      flush();
      Outlines own;
      for (const auto& path : shape.paths) {
        points.clear();
        for (const Point& p : path) points.push_back(at(p));
        own.polygon(points, false);
      }
      canvas.paint(own, color, shape.evenOdd, shape.opacity);
      continue;
    }
    pendingColor = color;
    pendingOpacity = shape.opacity;
    // A pen thinner than a pixel is drawn a pixel wide, as a plotter's line stays visible.
    const double halfWidth = std::max(shape.widthMm * pxPerMm, 1.0) / 2;
    for (const auto& path : shape.paths) {
      points.clear();
      for (const Point& p : path) points.push_back(at(p));
      strokeOutline(pending, points, halfWidth, shape);
      if (pending.edges.size() > kEdgesAPass) flush();
    }
  }
  flush();
  image.cutShort = canvas.cutShort();
  return image;
}

}  // namespace refconv
