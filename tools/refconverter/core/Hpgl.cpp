#include "Hpgl.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstring>
#include <map>
#include <numbers>
#include <optional>
#include <tuple>

#include "StrokeFont.h"
#include "hpgl/Geometry.h"
#include "hpgl/Reader.h"
#include "hpgl/SymbolSets.h"

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

bool Drawing::empty() const {
  for (const Plot& page : pages)
    if (!page.shapes.empty()) return false;
  return true;
}

uint32_t penColor(int pen) {
  static constexpr std::array<uint32_t, 8> kPalette = {0xFFFFFF, 0x000000, 0xFF0000, 0x00A000,
                                                       0xE0C000, 0x0000FF, 0xFF00FF, 0x00C0C0};
  if (pen <= 0) return kPalette[0];
  return kPalette[static_cast<size_t>(1 + (pen - 1) % 7)];
}

uint32_t carouselColor(int pen) {
  // Black, red, green, yellow, blue, magenta, cyan and brown, as the stalls of a carousel.
  static constexpr std::array<uint32_t, 8> kCarousel = {0x000000, 0xFF0000, 0x00A000, 0xE0C000,
                                                        0x0000FF, 0xFF00FF, 0x00C0C0, 0xA05000};
  return kCarousel[static_cast<size_t>((std::max(pen, 1) - 1) % 8)];
}

namespace {

using hpgl::arcPoints;
using hpgl::clamped;
using hpgl::clipPolyline;
using hpgl::clipRing;
using hpgl::kEsc;
using hpgl::kLimit;
using hpgl::Rect;
constexpr double kLargestPaper = 47'560;        // plotter units: A0's long side, 1189 mm
constexpr double kParameterRange = 1073741823;  // 2^30 - 1: beyond it a plotter ignores the command
constexpr size_t kMaxPoints = 4'000'000;        // a hostile file still ends in bounded memory
constexpr size_t kMaxPages = 256;
constexpr size_t kMaxLabelBytes = 4096;
constexpr double kMaxHatchLines = 20'000;  // a fill; wider spacing beyond that
constexpr double kPi = std::numbers::pi;
constexpr uint32_t kWhite = 0xFFFFFF;

int wholeNumber(double v) {
  if (!std::isfinite(v)) return 0;
  return static_cast<int>(std::clamp(v, -1e6, 1e6));
}

// The default dash patterns of LT 1..8: on, off, on, off... as fractions of the pattern.
const std::vector<double>& defaultPattern(int type) {
  static const std::vector<double> kPatterns[] = {
      {},
      {0.0, 1.0},
      {0.5, 0.5},
      {0.7, 0.3},
      {0.8, 0.1, 0.0, 0.1},
      {0.7, 0.1, 0.1, 0.1},
      {0.5, 0.1, 0.1, 0.1, 0.1, 0.1},
      {0.7, 0.1, 0.0, 0.1, 0.0, 0.1},
      {0.5, 0.1, 0.0, 0.1, 0.1, 0.1, 0.0, 0.1},
  };
  return kPatterns[std::clamp(type, 0, 8)];
}

struct Ring {
  std::vector<Point> points;
  std::vector<char> drawn;  // whether the edge into each point was drawn with the pen down
};

struct TextFont {
  int set = 0;
  bool proportional = false;
  double pitch = 9;      // characters an inch, for fixed spacing
  double height = 11.5;  // points
};

// ISO 646 national variants: the characters at # $ @ [ \ ] ^ ` { | } ~.
struct NationalSet {
  int hpgl, pcl;  // the set's number on the pen plotters (CS 30-39) and as a PCL symbol set
  std::array<char32_t, 12> chars;
};
constexpr std::array<unsigned char, 12> kNationalPositions = {'#', '$', '@', '[', '\\', ']',
                                                              '^', '`', '{', '|', '}',  '~'};
constexpr NationalSet kNationalSets[] = {
    {30, 19, {'#', U'¤', '@', U'Ä', U'Ö', U'Å', '^', '`', U'ä', U'ö', U'å', U'‾'}},     // Swedish
    {31, 20, {'#', U'¤', U'É', U'Ä', U'Ö', U'Å', U'Ü', U'é', U'ä', U'ö', U'å', U'ü'}},  // Swedish for names
    {32, 4, {'#', '$', '@', U'Æ', U'Ø', U'Å', '^', '`', U'æ', U'ø', U'å', U'‾'}},       // Norwegian 1
    {33, 39, {'#', '$', U'§', U'Ä', U'Ö', U'Ü', '^', '`', U'ä', U'ö', U'ü', U'ß'}},     // German
    {34, 38, {U'£', '$', U'à', U'°', U'ç', U'§', '^', U'µ', U'é', U'ù', U'è', U'¨'}},   // French
    {35, 37, {U'£', '$', '@', '[', '\\', ']', '^', '`', '{', '|', '}', '~'}},           // United Kingdom
    {36, 9, {U'£', '$', U'§', U'°', U'ç', U'é', '^', U'ù', U'à', U'ò', U'è', U'ì'}},    // Italian
    {37, 83, {U'£', '$', U'§', U'¡', U'Ñ', U'¿', '^', '`', U'°', U'ñ', U'ç', '~'}},     // Spanish
    {38, 147, {'#', '$', U'§', U'Ã', U'Ç', U'Õ', '^', '`', U'ã', U'ç', U'õ', U'°'}},    // Portuguese
    {39, 196, {'#', '$', '@', U'Æ', U'Ø', U'Å', '^', '`', U'æ', U'ø', U'å', '|'}},      // Norwegian 2
};

class Interpreter {
 public:
  // `carousel`: pens are a pen plotter's carousel, drawing with round tips.
  Interpreter(std::string_view in, bool carousel) : reader_(in), carousel_(carousel) {
    reset(true);
    pages_.emplace_back();
  }

  Drawing run() {
    while (!full_) {
      const std::optional<hpgl::Reader::Mnemonic> mnemonic = reader_.next();
      if (reader_.takePageEnd()) {
        flushLine();
        advancePage();
      }
      if (!mnemonic) break;
      if (reader_.enteredFromPcl()) hpgl2_ = true;
      command(mnemonic->a, mnemonic->b);
    }
    flushLine();
    return finish();
  }

 private:
  // Whether a command's numbers include one beyond HP-GL/2's range of ±2^30, read ahead on
  // a copy of the reader. The commands whose parameters are text or bytes are not numbers.
  bool parameterOutOfRange(int c) const {
    if (c == code("LB") || c == code("BL") || c == code("DT") || c == code("SM") || c == code("PE")) return false;
    hpgl::Reader ahead = reader_;
    while (const std::optional<double> value = ahead.number())
      if (std::fabs(*value) > kParameterRange) return true;
    return false;
  }

  // --- reading: the reader's, for the commands below ---------------------------------
  void skipSeparators() { reader_.skipSeparators(); }
  std::optional<double> number() { return reader_.number(); }
  void endCommand() { reader_.endCommand(); }

  // --- state --------------------------------------------------------------------------
  void reset(bool initialize) {
    flushLine();
    penDown_ = false;
    relative_ = false;
    scaled_ = false;
    if (initialize) {
      hardClip_ = {0, 0, 10000, 7500};
      plotSizeGiven_ = false;
      at_ = {0, 0};
      rotation_ = 0;
      pen_ = 1;
    }
    p1_ = {hardClip_.x0, hardClip_.y0};
    p2_ = {hardClip_.x1, hardClip_.y1};
    window_.reset();
    lineType_ = 0;
    adaptive_ = false;
    dotsOnly_ = false;
    patternPercent_ = 4;
    patternAbsoluteMm_ = 0;
    element_ = 0;
    into_ = 0;
    for (int i = 0; i < 9; ++i) userPattern_[static_cast<size_t>(i)] = defaultPattern(i);
    relativeWidths_ = false;
    widths_.fill(0.35);
    end_ = carousel_ ? LineEnd::Round : LineEnd::Butt;
    join_ = carousel_ ? LineJoin::Round : LineJoin::Miter;
    miterLimit_ = 5;
    fillType_ = 1;
    hatchSpacing_ = 0;
    hatchAngle_ = 0;
    shade_ = 100;
    anchor_ = {0, 0};
    transparent_ = true;
    polygonMode_ = false;
    polygon_.clear();
    terminator_ = '\x03';
    terminatorPrinted_ = false;
    fonts_ = {TextFont{}, TextFont{}};
    alternate_ = false;
    sizeMode_ = 0;
    angle_ = 0;
    slant_ = 0;
    extraX_ = extraY_ = 0;
    path_ = 0;
    reverseFeed_ = false;
    origin_ = 1;
    symbol_ = 0;
    crPoint_ = at_;
  }

  Point toPlotter(double x, double y) const {
    if (!scaled_) return clamped({x, y});
    return clamped({ox_ + sx_ * x, oy_ + sy_ * y});
  }
  Point deltaToPlotter(double dx, double dy) const { return scaled_ ? Point{sx_ * dx, sy_ * dy} : Point{dx, dy}; }
  Point relativeTo(Point from, double dx, double dy) const {
    const Point d = deltaToPlotter(dx, dy);
    return clamped({from.x + d.x, from.y + d.y});
  }
  double lengthToPlotter(double r) const { return scaled_ ? std::fabs(sx_) * r : r; }
  // Arcs are round in user units, so that anisotropic scaling draws them as ellipses.
  std::vector<Point> arcOf(Point center, Point start, double sweep, double chord) const {
    return scaled_ ? arcPoints(center, start, sweep, chord, sx_, sy_) : arcPoints(center, start, sweep, chord);
  }
  double diagonal() const { return std::hypot(p2_.x - p1_.x, p2_.y - p1_.y); }

  // Where a plotter draws: inside the hard-clip limits of its paper (PS), and inside the
  // window IW sets. With no PS, or with the plot turned (this interpreter turns it round the
  // origin, so where the paper lies is not known), the largest paper any plotter takes, round
  // the origin: a point beyond it is on no paper at all.
  Rect clipArea() const {
    Rect area{-kLargestPaper, -kLargestPaper, kLargestPaper, kLargestPaper};
    if (plotSizeGiven_ && rotation_ == 0) area = hardClip_;
    if (window_)
      area = {std::max(area.x0, window_->x0), std::max(area.y0, window_->y0), std::min(area.x1, window_->x1),
              std::min(area.y1, window_->y1)};
    return area;
  }

  Point placed(Point p) const {
    switch (rotation_) {
      case 90: return {-p.y, p.x};
      case 180: return {-p.x, -p.y};
      case 270: return {p.y, -p.x};
      default: return p;
    }
  }

  double currentWidthMm() const { return widths_[static_cast<size_t>(std::clamp(pen_, 0, 255))]; }

  uint32_t colorOfPen(int pen) const {
    if (carousel_) return pen <= 0 ? kWhite : carouselColor(pen);
    if (pen >= pens_ && pens_ > 1) pen = (pen - 1) % (pens_ - 1) + 1;
    return palette_[static_cast<size_t>(std::clamp(pen, 0, 255))];
  }

  // --- output ---------------------------------------------------------------------------
  bool spend(size_t points) {
    points_ += points;
    if (points_ > kMaxPoints) full_ = truncated_ = true;
    return !full_;
  }

  Plot& page() { return pages_.back(); }

  // The shape new lines of this style go to: the last one when it has the same style.
  Shape& strokeShape(uint32_t color, bool text) {
    const LineEnd end = text ? LineEnd::Round : end_;
    const LineJoin join = text ? LineJoin::Round : join_;
    const double width = currentWidthMm();
    std::vector<Shape>& shapes = page().shapes;
    if (!shapes.empty()) {
      Shape& last = shapes.back();
      if (!last.fill && last.pen == pen_ && last.color == color && last.widthMm == width && last.end == end &&
          last.join == join && last.miterLimit == miterLimit_)
        return last;
    }
    Shape s;
    s.pen = pen_;
    s.color = color;
    s.widthMm = width;
    s.end = end;
    s.join = join;
    s.miterLimit = miterLimit_;
    return shapes.emplace_back(std::move(s));
  }

  // Lines in the pen's colour, cut to the window and turned with the plot.
  void emitLines(std::vector<std::vector<Point>> lines, bool text = false) {
    const uint32_t color = colorOfPen(pen_);
    if (pen_ < 0 || (color == kWhite && transparent_) || lines.empty()) return;
    {
      std::vector<std::vector<Point>> cut;
      const Rect area = clipArea();
      for (const auto& line : lines) clipPolyline(line, area, cut);
      lines = std::move(cut);
    }
    Shape* shape = nullptr;
    for (auto& line : lines) {
      if (line.size() < 2 || !spend(line.size())) continue;
      for (Point& p : line) p = clamped(placed(p));  // a dot's one unit past the limit included
      if (!shape) shape = &strokeShape(color, text);
      shape->paths.push_back(std::move(line));
    }
  }

  // A line as its line type draws it.
  void strokeLine(std::vector<Point> line) {
    if (line.size() < 2) return;
    bool still = true;
    for (const Point& p : line) still = still && p.x == line[0].x && p.y == line[0].y;
    if (still) line = {line[0], {line[0].x + 1, line[0].y}};  // a zero-length line is a dot
    if (lineType_ == 0) {
      emitLines({std::move(line)});
      return;
    }
    if (dotsOnly_) {
      std::vector<std::vector<Point>> dots;
      for (const Point& p : line) dots.push_back({p, {p.x + 1, p.y}});
      emitLines(std::move(dots));
      return;
    }
    const std::vector<double>& pattern = userPattern_[static_cast<size_t>(lineType_)];
    double length = patternAbsoluteMm_ > 0 ? patternAbsoluteMm_ * 40 : diagonal() * patternPercent_ / 100;
    length = std::max(length, 1.0);
    std::vector<std::vector<Point>> pieces;
    std::vector<Point> piece;
    auto close = [&] {
      if (piece.size() >= 2) pieces.push_back(std::move(piece));
      piece.clear();
    };
    for (size_t i = 0; i + 1 < line.size() && !full_; ++i) {
      const Point a = line[i], b = line[i + 1];
      const double seg = std::hypot(b.x - a.x, b.y - a.y);
      if (seg == 0) continue;
      const Point unitStep = {(b.x - a.x) / seg, (b.y - a.y) / seg};
      auto at = [&](double d) { return Point{a.x + unitStep.x * d, a.y + unitStep.y * d}; };
      double unit = length;
      if (adaptive_) {  // whole patterns on every vector, each starting afresh
        unit = seg / std::max(1.0, std::round(seg / length));
        close();
        element_ = 0;
        into_ = 0;
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
        const double size = pattern[element_] * unit;
        const bool on = element_ % 2 == 0;
        if (size <= 0) {  // a dot, one plotter unit along the line
          if (on) {
            close();
            pieces.push_back({at(done), {at(done).x + unitStep.x, at(done).y + unitStep.y}});
          }
          element_ = (element_ + 1) % pattern.size();
          into_ = 0;
          continue;
        }
        const double step = std::min(size - into_, seg - done);
        if (on) {
          if (piece.empty()) piece.push_back(at(done));
          piece.push_back(at(done + step));
        }
        done += step;
        into_ += step;
        if (into_ >= size - 1e-9) {
          if (on) close();
          element_ = (element_ + 1) % pattern.size();
          into_ = 0;
        }
      }
    }
    close();
    emitLines(std::move(pieces));
  }

  // Closed areas filled as the fill type says.
  void fillRings(std::vector<std::vector<Point>> rings, bool evenOdd) {
    std::erase_if(rings, [](const auto& r) { return r.size() < 3; });
    if (rings.empty()) return;
    if ((fillType_ == 3 || fillType_ == 4) && !tooFineToHatch(rings)) {
      hatch(rings, evenOdd, hatchAngle_);
      if (fillType_ == 4) hatch(rings, evenOdd, hatchAngle_ + 90);
      return;
    }
    uint32_t color = colorOfPen(pen_);
    if (fillType_ == 10) color = shaded(color, shade_);
    if (fillType_ == 11 && pattern_.count(rasterIndex_)) color = patternColor(pattern_.at(rasterIndex_));
    if (pen_ < 0 || (color == kWhite && transparent_)) return;
    Shape s;
    s.pen = pen_;
    s.color = color;
    s.fill = true;
    s.evenOdd = evenOdd;
    for (auto& ring : rings) {
      ring = clipRing(std::move(ring), clipArea());
      if (ring.size() < 3 || !spend(ring.size())) continue;
      for (Point& p : ring) p = clamped(placed(p));
      s.paths.push_back(std::move(ring));
    }
    if (!s.paths.empty()) page().shapes.push_back(std::move(s));
  }

  double hatchSpacing() const { return std::max(hatchSpacing_ > 0 ? hatchSpacing_ : diagonal() / 100, 1.0); }

  // Hatching of more lines than a fill may have draws, as a plotter's pen would, an area
  // all inked: it is filled solid instead of drawn line by line without end.
  bool tooFineToHatch(const std::vector<std::vector<Point>>& rings) const {
    Bounds b;
    for (const auto& ring : rings)
      for (const Point& p : ring) b.add(p);
    return std::hypot(b.width(), b.height()) / hatchSpacing() > kMaxHatchLines;
  }

  static uint32_t shaded(uint32_t color, double percent) {
    const double f = std::clamp(percent, 0.0, 100.0) / 100;
    uint32_t out = 0;
    for (int shift : {16, 8, 0}) {
      const double c = (color >> shift) & 0xFF;
      out |= static_cast<uint32_t>(std::lround(255 - (255 - c) * f)) << shift;
    }
    return out;
  }

  // A raster pattern shows, at a plot's scale, as the average of its pens' colours.
  uint32_t patternColor(const std::vector<int>& pens) const {
    double sum[3] = {0, 0, 0};
    for (const int pen : pens) {
      const uint32_t c = colorOfPen(pen);
      sum[0] += (c >> 16) & 0xFF, sum[1] += (c >> 8) & 0xFF, sum[2] += c & 0xFF;
    }
    const double n = static_cast<double>(std::max<size_t>(1, pens.size()));
    return static_cast<uint32_t>(std::lround(sum[0] / n)) << 16 | static_cast<uint32_t>(std::lround(sum[1] / n)) << 8 |
           static_cast<uint32_t>(std::lround(sum[2] / n));
  }

  // Parallel lines `spacing_` apart at `degrees`, through the anchor corner, where the
  // rings are inside by the fill rule.
  void hatch(const std::vector<std::vector<Point>>& rings, bool evenOdd, double degrees) {
    const double a = degrees * kPi / 180, c = std::cos(a), s = std::sin(a);
    // Into a frame where the lines are horizontal.
    auto in = [&](Point p) {
      return Point{(p.x - anchor_.x) * c + (p.y - anchor_.y) * s, -(p.x - anchor_.x) * s + (p.y - anchor_.y) * c};
    };
    auto out = [&](double x, double y) { return Point{anchor_.x + x * c - y * s, anchor_.y + x * s + y * c}; };
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
    const double spacing = std::max(hatchSpacing(), (hi - lo) / kMaxHatchLines);
    std::vector<std::vector<Point>> lines;
    std::vector<std::pair<double, int>> crossings;
    for (double y = std::ceil(lo / spacing) * spacing; y <= hi && !full_; y += spacing) {
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
        emitLines(std::move(lines));
        lines.clear();
      }
    }
    emitLines(std::move(lines));
  }

  // --- drawing moves ----------------------------------------------------------------------
  void flushLine() {
    if (line_.size() >= 2) strokeLine(std::move(line_));
    line_.clear();
  }

  // A line from where the pen is to `to`, or a move when the pen is up; into the polygon
  // buffer in polygon mode.
  void moveTo(Point to, bool draw) {
    to = clamped(to);
    if (polygonMode_) {
      if (polygon_.empty()) polygon_.push_back({{at_}, {0}});
      if (!spend(1)) return;
      polygon_.back().points.push_back(to);
      polygon_.back().drawn.push_back(draw && polygon_.back().points.size() > 1);
    } else if (draw && pen_ >= 0) {
      if (line_.empty()) line_.push_back(at_);
      if (!spend(1)) return;
      line_.push_back(to);
    } else {
      flushLine();
    }
    at_ = to;
  }

  void pathTo(const std::vector<Point>& points, bool draw) {
    for (size_t i = 1; i < points.size() && !full_; ++i) moveTo(points[i], draw);
  }

  // A closed figure of its own (circles, rectangles, wedges): into the polygon buffer in
  // polygon mode, otherwise edged or filled; the pen position is unchanged.
  void figure(std::vector<Point> ring, bool filled) {
    if (ring.size() < 2) return;
    if (polygonMode_) {
      Ring r;
      r.points = ring;
      r.drawn.assign(ring.size(), 1);
      r.drawn[0] = 0;
      if (!spend(ring.size())) return;
      polygon_.push_back(std::move(r));
      polygon_.push_back({});
      return;
    }
    flushLine();
    if (filled) {
      fillRings({std::move(ring)}, true);
    } else {
      if (ring.front().x != ring.back().x || ring.front().y != ring.back().y) ring.push_back(ring.front());
      const auto saved = std::pair{element_, into_};
      strokeLine(std::move(ring));
      std::tie(element_, into_) = saved;
    }
  }

  // --- commands -----------------------------------------------------------------------
  static constexpr int code(const char* m) { return m[0] * 256 + m[1]; }

  void command(char a, char b) {
    const int c = a * 256 + b;
    // A plotter ignores a command with a parameter out of range (error 3): a diagram editor's
    // -2147483648 in PD or AA is no point kilometres away.
    if (parameterOutOfRange(c)) {
      ++ignored_;
      endCommand();
      return;
    }
    switch (c) {  // a new style, or a page, ends the line being drawn
      case code("IN"):
      case code("DF"):
      case code("SP"):
      case code("PW"):
      case code("LT"):
      case code("LA"):
      case code("WU"):
      case code("NP"):
      case code("PC"):
      case code("CR"):
      case code("UL"):
      case code("IW"):
      case code("RO"):
      case code("TR"):
      case code("PG"):
      case code("FR"):
      case code("PM"):
      case code("SM"): flushLine(); break;
      default: break;
    }
    switch (c) {
      case code("PE"):
      case code("PW"):
      case code("NP"):
      case code("PC"):
      case code("CR"):
      case code("WU"):
      case code("LA"):
      case code("BZ"):
      case code("BR"):
      case code("BP"):
      case code("RF"):
      case code("UL"):
      case code("TR"):
      case code("SD"):
      case code("AD"):
      case code("SV"):
      case code("FR"):
      case code("MC"):
      case code("PP"): hpgl2_ = true; break;
      default: break;
    }
    switch (c) {
      case code("IN"): reset(true); break;
      case code("DF"): reset(false); break;
      case code("SP"): pen_ = static_cast<int>(std::clamp(number().value_or(0), 0.0, 255.0)); break;
      case code("PU"):
        penDown_ = false;
        flushLine();
        coordinates();
        break;
      case code("PD"):
        penDown_ = true;
        coordinates();
        break;
      case code("PA"):
        relative_ = false;
        coordinates();
        break;
      case code("PR"):
        relative_ = true;
        coordinates();
        break;
      case code("PE"): encodedPolyline(); return;
      case code("IP"): scalingPoints(); break;
      case code("IR"): relativeScalingPoints(); break;
      case code("SC"): scale(); break;
      case code("IW"): inputWindow(); break;
      case code("PS"): plotSize(); break;
      case code("RO"): rotate(); break;
      case code("CI"): circle(); break;
      case code("AA"):
      case code("AR"): arc(c == code("AR")); break;
      case code("AT"):
      case code("RT"): threePointArc(c == code("RT")); break;
      case code("BZ"):
      case code("BR"): bezier(c == code("BR")); break;
      case code("EA"):
      case code("ER"):
      case code("RA"):
      case code("RR"): rectangle(c == code("ER") || c == code("RR"), c == code("RA") || c == code("RR")); break;
      case code("EW"):
      case code("WG"): wedge(c == code("WG")); break;
      case code("PM"): polygonMode(); break;
      case code("FP"): fillPolygon(); break;
      case code("EP"): edgePolygon(); break;
      case code("FT"): fillType(); break;
      case code("AC"): anchorCorner(); break;
      case code("RF"): rasterFill(); break;
      case code("TR"): transparent_ = number().value_or(1) != 0; break;
      case code("LT"): lineType(); break;
      case code("UL"): userLineType(); break;
      case code("LA"): lineAttributes(); break;
      case code("PW"): penWidth(); break;
      case code("WU"): widthUnits(); break;
      case code("NP"): numberOfPens(); break;
      case code("PC"): penColorCommand(); break;
      case code("CR"): colorRange(); break;
      case code("CT"): number(); break;  // chord tolerance: angles are what files use
      case code("PG"):
      case code("FR"): advancePage(); break;
      case code("LB"): label(); return;
      case code("BL"): bufferLabel(); return;
      case code("PB"): drawText(buffer_); break;
      case code("DT"): labelTerminator(); return;
      case code("SM"): symbolMode(); return;
      case code("SI"): absoluteSize(); break;
      case code("SR"): relativeSize(); break;
      case code("DI"):
      case code("DR"): direction(c == code("DR")); break;
      case code("DV"):
        path_ = std::clamp(wholeNumber(number().value_or(0)), 0, 3);
        reverseFeed_ = wholeNumber(number().value_or(0)) == 1;
        break;
      case code("LO"): labelOrigin(); break;
      case code("CP"): characterPlot(); break;
      case code("ES"): extraSpace(); break;
      case code("SL"): slant_ = std::clamp(number().value_or(0), -10.0, 10.0); break;
      case code("CS"):
      case code("CA"): characterSet(c == code("CA")); break;
      case code("SS"): alternate_ = false; break;
      case code("SA"): alternate_ = true; break;
      case code("SD"):
      case code("AD"): fontDefinition(c == code("AD")); break;
      case code("CO"):
      case code("BP"):
      case code("SV"):
      case code("MC"):
      case code("PP"):
      case code("VS"):
      case code("OP"):
      case code("OW"):
      case code("OI"):
      case code("OS"):
      case code("OA"):
      case code("OC"):
      case code("OD"):
      case code("OE"):
      case code("OF"):
      case code("OH"):
      case code("OO"):
      case code("QL"): break;  // plot setup, queries and comments need only stepping over
      default: ++unknown_;
    }
    endCommand();
  }

  void coordinates() {
    for (;;) {
      const std::optional<double> x = number();
      if (!x) return;
      const std::optional<double> y = number();
      if (!y) return;
      const Point to = relative_ ? relativeTo(at_, *x, *y) : toPlotter(*x, *y);
      moveTo(to, penDown_);
      crPoint_ = at_;
      if (symbol_) drawSymbol();
      if (full_) return;
    }
  }

  void scalingPoints() {
    const auto x1 = number(), y1 = number();
    if (!x1 || !y1) {
      p1_ = {hardClip_.x0, hardClip_.y0};
      p2_ = {hardClip_.x1, hardClip_.y1};
    } else {
      const auto x2 = number(), y2 = number();
      const Point oldP1 = p1_;
      p1_ = clamped({*x1, *y1});
      if (x2 && y2)
        p2_ = clamped({*x2, *y2});
      else
        p2_ = clamped({p2_.x + p1_.x - oldP1.x, p2_.y + p1_.y - oldP1.y});
    }
    if (scaled_) applyScaling();
  }

  // IR: P1 and P2 as percentages of the hard-clip limits.
  void relativeScalingPoints() {
    const auto x1 = number(), y1 = number();
    const double w = hardClip_.x1 - hardClip_.x0, h = hardClip_.y1 - hardClip_.y0;
    auto at = [&](double px, double py) {
      return clamped(
          {hardClip_.x0 + w * std::clamp(px, 0.0, 100.0) / 100, hardClip_.y0 + h * std::clamp(py, 0.0, 100.0) / 100});
    };
    if (!x1 || !y1) {
      p1_ = {hardClip_.x0, hardClip_.y0};
      p2_ = {hardClip_.x1, hardClip_.y1};
    } else {
      const auto x2 = number(), y2 = number();
      const Point size = {p2_.x - p1_.x, p2_.y - p1_.y};
      p1_ = at(*x1, *y1);
      p2_ = x2 && y2 ? at(*x2, *y2) : clamped({p1_.x + size.x, p1_.y + size.y});
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
      if (scaleType_ == 1) {  // isotropic: the smaller factor, the spare room shared by left and bottom
        const double s = std::min(std::fabs(sx_), std::fabs(sy_));
        const double spareX = (p2_.x - p1_.x) - std::copysign(s, sx_) * (xmax - xmin);
        const double spareY = (p2_.y - p1_.y) - std::copysign(s, sy_) * (ymax - ymin);
        sx_ = std::copysign(s, sx_);
        sy_ = std::copysign(s, sy_);
        ox_ = p1_.x + spareX * left_ / 100 - xmin * sx_;
        oy_ = p1_.y + spareY * bottom_ / 100 - ymin * sy_;
      }
    }
    if (!std::isfinite(sx_) || !std::isfinite(sy_) || !std::isfinite(ox_) || !std::isfinite(oy_) || sx_ == 0 ||
        sy_ == 0)
      scaled_ = false;
  }

  void inputWindow() {
    const auto x0 = number(), y0 = number(), x1 = number(), y1 = number();
    if (!x0 || !y0 || !x1 || !y1) {
      window_.reset();
      return;
    }
    const Point a = toPlotter(*x0, *y0), b = toPlotter(*x1, *y1);
    window_ = Rect{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
  }

  void plotSize() {
    const auto length = number(), width = number();
    if (!length) return;
    const double x = std::clamp(std::fabs(*length), 1.0, kLimit);
    const double y = width ? std::clamp(std::fabs(*width), 1.0, kLimit) : x * 0.75;
    hardClip_ = {0, 0, x, y};
    plotSizeGiven_ = true;
    p1_ = {0, 0};
    p2_ = {x, y};
    if (scaled_) applyScaling();
  }

  void rotate() {
    const int angle = wholeNumber(number().value_or(0));
    rotation_ = angle == 90 || angle == 180 || angle == 270 ? angle : 0;
  }

  // A chord angle in degrees, 5 unless given (CT's deviation mode is stepped over).
  static double chord(std::optional<double> value) { return std::clamp(std::fabs(value.value_or(5.0)), 0.5, 180.0); }

  void circle() {
    const auto radius = number();
    if (!radius) return;
    const double r = std::min(std::fabs(*radius), kLimit);
    figure(arcOf(at_, relativeTo(at_, r, 0), 360, chord(number())), false);
  }

  void arc(bool relativeCenter) {
    const auto x = number(), y = number(), sweep = number();
    if (!x || !y || !sweep) return;
    const Point center = relativeCenter ? relativeTo(at_, *x, *y) : toPlotter(*x, *y);
    pathTo(arcOf(center, at_, *sweep, chord(number())), penDown_);
  }

  // AT, RT: an arc from the pen through an intermediate point to an end point.
  void threePointArc(bool relative) {
    const auto xi = number(), yi = number(), xe = number(), ye = number();
    if (!xi || !yi || !xe || !ye) return;
    const Point a = at_;
    const Point m = relative ? relativeTo(a, *xi, *yi) : toPlotter(*xi, *yi);
    const Point e = relative ? relativeTo(a, *xe, *ye) : toPlotter(*xe, *ye);
    const double steps = chord(number());
    const double d = 2 * (a.x * (m.y - e.y) + m.x * (e.y - a.y) + e.x * (a.y - m.y));
    const double scaleOfPoints = std::max({std::fabs(a.x - e.x), std::fabs(a.y - e.y), std::fabs(m.x - a.x), 1.0});
    if (std::fabs(d) < 1e-9 * scaleOfPoints * scaleOfPoints) {  // on one line: a line through them
      pathTo({a, m, e}, penDown_);
      return;
    }
    auto sq = [](Point p) { return p.x * p.x + p.y * p.y; };
    const Point c = {(sq(a) * (m.y - e.y) + sq(m) * (e.y - a.y) + sq(e) * (a.y - m.y)) / d,
                     (sq(a) * (e.x - m.x) + sq(m) * (a.x - e.x) + sq(e) * (m.x - a.x)) / d};
    auto angleOf = [&](Point p) { return std::atan2(p.y - c.y, p.x - c.x); };
    auto ccw = [](double from, double to) {
      double s = to - from;
      while (s < 0) s += 2 * kPi;
      return s;
    };
    const double toEnd = ccw(angleOf(a), angleOf(e)), toMiddle = ccw(angleOf(a), angleOf(m));
    const double sweep = toMiddle < toEnd ? toEnd : toEnd - 2 * kPi;
    std::vector<Point> points = arcPoints(c, a, sweep * 180 / kPi, steps);
    points.back() = e;
    pathTo(points, penDown_);
  }

  void bezier(bool relative) {
    for (;;) {
      std::array<std::optional<double>, 6> v;
      for (auto& n : v) n = number();
      if (!v[5]) return;
      const Point p0 = at_;
      auto point = [&](int i) {
        return relative ? relativeTo(p0, *v[static_cast<size_t>(i)], *v[static_cast<size_t>(i) + 1])
                        : toPlotter(*v[static_cast<size_t>(i)], *v[static_cast<size_t>(i) + 1]);
      };
      const Point p1 = point(0), p2 = point(2), p3 = point(4);
      const double hull = std::hypot(p1.x - p0.x, p1.y - p0.y) + std::hypot(p2.x - p1.x, p2.y - p1.y) +
                          std::hypot(p3.x - p2.x, p3.y - p2.y);
      const int steps = static_cast<int>(std::clamp(std::ceil(hull / 40), 4.0, 64.0));  // about 1 mm chords
      std::vector<Point> points;
      for (int i = 0; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps, u = 1 - t;
        points.push_back({u * u * u * p0.x + 3 * u * u * t * p1.x + 3 * u * t * t * p2.x + t * t * t * p3.x,
                          u * u * u * p0.y + 3 * u * u * t * p1.y + 3 * u * t * t * p2.y + t * t * t * p3.y});
      }
      pathTo(points, penDown_);
      if (full_) return;
    }
  }

  void rectangle(bool relative, bool filled) {
    const auto x = number(), y = number();
    if (!x || !y) return;
    const Point corner = relative ? relativeTo(at_, *x, *y) : toPlotter(*x, *y);
    figure({at_, {corner.x, at_.y}, corner, {at_.x, corner.y}, at_}, filled);
  }

  void wedge(bool filled) {
    const auto radius = number(), start = number(), sweep = number();
    if (!radius || !start || !sweep) return;
    const double r = std::clamp(*radius, -kLimit, kLimit);
    const double a = *start * kPi / 180;
    const std::vector<Point> rim =
        arcOf(at_, relativeTo(at_, r * std::cos(a), r * std::sin(a)), *sweep, chord(number()));
    if (std::fabs(*sweep) >= 360) {  // a whole circle has no radii
      figure(rim, filled);
      return;
    }
    std::vector<Point> points = {at_};
    points.insert(points.end(), rim.begin(), rim.end());
    points.push_back(at_);
    figure(points, filled);
  }

  void polygonMode() {
    const int mode = wholeNumber(number().value_or(0));
    if (mode == 0) {
      polygon_.clear();
      polygon_.push_back({{at_}, {0}});
      polygonMode_ = true;
      penBeforePolygon_ = penDown_;
      return;
    }
    if (!polygonMode_) return;
    closeRing();
    if (mode == 1) {  // a subpolygon starts at the next point given
      polygon_.push_back({});
    } else {  // the pen is lifted or lowered again as it was before the polygon
      polygonMode_ = false;
      penDown_ = penBeforePolygon_;
    }
  }

  void closeRing() {
    if (polygon_.empty()) return;
    Ring& r = polygon_.back();
    if (r.points.size() >= 2 && (r.points.front().x != r.points.back().x || r.points.front().y != r.points.back().y)) {
      r.points.push_back(r.points.front());
      r.drawn.push_back(penDown_);
    }
  }

  void fillPolygon() {
    const bool evenOdd = wholeNumber(number().value_or(0)) == 0;
    if (polygonMode_) closeRing();
    std::vector<std::vector<Point>> rings;
    for (const Ring& r : polygon_) rings.push_back(r.points);
    fillRings(std::move(rings), evenOdd);
  }

  void edgePolygon() {
    if (polygonMode_) closeRing();
    const auto saved = std::pair{element_, into_};
    for (const Ring& r : polygon_) {
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
    std::tie(element_, into_) = saved;
  }

  void fillType() {
    const auto type = number(), option1 = number(), option2 = number();
    const int t = wholeNumber(type.value_or(1));
    fillType_ = (t >= 1 && t <= 4) || t == 10 || t == 11 || t == 21 || t == 22 ? t : 1;
    if (t == 3 || t == 4) {
      hatchSpacing_ = option1 && *option1 > 0 ? std::min(lengthToPlotter(*option1), kLimit) : 0;
      hatchAngle_ = option2 && std::isfinite(*option2) ? std::fmod(*option2, 360.0) : 0;
    } else if (t == 10) {
      shade_ = std::clamp(option1.value_or(100), 0.0, 100.0);
    } else if (t == 11) {
      rasterIndex_ = wholeNumber(option1.value_or(1));
    }
  }

  void anchorCorner() {
    const auto x = number(), y = number();
    anchor_ = x && y ? toPlotter(*x, *y) : Point{0, 0};
  }

  // RF index, width, height, pens...: kept only as the pens of its pixels.
  void rasterFill() {
    const auto index = number(), width = number(), height = number();
    if (!index) {
      pattern_.clear();
      return;
    }
    const int i = wholeNumber(*index);
    if (!width || !height) {
      pattern_.erase(i);
      return;
    }
    const int w = std::clamp(wholeNumber(*width), 1, 255), h = std::clamp(wholeNumber(*height), 1, 255);
    std::vector<int> pens;
    for (int n = 0; n < w * h; ++n) {
      const auto pen = number();
      if (!pen) break;
      pens.push_back(std::clamp(wholeNumber(*pen), 0, 255));
    }
    if (pattern_.size() < 8 || pattern_.count(i)) pattern_[i] = std::move(pens);
  }

  void lineType() {
    const auto type = number();
    if (!type) {
      lineType_ = 0;
      dotsOnly_ = false;
      return;
    }
    const int t = wholeNumber(*type);
    if (t == 99) return;
    const auto length = number(), mode = number();
    dotsOnly_ = t == 0;
    lineType_ = t >= -8 && t <= 8 && t != 0 ? std::abs(t) : (t == 0 ? 1 : 0);
    adaptive_ = t < 0;
    const bool absolute = mode ? wholeNumber(*mode) == 1 : patternAbsoluteMm_ > 0;
    if (length && *length > 0) {
      if (absolute)
        patternAbsoluteMm_ = std::min(*length, 1e6);
      else
        patternPercent_ = std::min(*length, 100.0), patternAbsoluteMm_ = 0;
    }
    element_ = 0;
    into_ = 0;
  }

  void userLineType() {
    const auto index = number();
    if (!index) {
      for (int i = 0; i < 9; ++i) userPattern_[static_cast<size_t>(i)] = defaultPattern(i);
      return;
    }
    const int i = std::abs(wholeNumber(*index));
    if (i < 1 || i > 8) return;
    std::vector<double> gaps;
    while (gaps.size() < 20)
      if (const auto g = number())
        gaps.push_back(std::max(0.0, *g));
      else
        break;
    double sum = 0;
    for (const double g : gaps) sum += g;
    if (gaps.empty() || sum <= 0) {
      userPattern_[static_cast<size_t>(i)] = defaultPattern(i);
      return;
    }
    for (double& g : gaps) g /= sum;
    userPattern_[static_cast<size_t>(i)] = gaps;
  }

  void lineAttributes() {
    bool any = false;
    for (;;) {
      const auto kind = number(), value = number();
      if (!kind || !value) break;
      any = true;
      const int v = wholeNumber(*value);
      switch (wholeNumber(*kind)) {
        case 1:
          end_ = v == 2 ? LineEnd::Square : v == 3 ? LineEnd::Triangle : v == 4 ? LineEnd::Round : LineEnd::Butt;
          break;
        case 2:
          join_ = v == 2   ? LineJoin::MiterBevel
                  : v == 3 ? LineJoin::Triangle
                  : v == 4 ? LineJoin::Round
                  : v == 5 ? LineJoin::Bevel
                  : v == 6 ? LineJoin::None
                           : LineJoin::Miter;
          break;
        case 3: miterLimit_ = std::clamp(*value, 1.0, 32767.0); break;
        default: break;
      }
    }
    if (!any) {
      end_ = LineEnd::Butt;
      join_ = LineJoin::Miter;
      miterLimit_ = 5;
    }
  }

  // Pen widths are kept in millimetres; relative ones are a share of the P1-P2 diagonal.
  double widthMm(double value) const {
    if (!relativeWidths_) return std::clamp(value, 0.0, 1000.0);
    return std::clamp(value / 100 * diagonal() * 0.025, 0.0, 1000.0);
  }

  void penWidth() {
    const auto width = number();
    const double w = width ? widthMm(*width) : (relativeWidths_ ? widthMm(0.1) : 0.35);
    const auto pen = number();
    if (pen)
      widths_[static_cast<size_t>(std::clamp(*pen, 0.0, 255.0))] = w;
    else
      widths_.fill(w);
  }

  void widthUnits() {
    relativeWidths_ = wholeNumber(number().value_or(0)) == 1;
    widths_.fill(relativeWidths_ ? widthMm(0.1) : 0.35);
  }

  void numberOfPens() {
    const int n = wholeNumber(number().value_or(8));
    pens_ = 2;
    while (pens_ < n && pens_ < 256) pens_ *= 2;
  }

  void penColorCommand() {
    const auto pen = number();
    if (!pen) {
      for (int i = 0; i < 256; ++i) palette_[static_cast<size_t>(i)] = penColor(i);
      return;
    }
    const auto p = static_cast<size_t>(std::clamp(wholeNumber(*pen), 0, 255));
    const auto r = number(), g = number(), b = number();
    if (!r || !g || !b) {
      palette_[p] = penColor(static_cast<int>(p));
      return;
    }
    uint32_t rgb = 0;
    const double values[3] = {*r, *g, *b};
    for (int i = 0; i < 3; ++i) {
      const double lo = range_[static_cast<size_t>(i) * 2], hi = range_[static_cast<size_t>(i) * 2 + 1];
      const double f = hi != lo ? (values[i] - lo) / (hi - lo) : 0;
      rgb = rgb << 8 | static_cast<uint32_t>(std::lround(std::clamp(f, 0.0, 1.0) * 255));
    }
    palette_[p] = rgb;
  }

  void colorRange() {
    std::array<double, 6> r = {0, 255, 0, 255, 0, 255};
    for (double& v : r)
      if (const auto n = number())
        v = std::clamp(*n, -1e6, 1e6);
      else
        break;
    range_ = r;
  }

  void advancePage() {
    if (page().shapes.empty()) return;
    if (pages_.size() >= kMaxPages) {
      full_ = truncated_ = true;
      return;
    }
    pages_.emplace_back();
  }

  // --- text ---------------------------------------------------------------------------
  // The text of LB or BL: up to its terminator, which DT may ask to be drawn too.
  std::string_view labelText() { return reader_.textUntil(terminator_, terminatorPrinted_); }

  void label() {
    flushLine();
    drawText(labelText());
  }

  void bufferLabel() {
    const std::string_view text = labelText();
    buffer_ = std::string(text.substr(0, kMaxLabelBytes));
  }

  void labelTerminator() {
    if (const char c = reader_.peek(); !reader_.atEnd() && c != ';' && c != hpgl::kEsc && c != '\n' && c != '\0') {
      terminator_ = c;
      reader_.advance();
      skipSeparators();
      terminatorPrinted_ = wholeNumber(number().value_or(1)) == 0;
    } else {
      terminator_ = '\x03';
      terminatorPrinted_ = false;
    }
    endCommand();
  }

  void symbolMode() {
    if (const char c = reader_.peek(); !reader_.atEnd() && c != ';' && static_cast<unsigned char>(c) > ' ') {
      symbol_ = c;
      reader_.advance();
    } else {
      symbol_ = 0;
    }
    endCommand();
  }

  void absoluteSize() {
    const auto w = number(), h = number();
    if (w && h) {
      sizeMode_ = 1;
      charWidth_ = std::clamp(std::fabs(*w) * 400, 1.0, 1e6);
      charHeight_ = std::clamp(std::fabs(*h) * 400, 1.0, 1e6);
    } else {
      sizeMode_ = 0;
    }
  }

  void relativeSize() {
    const auto w = number(), h = number();
    sizeMode_ = 2;
    relativeWidth_ = w ? std::fabs(*w) : 0.75;
    relativeHeight_ = h ? std::fabs(*h) : 1.5;
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
    if (!std::isfinite(angle_)) angle_ = 0;
  }

  void labelOrigin() {
    const int o = wholeNumber(number().value_or(1));
    origin_ = (o >= 1 && o <= 9) || (o >= 11 && o <= 19) || o == 21 ? o : 1;
  }

  void extraSpace() {
    extraX_ = std::clamp(number().value_or(0), -10.0, 10.0);
    extraY_ = std::clamp(number().value_or(0), -10.0, 10.0);
  }

  void characterSet(bool alternate) { fonts_[alternate ? 1 : 0].set = wholeNumber(number().value_or(0)); }

  void fontDefinition(bool alternate) {
    TextFont& f = fonts_[alternate ? 1 : 0];
    for (;;) {
      const auto kind = number(), value = number();
      if (!kind || !value) break;
      switch (wholeNumber(*kind)) {
        case 1: f.set = wholeNumber(*value); break;
        case 2: f.proportional = wholeNumber(*value) == 1; break;
        case 3: f.pitch = std::clamp(*value, 0.1, 1000.0); break;
        case 4: f.height = std::clamp(*value, 0.1, 10000.0); break;
        default: break;
      }
    }
  }

  const TextFont& font() const { return fonts_[alternate_ ? 1 : 0]; }

  // The character cell: the width and cap height of a character, in plotter units.
  std::pair<double, double> characterSize() const {
    switch (sizeMode_) {
      case 1: return {charWidth_, charHeight_};
      case 2:
        return {std::clamp(relativeWidth_ / 100 * std::fabs(p2_.x - p1_.x), 1.0, 1e6),
                std::clamp(relativeHeight_ / 100 * std::fabs(p2_.y - p1_.y), 1.0, 1e6)};
      default: {
        // A font of `height` points and `pitch` characters an inch: a character is two thirds
        // of its cell, and capitals are 0.6655 of the point size (0.27 cm at 11.5 points).
        const TextFont& f = font();
        const double height = f.height * 25.4 / 72 * 0.6655 * 40;
        const double width = f.proportional ? height * kFontBodyWidth / kFontCapHeight : 25.4 / f.pitch * 40 * 2 / 3;
        return {width, height};
      }
    }
  }

  char32_t characterOf(unsigned char b, bool shifted) const {
    const int set = fonts_[shifted ? 1 : 0].set;
    if (b >= 0x80) return hpgl::upperHalfCharacter(set, b);
    for (const NationalSet& n : kNationalSets) {
      const bool match = (set >= 30 && set <= 39 && !hpgl2_) ? set == n.hpgl : set == n.pcl;
      if (!match) continue;
      for (size_t i = 0; i < kNationalPositions.size(); ++i)
        if (kNationalPositions[i] == b) return n.chars[i];
    }
    return b;
  }

  struct TextFrame {
    Point along, up;           // unit vectors of the base line and of up the characters
    double width, height;      // of a character
    double advance, lineFeed;  // fixed advance and line spacing
  };

  TextFrame textFrame() const {
    TextFrame f;
    const double a = angle_;
    f.along = {std::cos(a), std::sin(a)};
    f.up = {-f.along.y, f.along.x};
    std::tie(f.width, f.height) = characterSize();
    f.advance = f.width * 1.5 * (1 + extraX_);
    f.lineFeed = f.height * 2 * (1 + extraY_);
    return f;
  }

  double advanceOf(const TextFrame& f, char32_t c) const {
    if (!font().proportional) return f.advance;
    const Glyph& g = glyphOf(c);
    return (g.right - g.left) * f.width / kFontBodyWidth + extraX_ * f.width * 1.5;
  }

  // Strokes of one character whose cell starts at `origin`.
  void drawCharacter(const TextFrame& f, Point origin, char32_t c) {
    const Glyph& g = glyphOf(c);
    const double xs = f.width / kFontBodyWidth, ys = f.height / kFontCapHeight;
    const double shift = font().proportional ? -g.left * xs : f.width / 2;
    std::vector<std::vector<Point>> lines;
    for (const auto& stroke : g.strokes) {
      auto& line = lines.emplace_back();
      for (const Point& p : stroke) {
        const double x = shift + p.x * xs + slant_ * p.y * ys, y = p.y * ys;
        line.push_back(clamped({origin.x + f.along.x * x + f.up.x * y, origin.y + f.along.y * x + f.up.y * y}));
      }
      if (line.size() == 1) line.push_back({line[0].x + f.along.x, line[0].y + f.along.y});
    }
    emitLines(std::move(lines), true);
  }

  // The offset LO asks for, for a line of `length` along the base line.
  Point originOffset(const TextFrame& f, double length) const {
    const int o = origin_ > 10 ? origin_ - 10 : origin_;
    const int column = (o - 1) / 3, row = (o - 1) % 3;  // column: left, centre, right; row: bottom, middle, top
    double dx = -length * column / 2, dy = -f.height * row / 2;
    if (origin_ > 10) {  // a half character away from the point
      const double gapX = f.width / 2, gapY = f.height / 2;
      dx += column == 0 ? gapX : column == 2 ? -gapX : 0;
      dy += row == 0 ? gapY : row == 2 ? -gapY : 0;
    }
    return {f.along.x * dx + f.up.x * dy, f.along.y * dx + f.up.y * dy};
  }

  void drawText(std::string_view text) {
    if (text.size() > kMaxLabelBytes * 64) text = text.substr(0, kMaxLabelBytes * 64);
    const TextFrame f = textFrame();
    // DV's path turns the direction characters step in by 90 degrees clockwise a step; a
    // vertical path steps by the line spacing. Line feeds go 90 degrees clockwise from the
    // path, or anticlockwise for DV's reverse line feed.
    auto turned = [](Point v, int quarters) {  // clockwise
      for (int i = 0; i < (quarters % 4 + 4) % 4; ++i) v = {v.y, -v.x};
      return v;
    };
    const bool vertical = path_ % 2 == 1;
    const Point direction = turned(f.along, path_);
    const Point step = vertical ? Point{direction.x * f.lineFeed, direction.y * f.lineFeed} : direction;
    const Point across = turned(direction, reverseFeed_ ? -1 : 1);
    const double feedLength = vertical ? f.advance : f.lineFeed;
    const Point feed = {across.x * feedLength, across.y * feedLength};
    bool shifted = alternate_;
    size_t i = 0;
    while (i < text.size() && !full_) {
      // One line up to a CR or LF: measured first for the label origin.
      size_t end = i;
      double length = 0;
      bool sh = shifted;
      while (end < text.size() && text[end] != '\r' && text[end] != '\n') {
        const auto b = static_cast<unsigned char>(text[end]);
        if (b == 0x0E) sh = true;
        if (b == 0x0F) sh = false;
        if (b >= 0x20) length += vertical ? 1 : advanceOf(f, characterOf(b, sh));
        ++end;
      }
      if (!vertical && length > 0 && !font().proportional) length -= f.advance - f.width;  // no space after the last
      const Point offset = vertical || path_ == 2 ? Point{0, 0} : originOffset(f, length);
      Point pen = at_;
      for (; i < end && !full_; ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b == 0x0E || b == 0x0F) {
          shifted = b == 0x0E;
          continue;
        }
        if (b == 0x08) {  // back space
          const double back = vertical ? 1 : f.advance;
          pen = {pen.x - step.x * back, pen.y - step.y * back};
          continue;
        }
        if (b < 0x20) continue;
        const char32_t c = characterOf(b, shifted);
        const double advance = vertical ? 1 : advanceOf(f, c);
        if (c != ' ') drawCharacter(f, {pen.x + offset.x, pen.y + offset.y}, c);
        pen = clamped({pen.x + step.x * advance, pen.y + step.y * advance});
      }
      at_ = pen;
      while (i < text.size() && (text[i] == '\r' || text[i] == '\n')) {
        if (text[i] == '\r') at_ = crPoint_;
        if (text[i] == '\n') {
          at_ = clamped({at_.x + feed.x, at_.y + feed.y});
          crPoint_ = clamped({crPoint_.x + feed.x, crPoint_.y + feed.y});
        }
        ++i;
      }
    }
  }

  // SM: the symbol centred on each point a PA, PD or PR goes to.
  void drawSymbol() {
    const TextFrame f = textFrame();
    const Point centre = {f.along.x * f.width / 2 + f.up.x * f.height / 2,
                          f.along.y * f.width / 2 + f.up.y * f.height / 2};
    drawCharacter(f, {at_.x - centre.x, at_.y - centre.y},
                  characterOf(static_cast<unsigned char>(symbol_), alternate_));
  }

  // CP: moves by character cells; without parameters a carriage return and line feed.
  void characterPlot() {
    const TextFrame f = textFrame();
    const auto spaces = number(), lines = number();
    if (!spaces) {
      at_ = clamped({crPoint_.x - f.up.x * f.lineFeed, crPoint_.y - f.up.y * f.lineFeed});
      crPoint_ = at_;
      return;
    }
    const double s = std::clamp(*spaces, -1e4, 1e4), l = std::clamp(lines.value_or(0), -1e4, 1e4);
    at_ = clamped({at_.x + f.along.x * f.advance * s + f.up.x * f.lineFeed * l,
                   at_.y + f.along.y * f.advance * s + f.up.y * f.lineFeed * l});
    if (l != 0) crPoint_ = clamped({crPoint_.x + f.up.x * f.lineFeed * l, crPoint_.y + f.up.y * f.lineFeed * l});
  }

  // PE: coordinates packed into printable bytes. Flags: ":" pen, "<" pen up for the next
  // point, ">" fractional bits, "=" the next point is absolute, "7" seven-bit bytes.
  void encodedPolyline() {
    bool sevenBit = false, upNext = false, absoluteNext = false;
    int fractionBits = 0;
    auto value = [&]() -> std::optional<double> {
      uint64_t n = 0, weight = 1;
      while (!reader_.atEnd()) {
        const auto c = static_cast<unsigned char>(reader_.peek());
        if (c == ';' || std::strchr(":<>=7", c) != nullptr) return std::nullopt;  // a flag is no digit
        reader_.advance();
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
    while (!reader_.atEnd() && reader_.peek() != ';' && !full_) {
      const char c = reader_.peek();
      if (c == ':') {
        reader_.advance();
        if (auto v = value()) {
          flushLine();
          pen_ = static_cast<int>(std::clamp(*v, 0.0, 255.0));
        }
      } else if (c == '<') {
        reader_.advance();
        upNext = true;
      } else if (c == '>') {
        reader_.advance();
        if (auto v = value()) fractionBits = static_cast<int>(std::clamp(*v, -26.0, 26.0));
      } else if (c == '=') {
        reader_.advance();
        absoluteNext = true;
      } else if (c == '7') {
        reader_.advance();
        sevenBit = true;
      } else if (static_cast<unsigned char>(c) < 63) {
        reader_.advance();  // line ends and other bytes between numbers are stepped over
      } else {
        const auto x = value();
        if (!x) continue;
        const auto y = value();
        if (!y) continue;
        const double f = std::ldexp(1.0, -fractionBits);
        const Point to = absoluteNext ? toPlotter(*x * f, *y * f) : relativeTo(at_, *x * f, *y * f);
        moveTo(to, !upNext);
        upNext = absoluteNext = false;
      }
    }
    if (reader_.peek() == ';') reader_.advance();
    penDown_ = false;
    flushLine();
  }

  Drawing finish() {
    Drawing d;
    while (pages_.size() > 1 && pages_.back().shapes.empty()) pages_.pop_back();
    for (Plot& plot : pages_) {
      for (Shape& s : plot.shapes) {
        for (const auto& path : s.paths)
          for (const Point& p : path) plot.bounds.add(p);
      }
    }
    d.pages = std::move(pages_);
    d.unknownCommands = unknown_;
    d.ignoredCommands = ignored_;
    d.hpgl2 = hpgl2_;
    d.truncated = truncated_;
    return d;
  }

  hpgl::Reader reader_;
  bool carousel_ = false;
  bool full_ = false;
  bool truncated_ = false;
  bool hpgl2_ = false;
  size_t points_ = 0;
  int unknown_ = 0;
  int ignored_ = 0;
  std::vector<Plot> pages_;
  std::vector<Point> line_;  // the line being drawn

  Point at_;
  bool penDown_ = false;
  bool relative_ = false;
  int pen_ = 1;
  int pens_ = 8;
  std::array<uint32_t, 256> palette_ = [] {
    std::array<uint32_t, 256> p{};
    for (int i = 0; i < 256; ++i) p[static_cast<size_t>(i)] = penColor(i);
    return p;
  }();
  std::array<double, 6> range_ = {0, 255, 0, 255, 0, 255};
  std::array<double, 256> widths_{};
  bool relativeWidths_ = false;
  LineEnd end_ = LineEnd::Butt;
  LineJoin join_ = LineJoin::Miter;
  double miterLimit_ = 5;
  int lineType_ = 0;
  bool adaptive_ = false, dotsOnly_ = false;
  double patternPercent_ = 4, patternAbsoluteMm_ = 0;
  // Where a fixed line type's pattern has got to: its element, and how far into it.
  size_t element_ = 0;
  double into_ = 0;
  std::array<std::vector<double>, 9> userPattern_;
  int fillType_ = 1;
  double hatchSpacing_ = 0, hatchAngle_ = 0, shade_ = 100;
  int rasterIndex_ = 1;
  std::map<int, std::vector<int>> pattern_;
  Point anchor_;
  bool transparent_ = true;
  bool polygonMode_ = false, penBeforePolygon_ = false;
  std::vector<Ring> polygon_;

  Rect hardClip_;
  bool plotSizeGiven_ = false;
  std::optional<Rect> window_;
  bool scaled_ = false;
  int scaleType_ = 0;
  double left_ = 50, bottom_ = 50;
  std::array<double, 4> user_{};
  double sx_ = 1, sy_ = 1, ox_ = 0, oy_ = 0;
  Point p1_, p2_;
  int rotation_ = 0;

  char terminator_ = '\x03';
  bool terminatorPrinted_ = false;
  std::array<TextFont, 2> fonts_;
  bool alternate_ = false;
  int sizeMode_ = 0;  // 0 the font's, 1 SI, 2 SR
  double charWidth_ = 76, charHeight_ = 108, relativeWidth_ = 0.75, relativeHeight_ = 1.5;
  double angle_ = 0, slant_ = 0, extraX_ = 0, extraY_ = 0;
  int path_ = 0;  // DV: 0 right, 1 down, 2 left, 3 up
  bool reverseFeed_ = false;
  int origin_ = 1;
  char symbol_ = 0;
  Point crPoint_;
  std::string buffer_;
};

}  // namespace

// Whether a file is HP-GL/2 shows only as it is read (a PW or PC may come last), so a file
// that turns out to be HP-GL is read once more with a carousel's pens.
Drawing interpretHpgl(std::string_view bytes) {
  Drawing d = Interpreter(bytes, false).run();
  if (d.hpgl2) return d;
  return Interpreter(bytes, true).run();
}

bool looksLikeHpgl(std::string_view bytes) {
  // Blanks, and the control bytes pen-plotter drivers start with (ETX to end any label left
  // open, NUL padding), come before the first command or escape.
  size_t p = 0;
  auto skipped = [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return std::isspace(u) || (u < 0x20 && c != kEsc);
  };
  while (p < bytes.size() && p < 4096 && skipped(bytes[p])) ++p;
  if (p >= bytes.size()) return false;
  if (bytes[p] == kEsc || bytes.substr(p, 4) == "@PJL") return true;
  return p + 1 < bytes.size() && std::isupper(static_cast<unsigned char>(bytes[p])) &&
         std::isupper(static_cast<unsigned char>(bytes[p + 1]));
}

}  // namespace refconv
