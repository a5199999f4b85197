// The converter's interpreter and writers.
#include <gtest/gtest.h>

#include <cmath>

#include "core/CommandFile.h"
#include "core/Hpgl.h"
#include "core/Render.h"

namespace refconv {
namespace {

std::vector<Point> pointsOf(const Drawing& d, size_t stroke = 0) {
  return stroke < d.strokes.size() ? d.strokes[stroke].points : std::vector<Point>{};
}

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
    ASSERT_EQ(d.strokes.size(), 1u) << file;
    expectPoints(pointsOf(d), {{0, 0}, {100, 0}, {100, 100}});
  }
}

TEST(HpglTest, AbsoluteAndRelativeMoves) {
  const Drawing d = interpretHpgl("IN;SP2;PA100,100;PD;PR50,0,0,50;PA0,0;PU;PR10,10;PD10,0;");
  ASSERT_EQ(d.strokes.size(), 2u);
  expectPoints(pointsOf(d, 0), {{100, 100}, {150, 100}, {150, 150}, {0, 0}});
  expectPoints(pointsOf(d, 1), {{10, 10}, {20, 10}});
  EXPECT_EQ(d.strokes[0].pen, 2);
  EXPECT_DOUBLE_EQ(d.bounds.maxX, 150);
}

TEST(HpglTest, PenZeroAndPenUpDrawNothing) {
  EXPECT_TRUE(interpretHpgl("IN;SP0;PD100,100;").strokes.empty());
  EXPECT_TRUE(interpretHpgl("IN;SP1;PU100,100,200,200;").strokes.empty());
  EXPECT_TRUE(interpretHpgl("").strokes.empty());
  EXPECT_TRUE(interpretHpgl(";;;   \r\n").bounds.empty);
}

TEST(HpglTest, CirclesAndArcsFollowTheChordAngle) {
  Drawing d = interpretHpgl("IN;SP1;PA100,100;CI50;");
  ASSERT_EQ(d.strokes.size(), 1u);
  EXPECT_EQ(d.strokes[0].points.size(), 73u);  // 360 / 5 degrees, closed
  for (const Point& p : d.strokes[0].points) EXPECT_NEAR(std::hypot(p.x - 100, p.y - 100), 50, 1e-6);
  EXPECT_EQ(interpretHpgl("IN;SP1;PA0,0;CI50,30;").strokes[0].points.size(), 13u);
  EXPECT_EQ(interpretHpgl("IN;SP1;CI50,0.001;").strokes[0].points.size(), 721u);  // at least half a degree

  // A quarter arc around (0,0) from (100,0), counter-clockwise, 10 degree chords.
  d = interpretHpgl("IN;SP1;PA100,0;PD;AA0,0,90,10;");
  ASSERT_EQ(d.strokes.size(), 1u);
  const auto& arc = d.strokes[0].points;
  ASSERT_EQ(arc.size(), 10u);
  EXPECT_NEAR(arc.back().x, 0, 1e-6);
  EXPECT_NEAR(arc.back().y, 100, 1e-6);
  // The same with the centre relative, clockwise; with the pen up it only moves.
  d = interpretHpgl("IN;SP1;PA100,0;PD;AR-100,0,-90;PU;AA0,0,90;PD;PR1,0;");
  EXPECT_NEAR(d.strokes[0].points.back().y, -100, 1e-6);
  EXPECT_NEAR(d.strokes.back().points.front().x, 100, 1e-6);  // back at (100,0) after the quarter
}

TEST(HpglTest, RectanglesAndWedges) {
  Drawing d = interpretHpgl("IN;SP1;PA10,10;EA110,60;RR20,20;");
  ASSERT_EQ(d.strokes.size(), 2u);
  expectPoints(pointsOf(d, 0), {{10, 10}, {110, 10}, {110, 60}, {10, 60}, {10, 10}});
  EXPECT_FALSE(d.strokes[0].filled);
  EXPECT_TRUE(d.strokes[1].filled);
  d = interpretHpgl("IN;SP1;PA0,0;WG100,0,90;");
  ASSERT_EQ(d.strokes.size(), 1u);
  EXPECT_TRUE(d.strokes[0].filled);
  EXPECT_NEAR(d.strokes[0].points[1].x, 100, 1e-6);
}

TEST(HpglTest, ScalingMapsUserUnitsOntoP1P2) {
  // User 0..100 x 0..100 onto 1000..2000 x 1000..3000: anisotropic.
  Drawing d = interpretHpgl("IN;IP1000,1000,2000,3000;SC0,100,0,100;SP1;PU0,0;PD100,100;");
  expectPoints(pointsOf(d), {{1000, 1000}, {2000, 3000}});
  // Isotropic: the smaller factor (10), centred in the spare height.
  d = interpretHpgl("IN;IP1000,1000,2000,3000;SC0,100,0,100,1;SP1;PU0,0;PD100,100;");
  expectPoints(pointsOf(d), {{1000, 1500}, {2000, 2500}});
  // Point factor, and relative moves scaled too; SC without parameters turns it off.
  d = interpretHpgl("IN;IP0,0;SC0,2,0,3,2;SP1;PU10,10;PD;PR1,1;SC;PA5,5;");
  expectPoints(pointsOf(d), {{20, 30}, {22, 33}, {5, 5}});
}

TEST(HpglTest, LabelsWithTheirTerminatorsSizesAndDirections) {
  Drawing d = interpretHpgl("IN;SP3;PA100,200;LBHello\x03PA0,0;DT@;SI0.5,1.0;DI0,1;LBUp@SP1;");
  ASSERT_EQ(d.labels.size(), 2u);
  EXPECT_EQ(d.labels[0].text, "Hello");
  EXPECT_EQ(d.labels[0].pen, 3);
  EXPECT_DOUBLE_EQ(d.labels[0].at.x, 100);
  EXPECT_EQ(d.labels[1].text, "Up");
  EXPECT_DOUBLE_EQ(d.labels[1].heightPlu, 400);
  EXPECT_DOUBLE_EQ(d.labels[1].widthPlu, 200);
  EXPECT_NEAR(d.labels[1].angleRad, std::acos(0.0), 1e-9);
  // A label without its terminator runs to the end; CR LF start a new line below.
  d = interpretHpgl("IN;SP1;PA0,1000;LBone\r\ntwo");
  ASSERT_EQ(d.labels.size(), 2u);
  EXPECT_EQ(d.labels[1].text, "two");
  EXPECT_DOUBLE_EQ(d.labels[1].at.x, 0);
  EXPECT_LT(d.labels[1].at.y, 1000);
}

TEST(HpglTest, MalformedNumbersAndUnknownCommandsAreSteppedOver) {
  Drawing d = interpretHpgl("IN;SP1;PU0,0;PD1.2.3,5;ZZ 1,2,\"x;y\";PD--7,8;PD100,0;XY;PD100,100;");
  ASSERT_FALSE(d.strokes.empty());
  EXPECT_GE(d.unknownCommands, 2);
  EXPECT_DOUBLE_EQ(d.strokes.back().points.back().y, 100);
  // Huge coordinates, and wedges and circles of huge radii, are kept finite and bounded.
  for (const char* file : {"IN;SP1;PA0,0;WG99999999999999999999,0,90;", "IN;SP1;CI1e28;",
                           "IN;SC0,1,0,1;SP1;PA0,0;EW999999999999999999,0,45;"}) {
    for (const Stroke& s : interpretHpgl(file).strokes)
      for (const Point& p : s.points) EXPECT_LE(std::fabs(p.x) + std::fabs(p.y), 2e8) << file;
  }
  d = interpretHpgl("IN;SP1;PU0,0;PD1e400,99999999999999999999999999999999999999999;PD-999999999999,0;");
  ASSERT_FALSE(d.strokes.empty());
  for (const Point& p : d.strokes[0].points) {
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
  ASSERT_EQ(d.strokes.size(), 1u);
  expectPoints(pointsOf(d), {{100, 100}, {120, 100}, {120, 120}});
  // "=" absolute, a negative value (odd), seven-bit mode: terminating digits 95 + value.
  d = interpretHpgl(std::string("IN;SP1;PE7=") + char(95 + 20) + char(95 + 20) + char(95 + 21) + char(95) + ";");
  expectPoints(pointsOf(d), {{0, 0}, {10, 10}, {0, 10}});
}

TEST(HpglTest, PclWrapperAroundHpgl2) {
  const std::string file = std::string("\x1B%-12345X@PJL ENTER LANGUAGE=PCL\r\n\x1B") + "E\x1B*b3W\x01\x02\x03" +
                           "\x1B%1BIN;SP1;PD;PR100,0;\x1B%0AThis is PCL text PD999,999\x1B%1BPR0,100;\x1B" + "E";
  const Drawing d = interpretHpgl(file);
  ASSERT_EQ(d.strokes.size(), 1u);
  expectPoints(pointsOf(d), {{0, 0}, {100, 0}, {100, 100}});
  EXPECT_TRUE(looksLikeHpgl(file));
  EXPECT_TRUE(looksLikeHpgl("  IN;SP1;"));
  EXPECT_FALSE(looksLikeHpgl("%PDF-1.4"));
  EXPECT_FALSE(looksLikeHpgl(""));
}

TEST(HpglTest, RotationTurnsThePlot) {
  const Drawing d = interpretHpgl("IN;RO90;SP1;PU0,0;PD100,0;");
  expectPoints(pointsOf(d), {{0, 0}, {0, 100}});
}

TEST(HpglTest, HostileInputEndsBounded) {
  std::string many = "IN;SP1;PD";
  for (int i = 0; i < 3'000'000; ++i) many += "1,1,";
  const Drawing d = interpretHpgl(many);
  size_t points = 0;
  for (const Stroke& s : d.strokes) points += s.points.size();
  EXPECT_LE(points, 4'000'001u);
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
  const Drawing d = interpretHpgl("IN;SP2;PW0.5;LT2,5;PU0,0;PD4000,0,4000,2000;SP1;PA0,1000;LBA<&>\x03");
  const std::string svg = svgOf(d);
  EXPECT_NE(svg.find("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"110mm\" height=\"60mm\""), std::string::npos)
      << svg;
  EXPECT_NE(svg.find("stroke=\"#FF0000\" stroke-width=\"0.5\""), std::string::npos);
  EXPECT_NE(svg.find("stroke-dasharray="), std::string::npos);
  EXPECT_NE(svg.find(">A&lt;&amp;&gt;</text>"), std::string::npos);
  EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");

  const std::string pdf = pdfOf(d);
  EXPECT_EQ(pdf.rfind("%PDF-1.4", 0), 0u);
  EXPECT_NE(pdf.find("/MediaBox [0 0 311.811 170.079]"), std::string::npos);
  EXPECT_NE(pdf.find("(A<&>) Tj"), std::string::npos);
  // The cross-reference table points at each object.
  const size_t startxref = pdf.rfind("startxref\n");
  const size_t xref = std::stoul(pdf.substr(startxref + 10));
  ASSERT_EQ(pdf.compare(xref, 4, "xref"), 0);
  const size_t first = std::stoul(pdf.substr(xref + 4 + 3 + 2 + 20 + 1, 10));  // "xref\n0 6\n" + free entry
  EXPECT_EQ(pdf.compare(first, 7, "1 0 obj"), 0);
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
  EXPECT_EQ(formatOfPath("D:\\out.v2\\a.TIF"), Format::Tiff);
  EXPECT_EQ(formatOfPath("D:\\out\\a.dxf"), Format::Unknown);
  EXPECT_EQ(formatOfPath("D:\\out.svg\\a"), Format::Unknown);
}

}  // namespace
}  // namespace refconv
