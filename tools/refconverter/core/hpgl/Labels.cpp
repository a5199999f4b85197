#include "Labels.h"

#include <tuple>

#include "../StrokeFont.h"
#include "SymbolSets.h"

namespace refconv::hpgl {

namespace {

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

// The characters of one label as the label commands lay them out.
class Lettering {
 public:
  Lettering(const Labels& labels, const Scaling& scaling, bool hpgl2) : l_(labels), hpgl2_(hpgl2) {
    along = {std::cos(l_.angle), std::sin(l_.angle)};
    up = {-along.y, along.x};
    std::tie(width, height) = characterSize(scaling);
    advance = width * 1.5 * (1 + l_.extraX);
    lineFeed = height * 2 * (1 + l_.extraY);
  }

  Point along, up;           // unit vectors of the base line and of up the characters
  double width, height;      // of a character
  double advance, lineFeed;  // fixed advance and line spacing

  const TextFont& font() const { return l_.fonts[l_.alternate ? 1 : 0]; }
  char32_t character(unsigned char b, bool shifted) const { return characterOf(l_, b, shifted, hpgl2_); }

  double advanceOf(char32_t c) const {
    if (!font().proportional) return advance;
    const Glyph& g = glyphOf(c);
    return (g.right - g.left) * width / kFontBodyWidth + l_.extraX * width * 1.5;
  }

  // Strokes of one character whose cell starts at `origin`.
  void draw(Point origin, char32_t c, LineSink& sink) const {
    const Glyph& g = glyphOf(c);
    const double xs = width / kFontBodyWidth, ys = height / kFontCapHeight;
    const double shift = font().proportional ? -g.left * xs : width / 2;
    std::vector<std::vector<Point>> lines;
    for (const auto& stroke : g.strokes) {
      auto& line = lines.emplace_back();
      for (const Point& p : stroke) {
        const double x = shift + p.x * xs + l_.slant * p.y * ys, y = p.y * ys;
        line.push_back(clamped({origin.x + along.x * x + up.x * y, origin.y + along.y * x + up.y * y}));
      }
      if (line.size() == 1) line.push_back({line[0].x + along.x, line[0].y + along.y});
    }
    sink.lines(std::move(lines), true);
  }

  // The offset LO asks for, for a line of `length` along the base line.
  Point originOffset(double length) const {
    const int o = l_.origin > 10 ? l_.origin - 10 : l_.origin;
    const int column = (o - 1) / 3, row = (o - 1) % 3;  // column: left, centre, right; row: bottom, middle, top
    double dx = -length * column / 2, dy = -height * row / 2;
    if (l_.origin > 10) {  // a half character away from the point
      const double gapX = width / 2, gapY = height / 2;
      dx += column == 0 ? gapX : column == 2 ? -gapX : 0;
      dy += row == 0 ? gapY : row == 2 ? -gapY : 0;
    }
    return {along.x * dx + up.x * dy, along.y * dx + up.y * dy};
  }

 private:
  // The character cell: the width and cap height of a character, in plotter units.
  std::pair<double, double> characterSize(const Scaling& s) const {
    switch (l_.sizeMode) {
      case 1: return {l_.charWidth, l_.charHeight};
      case 2:
        return {std::clamp(l_.relativeWidth / 100 * std::fabs(s.p2.x - s.p1.x), 1.0, 1e6),
                std::clamp(l_.relativeHeight / 100 * std::fabs(s.p2.y - s.p1.y), 1.0, 1e6)};
      default: {
        // A font of `height` points and `pitch` characters an inch: a character is two thirds
        // of its cell, and capitals are 0.6655 of the point size (0.27 cm at 11.5 points).
        const TextFont& f = font();
        const double h = f.height * 25.4 / 72 * 0.6655 * 40;
        const double w = f.proportional ? h * kFontBodyWidth / kFontCapHeight : 25.4 / f.pitch * 40 * 2 / 3;
        return {w, h};
      }
    }
  }

  const Labels& l_;
  bool hpgl2_;
};

}  // namespace

char32_t characterOf(const Labels& labels, unsigned char b, bool shifted, bool hpgl2) {
  const int set = labels.fonts[shifted ? 1 : 0].set;
  if (b >= 0x80) return upperHalfCharacter(set, b);
  for (const NationalSet& n : kNationalSets) {
    const bool match = (set >= 30 && set <= 39 && !hpgl2) ? set == n.hpgl : set == n.pcl;
    if (!match) continue;
    for (size_t i = 0; i < kNationalPositions.size(); ++i)
      if (kNationalPositions[i] == b) return n.chars[i];
  }
  return b;
}

void drawText(std::string_view text, Labels& labels, const Scaling& scaling, bool hpgl2, Point& at, LineSink& sink) {
  if (text.size() > kMaxLabelBytes * 64) text = text.substr(0, kMaxLabelBytes * 64);
  const Lettering f(labels, scaling, hpgl2);
  // DV's path turns the direction characters step in by 90 degrees clockwise a step; a
  // vertical path steps by the line spacing. Line feeds go 90 degrees clockwise from the
  // path, or anticlockwise for DV's reverse line feed.
  auto turned = [](Point v, int quarters) {  // clockwise
    for (int i = 0; i < (quarters % 4 + 4) % 4; ++i) v = {v.y, -v.x};
    return v;
  };
  const bool vertical = labels.path % 2 == 1;
  const Point direction = turned(f.along, labels.path);
  const Point step = vertical ? Point{direction.x * f.lineFeed, direction.y * f.lineFeed} : direction;
  const Point across = turned(direction, labels.reverseFeed ? -1 : 1);
  const double feedLength = vertical ? f.advance : f.lineFeed;
  const Point feed = {across.x * feedLength, across.y * feedLength};
  bool shifted = labels.alternate;
  size_t i = 0;
  while (i < text.size() && !sink.full()) {
    // One line up to a CR or LF: measured first for the label origin.
    size_t end = i;
    double length = 0;
    bool sh = shifted;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') {
      const auto b = static_cast<unsigned char>(text[end]);
      if (b == 0x0E) sh = true;
      if (b == 0x0F) sh = false;
      if (b >= 0x20) length += vertical ? 1 : f.advanceOf(f.character(b, sh));
      ++end;
    }
    if (!vertical && length > 0 && !f.font().proportional) length -= f.advance - f.width;  // no space after the last
    const Point offset = vertical || labels.path == 2 ? Point{0, 0} : f.originOffset(length);
    Point pen = at;
    for (; i < end && !sink.full(); ++i) {
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
      const char32_t c = f.character(b, shifted);
      const double advance = vertical ? 1 : f.advanceOf(c);
      if (c != ' ') f.draw({pen.x + offset.x, pen.y + offset.y}, c, sink);
      pen = clamped({pen.x + step.x * advance, pen.y + step.y * advance});
    }
    at = pen;
    Point& cr = labels.crPoint;
    while (i < text.size() && (text[i] == '\r' || text[i] == '\n')) {
      if (text[i] == '\r') at = cr;
      if (text[i] == '\n') {
        at = clamped({at.x + feed.x, at.y + feed.y});
        cr = clamped({cr.x + feed.x, cr.y + feed.y});
      }
      ++i;
    }
  }
}

void drawSymbol(const Labels& labels, const Scaling& scaling, bool hpgl2, Point at, LineSink& sink) {
  const Lettering f(labels, scaling, hpgl2);
  const Point centre = {f.along.x * f.width / 2 + f.up.x * f.height / 2,
                        f.along.y * f.width / 2 + f.up.y * f.height / 2};
  f.draw({at.x - centre.x, at.y - centre.y}, f.character(static_cast<unsigned char>(labels.symbol), labels.alternate),
         sink);
}

void labelTerminator(Reader& in, Labels& labels) {
  if (const char c = in.peek(); !in.atEnd() && c != ';' && c != kEsc && c != '\n' && c != '\0') {
    labels.terminator = c;
    in.advance();
    in.skipSeparators();
    labels.terminatorPrinted = wholeNumber(in.number().value_or(1)) == 0;
  } else {
    labels.terminator = '\x03';
    labels.terminatorPrinted = false;
  }
  in.endCommand();
}

void symbolMode(Reader& in, Labels& labels) {
  if (const char c = in.peek(); !in.atEnd() && c != ';' && static_cast<unsigned char>(c) > ' ') {
    labels.symbol = c;
    in.advance();
  } else {
    labels.symbol = 0;
  }
  in.endCommand();
}

void absoluteSize(Reader& in, Labels& labels) {
  const auto w = in.number(), h = in.number();
  if (w && h) {
    labels.sizeMode = 1;
    labels.charWidth = std::clamp(std::fabs(*w) * 400, 1.0, 1e6);
    labels.charHeight = std::clamp(std::fabs(*h) * 400, 1.0, 1e6);
  } else {
    labels.sizeMode = 0;
  }
}

void relativeSize(Reader& in, Labels& labels) {
  const auto w = in.number(), h = in.number();
  labels.sizeMode = 2;
  labels.relativeWidth = w ? std::fabs(*w) : 0.75;
  labels.relativeHeight = h ? std::fabs(*h) : 1.5;
}

void direction(Reader& in, Labels& labels, const Scaling& scaling, bool relative) {
  const auto run = in.number(), rise = in.number();
  if (!run || !rise || (*run == 0 && *rise == 0)) {
    labels.angle = 0;
    return;
  }
  const double x = relative ? *run * (scaling.p2.x - scaling.p1.x) : *run;
  const double y = relative ? *rise * (scaling.p2.y - scaling.p1.y) : *rise;
  labels.angle = std::atan2(y, x);
  if (!std::isfinite(labels.angle)) labels.angle = 0;
}

void directionOfPath(Reader& in, Labels& labels) {
  labels.path = std::clamp(wholeNumber(in.number().value_or(0)), 0, 3);
  labels.reverseFeed = wholeNumber(in.number().value_or(0)) == 1;
}

void labelOrigin(Reader& in, Labels& labels) {
  const int o = wholeNumber(in.number().value_or(1));
  labels.origin = (o >= 1 && o <= 9) || (o >= 11 && o <= 19) || o == 21 ? o : 1;
}

void extraSpace(Reader& in, Labels& labels) {
  labels.extraX = std::clamp(in.number().value_or(0), -10.0, 10.0);
  labels.extraY = std::clamp(in.number().value_or(0), -10.0, 10.0);
}

void characterSet(Reader& in, Labels& labels, bool alternate) {
  labels.fonts[alternate ? 1 : 0].set = wholeNumber(in.number().value_or(0));
}

void fontDefinition(Reader& in, Labels& labels, bool alternate) {
  TextFont& f = labels.fonts[alternate ? 1 : 0];
  for (;;) {
    const auto kind = in.number(), value = in.number();
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

// CP: moves by character cells; without parameters a carriage return and line feed.
void characterPlot(Reader& in, Labels& labels, const Scaling& scaling, Point& at) {
  const Lettering f(labels, scaling, false);
  const auto spaces = in.number(), lines = in.number();
  Point& cr = labels.crPoint;
  if (!spaces) {
    at = clamped({cr.x - f.up.x * f.lineFeed, cr.y - f.up.y * f.lineFeed});
    cr = at;
    return;
  }
  const double s = std::clamp(*spaces, -1e4, 1e4), l = std::clamp(lines.value_or(0), -1e4, 1e4);
  at = clamped({at.x + f.along.x * f.advance * s + f.up.x * f.lineFeed * l,
                at.y + f.along.y * f.advance * s + f.up.y * f.lineFeed * l});
  if (l != 0) cr = clamped({cr.x + f.up.x * f.lineFeed * l, cr.y + f.up.y * f.lineFeed * l});
}

}  // namespace refconv::hpgl
