#include "core/pdf/Shadings.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/pdf/ColorSpaces.h"
#include "core/pdf/Functions.h"
#include "core/pdf/Meshes.h"

namespace refconv::pdf {

namespace {

constexpr int kMostBands = 256;
constexpr int kCircleSteps = 96;

// A circle of shading space as a polygon on the page.
std::vector<Point> circle(const Matrix& m, double cx, double cy, double r) {
  std::vector<Point> out;
  for (int i = 0; i <= kCircleSteps; ++i) {
    const double angle = 2 * std::numbers::pi * i / kCircleSteps;
    out.push_back(m.apply(cx + r * std::cos(angle), cy + r * std::sin(angle)));
  }
  return out;
}

}  // namespace

bool shade(Document& document, const Object& shadingObject, const Matrix& space, const ClipRegion& region,
           bool useBackground, std::vector<Shape>& out) {
  const Object shading = document.resolve(shadingObject);
  const Dict* dict = shading.asDict();
  if (!dict) return false;
  const Object type = document.get(*dict, "ShadingType");
  const int kind = type.kind == Object::Kind::Int ? static_cast<int>(type.integer) : 0;
  if (kind < 1 || kind > 7) return false;
  const std::shared_ptr<const ColorSpace> colors = ColorSpace::make(document, document.get(*dict, "ColorSpace"));
  const std::shared_ptr<const Function> function = makeFunction(document, document.get(*dict, "Function"));
  const std::vector<double> coords = document.numbers(*dict, "Coords");
  std::vector<double> domain = document.numbers(*dict, "Domain"), extend(2, 0);
  if (const Array* e = document.get(*dict, "Extend").asArray(); e && e->size() == 2)
    extend = {document.resolve((*e)[0]).boolean ? 1.0 : 0.0, document.resolve((*e)[1]).boolean ? 1.0 : 0.0};
  if (domain.size() != 2) domain = {0, 1};
  const bool mesh = kind != 2 && kind != 3;
  if (!colors || colors->components() < 1 || (!mesh && (!function || coords.size() != (kind == 2 ? 4u : 6u))))
    return false;
  const std::optional<Matrix> undo = space.inverse();
  if (!undo) return true;  // a shading squeezed to nothing paints nothing
  const Matrix& inverse = *undo;

  // The region, and the shading's own box, cut to each other.
  std::shared_ptr<const ClipRegion> cut;
  const ClipRegion* within = &region;
  if (const std::vector<double> box = document.numbers(*dict, "BBox"); box.size() == 4) {
    cut = ClipRegion::intersect(&region,
                                {{space.apply(box[0], box[1]), space.apply(box[2], box[1]), space.apply(box[2], box[3]),
                                  space.apply(box[0], box[3]), space.apply(box[0], box[1])}},
                                false);
    within = cut.get();
  }
  const Bounds area = within->bounds();
  if (area.empty) return true;
  auto colorAt = [&](double t) {
    std::vector<double> c = (*function)({domain[0] + std::clamp(t, 0.0, 1.0) * (domain[1] - domain[0])});
    c.resize(std::max<size_t>(c.size(), static_cast<size_t>(colors->components())), 0);
    return colors->rgb(c.data());
  };
  auto band = [&](const Paths& paths, bool evenOdd, uint32_t color) {
    Shape shape;
    shape.fill = true;
    shape.evenOdd = evenOdd;
    shape.color = color;
    shape.paths = within->fill(paths, evenOdd);
    if (!shape.paths.empty()) out.push_back(std::move(shape));
  };
  // The region's corners in shading space, for how far bands must reach.
  std::vector<Point> corners;
  for (const Point& p : {Point{area.minX, area.minY}, Point{area.maxX, area.minY}, Point{area.maxX, area.maxY},
                         Point{area.minX, area.maxY}})
    corners.push_back(inverse.apply(p.x, p.y));
  if (useBackground)
    if (const std::vector<double> background = document.numbers(*dict, "Background");
        background.size() == static_cast<size_t>(colors->components()))
      band({{space.apply(corners[0].x, corners[0].y), space.apply(corners[1].x, corners[1].y),
             space.apply(corners[2].x, corners[2].y), space.apply(corners[3].x, corners[3].y),
             space.apply(corners[0].x, corners[0].y)}},
           false, colors->rgb(background.data()));

  if (mesh)
    return shadePieces(document, shading, kind, *colors, function.get(), space,
                       [&](std::vector<Point> polygon, uint32_t color) { band({std::move(polygon)}, false, color); });
  if (kind == 2) {
    const double x0 = coords[0], y0 = coords[1], dx = coords[2] - x0, dy = coords[3] - y0;
    const double length = std::hypot(dx, dy);
    if (!(length > 0)) return true;
    const double ux = dx / length, uy = dy / length;
    double tMin = 0, tMax = 1, sMin = 0, sMax = 0;
    for (size_t i = 0; i < corners.size(); ++i) {
      const double px = corners[i].x - x0, py = corners[i].y - y0;
      const double t = (px * ux + py * uy) / length, s = -px * uy + py * ux;
      tMin = i == 0 ? t : std::min(tMin, t), tMax = i == 0 ? t : std::max(tMax, t);
      sMin = i == 0 ? s : std::min(sMin, s), sMax = i == 0 ? s : std::max(sMax, s);
    }
    auto strip = [&](double ta, double tb, uint32_t color) {
      auto at = [&](double t, double s) {
        return space.apply(x0 + ux * t * length - uy * s, y0 + uy * t * length + ux * s);
      };
      band({{at(ta, sMin), at(tb, sMin), at(tb, sMax), at(ta, sMax), at(ta, sMin)}}, false, color);
    };
    if (extend[0] > 0 && tMin < 0) strip(tMin, 0, colorAt(0));
    if (extend[1] > 0 && tMax > 1) strip(1, tMax, colorAt(1));
    // Bands about half a millimetre wide on the page, each reaching a little into the next
    // so that no seam shows between them.
    const Point a = space.apply(x0, y0), b = space.apply(coords[2], coords[3]);
    const int steps = std::clamp(static_cast<int>(std::hypot(b.x - a.x, b.y - a.y) / 20), 2, kMostBands);
    const double from = std::max(0.0, tMin), to = std::min(1.0, tMax);
    for (int i = 0; i < steps; ++i) {
      const double ta = static_cast<double>(i) / steps, tb = static_cast<double>(i + 1) / steps;
      if (tb < from || ta > to) continue;
      strip(ta, std::min(1.0, tb + 0.25 / steps), colorAt((ta + tb) / 2));
    }
    return true;
  }

  // Radial: the circle of each s, the point's colour that of the largest s whose circle passes
  // through it; rings between neighbouring circles, painted from the outside in.
  const double cx0 = coords[0], cy0 = coords[1], r0 = coords[2], cx1 = coords[3], cy1 = coords[4], r1 = coords[5];
  if (r0 < 0 || r1 < 0 || (r0 == 0 && r1 == 0)) return true;
  auto circleAt = [&](double s) {
    return circle(space, cx0 + s * (cx1 - cx0), cy0 + s * (cy1 - cy0), std::max(0.0, r0 + s * (r1 - r0)));
  };
  if (extend[1] > 0) {
    // Beyond the last circle, as far as the region reaches.
    std::vector<Point> box = {Point{area.minX, area.minY}, Point{area.maxX, area.minY}, Point{area.maxX, area.maxY},
                              Point{area.minX, area.maxY}, Point{area.minX, area.minY}};
    band({box, circleAt(1)}, true, colorAt(1));
  }
  const double scale = std::sqrt(std::fabs(space.a * space.d - space.b * space.c));
  const int steps = std::clamp(static_cast<int>(std::max(r0, r1) * scale / 20), 2, kMostBands);
  for (int i = steps; i > 0; --i) {
    const double sa = static_cast<double>(i - 1) / steps, sb = static_cast<double>(i) / steps;
    band({circleAt(sb)}, false, colorAt((sa + sb) / 2));
  }
  if (extend[0] > 0 && r0 > 0) band({circleAt(0)}, false, colorAt(0));
  return true;
}

}  // namespace refconv::pdf
