// The converter's interpreter and writers.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <tuple>

#include "core/CommandFile.h"
#include "core/Hpgl.h"
#include "core/PclRaster.h"
#include "core/Raster.h"
#include "core/Render.h"

namespace refconv {
namespace {

// The lines of the first page, one a path, in the order drawn.
std::vector<std::vector<Point>> linesOf(const Drawing& d, bool fills = false) {
  std::vector<std::vector<Point>> lines;
  for (const Shape& s : d.pages.at(0).shapes)
    if (s.fill == fills) lines.insert(lines.end(), s.paths.begin(), s.paths.end());
  return lines;
}

std::vector<Point> pointsOf(const Drawing& d, size_t line = 0) {
  const auto lines = linesOf(d);
  return line < lines.size() ? lines[line] : std::vector<Point>{};
}

const Shape& shapeOf(const Drawing& d, size_t i = 0) { return d.pages.at(0).shapes.at(i); }

void expectPoints(const std::vector<Point>& actual, std::vector<Point> expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < actual.size(); ++i) {
    EXPECT_NEAR(actual[i].x, expected[i].x, 1e-6) << i;
    EXPECT_NEAR(actual[i].y, expected[i].y, 1e-6) << i;
  }
}

TEST(HpglTest, TerminatorsAndSeparatorsAreOptional) {
  for (const char* file : {"IN;SP1;PU0,0;PD100,0,100,100;PU;", "IN SP1 PU0 0 PD100 0 100 100 PU",
                           "in;sp1;pu 0,0;pd 100, 0 ,100,+100;", "IN;SP1;PU0,0PD100,0,100,100\n"}) {
    const Drawing d = interpretHpgl(file);
    ASSERT_EQ(linesOf(d).size(), 1u) << file;
    expectPoints(pointsOf(d), {{0, 0}, {100, 0}, {100, 100}});
  }
}

TEST(HpglTest, AbsoluteAndRelativeMoves) {
  const Drawing d = interpretHpgl("IN;SP2;PA100,100;PD;PR50,0,0,50;PA0,0;PU;PR10,10;PD10,0;");
  ASSERT_EQ(linesOf(d).size(), 2u);
  expectPoints(pointsOf(d, 0), {{100, 100}, {150, 100}, {150, 150}, {0, 0}});
  expectPoints(pointsOf(d, 1), {{10, 10}, {20, 10}});
  EXPECT_EQ(shapeOf(d).pen, 2);
  EXPECT_DOUBLE_EQ(d.pages[0].bounds.maxX, 150);
}

TEST(HpglTest, PenZeroAndPenUpDrawNothing) {
  for (const char* file : {"IN;SP0;PD100,100;", "IN;SP1;PU100,100,200,200;", "", ";;;   \r\n",
                           "IN;PW0.5;SP0;PD100,100;"})  // HP-GL/2's white pen is transparent (TR1)
    EXPECT_TRUE(interpretHpgl(file).empty()) << file;
  // Opaque, white draws white.
  EXPECT_EQ(shapeOf(interpretHpgl("IN;TR0;SP0;PD100,100;")).color, 0xFFFFFFu);
}

TEST(HpglTest, CirclesAndArcsFollowTheChordAngle) {
  Drawing d = interpretHpgl("IN;SP1;PA100,100;CI50;");
  ASSERT_EQ(linesOf(d).size(), 1u);
  EXPECT_EQ(pointsOf(d).size(), 73u);  // 360 / 5 degrees, closed
  for (const Point& p : pointsOf(d)) EXPECT_NEAR(std::hypot(p.x - 100, p.y - 100), 50, 1e-6);
  EXPECT_EQ(pointsOf(interpretHpgl("IN;SP1;PA0,0;CI50,30;")).size(), 13u);
  EXPECT_EQ(pointsOf(interpretHpgl("IN;SP1;CI50,0.001;")).size(), 721u);  // at least half a degree

  // A quarter arc around (0,0) from (100,0), counter-clockwise, 10 degree chords.
  d = interpretHpgl("IN;SP1;PA100,0;PD;AA0,0,90,10;");
  ASSERT_EQ(linesOf(d).size(), 1u);
  const auto arc = pointsOf(d);
  ASSERT_EQ(arc.size(), 10u);
  EXPECT_NEAR(arc.back().x, 0, 1e-6);
  EXPECT_NEAR(arc.back().y, 100, 1e-6);
  // The same with the centre relative, clockwise; with the pen up it only moves.
  d = interpretHpgl("IN;SP1;PA100,0;PD;AR-100,0,-90;PU;AA0,0,90;PD;PR1,0;");
  EXPECT_NEAR(pointsOf(d, 0).back().y, -100, 1e-6);
  EXPECT_NEAR(linesOf(d).back().front().x, 100, 1e-6);  // back at (100,0) after the quarter
  // AT: from the pen through (100,100) to (200,0): a half circle round (100,0), clockwise.
  d = interpretHpgl("IN;SP1;PA0,0;PD;AT100,100,200,0;PU;PA0,500;PD;RT10,10,20,20;");
  for (const Point& p : pointsOf(d, 0)) EXPECT_NEAR(std::hypot(p.x - 100, p.y), 100, 1e-6);
  EXPECT_GT(pointsOf(d, 0)[1].y, 0);
  expectPoints(pointsOf(d, 1), {{0, 500}, {10, 510}, {20, 520}});  // points on one line: a line
  // BZ ends at its end point, leaves the start towards the first control point.
  d = interpretHpgl("IN;SP1;PA0,0;PD;BZ0,100,100,100,100,0;PU;PA0,1000;PD;BR0,10,10,10,10,0;");
  EXPECT_NEAR(pointsOf(d, 0).back().x, 100, 1e-9);
  EXPECT_NEAR(pointsOf(d, 0)[1].x, 0, 5);
  EXPECT_NEAR(pointsOf(d, 1).back().x, 10, 1e-9);
  EXPECT_NEAR(pointsOf(d, 1).back().y, 1000, 1e-9);
}

TEST(HpglTest, RectanglesAndWedges) {
  Drawing d = interpretHpgl("IN;SP1;PA10,10;EA110,60;RR20,20;");
  ASSERT_EQ(d.pages[0].shapes.size(), 2u);
  expectPoints(pointsOf(d, 0), {{10, 10}, {110, 10}, {110, 60}, {10, 60}, {10, 10}});
  EXPECT_FALSE(shapeOf(d, 0).fill);
  EXPECT_TRUE(shapeOf(d, 1).fill);
  d = interpretHpgl("IN;SP1;PA0,0;WG100,0,90;");
  ASSERT_EQ(linesOf(d, true).size(), 1u);
  EXPECT_NEAR(linesOf(d, true)[0][1].x, 100, 1e-6);
  // A whole circle's wedge has no radii.
  const auto circle = linesOf(interpretHpgl("IN;SP1;PA0,0;WG100,0,360;"), true);
  for (const Point& p : circle.at(0)) EXPECT_NEAR(std::hypot(p.x, p.y), 100, 1e-6);
}

TEST(HpglTest, ScalingMapsUserUnitsOntoP1P2) {
  // User 0..100 x 0..100 onto 1000..2000 x 1000..3000: anisotropic.
  Drawing d = interpretHpgl("IN;IP1000,1000,2000,3000;SC0,100,0,100;SP1;PU0,0;PD100,100;");
  expectPoints(pointsOf(d), {{1000, 1000}, {2000, 3000}});
  // Isotropic: the smaller factor (10), centred in the spare height.
  d = interpretHpgl("IN;IP1000,1000,2000,3000;SC0,100,0,100,1;SP1;PU0,0;PD100,100;");
  expectPoints(pointsOf(d), {{1000, 1500}, {2000, 2500}});
  // Anisotropic scaling makes a circle an ellipse: its radius is in user units.
  d = interpretHpgl("IN;IP0,0,2000,1000;SC0,100,0,100;SP1;PA50,50;CI10;");
  EXPECT_NEAR(d.pages[0].bounds.width(), 400, 1e-6);
  EXPECT_NEAR(d.pages[0].bounds.height(), 200, 1e-6);
  // Point factor, and relative moves scaled too; SC without parameters turns it off.
  d = interpretHpgl("IN;IP0,0;SC0,2,0,3,2;SP1;PU10,10;PD;PR1,1;SC;PA5,5;");
  expectPoints(pointsOf(d), {{20, 30}, {22, 33}, {5, 5}});
}

// Labels are strokes of the stick font: an H is its body width (the character width)
// wide and the cap height high, and the cell is 1.5 character widths.
TEST(HpglTest, LabelsAreStrokedInThePlottersFont) {
  Drawing d = interpretHpgl("IN;SP3;PA100,200;SI0.5,1.0;LBHH\x03");
  const Bounds text = d.pages[0].bounds;
  EXPECT_NEAR(text.minX, 100, 1e-6);
  EXPECT_NEAR(text.maxX, 100 + 300 + 200, 1e-6);
  EXPECT_NEAR(text.minY, 200, 1e-6);
  EXPECT_NEAR(text.maxY, 200 + 400, 1e-6);
  d = interpretHpgl("IN;SP3;PA100,200;SI0.5,1.0;LBHH\x03PD0,0;");
  EXPECT_EQ(shapeOf(d).color, carouselColor(3));
  EXPECT_EQ(shapeOf(d).end, LineEnd::Round);
  expectPoints(linesOf(d).back(), {{100 + 600, 200}, {0, 0}});  // the pen ends after the label
  // A direction and size with exponents, as PostScript-to-HP-GL converters write them: read as
  // their values, the label runs upwards at its size, as with the plain numbers.
  const Bounds upwards = interpretHpgl("IN;SP3;PA100,200;SI0.5,1.0;DI4.48966e-09,1E+2;LBHH\x03").pages[0].bounds;
  const Bounds plain = interpretHpgl("IN;SP3;PA100,200;SI0.5,1.0;DI0,100;LBHH\x03").pages[0].bounds;
  EXPECT_GT(plain.height(), plain.width());
  for (const auto& [a, b] :
       {std::pair{upwards.minX, plain.minX}, {upwards.maxX, plain.maxX}, {upwards.maxY, plain.maxY}})
    EXPECT_NEAR(a, b, 1e-3);

  struct Case {
    const char* file;
    double minX, minY, maxX, maxY;
  } cases[] = {
      // Label origins: left, centre, right by bottom, middle, top; 11-19 half a cell off.
      {"LO1;LBH", 0, 0, 200, 400},          {"LO2;LBH", 0, -200, 200, 200},        {"LO3;LBH", 0, -400, 200, 0},
      {"LO5;LBH", -100, -200, 100, 200},    {"LO7;LBH", -200, 0, 0, 400},          {"LO9;LBH", -200, -400, 0, 0},
      {"LO11;LBH", 100, 200, 300, 600},     {"LO15;LBH", -100, -200, 100, 200},    {"LO19;LBH", -300, -600, -100, -200},
      {"LO4;LBHH", -250, 0, 250, 400},  // centred on both characters, not the space after them
      {"LBH\r\nH", 0, -800, 200, 400},  // CR LF: the next line 2 heights down
      {"DI0,1;LBH", -400, 0, 0, 200},       {"DV1;LBHH", 0, -800, 200, 400},       {"DV2;LBHH", -300, 0, 200, 400},
      {"ES1;LBHH", 0, 0, 800, 400},         {"DT@,0;LBH@", 0, -21, 530, 400},  // the terminator drawn too
      {"CP2,-1;LBH", 600, -800, 800, -400}, {"BLH\x03PR10,0;PB", 10, 0, 210, 400},
  };
  for (const Case& c : cases) {
    d = interpretHpgl(std::string("IN;SP1;SI0.5,1;PA0,0;") + c.file + "\x03");
    const Bounds& b = d.pages[0].bounds;
    EXPECT_NEAR(b.minX, c.minX, 40) << c.file;  // glyphs' own shapes differ by a little
    EXPECT_NEAR(b.minY, c.minY, 40) << c.file;
    EXPECT_NEAR(b.maxX, c.maxX, 40) << c.file;
    EXPECT_NEAR(b.maxY, c.maxY, 40) << c.file;
  }
  // A buffered label is drawn only by PB; symbol mode marks each point with the character.
  EXPECT_TRUE(interpretHpgl("IN;SP1;BLHH\x03").empty());
  d = interpretHpgl("IN;SP1;SI0.5,1;SM*;PA0,0,1000,0;SM;PA2000,0;");
  EXPECT_NEAR(d.pages[0].bounds.minX, -100, 40);
  EXPECT_NEAR(d.pages[0].bounds.maxX, 1100, 40);
  // Slant leans the tops right; proportional spacing makes "il" narrower than fixed.
  EXPECT_GT(interpretHpgl("IN;SP1;SL1;LBH\x03").pages[0].bounds.width(),
            interpretHpgl("IN;SP1;LBH\x03").pages[0].bounds.width() * 1.5);
  EXPECT_LT(interpretHpgl("IN;SP1;SD2,1;LBilil\x03").pages[0].bounds.width(),
            interpretHpgl("IN;SP1;SD2,0;LBilil\x03").pages[0].bounds.width() * 0.6);
  // National sets: German (the pen plotters' 33, PCL's 39) draws [ as an A with its two
  // dots; an unknown set draws set 0's [.
  auto strokes = [](const char* file) { return linesOf(interpretHpgl(file)).size(); };
  EXPECT_EQ(strokes("IN;SP1;CS33;LB[\x03"), strokes("IN;SP1;LBA\x03") + 2);
  EXPECT_EQ(strokes("IN;PW;SP1;CS39;LB[\x03"), strokes("IN;SP1;LBA\x03") + 2);
  EXPECT_EQ(strokes("IN;SP1;CS99;LB[\x03"), strokes("IN;SP1;LB[\x03"));
  EXPECT_EQ(strokes("IN;SP1;CA33;LB\x0E[\x0F\x03"), strokes("IN;SP1;LBA\x03") + 2);  // shift out: the alternate set
}

TEST(HpglTest, PolygonsAndFillTypes) {
  // A square with a square hole as two subpolygons; FP 0 is even-odd, FP 1 non-zero.
  const std::string square = "IN;SP1;PA0,0;PM0;PD1000,0,1000,1000,0,1000;PM1;PU200,200;PD800,200,800,800,200,800;PM2;";
  Drawing d = interpretHpgl(square + "FP;");
  ASSERT_EQ(linesOf(d, true).size(), 2u);
  EXPECT_TRUE(shapeOf(d).evenOdd);
  EXPECT_FALSE(shapeOf(interpretHpgl(square + "FP1;")).evenOdd);
  // EP edges only what was drawn with the pen down: the move to the hole is no edge.
  d = interpretHpgl(square + "EP;");
  EXPECT_EQ(linesOf(d).size(), 2u);
  EXPECT_EQ(pointsOf(d, 0).size(), 5u);
  EXPECT_TRUE(linesOf(d, true).empty());
  EXPECT_TRUE(interpretHpgl(square + "PA5000,5000;").pages[0].shapes.empty());  // the pen is up again after PM2
  // The hole reached with the pen up inside one subpolygon: two closed figures, no diagonal
  // from the outline to the hole, whichever way the polygon is used.
  const std::string oneSub = "IN;SP1;PA0,0;PM0;PD1000,0,1000,1000,0,1000;PU200,200;PD800,200,800,800,200,800;PM1;PM2;";
  d = interpretHpgl(oneSub + "EP;");
  ASSERT_EQ(linesOf(d).size(), 2u);
  expectPoints(pointsOf(d, 0), {{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}, {0, 0}});
  expectPoints(pointsOf(d, 1), {{200, 200}, {800, 200}, {800, 800}, {200, 800}, {200, 200}});
  EXPECT_EQ(linesOf(interpretHpgl(oneSub + "FP;"), true).size(), 2u);

  // Hatching: lines through the anchor, spaced and turned as FT says, cut to the area.
  auto hatch = [](const char* ft) {
    return linesOf(interpretHpgl(std::string("IN;SP1;") + ft + "PA0,0;RA1000,1000;"));
  };
  auto lines = hatch("FT3,100;");
  ASSERT_EQ(lines.size(), 10u);  // y = 0 to 900: the top edge is outside, as a pixel's far edge
  for (const auto& l : lines) EXPECT_NEAR(std::fabs(l[1].x - l[0].x), 1000, 1e-6);
  EXPECT_EQ(hatch("FT4,100;").size(), 20u);
  for (const auto& l : hatch("FT3,100,45;")) EXPECT_NEAR(l[1].y - l[0].y, l[1].x - l[0].x, 1e-6);
  // A hatch too fine to draw line by line inks the whole area, as a plotter's would.
  const Drawing fine = interpretHpgl("IN;SP1;FT3,0.001;PA0,0;RA100000000,100000000;");
  ASSERT_EQ(fine.pages[0].shapes.size(), 1u);
  EXPECT_TRUE(fine.pages[0].shapes[0].fill);
  // Shading mixes the pen with white; a raster pattern shows as its pens' average.
  EXPECT_EQ(shapeOf(interpretHpgl("IN;SP1;FT10,30;PA0,0;RA10,10;")).color, 0xB3B3B3u);
  EXPECT_EQ(shapeOf(interpretHpgl("IN;SP1;RF1,2,2,1,0,0,1;FT11,1;PA0,0;RA10,10;")).color, 0x808080u);
  EXPECT_EQ(shapeOf(interpretHpgl("IN;SP1;RF1,255,255;FT11,1;PA0,0;RR10,10;")).color, 0x000000u);
}

TEST(HpglTest, PensColoursAndLineAttributes) {
  struct Case {
    const char* file;
    uint32_t color;
    double widthMm;
  } cases[] = {
      {"SP8;", 0xA05000, 0.35},  // HP-GL: eight pens of a carousel
      {"PW0.5;SP2;", 0xFF0000, 0.5},
      {"NP4;SP5;", 0xFF0000, 0.35},  // beyond the palette: round again from pen 1
      {"PC1,0,0,255;SP1;", 0x0000FF, 0.35},
      {"CR0,100,0,100,0,100;PC1,50,50,50;SP1;", 0x808080, 0.35},
      {"WU1;PW1;SP1;", 0x000000, 12500 * 0.01 * 0.025},  // relative widths: a share of P1-P2's diagonal
      {"PW0.2,3;SP3;", 0x00A000, 0.2},
  };
  for (const Case& c : cases) {
    const Drawing d = interpretHpgl(std::string("IN;") + c.file + "PA0,0;PD100,0;");
    ASSERT_FALSE(d.empty()) << c.file;
    EXPECT_EQ(shapeOf(d).color, c.color) << c.file;
    EXPECT_NEAR(shapeOf(d).widthMm, c.widthMm, 1e-9) << c.file;
  }
  const Shape s = shapeOf(interpretHpgl("IN;PW;LA1,4,2,5,3,10;SP1;PD100,0;"));
  EXPECT_EQ(s.end, LineEnd::Round);
  EXPECT_EQ(s.join, LineJoin::Bevel);
  EXPECT_EQ(s.miterLimit, 10);
  EXPECT_EQ(shapeOf(interpretHpgl("IN;PW;SP1;PD100,0;")).end, LineEnd::Butt);  // HP-GL/2's default
}

TEST(HpglTest, LineTypes) {
  auto dashes = [](const std::string& file) {
    std::vector<std::pair<double, double>> out;
    for (const auto& l : linesOf(interpretHpgl("IN;SP1;" + file))) out.push_back({l.front().x, l.back().x});
    return out;
  };
  using Dashes = std::vector<std::pair<double, double>>;
  // Fixed: 10 mm (400 units) patterns, half on; what is left carries on into the next line.
  EXPECT_EQ(dashes("LT2,10,1;PA0,0;PD1000,0;"), (Dashes{{0, 200}, {400, 600}, {800, 1000}}));
  EXPECT_EQ(dashes("LT2,10,1;PA0,0;PD300,0;PU0,100;PD300,100;"), (Dashes{{0, 200}, {100, 300}}));
  // Adaptive: whole patterns on each line (900 takes two of 450).
  EXPECT_EQ(dashes("LT-2,10,1;PA0,0;PD900,0;"), (Dashes{{0, 225}, {450, 675}}));
  // A user line type, and LT0's dots at the points only.
  EXPECT_EQ(dashes("UL1,25,75;LT1,10,1;PA0,0;PD800,0;"), (Dashes{{0, 100}, {400, 500}}));
  EXPECT_EQ(dashes("LT0;PA0,0;PD500,0,1000,0;"), (Dashes{{0, 1}, {500, 501}, {1000, 1001}}));
  EXPECT_EQ(dashes("LT2,10,1;LT;PA0,0;PD1000,0;"), (Dashes{{0, 1000}}));
}

TEST(HpglTest, ClipWindowPagesAndDeviceControl) {
  Drawing d = interpretHpgl("IN;SP1;IW0,0,100,100;PA-100,50;PD200,50;PU;PA50,50;RA500,500;");
  expectPoints(pointsOf(d), {{0, 50}, {100, 50}});
  const auto fills = linesOf(d, true);
  for (const Point& p : fills.at(0)) EXPECT_TRUE(p.x >= 50 && p.x <= 100 && p.y >= 50 && p.y <= 100);
  // PG and FR start a page; a page advance with nothing drawn adds no blank page.
  EXPECT_EQ(interpretHpgl("IN;PG;SP1;PD100,0;PG;PG;PU;PD0,100;FR;PD0,0;").pages.size(), 3u);
  std::string many = "IN;SP1;";
  for (int i = 0; i < 300; ++i) many += "PD1,1;PG;";
  d = interpretHpgl(many);
  EXPECT_LE(d.pages.size(), 256u);
  EXPECT_TRUE(d.truncated);
  // Pen plotters' escapes and PJL lines are stepped over, and a job needs no IN.
  for (const char* file : {"\x1B.(;\x1B.I81;;17:\x1B.N;19:\x1B.M0;0;0;13:IN;SP1;PD100,0;\x1B.)\x1B.Z",
                           "@PJL ENTER LANGUAGE = HPGL2\r\nSP1;PD100,0;\x03", "\x1B.Y\x1B.@2000;1:SP1;PD100,0;"}) {
    d = interpretHpgl(file);
    ASSERT_EQ(linesOf(d).size(), 1u) << file;
    EXPECT_EQ(d.unknownCommands, 0) << file;
    expectPoints(pointsOf(d), {{0, 0}, {100, 0}});
  }
}

TEST(HpglTest, MalformedNumbersAndUnknownCommandsAreSteppedOver) {
  Drawing d = interpretHpgl("IN;SP1;PU0,0;PD1.2.3,5;ZZ 1,2,\"x;y\";PD--7,8;PD100,0;XY;PD100,100;");
  ASSERT_FALSE(d.empty());
  EXPECT_GE(d.unknownCommands, 2);
  EXPECT_DOUBLE_EQ(linesOf(d).back().back().y, 100);
  // Huge coordinates, and wedges and circles of huge radii, are kept finite and bounded.
  for (const char* file : {"IN;SP1;PA0,0;WG99999999999999999999,0,90;", "IN;SP1;CI1e28;",
                           "IN;SC0,1,0,1;SP1;PA0,0;EW999999999999999999,0,45;"}) {
    for (const auto& line : linesOf(interpretHpgl(file), true))
      for (const Point& p : line) EXPECT_LE(std::fabs(p.x) + std::fabs(p.y), 2e8) << file;
  }
  // A parameter beyond ±2^30 makes a plotter ignore its command, and is counted.
  d = interpretHpgl(
      "IN;SP1;PU0,0;PD1e400,99999999999999999999999999999999999999999;PD-2147483648,0;PD10,10;"
      "AA0,0,1073741824;LB-2147483648\x03");
  EXPECT_EQ(d.ignoredCommands, 3);
  expectPoints(pointsOf(d), {{0, 0}, {10, 10}});
  d = interpretHpgl("IN;SP1;PU0,0;PD1073741823,-1073741823;");
  EXPECT_EQ(d.ignoredCommands, 0);
  for (const Point& p : pointsOf(d)) {
    EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
    EXPECT_LE(std::fabs(p.x), 1e8);
    EXPECT_LE(std::fabs(p.y), 1e8);
  }
}

TEST(HpglTest, EncodedPolylines) {
  // Base 64: 0 -> "?" (non-terminating 63) ... terminating digits are 191 + value.
  // Relative (20,0) then (0,20): 20 -> 40 (sign bit clear), a single terminating digit 191+40.
  const std::string pe = std::string("IN;SP1;PA100,100;PE<") + char(191) + char(191) + char(191 + 40) + char(191) +
                         char(191) + char(191 + 40) + ";";
  Drawing d = interpretHpgl(pe);
  ASSERT_EQ(linesOf(d).size(), 1u);
  expectPoints(pointsOf(d), {{100, 100}, {120, 100}, {120, 120}});
  // "=" absolute, a negative value (odd), seven-bit mode: terminating digits 95 + value.
  d = interpretHpgl(std::string("IN;SP1;PE7=") + char(95 + 20) + char(95 + 20) + char(95 + 21) + char(95) + ";");
  expectPoints(pointsOf(d), {{0, 0}, {10, 10}, {0, 10}});
}

TEST(HpglTest, PclWrapperAroundHpgl2) {
  const std::string file = std::string("\x1B%-12345X@PJL ENTER LANGUAGE=PCL\r\n\x1B") + "E\x1B*b3W\x01\x02\x03" +
                           "\x1B%1BIN;SP1;PD;PR100,0;\x1B%0AThis is PCL text PD999,999\x1B%1BPR0,100;\x1B" + "E";
  const Drawing d = interpretHpgl(file);
  ASSERT_EQ(linesOf(d).size(), 1u);
  expectPoints(pointsOf(d), {{0, 0}, {100, 0}, {100, 100}});
  EXPECT_TRUE(d.hpgl2);
  EXPECT_TRUE(looksLikeHpgl(file));
  EXPECT_TRUE(looksLikeHpgl("@PJL ENTER LANGUAGE=HPGL2\r\nIN;"));
  EXPECT_TRUE(looksLikeHpgl("  IN;SP1;"));
  EXPECT_FALSE(looksLikeHpgl("%PDF-1.4"));
  EXPECT_FALSE(looksLikeHpgl(""));
  EXPECT_FALSE(looksLikeHpgl("\x03\x03"));
  EXPECT_TRUE(looksLikeHpgl(";DF;DF;RO;SP1;PU0,0;"));  // an instrument's empty first instruction
  EXPECT_FALSE(looksLikeHpgl(";;;"));
  // A pen-plotter driver's file: control bytes first, then commands with no separators.
  const std::string driver = std::string("\x03\x00", 2) + "INCA2IP0,0,10300,7650DI0,1SP2VSSP2PAPU6545,6440PD6545,7000;";
  EXPECT_TRUE(looksLikeHpgl(driver));
  const Drawing plot = interpretHpgl(driver);
  ASSERT_EQ(linesOf(plot).size(), 1u);
  expectPoints(pointsOf(plot), {{6545, 6440}, {6545, 7000}});
}

TEST(HpglTest, LabelBytesAboveAsciiAreReadInTheirSymbolSet) {
  // Each label draws as its twin in ISO Latin-1 (set 14) or in ASCII: Roman-8's 0xF6 is a dash
  // (not "ö"), its 0xC5 an "é"; PC-8's 0x82 is an "é"; CS names the set as SD does.
  auto strokes = [](const std::string& file) {
    std::vector<std::vector<Point>> all;
    const Drawing d = interpretHpgl("IN;SP1;SI0.5,0.8;" + file + "\x03");
    for (const Shape& s : d.pages[0].shapes) all.insert(all.end(), s.paths.begin(), s.paths.end());
    return all;
  };
  const std::pair<std::string, std::string> twins[] = {
      {"SD1,277;LB\xF6", "SD1,277;LB-"},   {"SD1,277;LB\xC5", "SD1,14;LB\xE9"}, {"CS277;LBA\xC5", "SD1,14;LBA\xE9"},
      {"SD1,341;LB\x82", "SD1,14;LB\xE9"}, {"SD1,629;LB\xE9", "SD1,14;LB\xE9"},
  };
  for (const auto& [file, twin] : twins) {
    const auto got = strokes(file), want = strokes(twin);
    ASSERT_EQ(got.size(), want.size()) << file;
    for (size_t i = 0; i < got.size(); ++i) expectPoints(got[i], want[i]);
  }
  EXPECT_NE(strokes("SD1,14;LB\xF6").size(), strokes("SD1,277;LB\xF6").size());  // "ö" has its dots
}

TEST(HpglTest, NothingIsDrawnOutsideThePaper) {
  // With PS (and IW with no parameters, the whole page), what lies off the page is cut away and
  // does not enlarge the picture; with no PS only what lies beyond any paper is.
  const struct {
    std::string file;
    Bounds drawn;
  } cases[] = {
      {"IN;PS10000,7000;IW;SP1;PA0,0;PD5000,5000;PU-500000,0;PD0,-500000;PU20000,20000;PD30000,30000;PU9000,0;"
       "PD11000,0;",
       {0, 0, 10000, 5000, false}},
      // No PS: a roll, as long as its drawing; a textile marker of 18 m is whole (720,000 units).
      {"IN;SP1;PA0,0;PD40000,-30000;PU;PA0,0;PD720000,0;PU;PA0,0;PD9000000,0;", {0, -30000, 6'000'000, 0, false}},
      // PS with a length alone cuts at that length only; in a PCL job the printer's page is the
      // paper and PS is ignored (plotutils' title above its plot).
      {"IN;PS10668;SP1;PA0,0;PD20000,8006;", {0, 0, 10668, 8006 * 10668.0 / 20000, false}},
      {"\x1B%0BBP;IN;PS10668;SP1;PA0,0;PD20000,8006;", {0, 0, 20000, 8006, false}},
      // HP-GL/1's PS is an older plotter's paper code, not a length: nothing is cut.
      {"IN;PS4;SP1;PA0,0;PD5000,5000;", {0, 0, 5000, 5000, false}},
  };
  for (const auto& c : cases) {
    const Bounds b = interpretHpgl(c.file).pages[0].bounds;
    for (const auto& [got, want] :
         {std::pair{b.minX, c.drawn.minX}, {b.minY, c.drawn.minY}, {b.maxX, c.drawn.maxX}, {b.maxY, c.drawn.maxY}})
      EXPECT_NEAR(got, want, 1e-6) << c.file;
  }
}

TEST(HpglTest, PclEndsItsPagesAsAPrinterDoes) {
  // Each plot ends with an eject (ESC & l 0 H), a reset after a drawing, or a form feed in PCL
  // text; a reset or an eject before anything was drawn makes no empty page.
  const std::string plot = "\x1B%1BIN;SP1;PD;PR100,0;\x1B%1A";
  const struct {
    std::string file;
    size_t pages;
  } cases[] = {
      {"\x1B"
       "E\x1B&l0H" +
           plot + "\x1B&l0H" + plot + "\x1B&l0H",
       2},
      {plot +
           "\x1B"
           "E" +
           plot +
           "\x1B"
           "E",
       2},
      {plot + "page one\f" + plot, 2},
      {plot + "\x1B&l1H" + plot, 1},  // ESC & l 1 H feeds paper from a tray: no new page
      {plot + "\x1B*b0W" + plot, 1},
  };
  for (const auto& c : cases) EXPECT_EQ(interpretHpgl(c.file).pages.size(), c.pages) << c.file;
}

TEST(HpglTest, RotationTurnsThePlot) {
  // Turned and shifted, as a printer does: the origin is the turned paper's lower left corner.
  const Drawing d = interpretHpgl("IN;RO90;SP1;PU0,0;PD100,0;");
  expectPoints(pointsOf(d), {{10000, 0}, {10000, 100}});
  // A label at (500,3500) after RO90 with no IP lies on the paper PS gave, not off it.
  const Bounds b = interpretHpgl("IN;PS10000,7500;RO90;SP1;PA500,3500;LBA\x03").pages.at(0).bounds;
  EXPECT_GT(b.minX, 0);
  EXPECT_LT(b.maxX, 10000);
  EXPECT_GT(b.minY, 400);
}

// A PCL job of raster rows alone draws nothing as a plot: it is a picture, whichever of the
// printer's compressions its rows come in.
TEST(HpglTest, PclRasterRowsAreAPicture) {
  const std::string e = "\x1B";
  auto job = [&](const std::string& mode, const std::vector<std::string>& rows) {
    std::string text = e + "E" + e + "*t150R" + e + "*r16S" + e + "*r1A" + e + "*b" + mode + "M";
    for (const std::string& row : rows) text += e + "*b" + std::to_string(row.size()) + "W" + row;
    return text + e + "*rB" + e + "E";
  };
  const std::string jobs[] = {
      job("0", {"\xF0\x0F", std::string("\xFF\x00", 2), std::string("\xFF\x00", 2)}),
      job("1",
          {std::string("\x00\xF0\x00\x0F", 4), std::string("\x00\xFF\x00\x00", 4), std::string("\x00\xFF\x00\x00", 4)}),
      job("2",
          {std::string("\x01\xF0\x0F", 3), std::string("\x00\xFF\x00\x00", 4), std::string("\x00\xFF\xFF\x00", 4)}),
      job("3", {std::string("\x20\xF0\x0F", 3), std::string("\x20\xFF\x00", 3), ""}),  // the last row repeats its seed
      e + "*t150R" + e + "*r16s1A" + e + "*b3m3W" + std::string("\x20\xF0\x0F", 3) + e + "*b3W" +
          std::string("\x20\xFF\x00", 3) + e + "*b0W" + e + "*rB",  // values chained in one escape
  };
  for (const std::string& bytes : jobs) {
    ASSERT_TRUE(looksLikeHpgl(bytes));
    EXPECT_TRUE(interpretHpgl(bytes).empty());
    const std::optional<Image> image = pclRaster(bytes);
    ASSERT_TRUE(image) << bytes.size();
    EXPECT_EQ(std::tie(image->width, image->height, image->dpi), std::make_tuple(16, 3, 150.0));
    std::string ink;
    for (size_t i = 0; i < image->rgb.size(); i += 3) ink += image->rgb[i] == 0 ? '#' : '.';
    EXPECT_EQ(ink, "####........############........########........");
  }
  // Colour planes: red, green and blue, each plane of a row by V, the last by W.
  const std::optional<Image> rgb =
      pclRaster(e + "*r3U" + e + "*r1A" + e + "*b1V\xFF" + e + "*b1V" + std::string(1, '\0') + e + "*b1W\x0F");
  ASSERT_TRUE(rgb);
  EXPECT_EQ(std::vector<uint8_t>(rgb->rgb.begin(), rgb->rgb.begin() + 3), (std::vector<uint8_t>{0xFF, 0, 0}));
  EXPECT_EQ(std::vector<uint8_t>(rgb->rgb.end() - 3, rgb->rgb.end()), (std::vector<uint8_t>{0xFF, 0, 0xFF}));
  EXPECT_FALSE(pclRaster(e + "E" + e + "%1BIN;SP1;PD100,100;" + e + "%0A"));  // vectors, no rows
}

TEST(HpglTest, HostileInputEndsBounded) {
  std::string many = "IN;SP1;PD";
  for (int i = 0; i < 3'000'000; ++i) many += "1,1,";
  const Drawing d = interpretHpgl(many);
  size_t points = 0;
  for (const auto& line : linesOf(d)) points += line.size();
  EXPECT_LE(points, 4'000'001u);
  EXPECT_TRUE(d.truncated);
  std::string junk;
  for (int i = 0; i < 100000; ++i) junk += static_cast<char>((i * 7919) % 256);
  interpretHpgl(junk);  // ends, whatever it draws
  interpretHpgl(std::string("IN;SP1;PE") + std::string(100000, char(100)));
  interpretHpgl("IN;SP1;LB");
  interpretHpgl("IN;RO10000000000;SC0,1,0,1,99999999999;LT99999999999;SP1;PD1,1;");  // no overflowing conversions
  interpretHpgl("\x1B%");
  interpretHpgl("\x1B*b99999999999W");
}

TEST(WriterTest, SvgAndPdfHoldTheDrawing) {
  const Drawing d =
      interpretHpgl("IN;SP2;PW0.5;LA1,4;PU0,0;PD4000,0,4000,2000;SP1;PA0,1000;RA400,1400;FP1;PG;PD100,100;");
  const std::string svg = svgOf(d.pages[0]);
  EXPECT_NE(svg.find("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"110mm\" height=\"60mm\""), std::string::npos)
      << svg;
  EXPECT_NE(svg.find("stroke=\"#FF0000\" stroke-width=\"0.5\" stroke-linecap=\"round\" stroke-linejoin=\"miter\""),
            std::string::npos);
  EXPECT_NE(svg.find("<path d=\"M5 30 L15 30 L15 20 L5 20 L5 30 Z\" fill=\"#000000\" fill-rule=\"evenodd\""),
            std::string::npos);
  EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");

  const std::string pdf = pdfOf(d);
  EXPECT_EQ(pdf.rfind("%PDF-1.4", 0), 0u);
  EXPECT_NE(pdf.find("/MediaBox [0 0 311.811 170.079]"), std::string::npos);
  EXPECT_NE(pdf.find("/Count 2"), std::string::npos);  // a page a plot
  EXPECT_NE(pdf.find("1 J 0 j 5 M"), std::string::npos);
  EXPECT_NE(pdf.find("h\nf*\n"), std::string::npos);
  // The cross-reference table points at each object.
  const size_t startxref = pdf.rfind("startxref\n");
  const size_t xref = std::stoul(pdf.substr(startxref + 10));
  ASSERT_EQ(pdf.compare(xref, 4, "xref"), 0);
  const size_t first = std::stoul(pdf.substr(xref + 4 + 3 + 2 + 20 + 1, 10));  // "xref\n0 7\n" + free entry
  EXPECT_EQ(pdf.compare(first, 7, "1 0 obj"), 0);
}

// Pictures: areas covered exactly, edges anti-aliased, holes by the fill rule.
TEST(WriterTest, PicturesFillByTheRuleAndSmoothEdges) {
  const std::string square = "IN;SP1;PA0,0;PM0;PD1010,0,1010,1010,0,1010;PM1;PU305,305;PD705,305,705,705,305,705;PM2;";
  auto picture = [](const std::string& file) { return rasterize(interpretHpgl(file).pages[0], 100, 8000); };
  auto grey = [](const Image& im, double xMm, double yMm) {  // from the page's top left
    const size_t x = static_cast<size_t>(xMm / 25.4 * 100), y = static_cast<size_t>(yMm / 25.4 * 100);
    return im.rgb[(y * static_cast<size_t>(im.width) + x) * 3];
  };
  const Image evenOdd = picture(square + "FP0;"), nonZero = picture(square + "FP1;");
  EXPECT_EQ(evenOdd.width, static_cast<int>(std::lround((1010 * 0.025 + 10) / 25.4 * 100)));
  EXPECT_EQ(grey(evenOdd, 7, 7), 0);          // inside the square
  EXPECT_EQ(grey(evenOdd, 17.6, 17.6), 255);  // the hole
  EXPECT_EQ(grey(nonZero, 17.6, 17.6), 0);    // both rings wind the same way
  EXPECT_EQ(grey(evenOdd, 2, 2), 255);        // the margin
  int between = 0;
  for (uint8_t v : evenOdd.rgb) between += v > 0 && v < 255;
  EXPECT_GT(between, 100);  // edges off the pixel grid are shaded, not stepped
  // A line thinner than a pixel stays visible; a thick one is as wide as its pen.
  const Image thin = picture("IN;PW0;SP1;PA0,0;PD4000,0;"), thick = picture("IN;PW2;SP1;PA0,0;PD4000,0;");
  int thinInk = 0, thickInk = 0;
  for (size_t i = 0; i < thin.rgb.size(); i += 3) thinInk += thin.rgb[i] < 128;
  for (size_t i = 0; i < thick.rgb.size(); i += 3) thickInk += thick.rgb[i] < 128;
  EXPECT_GE(thinInk, 390);
  EXPECT_NEAR(thickInk, 394 * 2 / 0.254, 394 * 1.5);
  // A dot is the pen's round tip, whatever LA's ends: in the drawing and in the picture.
  const Drawing dots = interpretHpgl("IN;LA1,1;SP1;PW0.1;PA0,0;PD0,0;PU2000,0;PD2000,0;PU;LT0;PA4000,0;PD4000,0;");
  ASSERT_EQ(dots.pages[0].shapes.size(), 1u);
  EXPECT_EQ(dots.pages[0].shapes[0].end, LineEnd::Round);
  EXPECT_EQ(dots.pages[0].shapes[0].paths.size(), 4u);  // LT0 dots both ends of its line
  const Image spots = rasterize(dots.pages[0], 100, 8000);
  int spotInk = 0;
  for (size_t i = 0; i < spots.rgb.size(); i += 3) spotInk += spots.rgb[i] < 200;
  EXPECT_GE(spotInk, 3);
}

TEST(CommandFileTest, LinesAndFormats) {
  const auto line = parseCommandLine("/p \"C:\\in\\図 1.hgl\" \"D:\\out\\図 1.pdf\"");
  ASSERT_TRUE(line);
  EXPECT_EQ(line->switchText, "/p");
  EXPECT_EQ(line->input, "C:\\in\\図 1.hgl");
  EXPECT_EQ(line->output, "D:\\out\\図 1.pdf");
  EXPECT_FALSE(parseCommandLine("/p \"C:\\in\\a.hgl\""));
  EXPECT_FALSE(parseCommandLine("p \"a\" \"b\""));
  EXPECT_FALSE(parseCommandLine("/p \"a\" \"b\" extra"));
  EXPECT_FALSE(parseCommandLine(""));
  EXPECT_EQ(extensionOf("D:\\out.v2\\a.TIF"), "tif");
  EXPECT_EQ(extensionOf("D:\\out\\a.Pcx"), "pcx");
  EXPECT_EQ(extensionOf("D:\\out.svg\\a"), "");  // the folder's dot is not the file's
}

}  // namespace
}  // namespace refconv
