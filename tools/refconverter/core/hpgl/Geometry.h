// The plane the interpreter draws in: plotter units, kept finite and bounded; lines and
// areas cut to a rectangle; arcs as the points a plotter steps along.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "../Hpgl.h"

namespace refconv::hpgl {

inline constexpr double kLimit = 1e8;  // plotter units: 2.5 km, more than any plot

inline double clampCoordinate(double v) { return std::isfinite(v) ? std::clamp(v, -kLimit, kLimit) : 0; }
inline Point clamped(Point p) { return {clampCoordinate(p.x), clampCoordinate(p.y)}; }

struct Rect {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// The parts of a polyline inside a rectangle, added to `out` (Liang-Barsky, segment by segment).
void clipPolyline(const std::vector<Point>& line, const Rect& r, std::vector<std::vector<Point>>& out);
// A closed ring cut to a rectangle (Sutherland-Hodgman: exact for a convex window).
std::vector<Point> clipRing(std::vector<Point> ring, const Rect& r);
// Arc points around `center` from `start`, `sweep` degrees (positive counter-clockwise) in
// steps of at most `chord` degrees, in a space whose units are (ux, uy) plotter units:
// anisotropic scaling makes ellipses. A whole turn ends exactly where it began.
std::vector<Point> arcPoints(Point center, Point start, double sweep, double chord, double ux = 1, double uy = 1);

}  // namespace refconv::hpgl
