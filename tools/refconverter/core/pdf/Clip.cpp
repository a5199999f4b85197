#include "core/pdf/Clip.h"

#include <clipper.hpp>

#include <algorithm>
#include <cmath>

namespace refconv::pdf {

namespace {

// Clipper works in integers: a sixteenth of a plotter unit.
constexpr double kScale = 16;
// Half a stroke's width at most, in plotter units (250 m): a file's absurd width stays within
// Clipper's range.
constexpr double kWidest = 1e7;
double clipperWidth(double halfWidth) {
  return (std::isfinite(halfWidth) ? std::clamp(halfWidth, 0.5, kWidest) : 0.5) * kScale;
}

ClipperLib::Paths toClipper(const Paths& paths) {
  ClipperLib::Paths out;
  out.reserve(paths.size());
  for (const auto& path : paths) {
    ClipperLib::Path& p = out.emplace_back();
    p.reserve(path.size());
    for (const Point& point : path)
      p.emplace_back(static_cast<ClipperLib::cInt>(std::llround(point.x * kScale)),
                     static_cast<ClipperLib::cInt>(std::llround(point.y * kScale)));
  }
  return out;
}

Paths fromClipper(const ClipperLib::Paths& paths, bool close) {
  Paths out;
  for (const ClipperLib::Path& p : paths) {
    if (p.size() < 2) continue;
    auto& path = out.emplace_back();
    for (const ClipperLib::IntPoint& q : p) path.push_back({q.X / kScale, q.Y / kScale});
    if (close) path.push_back(path.front());
  }
  return out;
}

Bounds boundsOf(const Paths& paths) {
  Bounds b;
  for (const auto& path : paths)
    for (const Point& p : path) b.add(p);
  return b;
}

Bounds boundsOf(const std::vector<Point>& path) {
  Bounds b;
  for (const Point& p : path) b.add(p);
  return b;
}

bool meets(const Bounds& a, const Bounds& b) {
  return !a.empty && !b.empty && a.minX <= b.maxX && b.minX <= a.maxX && a.minY <= b.maxY && b.minY <= a.maxY;
}

// A polygon's outline when it turns one way all round; empty otherwise.
std::vector<Point> convexOutline(const ClipperLib::Paths& paths) {
  if (paths.size() != 1 || paths[0].size() < 3) return {};
  std::vector<Point> out;
  for (const ClipperLib::IntPoint& q : paths[0]) out.push_back({q.X / kScale, q.Y / kScale});
  int turn = 0;
  for (size_t i = 0; i < out.size(); ++i) {
    const Point &a = out[i], &b = out[(i + 1) % out.size()], &c = out[(i + 2) % out.size()];
    const double cross = (b.x - a.x) * (c.y - b.y) - (b.y - a.y) * (c.x - b.x);
    const int sign = cross > 0 ? 1 : cross < 0 ? -1 : 0;
    if (sign != 0 && turn != 0 && sign != turn) return {};
    if (sign != 0) turn = sign;
  }
  if (turn < 0) std::reverse(out.begin(), out.end());  // counter-clockwise from here on
  return out;
}

// The parts of lines inside a convex polygon (counter-clockwise), a segment at a time
// (Cyrus and Beck): linear in the lines, whatever their count.
Paths cutToConvex(const Paths& lines, const std::vector<Point>& polygon) {
  Paths out;
  const size_t n = polygon.size();
  for (const auto& line : lines) {
    bool open = false;  // the last piece ended where this segment starts
    for (size_t i = 0; i + 1 < line.size(); ++i) {
      const Point p0 = line[i], p1 = line[i + 1];
      const double dx = p1.x - p0.x, dy = p1.y - p0.y;
      double enter = 0, leave = 1;
      bool outside = false;
      for (size_t k = 0; k < n && !outside; ++k) {
        const Point& a = polygon[k];
        const Point& b = polygon[(k + 1) % n];
        // The edge's outward normal, to the right of a counter-clockwise edge.
        const double nx = b.y - a.y, ny = a.x - b.x;
        const double at = nx * (p0.x - a.x) + ny * (p0.y - a.y), along = nx * dx + ny * dy;
        if (along == 0) {
          outside = at > 0;
        } else if (along < 0) {
          enter = std::max(enter, -at / along);
        } else {
          leave = std::min(leave, -at / along);
        }
        outside = outside || enter > leave;
      }
      if (outside) {
        open = false;
        continue;
      }
      const Point from{p0.x + dx * enter, p0.y + dy * enter}, to{p0.x + dx * leave, p0.y + dy * leave};
      if (!open || enter > 0) out.push_back({from});
      out.back().push_back(to);
      open = leave >= 1;
    }
  }
  std::erase_if(out, [](const std::vector<Point>& p) { return p.size() < 2; });
  return out;
}

constexpr size_t kMostPointsToCut = 200'000;  // past this, lines wholly outside go, the rest stay whole

}  // namespace

struct ClipRegion::Polygons {
  ClipperLib::Paths paths;
};

std::shared_ptr<const ClipRegion> ClipRegion::intersect(const ClipRegion* within, const Paths& paths, bool evenOdd) {
  auto polygons = std::make_shared<Polygons>();
  const ClipperLib::PolyFillType rule = evenOdd ? ClipperLib::pftEvenOdd : ClipperLib::pftNonZero;
  try {
    ClipperLib::Clipper clipper;
    clipper.AddPaths(toClipper(paths), ClipperLib::ptSubject, true);
    if (within) clipper.AddPaths(within->polygons_->paths, ClipperLib::ptClip, true);
    clipper.Execute(within ? ClipperLib::ctIntersection : ClipperLib::ctUnion, polygons->paths, rule,
                    ClipperLib::pftNonZero);
  } catch (const ClipperLib::clipperException&) {
    polygons->paths.clear();
  }
  auto region = std::make_shared<ClipRegion>();
  const Paths drawn = fromClipper(polygons->paths, false);
  region->bounds_ = boundsOf(drawn);
  for (const auto& p : polygons->paths) region->edges_ += p.size();
  if (polygons->paths.size() == 1 && polygons->paths[0].size() == 4) {
    const ClipperLib::Path& p = polygons->paths[0];
    bool upright = true;
    for (size_t i = 0; i < 4; ++i) {
      const ClipperLib::IntPoint &a = p[i], &b = p[(i + 1) % 4];
      upright = upright && (a.X == b.X || a.Y == b.Y);
    }
    region->rectangle_ = upright;
  }
  region->polygons_ = std::move(polygons);
  return region;
}

bool ClipRegion::surelyHolds(const Bounds& box) const {
  return rectangle_ && !box.empty && box.minX >= bounds_.minX && box.maxX <= bounds_.maxX && box.minY >= bounds_.minY &&
         box.maxY <= bounds_.maxY;
}

Paths ClipRegion::fill(const Paths& areas, bool evenOdd) const {
  if (surelyHolds(boundsOf(areas))) return areas;
  // Outlines wholly outside the region add nothing within it, whatever the rule.
  Paths near;
  for (const auto& area : areas)
    if (meets(boundsOf(area), bounds_)) near.push_back(area);
  if (near.empty()) return {};
  ClipperLib::Paths out;
  try {
    ClipperLib::Clipper clipper;
    clipper.AddPaths(toClipper(near), ClipperLib::ptSubject, true);
    clipper.AddPaths(polygons_->paths, ClipperLib::ptClip, true);
    clipper.Execute(ClipperLib::ctIntersection, out, evenOdd ? ClipperLib::pftEvenOdd : ClipperLib::pftNonZero,
                    ClipperLib::pftNonZero);
  } catch (const ClipperLib::clipperException&) {
    return areas;  // what cannot be cut is drawn whole rather than lost
  }
  return fromClipper(out, true);
}

Paths ClipRegion::stroke(const Paths& lines, double halfWidth) const {
  if (surelyHolds(boundsOf(lines))) return lines;
  try {
    // Strokes of one width in a row (a page's lines mostly are) grow the region once.
    const double by = clipperWidth(halfWidth);
    if (!grown_ || grownBy_ != by) {
      grown_ = std::make_shared<Polygons>();
      ClipperLib::ClipperOffset offset;
      offset.AddPaths(polygons_->paths, ClipperLib::jtMiter, ClipperLib::etClosedPolygon);
      offset.Execute(grown_->paths, by);
      grownBy_ = by;
      convex_ = convexOutline(grown_->paths);
    }
    // Lines wholly outside go; a convex region (a box, turned or not) cuts the rest a segment
    // at a time.
    Bounds reach = bounds_;
    reach.minX -= by / kScale, reach.minY -= by / kScale, reach.maxX += by / kScale, reach.maxY += by / kScale;
    Paths near;
    size_t points = 0;
    for (const auto& line : lines)
      if (meets(boundsOf(line), reach)) {
        near.push_back(line);
        points += line.size();
      }
    if (near.empty()) return {};
    if (!convex_.empty()) return cutToConvex(near, convex_);
    // Past the bound (a hostile file's millions of dashes) Clipper would take too long: what
    // may show stays whole rather than lost.
    if (points > kMostPointsToCut) return near;
    ClipperLib::Clipper clipper;
    clipper.AddPaths(toClipper(near), ClipperLib::ptSubject, false);
    clipper.AddPaths(grown_->paths, ClipperLib::ptClip, true);
    ClipperLib::PolyTree tree;
    clipper.Execute(ClipperLib::ctIntersection, tree, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
    ClipperLib::Paths out;
    ClipperLib::OpenPathsFromPolyTree(tree, out);
    return fromClipper(out, false);
  } catch (const ClipperLib::clipperException&) {
    return lines;
  }
}

Paths ClipRegion::strokeArea(const Paths& lines, double halfWidth, LineEnd end, LineJoin join, double miterLimit) {
  ClipperLib::Paths out;
  try {
    ClipperLib::ClipperOffset offset(std::max(miterLimit, 1.0), 0.25 * kScale);
    const ClipperLib::JoinType joins = join == LineJoin::Round   ? ClipperLib::jtRound
                                       : join == LineJoin::Miter ? ClipperLib::jtMiter
                                                                 : ClipperLib::jtSquare;
    for (const auto& line : lines) {
      const bool closed = line.size() > 2 && line.front().x == line.back().x && line.front().y == line.back().y;
      const ClipperLib::EndType ends = closed                   ? ClipperLib::etClosedLine
                                       : end == LineEnd::Round  ? ClipperLib::etOpenRound
                                       : end == LineEnd::Square ? ClipperLib::etOpenSquare
                                                                : ClipperLib::etOpenButt;
      offset.AddPaths(toClipper({line}), joins, ends);
    }
    offset.Execute(out, clipperWidth(halfWidth));
  } catch (const ClipperLib::clipperException&) {
    return {};
  }
  return fromClipper(out, true);
}

bool ClipRegion::contains(Point p) const {
  if (rectangle_) return p.x >= bounds_.minX && p.x <= bounds_.maxX && p.y >= bounds_.minY && p.y <= bounds_.maxY;
  const ClipperLib::IntPoint q(static_cast<ClipperLib::cInt>(std::llround(p.x * kScale)),
                               static_cast<ClipperLib::cInt>(std::llround(p.y * kScale)));
  // The region's polygons do not cross: a point is inside an odd number of them.
  int inside = 0;
  for (const ClipperLib::Path& path : polygons_->paths) inside += ClipperLib::PointInPolygon(q, path) != 0;
  return inside % 2 == 1;
}

}  // namespace refconv::pdf
