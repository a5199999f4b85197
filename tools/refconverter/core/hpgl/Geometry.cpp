#include "Geometry.h"

#include <numbers>
#include <utility>

namespace refconv::hpgl {

void clipPolyline(const std::vector<Point>& line, const Rect& r, std::vector<std::vector<Point>>& out) {
  std::vector<Point> piece;
  auto finish = [&] {
    if (piece.size() >= 2) out.push_back(std::move(piece));
    piece.clear();
  };
  for (size_t i = 0; i + 1 < line.size(); ++i) {
    const Point a = line[i], b = line[i + 1];
    double t0 = 0, t1 = 1;
    const double dx = b.x - a.x, dy = b.y - a.y;
    bool inside = true;
    for (const auto& [p, q] : {std::pair{-dx, a.x - r.x0}, std::pair{dx, r.x1 - a.x}, std::pair{-dy, a.y - r.y0},
                               std::pair{dy, r.y1 - a.y}}) {
      if (p == 0) {
        if (q < 0) inside = false;
      } else {
        const double t = q / p;
        if (p < 0)
          t0 = std::max(t0, t);
        else
          t1 = std::min(t1, t);
      }
    }
    if (!inside || t0 > t1) {
      finish();
      continue;
    }
    const Point from = {a.x + t0 * dx, a.y + t0 * dy}, to = {a.x + t1 * dx, a.y + t1 * dy};
    if (piece.empty() || t0 > 0) {
      finish();
      piece.push_back(from);
    }
    piece.push_back(to);
    if (t1 < 1) finish();
  }
  finish();
}

std::vector<Point> clipRing(std::vector<Point> ring, const Rect& r) {
  auto cut = [&](auto inside, auto cross) {
    std::vector<Point> out;
    for (size_t i = 0; i < ring.size(); ++i) {
      const Point a = ring[i], b = ring[(i + 1) % ring.size()];
      const bool ia = inside(a), ib = inside(b);
      if (ia) out.push_back(a);
      if (ia != ib) out.push_back(cross(a, b));
    }
    ring = std::move(out);
  };
  auto atX = [](Point a, Point b, double x) { return Point{x, a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x)}; };
  auto atY = [](Point a, Point b, double y) { return Point{a.x + (b.x - a.x) * (y - a.y) / (b.y - a.y), y}; };
  cut([&](Point p) { return p.x >= r.x0; }, [&](Point a, Point b) { return atX(a, b, r.x0); });
  cut([&](Point p) { return p.x <= r.x1; }, [&](Point a, Point b) { return atX(a, b, r.x1); });
  cut([&](Point p) { return p.y >= r.y0; }, [&](Point a, Point b) { return atY(a, b, r.y0); });
  cut([&](Point p) { return p.y <= r.y1; }, [&](Point a, Point b) { return atY(a, b, r.y1); });
  return ring;
}

std::vector<Point> arcPoints(Point center, Point start, double sweep, double chord, double ux, double uy) {
  sweep = std::clamp(sweep, -360.0, 360.0);
  const double dx = (start.x - center.x) / ux, dy = (start.y - center.y) / uy;
  const double radius = std::hypot(dx, dy);
  const double begin = std::atan2(dy, dx);
  const int steps = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / chord)));
  std::vector<Point> points;
  points.reserve(static_cast<size_t>(steps) + 1);
  for (int i = 0; i <= steps; ++i) {
    const double a = begin + sweep * std::numbers::pi / 180 * i / steps;
    points.push_back(clamped({center.x + ux * radius * std::cos(a), center.y + uy * radius * std::sin(a)}));
  }
  if (std::fabs(sweep) == 360) points.back() = points.front();  // closed exactly
  return points;
}

}  // namespace refconv::hpgl
