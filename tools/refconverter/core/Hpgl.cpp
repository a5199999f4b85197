#include "Hpgl.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <numbers>
#include <optional>

namespace refconv {

void Bounds::add(Point p) {
  if (empty) {
    minX = maxX = p.x;
    minY = maxY = p.y;
    empty = false;
    return;
  }
  minX = std::min(minX, p.x);
  maxX = std::max(maxX, p.x);
  minY = std::min(minY, p.y);
  maxY = std::max(maxY, p.y);
}

uint32_t penColor(int pen) {
  // 0 white, then black, red, green, yellow, blue, magenta, cyan.
  static constexpr std::array<uint32_t, 8> kPalette = {0xFFFFFF, 0x000000, 0xFF0000, 0x00A000,
                                                       0xE0C000, 0x0000FF, 0xFF00FF, 0x00C0C0};
  if (pen <= 0) return kPalette[0];
  return kPalette[static_cast<size_t>(1 + (pen - 1) % 7)];
}

namespace {

constexpr char kEsc = 0x1B;
constexpr double kLimit = 1e8;            // plotter units: 2.5 km, more than any plot
constexpr size_t kMaxPoints = 4'000'000;  // a hostile file still ends in bounded memory
constexpr size_t kMaxLabels = 200'000;
constexpr size_t kMaxLabelBytes = 4096;
constexpr double kPi = std::numbers::pi;

// A parameter as a whole number; out-of-range values are held at the range's ends rather
// than overflowing the conversion.
int wholeNumber(double v) {
  if (!std::isfinite(v)) return 0;
  return static_cast<int>(std::clamp(v, -1e6, 1e6));
}

double clampCoordinate(double v) {
  if (!std::isfinite(v)) return 0;
  return std::clamp(v, -kLimit, kLimit);
}

class Interpreter {
 public:
  explicit Interpreter(std::string_view in) : in_(in) { reset(true); }

  Drawing run() {
    if (!in_.empty() && in_[0] == kEsc) pcl_ = true;
    while (pos_ < in_.size() && !full_) {
      if (pcl_) {
        skipPcl();
        continue;
      }
      const char c = in_[pos_];
      if (c == kEsc) {
        escape();
      } else if (std::isalpha(static_cast<unsigned char>(c)) && pos_ + 1 < in_.size() &&
                 std::isalpha(static_cast<unsigned char>(in_[pos_ + 1]))) {
        const char a = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const char b = static_cast<char>(std::toupper(static_cast<unsigned char>(in_[pos_ + 1])));
        pos_ += 2;
        command(a, b);
      } else {
        ++pos_;
      }
    }
    flush();
    return std::move(out_);
  }

 private:
  // --- reading -----------------------------------------------------------------------
  void skipSeparators() {
    while (pos_ < in_.size() &&
           (in_[pos_] == ' ' || in_[pos_] == ',' || in_[pos_] == '\t' || in_[pos_] == '\r' || in_[pos_] == '\n'))
      ++pos_;
  }

  // The next parameter, if one comes before the command ends. A malformed number ("1.2.3",
  // "+-") gives what could be read of it and leaves the rest to be stepped over.
  std::optional<double> number() {
    skipSeparators();
    size_t p = pos_;
    if (p < in_.size() && (in_[p] == '+' || in_[p] == '-')) ++p;
    const size_t digitsStart = p;
    double value = 0;
    int digits = 0;
    while (p < in_.size() && std::isdigit(static_cast<unsigned char>(in_[p]))) {
      if (digits < 30) value = value * 10 + (in_[p] - '0');
      ++digits;
      ++p;
    }
    if (p < in_.size() && in_[p] == '.') {
      ++p;
      double scale = 0.1;
      while (p < in_.size() && std::isdigit(static_cast<unsigned char>(in_[p]))) {
        value += (in_[p] - '0') * scale;
        scale *= 0.1;
        ++digits;
        ++p;
      }
    }
    if (digits == 0) {
      if (p > pos_ && p == digitsStart + 1 && in_[digitsStart] == '.')
        pos_ = p;  // a lone "."
      else if (digitsStart > pos_)
        pos_ = digitsStart;  // a lone sign
      return std::nullopt;
    }
    if (in_[pos_] == '-') value = -value;
    pos_ = p;
    if (digits >= 30) value = std::copysign(kLimit * 100, value);
    return value;
  }

  // Steps over what is left of a command: numbers, separators, quoted strings, up to ";" or
  // the next mnemonic.
  void endCommand() {
    while (pos_ < in_.size()) {
      const char c = in_[pos_];
      if (c == ';') {
        ++pos_;
        return;
      }
      if (c == kEsc || std::isalpha(static_cast<unsigned char>(c))) return;
      if (c == '"') {
        const size_t close = in_.find('"', pos_ + 1);
        pos_ = close == std::string_view::npos ? in_.size() : close + 1;
        continue;
      }
      ++pos_;
    }
  }

  // --- PCL around HP-GL/2 ----------------------------------------------------------
  // ESC % <n> B enters HP-GL/2; ESC % <n> A leaves it. In PCL everything up to the next
  // escape is text or data; a sequence ending in "W" carries that many bytes of data.
  void escape() {
    ++pos_;
    if (pos_ >= in_.size()) return;
    const char kind = in_[pos_++];
    if (kind == 'E') return;  // printer reset
    if (kind != '%' && kind != '*' && kind != '&' && kind != '(' && kind != ')') return;
    for (;;) {
      size_t p = pos_;
      if (p < in_.size() && (in_[p] == '+' || in_[p] == '-')) ++p;
      double value = 0;
      while (p < in_.size() && (std::isdigit(static_cast<unsigned char>(in_[p])) || in_[p] == '.')) {
        if (in_[p] != '.' && value < 1e9) value = value * 10 + (in_[p] - '0');
        ++p;
      }
      if (p >= in_.size()) {
        pos_ = p;
        return;
      }
      if (kind == '%' && (in_[p] == 'B' || in_[p] == 'A')) {
        pcl_ = in_[p] == 'A';
        pos_ = p + 1;
        return;
      }
      if (kind == '%' && in_[p] == 'X') {  // universal exit: PCL (and PJL) follow
        pcl_ = true;
        pos_ = p + 1;
        return;
      }
      const char letter = in_[p];
      pos_ = p + 1;
      if (!std::isalpha(static_cast<unsigned char>(letter))) return;
      if (letter == 'W' || letter == 'w') pos_ = std::min(in_.size(), pos_ + static_cast<size_t>(value));
      if (std::isupper(static_cast<unsigned char>(letter))) return;  // the sequence ends
    }
  }

  void skipPcl() {
    const size_t next = in_.find(kEsc, pos_);
    if (next == std::string_view::npos) {
      pos_ = in_.size();
      return;
    }
    pos_ = next;
    escape();
  }

  // --- state --------------------------------------------------------------------------
  void reset(bool position) {
    flush();
    penDown_ = false;
    relative_ = false;
    scaled_ = false;
    p1_ = {0, 0};
    p2_ = {10000, 7500};
    lineType_ = 0;
    patternMm_ = 0;
    terminator_ = '\x03';
    charWidth_ = 76;    // 0.19 cm
    charHeight_ = 108;  // 0.27 cm
    angle_ = 0;
    rotation_ = 0;
    widths_.fill(0.35);
    if (position) at_ = {0, 0};
  }

  Point toPlotter(double x, double y) const {
    if (!scaled_) return {clampCoordinate(x), clampCoordinate(y)};
    return {clampCoordinate(ox_ + sx_ * x), clampCoordinate(oy_ + sy_ * y)};
  }
  Point deltaToPlotter(double dx, double dy) const { return scaled_ ? Point{sx_ * dx, sy_ * dy} : Point{dx, dy}; }
  double lengthToPlotter(double r) const { return scaled_ ? std::fabs(sx_) * r : r; }

  Point placed(Point p) const {
    switch (rotation_) {
      case 90: return {-p.y, p.x};
      case 180: return {-p.x, -p.y};
      case 270: return {p.y, -p.x};
      default: return p;
    }
  }

  double currentWidth() const { return widths_[static_cast<size_t>(std::clamp(pen_, 0, 255))]; }

  void flush() {
    if (stroke_.points.size() >= 2 && pen_ > 0) {
      for (const Point& p : stroke_.points) out_.bounds.add(p);
      out_.strokes.push_back(std::move(stroke_));
    }
    stroke_ = Stroke();
  }

  void addPoint(Point p) {
    if (++points_ > kMaxPoints) {
      full_ = true;
      return;
    }
    // Arcs and wedges of absurd radii end up here too: every point is kept on the sheet.
    stroke_.points.push_back(placed({clampCoordinate(p.x), clampCoordinate(p.y)}));
  }

  // A line from where the pen is to `to`, or a move when the pen is up.
  void moveTo(Point to, bool draw) {
    if (draw && pen_ > 0) {
      if (stroke_.points.empty()) {
        stroke_.pen = pen_;
        stroke_.widthMm = currentWidth();
        stroke_.lineType = lineType_;
        stroke_.patternMm = patternMm_;
        addPoint(at_);
      }
      addPoint(to);
    } else {
      flush();
    }
    at_ = to;
  }

  // A closed figure of its own, the pen position unchanged.
  void figure(const std::vector<Point>& points, bool filled) {
    if (pen_ <= 0 || points.size() < 2) return;
    flush();
    stroke_.pen = pen_;
    stroke_.widthMm = currentWidth();
    stroke_.lineType = filled ? 0 : lineType_;
    stroke_.patternMm = filled ? 0 : patternMm_;
    stroke_.filled = filled;
    for (const Point& p : points) addPoint(p);
    flush();
  }

  static double chordOf(std::optional<double> chord) { return std::clamp(std::fabs(chord.value_or(5.0)), 0.5, 180.0); }

  // Points of an arc around `center` starting at `start`, `sweep` degrees (positive is
  // counter-clockwise), the first point included.
  static std::vector<Point> arcPoints(Point center, Point start, double sweep, double chord) {
    sweep = std::clamp(sweep, -360.0, 360.0);
    const double radius = std::hypot(start.x - center.x, start.y - center.y);
    const double begin = std::atan2(start.y - center.y, start.x - center.x);
    const int steps = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / chord)));
    std::vector<Point> points;
    points.reserve(static_cast<size_t>(steps) + 1);
    for (int i = 0; i <= steps; ++i) {
      const double a = begin + sweep * kPi / 180 * i / steps;
      points.push_back({center.x + radius * std::cos(a), center.y + radius * std::sin(a)});
    }
    return points;
  }

  // --- commands -----------------------------------------------------------------------
  void command(char a, char b) {
    const int code = a * 256 + b;
    auto is = [&](const char* m) { return code == m[0] * 256 + m[1]; };
    if (is("IN"))
      reset(true), pen_ = 1;
    else if (is("DF"))
      reset(false);
    else if (is("SP")) {
      flush();
      pen_ = static_cast<int>(std::clamp(number().value_or(0), 0.0, 255.0));
    } else if (is("PU")) {
      penDown_ = false;
      flush();
      coordinates();
    } else if (is("PD")) {
      penDown_ = true;
      coordinates();
    } else if (is("PA")) {
      relative_ = false;
      coordinates();
    } else if (is("PR")) {
      relative_ = true;
      coordinates();
    } else if (is("PE")) {
      encodedPolyline();
      return;
    } else if (is("IP"))
      scalingPoints();
    else if (is("SC"))
      scale();
    else if (is("CI"))
      circle();
    else if (is("AA") || is("AR"))
      arc(is("AR"));
    else if (is("EA") || is("ER") || is("RA") || is("RR"))
      rectangle(is("ER") || is("RR"), is("RA") || is("RR"));
    else if (is("EW") || is("WG"))
      wedge(is("WG"));
    else if (is("LT"))
      lineType();
    else if (is("PW"))
      penWidth();
    else if (is("LB")) {
      label();
      return;
    } else if (is("DT")) {
      labelTerminator();
      return;
    } else if (is("SI"))
      absoluteSize();
    else if (is("SR"))
      relativeSize();
    else if (is("DI") || is("DR"))
      direction(is("DR"));
    else if (is("RO"))
      rotate();
    else if (is("PS") || is("CO")) { /* plot size and comments only need stepping over */
    } else
      ++out_.unknownCommands;
    endCommand();
  }

  void coordinates() {
    for (;;) {
      const std::optional<double> x = number();
      if (!x) return;
      const std::optional<double> y = number();
      if (!y) return;
      Point to;
      if (relative_) {
        const Point d = deltaToPlotter(*x, *y);
        to = {clampCoordinate(at_.x + d.x), clampCoordinate(at_.y + d.y)};
      } else {
        to = toPlotter(*x, *y);
      }
      moveTo(to, penDown_);
      if (full_) return;
    }
  }

  void scalingPoints() {
    const auto x1 = number(), y1 = number();
    if (!x1 || !y1) {
      p1_ = {0, 0};
      p2_ = {10000, 7500};
    } else {
      const auto x2 = number(), y2 = number();
      const Point oldP1 = p1_;
      p1_ = {clampCoordinate(*x1), clampCoordinate(*y1)};
      if (x2 && y2)
        p2_ = {clampCoordinate(*x2), clampCoordinate(*y2)};
      else
        p2_ = {p2_.x + p1_.x - oldP1.x, p2_.y + p1_.y - oldP1.y};
    }
    if (scaled_) applyScaling();
  }

  void scale() {
    const auto xmin = number(), xmax = number(), ymin = number(), ymax = number();
    if (!xmin || !xmax || !ymin || !ymax) {
      scaled_ = false;
      return;
    }
    scaleType_ = wholeNumber(number().value_or(0));
    left_ = std::clamp(number().value_or(50), 0.0, 100.0);
    bottom_ = std::clamp(number().value_or(50), 0.0, 100.0);
    user_ = {*xmin, *xmax, *ymin, *ymax};
    scaled_ = true;
    applyScaling();
  }

  void applyScaling() {
    const auto [xmin, xmax, ymin, ymax] = user_;
    if (scaleType_ == 2) {  // point factor: xmin, x factor, ymin, y factor
      sx_ = xmax;
      sy_ = ymax;
      ox_ = p1_.x - xmin * sx_;
      oy_ = p1_.y - ymin * sy_;
    } else {
      sx_ = xmax != xmin ? (p2_.x - p1_.x) / (xmax - xmin) : 1;
      sy_ = ymax != ymin ? (p2_.y - p1_.y) / (ymax - ymin) : 1;
      ox_ = p1_.x - xmin * sx_;
      oy_ = p1_.y - ymin * sy_;
      if (scaleType_ == 1) {  // isotropic: the smaller factor, the rest of the room shared
        const double s = std::min(std::fabs(sx_), std::fabs(sy_));
        const double spareX = (p2_.x - p1_.x) - std::copysign(s, sx_) * (xmax - xmin);
        const double spareY = (p2_.y - p1_.y) - std::copysign(s, sy_) * (ymax - ymin);
        sx_ = std::copysign(s, sx_);
        sy_ = std::copysign(s, sy_);
        ox_ = p1_.x + spareX * left_ / 100 - xmin * sx_;
        oy_ = p1_.y + spareY * bottom_ / 100 - ymin * sy_;
      }
    }
    if (!std::isfinite(sx_) || !std::isfinite(sy_) || sx_ == 0 || sy_ == 0) scaled_ = false;
  }

  void circle() {
    const auto radius = number();
    if (!radius) return;
    const double r = lengthToPlotter(*radius);
    const double chord = chordOf(number());
    std::vector<Point> points = arcPoints(at_, {at_.x + r, at_.y}, 360, chord);
    flush();
    figure(points, false);
  }

  void arc(bool relativeCenter) {
    const auto x = number(), y = number(), sweep = number();
    if (!x || !y || !sweep) return;
    Point center;
    if (relativeCenter) {
      const Point d = deltaToPlotter(*x, *y);
      center = {at_.x + d.x, at_.y + d.y};
    } else {
      center = toPlotter(*x, *y);
    }
    const std::vector<Point> points = arcPoints(center, at_, *sweep, chordOf(number()));
    for (size_t i = 1; i < points.size() && !full_; ++i) moveTo(points[i], penDown_);
  }

  void rectangle(bool relative, bool filled) {
    const auto x = number(), y = number();
    if (!x || !y) return;
    Point corner;
    if (relative) {
      const Point d = deltaToPlotter(*x, *y);
      corner = {at_.x + d.x, at_.y + d.y};
    } else {
      corner = toPlotter(*x, *y);
    }
    flush();
    figure({at_, {corner.x, at_.y}, corner, {at_.x, corner.y}, at_}, filled);
  }

  void wedge(bool filled) {
    const auto radius = number(), start = number(), sweep = number();
    if (!radius || !start || !sweep) return;
    const double r = lengthToPlotter(*radius);
    const double a = *start * kPi / 180;
    std::vector<Point> points = {at_};
    const std::vector<Point> rim =
        arcPoints(at_, {at_.x + r * std::cos(a), at_.y + r * std::sin(a)}, *sweep, chordOf(number()));
    points.insert(points.end(), rim.begin(), rim.end());
    points.push_back(at_);
    flush();
    figure(points, filled);
  }

  void lineType() {
    flush();
    const auto type = number();
    if (!type) {
      lineType_ = 0;
      return;
    }
    const int t = wholeNumber(std::fabs(*type));
    lineType_ = t >= 1 && t <= 8 ? t : 0;
    // The pattern length is a percentage of the diagonal P1-P2 (4 by default).
    const double percent = std::clamp(number().value_or(4), 0.1, 100.0);
    patternMm_ = std::hypot(p2_.x - p1_.x, p2_.y - p1_.y) * percent / 100 * 0.025;
  }

  void penWidth() {
    flush();
    const double width = std::clamp(number().value_or(0.35), 0.0, 100.0);
    const auto pen = number();
    if (pen)
      widths_[static_cast<size_t>(std::clamp(*pen, 0.0, 255.0))] = width;
    else
      widths_.fill(width);
  }

  void labelTerminator() {
    if (pos_ < in_.size() && in_[pos_] != ';')
      terminator_ = in_[pos_++];
    else
      terminator_ = '\x03';
    endCommand();
  }

  void absoluteSize() {
    const auto w = number(), h = number();
    charWidth_ = w && h ? std::clamp(std::fabs(*w) * 400, 1.0, 1e6) : 76;
    charHeight_ = w && h ? std::clamp(std::fabs(*h) * 400, 1.0, 1e6) : 108;
  }

  void relativeSize() {
    const auto w = number(), h = number();
    const double pw = std::fabs(p2_.x - p1_.x), ph = std::fabs(p2_.y - p1_.y);
    charWidth_ = std::clamp((w ? std::fabs(*w) : 0.75) / 100 * pw, 1.0, 1e6);
    charHeight_ = std::clamp((h ? std::fabs(*h) : 1.5) / 100 * ph, 1.0, 1e6);
  }

  void direction(bool relative) {
    const auto run = number(), rise = number();
    if (!run || !rise || (*run == 0 && *rise == 0)) {
      angle_ = 0;
      return;
    }
    const double x = relative ? *run * (p2_.x - p1_.x) : *run;
    const double y = relative ? *rise * (p2_.y - p1_.y) : *rise;
    angle_ = std::atan2(y, x);
  }

  void rotate() {
    flush();
    const int angle = wholeNumber(number().value_or(0));
    rotation_ = angle == 90 || angle == 180 || angle == 270 ? angle : 0;
  }

  void label() {
    flush();
    const size_t end = in_.find(terminator_, pos_);
    const std::string_view text = in_.substr(pos_, end == std::string_view::npos ? std::string_view::npos : end - pos_);
    pos_ = end == std::string_view::npos ? in_.size() : end + 1;
    const double advance = charWidth_ * 1.5, lineFeed = charHeight_ * 2;
    const Point along = {std::cos(angle_), std::sin(angle_)};
    const Point down = {along.y, -along.x};
    Point lineStart = at_;
    std::string line;
    auto emit = [&] {
      if (!line.empty() && pen_ > 0 && out_.labels.size() < kMaxLabels) {
        Label l;
        l.pen = pen_;
        l.at = placed(at_);
        l.text = line.substr(0, kMaxLabelBytes);
        l.heightPlu = charHeight_;
        l.widthPlu = charWidth_;
        l.angleRad = angle_ + rotation_ * kPi / 180;
        const double length = advance * static_cast<double>(l.text.size());
        const Point up = {-down.x, -down.y};
        for (const Point& corner :
             {at_, Point{at_.x + along.x * length, at_.y + along.y * length},
              Point{at_.x + up.x * charHeight_, at_.y + up.y * charHeight_},
              Point{at_.x + along.x * length + up.x * charHeight_, at_.y + along.y * length + up.y * charHeight_}})
          out_.bounds.add(placed(corner));
        out_.labels.push_back(std::move(l));
      }
      at_ = {at_.x + along.x * advance * static_cast<double>(line.size()),
             at_.y + along.y * advance * static_cast<double>(line.size())};
      line.clear();
    };
    for (const char c : text) {
      if (c == '\r') {
        emit();
        at_ = lineStart;
      } else if (c == '\n') {
        emit();
        lineStart = {lineStart.x + down.x * lineFeed, lineStart.y + down.y * lineFeed};
        at_ = {at_.x + down.x * lineFeed, at_.y + down.y * lineFeed};
      } else if (static_cast<unsigned char>(c) >= 0x20) {
        line += c;
      }
    }
    emit();
    at_ = {clampCoordinate(at_.x), clampCoordinate(at_.y)};
  }

  // PE: coordinates packed into printable bytes. Flags: ":" pen, "<" pen up for the next
  // point, ">" fractional bits, "=" the next point is absolute, "7" seven-bit bytes.
  void encodedPolyline() {
    bool sevenBit = false, upNext = false, absoluteNext = false;
    int fractionBits = 0;
    auto value = [&]() -> std::optional<double> {
      uint64_t n = 0, weight = 1;
      while (pos_ < in_.size()) {
        const auto c = static_cast<unsigned char>(in_[pos_]);
        if (c == ';') return std::nullopt;
        ++pos_;
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
    while (pos_ < in_.size() && in_[pos_] != ';' && !full_) {
      const char c = in_[pos_];
      if (c == ':') {
        ++pos_;
        if (auto v = value()) {
          flush();
          pen_ = static_cast<int>(std::clamp(*v, 0.0, 255.0));
        }
      } else if (c == '<') {
        ++pos_;
        upNext = true;
      } else if (c == '>') {
        ++pos_;
        if (auto v = value()) fractionBits = static_cast<int>(std::clamp(*v, -26.0, 26.0));
      } else if (c == '=') {
        ++pos_;
        absoluteNext = true;
      } else if (c == '7') {
        ++pos_;
        sevenBit = true;
      } else {
        const auto x = value();
        if (!x) break;
        const auto y = value();
        if (!y) break;
        const double f = std::ldexp(1.0, -fractionBits);
        Point to;
        if (absoluteNext) {
          to = toPlotter(*x * f, *y * f);
        } else {
          const Point d = deltaToPlotter(*x * f, *y * f);
          to = {clampCoordinate(at_.x + d.x), clampCoordinate(at_.y + d.y)};
        }
        moveTo(to, !upNext);
        upNext = absoluteNext = false;
      }
    }
    if (pos_ < in_.size() && in_[pos_] == ';') ++pos_;
    penDown_ = false;
    flush();
  }

  std::string_view in_;
  size_t pos_ = 0;
  bool pcl_ = false;
  bool full_ = false;
  size_t points_ = 0;
  Drawing out_;
  Stroke stroke_;

  Point at_;
  bool penDown_ = false;
  bool relative_ = false;
  int pen_ = 1;
  std::array<double, 256> widths_{};
  int lineType_ = 0;
  double patternMm_ = 0;
  bool scaled_ = false;
  int scaleType_ = 0;
  double left_ = 50, bottom_ = 50;
  std::array<double, 4> user_{};
  double sx_ = 1, sy_ = 1, ox_ = 0, oy_ = 0;
  Point p1_, p2_;
  char terminator_ = '\x03';
  double charWidth_ = 76, charHeight_ = 108;
  double angle_ = 0;
  int rotation_ = 0;
};

}  // namespace

Drawing interpretHpgl(std::string_view bytes) { return Interpreter(bytes).run(); }

bool looksLikeHpgl(std::string_view bytes) {
  size_t p = 0;
  while (p < bytes.size() && p < 4096 && std::isspace(static_cast<unsigned char>(bytes[p]))) ++p;
  if (p >= bytes.size()) return false;
  if (bytes[p] == kEsc) return true;
  return p + 1 < bytes.size() && std::isupper(static_cast<unsigned char>(bytes[p])) &&
         std::isupper(static_cast<unsigned char>(bytes[p + 1]));
}

}  // namespace refconv
