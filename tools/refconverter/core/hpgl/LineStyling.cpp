#include "LineStyling.h"

namespace refconv::hpgl {

std::vector<std::vector<Point>> dashes(std::vector<Point> line, LineType& type, double diagonal) {
  bool still = true;
  for (const Point& p : line) still = still && p.x == line[0].x && p.y == line[0].y;
  if (still) line = {line[0], {line[0].x + 1, line[0].y}};  // a zero-length line is a dot
  if (type.type == 0) return {std::move(line)};
  if (type.dotsOnly) {
    std::vector<std::vector<Point>> dots;
    for (const Point& p : line) dots.push_back({p, {p.x + 1, p.y}});
    return dots;
  }
  const std::vector<double>& pattern = type.patterns[static_cast<size_t>(type.type)];
  double length = type.absoluteMm > 0 ? type.absoluteMm * 40 : diagonal * type.percent / 100;
  length = std::max(length, 1.0);
  size_t& element = type.element;
  double& into = type.into;
  std::vector<std::vector<Point>> pieces;
  std::vector<Point> piece;
  auto close = [&] {
    if (piece.size() >= 2) pieces.push_back(std::move(piece));
    piece.clear();
  };
  for (size_t i = 0; i + 1 < line.size(); ++i) {
    const Point a = line[i], b = line[i + 1];
    const double seg = std::hypot(b.x - a.x, b.y - a.y);
    if (seg == 0) continue;
    const Point unitStep = {(b.x - a.x) / seg, (b.y - a.y) / seg};
    auto at = [&](double d) { return Point{a.x + unitStep.x * d, a.y + unitStep.y * d}; };
    double unit = length;
    if (type.adaptive) {  // whole patterns on every vector, each starting afresh
      unit = seg / std::max(1.0, std::round(seg / length));
      close();
      element = 0;
      into = 0;
    }
    // A pattern too fine for its line draws the line solid rather than without end.
    if (seg / unit > 100'000) {
      close();
      pieces.push_back({a, b});
      continue;
    }
    double done = 0;
    int guard = 0;
    while (done < seg && ++guard < 1'000'000) {
      const double size = pattern[element] * unit;
      const bool on = element % 2 == 0;
      if (size <= 0) {  // a dot, one plotter unit along the line
        if (on) {
          close();
          pieces.push_back({at(done), {at(done).x + unitStep.x, at(done).y + unitStep.y}});
        }
        element = (element + 1) % pattern.size();
        into = 0;
        continue;
      }
      const double step = std::min(size - into, seg - done);
      if (on) {
        if (piece.empty()) piece.push_back(at(done));
        piece.push_back(at(done + step));
      }
      done += step;
      into += step;
      if (into >= size - 1e-9) {
        if (on) close();
        element = (element + 1) % pattern.size();
        into = 0;
      }
    }
  }
  close();
  return pieces;
}

uint32_t colorOf(const State& state, int pen) {
  if (state.carousel) return pen <= 0 ? 0xFFFFFF : carouselColor(pen);
  const int pens = state.palette.pens;
  if (pen >= pens && pens > 1) pen = (pen - 1) % (pens - 1) + 1;
  return state.palette.colors[static_cast<size_t>(std::clamp(pen, 0, 255))];
}

void lineType(Reader& in, LineType& lt) {
  const auto type = in.number();
  if (!type) {
    lt.type = 0;
    lt.dotsOnly = false;
    return;
  }
  const int t = wholeNumber(*type);
  if (t == 99) return;
  const auto length = in.number(), mode = in.number();
  lt.dotsOnly = t == 0;
  lt.type = t >= -8 && t <= 8 && t != 0 ? std::abs(t) : (t == 0 ? 1 : 0);
  lt.adaptive = t < 0;
  const bool absolute = mode ? wholeNumber(*mode) == 1 : lt.absoluteMm > 0;
  if (length && *length > 0) {
    if (absolute)
      lt.absoluteMm = std::min(*length, 1e6);
    else
      lt.percent = std::min(*length, 100.0), lt.absoluteMm = 0;
  }
  lt.element = 0;
  lt.into = 0;
}

void userLineType(Reader& in, LineType& lt) {
  const auto index = in.number();
  if (!index) {
    for (int i = 0; i < 9; ++i) lt.patterns[static_cast<size_t>(i)] = defaultPattern(i);
    return;
  }
  const int i = std::abs(wholeNumber(*index));
  if (i < 1 || i > 8) return;
  std::vector<double> gaps;
  while (gaps.size() < 20)
    if (const auto g = in.number())
      gaps.push_back(std::max(0.0, *g));
    else
      break;
  double sum = 0;
  for (const double g : gaps) sum += g;
  if (gaps.empty() || sum <= 0) {
    lt.patterns[static_cast<size_t>(i)] = defaultPattern(i);
    return;
  }
  for (double& g : gaps) g /= sum;
  lt.patterns[static_cast<size_t>(i)] = gaps;
}

void lineAttributes(Reader& in, LineEnds& ends) {
  bool any = false;
  for (;;) {
    const auto kind = in.number(), value = in.number();
    if (!kind || !value) break;
    any = true;
    const int v = wholeNumber(*value);
    switch (wholeNumber(*kind)) {
      case 1:
        ends.end = v == 2 ? LineEnd::Square : v == 3 ? LineEnd::Triangle : v == 4 ? LineEnd::Round : LineEnd::Butt;
        break;
      case 2:
        ends.join = v == 2   ? LineJoin::MiterBevel
                    : v == 3 ? LineJoin::Triangle
                    : v == 4 ? LineJoin::Round
                    : v == 5 ? LineJoin::Bevel
                    : v == 6 ? LineJoin::None
                             : LineJoin::Miter;
        break;
      case 3: ends.miterLimit = std::clamp(*value, 1.0, 32767.0); break;
      default: break;
    }
  }
  if (!any) ends = LineEnds{};  // LA with no parameters is a plotter's defaults, even on a carousel
}

namespace {
// Pen widths are kept in millimetres; relative ones are a share of the P1-P2 diagonal.
double widthMm(double value, bool relative, double diagonal) {
  if (!relative) return std::clamp(value, 0.0, 1000.0);
  return std::clamp(value / 100 * diagonal * 0.025, 0.0, 1000.0);
}
}  // namespace

void penWidth(Reader& in, PenWidths& widths, double diagonal) {
  const auto width = in.number();
  const double w =
      width ? widthMm(*width, widths.relative, diagonal) : (widths.relative ? widthMm(0.1, true, diagonal) : 0.35);
  const auto pen = in.number();
  if (pen)
    widths.mm[static_cast<size_t>(std::clamp(*pen, 0.0, 255.0))] = w;
  else
    widths.mm.fill(w);
}

void widthUnits(Reader& in, PenWidths& widths, double diagonal) {
  widths.relative = wholeNumber(in.number().value_or(0)) == 1;
  widths.mm.fill(widths.relative ? widthMm(0.1, true, diagonal) : 0.35);
}

void numberOfPens(Reader& in, Palette& palette) {
  const int n = wholeNumber(in.number().value_or(8));
  palette.pens = 2;
  while (palette.pens < n && palette.pens < 256) palette.pens *= 2;
}

void penColor(Reader& in, Palette& palette) {
  const auto pen = in.number();
  if (!pen) {
    for (int i = 0; i < 256; ++i) palette.colors[static_cast<size_t>(i)] = refconv::penColor(i);
    return;
  }
  const auto p = static_cast<size_t>(std::clamp(wholeNumber(*pen), 0, 255));
  const auto r = in.number(), g = in.number(), b = in.number();
  if (!r || !g || !b) {
    palette.colors[p] = refconv::penColor(static_cast<int>(p));
    return;
  }
  uint32_t rgb = 0;
  const double values[3] = {*r, *g, *b};
  for (int i = 0; i < 3; ++i) {
    const double lo = palette.range[static_cast<size_t>(i) * 2], hi = palette.range[static_cast<size_t>(i) * 2 + 1];
    const double f = hi != lo ? (values[i] - lo) / (hi - lo) : 0;
    rgb = rgb << 8 | static_cast<uint32_t>(std::lround(std::clamp(f, 0.0, 1.0) * 255));
  }
  palette.colors[p] = rgb;
}

void colorRange(Reader& in, Palette& palette) {
  std::array<double, 6> r = {0, 255, 0, 255, 0, 255};
  for (double& v : r)
    if (const auto n = in.number())
      v = std::clamp(*n, -1e6, 1e6);
    else
      break;
  palette.range = r;
}

}  // namespace refconv::hpgl
