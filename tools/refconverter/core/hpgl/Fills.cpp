#include "Fills.h"

#include <numbers>

#include "LineStyling.h"

namespace refconv::hpgl {

namespace {

constexpr double kMaxHatchLines = 20'000;  // a fill; wider spacing beyond that

double hatchSpacing(const Fill& fill, double diagonal) {
  return std::max(fill.spacing > 0 ? fill.spacing : diagonal / 100, 1.0);
}

uint32_t shaded(uint32_t color, double percent) {
  const double f = std::clamp(percent, 0.0, 100.0) / 100;
  uint32_t out = 0;
  for (int shift : {16, 8, 0}) {
    const double c = (color >> shift) & 0xFF;
    out |= static_cast<uint32_t>(std::lround(255 - (255 - c) * f)) << shift;
  }
  return out;
}

// A raster pattern shows, at a plot's scale, as the average of its pens' colours.
uint32_t patternColor(const State& state, const std::vector<int>& pens) {
  double sum[3] = {0, 0, 0};
  for (const int pen : pens) {
    const uint32_t c = colorOf(state, pen);
    sum[0] += (c >> 16) & 0xFF, sum[1] += (c >> 8) & 0xFF, sum[2] += c & 0xFF;
  }
  const double n = static_cast<double>(std::max<size_t>(1, pens.size()));
  return static_cast<uint32_t>(std::lround(sum[0] / n)) << 16 | static_cast<uint32_t>(std::lround(sum[1] / n)) << 8 |
         static_cast<uint32_t>(std::lround(sum[2] / n));
}

// Parallel lines `spacing` apart at `degrees`, through the anchor corner.
void hatchAt(const std::vector<std::vector<Point>>& rings, bool evenOdd, Point anchor, double spacing, double degrees,
             LineSink& sink) {
  const double a = degrees * std::numbers::pi / 180, c = std::cos(a), s = std::sin(a);
  // Into a frame where the lines are horizontal.
  auto in = [&](Point p) {
    return Point{(p.x - anchor.x) * c + (p.y - anchor.y) * s, -(p.x - anchor.x) * s + (p.y - anchor.y) * c};
  };
  auto out = [&](double x, double y) { return Point{anchor.x + x * c - y * s, anchor.y + x * s + y * c}; };
  std::vector<std::vector<Point>> turned;
  double lo = kLimit * 4, hi = -kLimit * 4;
  for (const auto& ring : rings) {
    auto& t = turned.emplace_back();
    for (const Point& p : ring) {
      t.push_back(in(p));
      lo = std::min(lo, t.back().y);
      hi = std::max(hi, t.back().y);
    }
  }
  spacing = std::max(spacing, (hi - lo) / kMaxHatchLines);
  std::vector<std::vector<Point>> lines;
  std::vector<std::pair<double, int>> crossings;
  for (double y = std::ceil(lo / spacing) * spacing; y <= hi && !sink.full(); y += spacing) {
    crossings.clear();
    for (const auto& t : turned)
      for (size_t i = 0; i < t.size(); ++i) {
        const Point p = t[i], q = t[(i + 1) % t.size()];
        if ((p.y <= y) == (q.y <= y)) continue;
        crossings.push_back({p.x + (q.x - p.x) * (y - p.y) / (q.y - p.y), q.y > p.y ? 1 : -1});
      }
    std::sort(crossings.begin(), crossings.end());
    int winding = 0;
    for (size_t i = 0; i + 1 < crossings.size(); ++i) {
      winding += evenOdd ? 1 : crossings[i].second;
      const bool inside = evenOdd ? winding % 2 != 0 : winding != 0;
      if (inside && crossings[i + 1].first > crossings[i].first)
        lines.push_back({out(crossings[i].first, y), out(crossings[i + 1].first, y)});
    }
    if (lines.size() > 4096) {
      sink.lines(std::move(lines), false);
      lines.clear();
    }
  }
  sink.lines(std::move(lines), false);
}

}  // namespace

bool hatches(const Fill& fill, const std::vector<std::vector<Point>>& rings, double diagonal) {
  if (fill.type != 3 && fill.type != 4) return false;
  Bounds b;
  for (const auto& ring : rings)
    for (const Point& p : ring) b.add(p);
  return !(std::hypot(b.width(), b.height()) / hatchSpacing(fill, diagonal) > kMaxHatchLines);
}

void hatch(const std::vector<std::vector<Point>>& rings, bool evenOdd, const Fill& fill, double diagonal,
           LineSink& sink) {
  const double spacing = hatchSpacing(fill, diagonal);
  hatchAt(rings, evenOdd, fill.anchor, spacing, fill.angle, sink);
  if (fill.type == 4) hatchAt(rings, evenOdd, fill.anchor, spacing, fill.angle + 90, sink);
}

uint32_t fillColor(const State& state) {
  const Fill& fill = state.fill;
  uint32_t color = colorOf(state, state.pen);
  if (fill.type == 10) color = shaded(color, fill.shade);
  if (fill.type == 11 && state.rasterPatterns.count(fill.rasterIndex))
    color = patternColor(state, state.rasterPatterns.at(fill.rasterIndex));
  return color;
}

void fillType(Reader& in, Fill& fill, const Scaling& scaling) {
  const auto type = in.number(), option1 = in.number(), option2 = in.number();
  const int t = wholeNumber(type.value_or(1));
  fill.type = (t >= 1 && t <= 4) || t == 10 || t == 11 || t == 21 || t == 22 ? t : 1;
  if (t == 3 || t == 4) {
    fill.spacing = option1 && *option1 > 0 ? std::min(scaling.lengthToPlotter(*option1), kLimit) : 0;
    fill.angle = option2 && std::isfinite(*option2) ? std::fmod(*option2, 360.0) : 0;
  } else if (t == 10) {
    fill.shade = std::clamp(option1.value_or(100), 0.0, 100.0);
  } else if (t == 11) {
    fill.rasterIndex = wholeNumber(option1.value_or(1));
  }
}

void anchorCorner(Reader& in, Fill& fill, const Scaling& scaling) {
  const auto x = in.number(), y = in.number();
  fill.anchor = x && y ? scaling.toPlotter(*x, *y) : Point{0, 0};
}

// RF index, width, height, pens...
void rasterFill(Reader& in, RasterPatterns& patterns) {
  const auto index = in.number(), width = in.number(), height = in.number();
  if (!index) {
    patterns.clear();
    return;
  }
  const int i = wholeNumber(*index);
  if (!width || !height) {
    patterns.erase(i);
    return;
  }
  const int w = std::clamp(wholeNumber(*width), 1, 255), h = std::clamp(wholeNumber(*height), 1, 255);
  std::vector<int> pens;
  for (int n = 0; n < w * h; ++n) {
    const auto pen = in.number();
    if (!pen) break;
    pens.push_back(std::clamp(wholeNumber(*pen), 0, 255));
  }
  if (patterns.size() < 8 || patterns.count(i)) patterns[i] = std::move(pens);
}

}  // namespace refconv::hpgl
