// Points as vectors, for the geometry of strokes: sums, differences, scaling, directions.
#pragma once

#include <cmath>

#include "Hpgl.h"

namespace refconv {

inline Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y}; }
inline Point operator-(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
inline Point operator*(Point a, double s) { return {a.x * s, a.y * s}; }
inline double dot(Point a, Point b) { return a.x * b.x + a.y * b.y; }
// Positive when `b` turns anticlockwise from `a` (in a y-up plane).
inline double cross(Point a, Point b) { return a.x * b.y - a.y * b.x; }
// The direction of `d` as a unit vector; along x for no direction at all.
inline Point unitOf(Point d) {
  const double l = std::hypot(d.x, d.y);
  return l > 0 ? Point{d.x / l, d.y / l} : Point{1, 0};
}
// `d` turned a quarter anticlockwise (in a y-up plane).
inline Point normalOf(Point d) { return {-d.y, d.x}; }

}  // namespace refconv
