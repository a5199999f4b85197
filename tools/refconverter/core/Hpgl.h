// An HP-GL and HP-GL/2 interpreter: plotter files in, pages of stroked lines and filled
// areas out. Everything a plotter would draw is resolved here (dashes, hatching, the clip
// window, the stroke font of labels, pen colours), so that every writer only strokes and
// fills what it is given and all outputs agree. Whatever the bytes, it ends, and what it
// returns is finite and bounded.
#pragma once

#include <cstdint>
#include <memory>
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

// The line attributes of LA.
enum class LineEnd : uint8_t { Butt, Square, Triangle, Round };
enum class LineJoin : uint8_t { Miter, MiterBevel, Triangle, Round, Bevel, None };

// Pixels shown on a plot (a PDF's image): the picture's top left corner at `origin`, its top
// edge along `across` and its left edge along `down`, so that it may be turned, mirrored or
// sheared as the page placed it.
struct Bitmap {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;    // 3 bytes a pixel, top row first
  std::vector<uint8_t> alpha;  // a byte a pixel (255 opaque); empty when every pixel is opaque
  Point origin, across, down;  // plotter units
};

// Lines of one pen and style, or areas of one colour, or a picture.
struct Shape {
  int pen = 1;
  uint32_t color = 0;     // 0xRRGGBB
  bool fill = false;      // paths are closed areas to fill; otherwise lines to stroke
  bool evenOdd = true;    // the fill rule (FP 0), or non-zero winding (FP 1)
  double widthMm = 0.35;  // the pen width of lines
  LineEnd end = LineEnd::Butt;
  LineJoin join = LineJoin::Miter;
  double miterLimit = 5;  // miter length / pen width
  std::vector<std::vector<Point>> paths;
  std::shared_ptr<const Bitmap> image;  // set: the shape shows these pixels and has no paths
  // A translucent paint (a PDF's constant alpha): `color` is how it looks on white paper, for
  // the formats without transparency; those with it paint `ink` at `opacity`.
  float opacity = 1;
  uint32_t ink = 0;
};

// One plot: what is drawn between two page advances (PG, FR).
struct Plot {
  std::vector<Shape> shapes;
  Bounds bounds;  // of every point drawn
  // A page of its own size (a PDF page), from 0,0; empty for a plot, whose page is what it draws.
  Bounds frame;
};

struct Drawing {
  std::vector<Plot> pages;  // at least one, maybe empty
  int unknownCommands = 0;  // mnemonics stepped over
  int ignoredCommands = 0;  // commands with a parameter beyond HP-GL/2's range, ignored as a plotter does
  bool hpgl2 = false;       // HP-GL/2 commands or a PCL wrapper were seen
  bool truncated = false;   // a limit on points, shapes or pages was reached
  bool empty() const;
  bool hasImages() const;
};

// HP-GL/2's default palette: 0 white, 1 black, 2 red, 3 green, 4 yellow, 5 blue,
// 6 magenta, 7 cyan; higher pens repeat 1 to 7.
uint32_t penColor(int pen);
// The colours of a pen plotter's carousel of eight pens, for HP-GL files.
uint32_t carouselColor(int pen);

// Interprets a whole file. Files wrapped in PCL or PJL are unwrapped; the pen plotters'
// device-control escapes are stepped over.
Drawing interpretHpgl(std::string_view bytes);

// Whether bytes look like a plotter file at all (an escape, a PJL line, or a two-letter
// mnemonic after blanks), so that other files are refused instead of drawn as nothing.
bool looksLikeHpgl(std::string_view bytes);

}  // namespace refconv
