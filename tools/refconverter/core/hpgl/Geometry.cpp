#include "Geometry.h"

#include "Reader.h"

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

std::vector<Point> arcThrough(Point a, Point m, Point e, double chord) {
  constexpr double kPi = std::numbers::pi;
  const double d = 2 * (a.x * (m.y - e.y) + m.x * (e.y - a.y) + e.x * (a.y - m.y));
  const double scaleOfPoints = std::max({std::fabs(a.x - e.x), std::fabs(a.y - e.y), std::fabs(m.x - a.x), 1.0});
  if (std::fabs(d) < 1e-9 * scaleOfPoints * scaleOfPoints) return {a, m, e};
  auto sq = [](Point p) { return p.x * p.x + p.y * p.y; };
  const Point c = {(sq(a) * (m.y - e.y) + sq(m) * (e.y - a.y) + sq(e) * (a.y - m.y)) / d,
                   (sq(a) * (e.x - m.x) + sq(m) * (a.x - e.x) + sq(e) * (m.x - a.x)) / d};
  auto angleOf = [&](Point p) { return std::atan2(p.y - c.y, p.x - c.x); };
  auto ccw = [](double from, double to) {
    double s = to - from;
    while (s < 0) s += 2 * kPi;
    return s;
  };
  const double toEnd = ccw(angleOf(a), angleOf(e)), toMiddle = ccw(angleOf(a), angleOf(m));
  const double sweep = toMiddle < toEnd ? toEnd : toEnd - 2 * kPi;
  std::vector<Point> points = arcPoints(c, a, sweep * 180 / kPi, chord);
  points.back() = e;
  return points;
}

std::vector<Point> bezierPoints(Point p0, Point p1, Point p2, Point p3) {
  const double hull = std::hypot(p1.x - p0.x, p1.y - p0.y) + std::hypot(p2.x - p1.x, p2.y - p1.y) +
                      std::hypot(p3.x - p2.x, p3.y - p2.y);
  const int steps = static_cast<int>(std::clamp(std::ceil(hull / 40), 4.0, 64.0));  // about 1 mm chords
  std::vector<Point> points;
  for (int i = 0; i <= steps; ++i) {
    const double t = static_cast<double>(i) / steps, u = 1 - t;
    points.push_back({u * u * u * p0.x + 3 * u * u * t * p1.x + 3 * u * t * t * p2.x + t * t * t * p3.x,
                      u * u * u * p0.y + 3 * u * u * t * p1.y + 3 * u * t * t * p2.y + t * t * t * p3.y});
  }
  return points;
}

Point Scaling::toPlotter(double x, double y) const {
  if (!scaled) return clamped({x, y});
  return clamped({ox + sx * x, oy + sy * y});
}

Point Scaling::relativeTo(Point from, double dx, double dy) const {
  const Point d = deltaToPlotter(dx, dy);
  return clamped({from.x + d.x, from.y + d.y});
}

std::vector<Point> Scaling::arc(Point center, Point start, double sweep, double chord) const {
  return scaled ? arcPoints(center, start, sweep, chord, sx, sy) : arcPoints(center, start, sweep, chord);
}

void Scaling::apply() {
  const auto [xmin, xmax, ymin, ymax] = user;
  if (type == 2) {  // point factor: xmin, x factor, ymin, y factor
    sx = xmax;
    sy = ymax;
    ox = p1.x - xmin * sx;
    oy = p1.y - ymin * sy;
  } else {
    sx = xmax != xmin ? (p2.x - p1.x) / (xmax - xmin) : 1;
    sy = ymax != ymin ? (p2.y - p1.y) / (ymax - ymin) : 1;
    ox = p1.x - xmin * sx;
    oy = p1.y - ymin * sy;
    if (type == 1) {  // isotropic: the smaller factor, the spare room shared by left and bottom
      const double s = std::min(std::fabs(sx), std::fabs(sy));
      const double spareX = (p2.x - p1.x) - std::copysign(s, sx) * (xmax - xmin);
      const double spareY = (p2.y - p1.y) - std::copysign(s, sy) * (ymax - ymin);
      sx = std::copysign(s, sx);
      sy = std::copysign(s, sy);
      ox = p1.x + spareX * left / 100 - xmin * sx;
      oy = p1.y + spareY * bottom / 100 - ymin * sy;
    }
  }
  if (!std::isfinite(sx) || !std::isfinite(sy) || !std::isfinite(ox) || !std::isfinite(oy) || sx == 0 || sy == 0)
    scaled = false;
}

void scalingPoints(Reader& in, Scaling& s, const Paper& paper) {
  const auto x1 = in.number(), y1 = in.number();
  if (!x1 || !y1) {
    s.p1 = {paper.hardClip.x0, paper.hardClip.y0};
    s.p2 = {paper.hardClip.x1, paper.hardClip.y1};
  } else {
    const auto x2 = in.number(), y2 = in.number();
    const Point oldP1 = s.p1;
    s.p1 = clamped({*x1, *y1});
    if (x2 && y2)
      s.p2 = clamped({*x2, *y2});
    else
      s.p2 = clamped({s.p2.x + s.p1.x - oldP1.x, s.p2.y + s.p1.y - oldP1.y});
  }
  if (s.scaled) s.apply();
}

// P1 and P2 as percentages of the hard-clip limits.
void relativeScalingPoints(Reader& in, Scaling& s, const Paper& paper) {
  const auto x1 = in.number(), y1 = in.number();
  const Rect& clip = paper.hardClip;
  const double w = clip.x1 - clip.x0, h = clip.y1 - clip.y0;
  auto at = [&](double px, double py) {
    return clamped({clip.x0 + w * std::clamp(px, 0.0, 100.0) / 100, clip.y0 + h * std::clamp(py, 0.0, 100.0) / 100});
  };
  if (!x1 || !y1) {
    s.p1 = {clip.x0, clip.y0};
    s.p2 = {clip.x1, clip.y1};
  } else {
    const auto x2 = in.number(), y2 = in.number();
    const Point size = {s.p2.x - s.p1.x, s.p2.y - s.p1.y};
    s.p1 = at(*x1, *y1);
    s.p2 = x2 && y2 ? at(*x2, *y2) : clamped({s.p1.x + size.x, s.p1.y + size.y});
  }
  if (s.scaled) s.apply();
}

void scale(Reader& in, Scaling& s) {
  const auto xmin = in.number(), xmax = in.number(), ymin = in.number(), ymax = in.number();
  if (!xmin || !xmax || !ymin || !ymax) {
    s.scaled = false;
    return;
  }
  s.type = wholeNumber(in.number().value_or(0));
  s.left = std::clamp(in.number().value_or(50), 0.0, 100.0);
  s.bottom = std::clamp(in.number().value_or(50), 0.0, 100.0);
  s.user = {*xmin, *xmax, *ymin, *ymax};
  s.scaled = true;
  s.apply();
}

void inputWindow(Reader& in, Scaling& s) {
  const auto x0 = in.number(), y0 = in.number(), x1 = in.number(), y1 = in.number();
  if (!x0 || !y0 || !x1 || !y1) {
    s.window.reset();
    return;
  }
  const Point a = s.toPlotter(*x0, *y0), b = s.toPlotter(*x1, *y1);
  s.window = Rect{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

void plotSize(Reader& in, Paper& paper, Scaling& s, bool hpgl2) {
  const auto length = in.number(), width = in.number();
  // In a PCL job the printer's picture frame and logical page are the paper: PS is ignored, as
  // a printer ignores it.
  if (!length || in.enteredFromPcl()) return;
  // HP-GL/1's PS is one small number, a paper code; no plot is a few units long.
  constexpr double kLargestPaperCode = 9;
  if (!hpgl2 && !width && std::fabs(*length) <= kLargestPaperCode) return;
  const double x = std::clamp(std::fabs(*length), 1.0, kLimit);
  // P1 and P2 need a width; nothing is cut by a width the file did not give.
  const double y = width ? std::clamp(std::fabs(*width), 1.0, kLimit) : x * 0.75;
  paper.hardClip = {0, 0, x, y};
  paper.plotSizeGiven = true;
  paper.widthGiven = width.has_value();
  s.p1 = {0, 0};
  s.p2 = {x, y};
  if (s.scaled) s.apply();
}

void rotate(Reader& in, Paper& paper) {
  const int angle = wholeNumber(in.number().value_or(0));
  paper.rotation = angle == 90 || angle == 180 || angle == 270 ? angle : 0;
}

// The paper as the turned coordinate system sees it; with no PS, the longest roll round the
// origin.
Rect clipArea(const Paper& paper, const Scaling& scaling) {
  Rect area{-kLongestRoll, -kLongestRoll, kLongestRoll, kLongestRoll};
  if (paper.plotSizeGiven) {
    const bool across = paper.rotation == 90 || paper.rotation == 270;
    const double w = paper.hardClip.x1, h = paper.widthGiven ? paper.hardClip.y1 : kLongestRoll;
    area = {0, 0, across ? h : w, across ? w : h};
  }
  if (const auto& w = scaling.window)
    area = {std::max(area.x0, w->x0), std::max(area.y0, w->y0), std::min(area.x1, w->x1), std::min(area.y1, w->y1)};
  return area;
}

Point placed(const Paper& paper, Point p) {
  const double w = paper.hardClip.x1, h = paper.hardClip.y1;
  switch (paper.rotation) {
    case 90: return {w - p.y, p.x};
    case 180: return {w - p.x, h - p.y};
    case 270: return {p.y, h - p.x};
    default: return p;
  }
}

}  // namespace refconv::hpgl
