// A PDF matrix [a b c d e f]: a point (x, y) goes to (a x + c y + e, b x + d y + f).
#pragma once

#include <cmath>
#include <optional>

#include "core/Hpgl.h"

namespace refconv::pdf {

struct Matrix {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
  Point apply(double x, double y) const { return {a * x + c * y + e, b * x + d * y + f}; }
  Point apply(Point p) const { return apply(p.x, p.y); }
  // This one first, then `m`.
  Matrix then(const Matrix& m) const {
    return {a * m.a + b * m.c, a * m.b + b * m.d,       c * m.a + d * m.c,
            c * m.b + d * m.d, e * m.a + f * m.c + m.e, e * m.b + f * m.d + m.f};
  }
  double scale() const { return std::sqrt(std::fabs(a * d - b * c)); }
  // None for a matrix that squeezes the plane to a line or a point.
  std::optional<Matrix> inverse() const {
    const double det = a * d - b * c;
    if (!(std::fabs(det) > 1e-12) || !std::isfinite(det)) return std::nullopt;
    return Matrix{d / det, -b / det, -c / det, a / det, (c * f - d * e) / det, (b * e - a * f) / det};
  }
};

}  // namespace refconv::pdf
