#include "core/pdf/Clip.h"

#include <clipper.hpp>

#include <cmath>

namespace refconv::pdf {

namespace {

// Clipper works in integers: a sixteenth of a plotter unit.
constexpr double kScale = 16;

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
  ClipperLib::Paths out;
  try {
    ClipperLib::Clipper clipper;
    clipper.AddPaths(toClipper(areas), ClipperLib::ptSubject, true);
    clipper.AddPaths(polygons_->paths, ClipperLib::ptClip, true);
    clipper.Execute(ClipperLib::ctIntersection, out, evenOdd ? ClipperLib::pftEvenOdd : ClipperLib::pftNonZero,
                    ClipperLib::pftNonZero);
  } catch (const ClipperLib::clipperException&) {
    return areas;  // what cannot be cut is drawn whole rather than lost
  }
  return fromClipper(out, true);
}

Paths ClipRegion::stroke(const Paths& lines, double halfWidth) const {
  Bounds box = boundsOf(lines);
  if (surelyHolds(box)) return lines;
  try {
    // Strokes of one width in a row (a page's lines mostly are) grow the region once.
    const double by = std::max(halfWidth, 0.5) * kScale;
    if (!grown_ || grownBy_ != by) {
      grown_ = std::make_shared<Polygons>();
      ClipperLib::ClipperOffset offset;
      offset.AddPaths(polygons_->paths, ClipperLib::jtMiter, ClipperLib::etClosedPolygon);
      offset.Execute(grown_->paths, by);
      grownBy_ = by;
    }
    ClipperLib::Clipper clipper;
    clipper.AddPaths(toClipper(lines), ClipperLib::ptSubject, false);
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
    offset.Execute(out, std::max(halfWidth, 0.5) * kScale);
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
