#include "Interpreter.h"

#include <algorithm>

#include <cstring>
#include <numbers>
#include <tuple>

#include "Fills.h"
#include "Labels.h"
#include "LineStyling.h"

namespace refconv::hpgl {

namespace {
constexpr uint32_t kWhite = 0xFFFFFF;
// A chord angle in degrees, 5 unless given (CT's deviation mode is stepped over).
double chord(std::optional<double> value) { return std::clamp(std::fabs(value.value_or(5.0)), 0.5, 180.0); }
}  // namespace

Interpreter::Interpreter(std::string_view in, bool carousel) : in_(in) {
  s_.carousel = carousel;
  reset(s_, true);
}

Drawing Interpreter::run() {
  while (!full()) {
    const std::optional<Reader::Mnemonic> mnemonic = in_.next();
    if (in_.takePageEnd()) {
      flushLine();
      plot_.advancePage();
    }
    if (!mnemonic) break;
    if (in_.enteredFromPcl()) hpgl2_ = true;
    command(mnemonic->a, mnemonic->b);
  }
  flushLine();
  Drawing d;
  d.pages = plot_.finish();
  d.unknownCommands = unknown_;
  d.ignoredCommands = ignored_;
  d.hpgl2 = hpgl2_;
  d.truncated = plot_.truncated();
  return d;
}

void Interpreter::lines(std::vector<std::vector<Point>> lines, bool round) {
  const uint32_t color = colorOf(s_, s_.pen);
  if (s_.pen < 0 || (color == kWhite && s_.fill.transparent) || lines.empty()) return;
  LineStyle style;
  style.pen = s_.pen;
  style.color = color;
  style.widthMm = s_.widths.mm[static_cast<size_t>(std::clamp(s_.pen, 0, 255))];
  style.end = round ? LineEnd::Round : s_.ends.end;
  style.join = round ? LineJoin::Round : s_.ends.join;
  style.miterLimit = s_.ends.miterLimit;
  plot_.lines(std::move(lines), style, clipArea(s_.paper, s_.scaling), s_.paper);
}

void Interpreter::strokeLine(std::vector<Point> line) {
  if (line.size() < 2 || full()) return;
  std::vector<std::vector<Point>> pieces = dashes(std::move(line), s_.lineType, s_.scaling.diagonal());
  // A dot (a zero-length line, a dotted type's dot) is the pen's round tip on the paper, as a
  // plotter leaves it whatever LA's ends: butt ends would leave a line of no length, and nothing.
  std::vector<std::vector<Point>> dots;
  std::erase_if(pieces, [&](std::vector<Point>& piece) {
    const bool dot = piece.size() == 2 && std::hypot(piece[1].x - piece[0].x, piece[1].y - piece[0].y) <= 1 + 1e-9;
    if (dot) dots.push_back(std::move(piece));
    return dot;
  });
  lines(std::move(pieces), false);
  if (!dots.empty()) lines(std::move(dots), true);
}

// Closed areas filled as the fill type says.
void Interpreter::fillRings(std::vector<std::vector<Point>> rings, bool evenOdd) {
  std::erase_if(rings, [](const auto& r) { return r.size() < 3; });
  if (rings.empty()) return;
  if (hatches(s_.fill, rings, s_.scaling.diagonal())) {
    hatch(rings, evenOdd, s_.fill, s_.scaling.diagonal(), *this);
    return;
  }
  const uint32_t color = fillColor(s_);
  if (s_.pen < 0 || (color == kWhite && s_.fill.transparent)) return;
  plot_.areas(std::move(rings), s_.pen, color, evenOdd, clipArea(s_.paper, s_.scaling), s_.paper);
}

void Interpreter::flushLine() {
  if (line_.size() >= 2) strokeLine(std::move(line_));
  line_.clear();
}

// A line from where the pen is to `to`, or a move when the pen is up; into the polygon
// buffer in polygon mode.
void Interpreter::moveTo(Point to, bool draw) {
  to = clamped(to);
  if (s_.polygon.active) {
    std::vector<Ring>& rings = s_.polygon.rings;
    if (rings.empty()) rings.push_back({{s_.at}, {0}});
    if (!plot_.spend(1)) return;
    Ring& ring = rings.back();
    if (!draw) {
      // A pen-up move ends the figure drawn so far, which closes on its own first point, and
      // the next begins where the pen is put down: a hole reached with the pen up is a hole,
      // not the outline joined to it by a diagonal.
      const bool drewSome = std::find(ring.drawn.begin(), ring.drawn.end(), 1) != ring.drawn.end();
      if (drewSome) {
        closeRing(true);
        rings.push_back({{to}, {0}});
      } else {
        ring = {{to}, {0}};
      }
      s_.at = to;
      return;
    }
    ring.points.push_back(to);
    ring.drawn.push_back(ring.points.size() > 1);
  } else if (draw && s_.pen >= 0) {
    if (line_.empty()) line_.push_back(s_.at);
    if (!plot_.spend(1)) return;
    line_.push_back(to);
  } else {
    flushLine();
  }
  s_.at = to;
}

void Interpreter::pathTo(const std::vector<Point>& points, bool draw) {
  for (size_t i = 1; i < points.size() && !full(); ++i) moveTo(points[i], draw);
}

// A closed figure of its own (circles, rectangles, wedges): into the polygon buffer in
// polygon mode, otherwise edged or filled; the pen position is unchanged.
void Interpreter::figure(std::vector<Point> ring, bool filled) {
  if (ring.size() < 2) return;
  if (s_.polygon.active) {
    Ring r;
    r.points = ring;
    r.drawn.assign(ring.size(), 1);
    r.drawn[0] = 0;
    if (!plot_.spend(ring.size())) return;
    s_.polygon.rings.push_back(std::move(r));
    s_.polygon.rings.push_back({});
    return;
  }
  flushLine();
  if (filled) {
    fillRings({std::move(ring)}, true);
  } else {
    if (ring.front().x != ring.back().x || ring.front().y != ring.back().y) ring.push_back(ring.front());
    // A figure's edge starts its line type's pattern afresh and leaves the pen's where it was.
    const auto saved = std::pair{s_.lineType.element, s_.lineType.into};
    strokeLine(std::move(ring));
    std::tie(s_.lineType.element, s_.lineType.into) = saved;
  }
}

void Interpreter::coordinates(std::optional<bool> down, std::optional<bool> relative) {
  if (down) s_.mode.down = *down;
  if (relative) s_.mode.relative = *relative;
  if (down == false) flushLine();
  for (;;) {
    const std::optional<double> x = in_.number();
    if (!x) return;
    const std::optional<double> y = in_.number();
    if (!y) return;
    const Point to = s_.mode.relative ? s_.scaling.relativeTo(s_.at, *x, *y) : s_.scaling.toPlotter(*x, *y);
    moveTo(to, s_.mode.down);
    s_.labels.crPoint = s_.at;
    if (s_.labels.symbol) drawSymbol(s_.labels, s_.scaling, hpgl2_, s_.at, *this);
    if (full()) return;
  }
}

void Interpreter::circle() {
  const auto radius = in_.number();
  if (!radius) return;
  const double r = std::min(std::fabs(*radius), kLimit);
  figure(s_.scaling.arc(s_.at, s_.scaling.relativeTo(s_.at, r, 0), 360, chord(in_.number())), false);
}

void Interpreter::arc(bool relativeCenter) {
  const auto x = in_.number(), y = in_.number(), sweep = in_.number();
  if (!x || !y || !sweep) return;
  const Point center = relativeCenter ? s_.scaling.relativeTo(s_.at, *x, *y) : s_.scaling.toPlotter(*x, *y);
  pathTo(s_.scaling.arc(center, s_.at, *sweep, chord(in_.number())), s_.mode.down);
}

// AT, RT: an arc from the pen through an intermediate point to an end point.
void Interpreter::threePointArc(bool relative) {
  const auto xi = in_.number(), yi = in_.number(), xe = in_.number(), ye = in_.number();
  if (!xi || !yi || !xe || !ye) return;
  const Point a = s_.at;
  const Point m = relative ? s_.scaling.relativeTo(a, *xi, *yi) : s_.scaling.toPlotter(*xi, *yi);
  const Point e = relative ? s_.scaling.relativeTo(a, *xe, *ye) : s_.scaling.toPlotter(*xe, *ye);
  pathTo(arcThrough(a, m, e, chord(in_.number())), s_.mode.down);
}

void Interpreter::bezier(bool relative) {
  for (;;) {
    std::array<std::optional<double>, 6> v;
    for (auto& n : v) n = in_.number();
    if (!v[5]) return;
    const Point p0 = s_.at;
    auto point = [&](size_t i) {
      return relative ? s_.scaling.relativeTo(p0, *v[i], *v[i + 1]) : s_.scaling.toPlotter(*v[i], *v[i + 1]);
    };
    pathTo(bezierPoints(p0, point(0), point(2), point(4)), s_.mode.down);
    if (full()) return;
  }
}

void Interpreter::rectangle(bool relative, bool filled) {
  const auto x = in_.number(), y = in_.number();
  if (!x || !y) return;
  const Point at = s_.at;
  const Point corner = relative ? s_.scaling.relativeTo(at, *x, *y) : s_.scaling.toPlotter(*x, *y);
  figure({at, {corner.x, at.y}, corner, {at.x, corner.y}, at}, filled);
}

void Interpreter::wedge(bool filled) {
  const auto radius = in_.number(), start = in_.number(), sweep = in_.number();
  if (!radius || !start || !sweep) return;
  const double r = std::clamp(*radius, -kLimit, kLimit);
  const double a = *start * std::numbers::pi / 180;
  const Point at = s_.at;
  const std::vector<Point> rim =
      s_.scaling.arc(at, s_.scaling.relativeTo(at, r * std::cos(a), r * std::sin(a)), *sweep, chord(in_.number()));
  if (std::fabs(*sweep) >= 360) {  // a whole circle has no radii
    figure(rim, filled);
    return;
  }
  std::vector<Point> points = {at};
  points.insert(points.end(), rim.begin(), rim.end());
  points.push_back(at);
  figure(points, filled);
}

void Interpreter::polygonMode() {
  Polygon& polygon = s_.polygon;
  const int mode = wholeNumber(in_.number().value_or(0));
  if (mode == 0) {
    polygon.rings.clear();
    polygon.rings.push_back({{s_.at}, {0}});
    polygon.active = true;
    polygon.penWasDown = s_.mode.down;
    return;
  }
  if (!polygon.active) return;
  closeRing();
  if (mode == 1) {  // a subpolygon starts at the next point given
    polygon.rings.push_back({});
  } else {  // the pen is lifted or lowered again as it was before the polygon
    polygon.active = false;
    s_.mode.down = polygon.penWasDown;
  }
}

void Interpreter::closeRing(std::optional<bool> drawn) {
  if (s_.polygon.rings.empty()) return;
  Ring& r = s_.polygon.rings.back();
  if (r.points.size() >= 2 && (r.points.front().x != r.points.back().x || r.points.front().y != r.points.back().y)) {
    r.points.push_back(r.points.front());
    r.drawn.push_back(drawn.value_or(s_.mode.down));
  }
}

void Interpreter::fillPolygon() {
  const bool evenOdd = wholeNumber(in_.number().value_or(0)) == 0;
  if (s_.polygon.active) closeRing();
  std::vector<std::vector<Point>> rings;
  for (const Ring& r : s_.polygon.rings) rings.push_back(r.points);
  fillRings(std::move(rings), evenOdd);
}

void Interpreter::edgePolygon() {
  if (s_.polygon.active) closeRing();
  const auto saved = std::pair{s_.lineType.element, s_.lineType.into};
  for (const Ring& r : s_.polygon.rings) {
    std::vector<Point> run;
    for (size_t i = 0; i < r.points.size(); ++i) {
      if (i > 0 && r.drawn[i]) {
        if (run.empty()) run.push_back(r.points[i - 1]);
        run.push_back(r.points[i]);
      } else if (!run.empty()) {
        strokeLine(std::move(run));
        run.clear();
      }
    }
    if (!run.empty()) strokeLine(std::move(run));
  }
  std::tie(s_.lineType.element, s_.lineType.into) = saved;
}

// The text of LB or BL: up to its terminator, which DT may ask to be drawn too.
std::string_view Interpreter::labelText() { return in_.textUntil(s_.labels.terminator, s_.labels.terminatorPrinted); }

void Interpreter::label() {
  flushLine();
  drawText(labelText(), s_.labels, s_.scaling, hpgl2_, s_.at, *this);
}

void Interpreter::bufferLabel() { s_.labelBuffer = std::string(labelText().substr(0, kMaxLabelBytes)); }

// PE: coordinates packed into printable bytes. Flags: ":" pen, "<" pen up for the next
// point, ">" fractional bits, "=" the next point is absolute, "7" seven-bit bytes.
void Interpreter::encodedPolyline() {
  bool sevenBit = false, upNext = false, absoluteNext = false;
  int fractionBits = 0;
  auto value = [&]() -> std::optional<double> {
    uint64_t n = 0, weight = 1;
    while (!in_.atEnd()) {
      const auto c = static_cast<unsigned char>(in_.peek());
      if (c == ';' || std::strchr(":<>=7", c) != nullptr) return std::nullopt;  // a flag is no digit
      in_.advance();
      const int base = sevenBit ? 32 : 64;
      int digit = -1;
      bool last = false;
      if (c >= 63 && c < 63 + base)
        digit = c - 63;
      else if (!sevenBit && c >= 191 && c <= 254)
        digit = c - 191, last = true;
      else if (sevenBit && c >= 95 && c <= 126)
        digit = c - 95, last = true;
      if (digit < 0) continue;  // anything else inside PE is stepped over
      if (weight < (uint64_t{1} << 50)) n += static_cast<uint64_t>(digit) * weight;
      weight *= static_cast<uint64_t>(base);
      if (last) {
        const double magnitude = static_cast<double>(n >> 1);
        return (n & 1) ? -magnitude : magnitude;
      }
    }
    return std::nullopt;
  };
  while (!in_.atEnd() && in_.peek() != ';' && !full()) {
    const char c = in_.peek();
    if (c == ':') {
      in_.advance();
      if (auto v = value()) {
        flushLine();
        s_.pen = static_cast<int>(std::clamp(*v, 0.0, 255.0));
      }
    } else if (c == '<') {
      in_.advance();
      upNext = true;
    } else if (c == '>') {
      in_.advance();
      if (auto v = value()) fractionBits = static_cast<int>(std::clamp(*v, -26.0, 26.0));
    } else if (c == '=') {
      in_.advance();
      absoluteNext = true;
    } else if (c == '7') {
      in_.advance();
      sevenBit = true;
    } else if (static_cast<unsigned char>(c) < 63) {
      in_.advance();  // line ends and other bytes between numbers are stepped over
    } else {
      const auto x = value();
      if (!x) continue;
      const auto y = value();
      if (!y) continue;
      const double f = std::ldexp(1.0, -fractionBits);
      const Point to =
          absoluteNext ? s_.scaling.toPlotter(*x * f, *y * f) : s_.scaling.relativeTo(s_.at, *x * f, *y * f);
      moveTo(to, !upNext);
      upNext = absoluteNext = false;
    }
  }
  if (in_.peek() == ';') in_.advance();
  s_.mode.down = false;
  flushLine();
}

}  // namespace refconv::hpgl
