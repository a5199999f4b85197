// An HP-GL and HP-GL/2 interpreter: plotter files in, a drawing of strokes and labels out.
// It reads what plotter files in the wild use and steps over the rest; whatever the bytes,
// it ends, and what it returns is finite and bounded.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace refconv {

struct Point {
  double x = 0, y = 0;  // plotter units (0.025 mm), y upwards
};

struct Bounds {
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  bool empty = true;
  void add(Point p);
  double width() const { return empty ? 0 : maxX - minX; }
  double height() const { return empty ? 0 : maxY - minY; }
};

struct Stroke {
  int pen = 1;
  double widthMm = 0.35;
  int lineType = 0;      // 0 solid; 1..8 the dashed patterns of LT
  double patternMm = 0;  // length of one dash pattern, 0 for solid
  bool filled = false;   // a closed area filled with the pen's colour
  std::vector<Point> points;
};

struct Label {
  int pen = 1;
  Point at;              // the start of the text's base line
  std::string text;      // bytes as plotted (ASCII or Latin-1)
  double heightPlu = 0;  // cap height
  double widthPlu = 0;   // character width
  double angleRad = 0;   // direction of the base line
};

struct Drawing {
  std::vector<Stroke> strokes;
  std::vector<Label> labels;
  Bounds bounds;            // everything drawn, labels included
  int unknownCommands = 0;  // mnemonics stepped over
};

// The colour of a pen as 0xRRGGBB (HP-GL/2's default palette; pens beyond it cycle).
uint32_t penColor(int pen);

// Interprets a whole file. Files wrapped in PCL (HP-GL/2 behind ESC%#B) are unwrapped.
Drawing interpretHpgl(std::string_view bytes);

// Whether bytes look like a plotter file at all (a PCL escape, or a two-letter mnemonic
// after blanks), so that other files are refused instead of drawn as nothing.
bool looksLikeHpgl(std::string_view bytes);

}  // namespace refconv
