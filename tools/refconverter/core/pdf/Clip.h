// Clipping paths (W, W*, text in the clipping modes): the region a page still paints in, cut
// from every path and picture the painter draws, so that every writer draws only what shows.
// The cutting is Clipper's (libpolyclipping).
#pragma once

#include <memory>
#include <vector>

#include "core/Hpgl.h"

namespace refconv::pdf {

using Paths = std::vector<std::vector<Point>>;

class ClipRegion {
 public:
  // The part of `within` (none: everything) inside `paths` under their rule.
  static std::shared_ptr<const ClipRegion> intersect(const ClipRegion* within, const Paths& paths, bool evenOdd);
  // The area a stroke of lines covers, with its ends and joins (filled under non-zero).
  static Paths strokeArea(const Paths& lines, double halfWidth, LineEnd end, LineJoin join, double miterLimit);

  // The parts of closed areas within the region.
  Paths fill(const Paths& areas, bool evenOdd) const;
  // The parts of lines within the region grown by `halfWidth`, so that a line along its edge
  // stays whole.
  Paths stroke(const Paths& lines, double halfWidth) const;
  bool contains(Point p) const;
  // Whether the box lies wholly within (only known for a region of one upright rectangle).
  bool surelyHolds(const Bounds& box) const;
  size_t edges() const { return edges_; }
  const Bounds& bounds() const { return bounds_; }

 private:
  struct Polygons;
  std::shared_ptr<const Polygons> polygons_;
  mutable std::shared_ptr<Polygons> grown_;  // the region grown for the last stroke width...
  mutable double grownBy_ = -1;              // ...by this much...
  mutable std::vector<Point> convex_;        // ...and its outline when that is one convex polygon
  Bounds bounds_;
  bool rectangle_ = false;  // one upright rectangle: its bounds
  size_t edges_ = 0;
};

}  // namespace refconv::pdf
