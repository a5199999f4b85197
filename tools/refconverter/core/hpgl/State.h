// What an HP-GL plotter remembers between commands, as plain structs, one for each part
// of the state that IN and DF treat alike. The member initialisers are the defaults the
// HP-GL/2 manual gives; `resetPart` and `kResetBy` are the only other place defaults live.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "../Hpgl.h"
#include "Geometry.h"

namespace refconv::hpgl {

// How PA, PR, PU and PD move the pen.
struct PenMode {
  bool down = false;
  bool relative = false;
};

// NP, PC and CR: the palette.
struct Palette {
  int pens = 8;
  std::array<uint32_t, 256> colors = [] {
    std::array<uint32_t, 256> p{};
    for (int i = 0; i < 256; ++i) p[static_cast<size_t>(i)] = penColor(i);
    return p;
  }();
  std::array<double, 6> range = {0, 255, 0, 255, 0, 255};
};

// PW and WU: pen widths in millimetres.
struct PenWidths {
  bool relative = false;
  std::array<double, 256> mm = [] {
    std::array<double, 256> w{};
    w.fill(0.35);
    return w;
  }();
};

// LA. A carousel's pens draw with round tips: its defaults are round ends and joins.
struct LineEnds {
  LineEnd end = LineEnd::Butt;
  LineJoin join = LineJoin::Miter;
  double miterLimit = 5;
};

// The default dash patterns of LT 1..8: on, off, on, off... as fractions of the pattern.
const std::vector<double>& defaultPattern(int type);

// LT and UL, and where a fixed pattern has got to along the lines drawn.
struct LineType {
  int type = 0;  // 0 solid, 1..8 a pattern
  bool adaptive = false, dotsOnly = false;
  double percent = 4, absoluteMm = 0;  // the pattern's length: of the P1-P2 diagonal, or in mm
  size_t element = 0;                  // the pattern's element the pen is in
  double into = 0;                     // and how far into it
  std::array<std::vector<double>, 9> patterns = [] {
    std::array<std::vector<double>, 9> p;
    for (int i = 0; i < 9; ++i) p[static_cast<size_t>(i)] = defaultPattern(i);
    return p;
  }();
};

// FT, AC and TR.
struct Fill {
  int type = 1;  // 1, 2 solid; 3 hatching; 4 cross-hatching; 10 shading; 11 a raster pattern
  double spacing = 0, angle = 0, shade = 100;
  int rasterIndex = 1;
  Point anchor;
  bool transparent = true;  // white draws nothing
};

// RF's raster patterns, kept only as the pens of their pixels.
using RasterPatterns = std::map<int, std::vector<int>>;

// A polygon buffer's ring, and whether the edge into each point was drawn with the pen down.
struct Ring {
  std::vector<Point> points;
  std::vector<char> drawn;
};

// PM: polygon mode and its buffer.
struct Polygon {
  bool active = false, penWasDown = false;
  std::vector<Ring> rings;
};

struct TextFont {
  int set = 0;
  bool proportional = false;
  double pitch = 9;      // characters an inch, for fixed spacing
  double height = 11.5;  // points
};

// Everything labels are drawn with.
struct Labels {
  char terminator = '\x03';
  bool terminatorPrinted = false;
  std::array<TextFont, 2> fonts;  // standard and alternate
  bool alternate = false;
  int sizeMode = 0;  // 0 the font's, 1 SI, 2 SR
  double charWidth = 76, charHeight = 108, relativeWidth = 0.75, relativeHeight = 1.5;
  double angle = 0, slant = 0, extraX = 0, extraY = 0;
  int path = 0;  // DV: 0 right, 1 down, 2 left, 3 up
  bool reverseFeed = false;
  int origin = 1;
  char symbol = 0;  // SM
  Point crPoint;    // where a carriage return goes back to
};

// The parts IN and DF reset as a whole.
enum class Part : uint8_t {
  None,  // the command sets nothing that is kept
  Paper,
  ScalingPoints,  // P1 and P2
  Scaling,        // SC and IW
  Position,       // where the pen is
  PenMode,
  Pen,  // the selected pen
  Palette,
  PenWidths,
  LineEnds,
  LineType,
  Fill,
  Patterns,  // RF's
  Polygon,
  Labels,
  LabelBuffer,  // BL's text
  Count
};

struct ResetBy {
  bool in, df;
};
// Which of IN and DF return each part to its default.
inline constexpr std::array<ResetBy, static_cast<size_t>(Part::Count)> kResetBy = {{
    {false, false},  // None
    {true, false},   // Paper
    {true, false},   // ScalingPoints
    {true, true},    // Scaling
    {true, false},   // Position
    {true, true},    // PenMode
    {true, false},   // Pen
    {true, false},   // Palette
    {true, true},    // PenWidths
    {true, true},    // LineEnds
    {true, true},    // LineType
    {true, true},    // Fill
    {true, true},    // Patterns
    {true, true},    // Polygon
    {true, true},    // Labels
    {false, false},  // LabelBuffer
}};

struct State {
  bool carousel = false;  // the pens are a pen plotter's carousel
  Paper paper;
  Scaling scaling;
  Point at;  // where the pen is
  PenMode mode;
  int pen = 1;
  Palette palette;
  PenWidths widths;
  LineEnds ends;
  LineType lineType;
  Fill fill;
  RasterPatterns rasterPatterns;
  Polygon polygon;
  Labels labels;
  std::string labelBuffer;
};

// One part back to its default. Parts are reset in their order, so a later part can start
// from an earlier one (P1 and P2 from the paper, the carriage-return point from the pen).
void resetPart(State& state, Part part);
// IN (`initialize`) or DF: every part they reset, in order.
void reset(State& state, bool initialize);

}  // namespace refconv::hpgl
