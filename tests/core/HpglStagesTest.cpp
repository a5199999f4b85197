// The interpreter's stages driven by themselves, and the command table's word on IN and DF.
#include <gtest/gtest.h>

#include <tuple>

#include "core/hpgl/Fills.h"
#include "core/hpgl/Interpreter.h"
#include "core/hpgl/Labels.h"
#include "core/hpgl/LineStyling.h"
#include "core/hpgl/PlotBuilder.h"
#include "support/DrawingText.h"

namespace refconv::hpgl {
namespace {

struct Recorder final : LineSink {
  std::vector<std::vector<Point>> got;
  void lines(std::vector<std::vector<Point>> lines, bool) override {
    got.insert(got.end(), lines.begin(), lines.end());
  }
  bool full() const override { return false; }
};

std::string drawn(const std::string& hpgl) { return modelText(interpretHpgl(hpgl)); }

// A command, then IN or DF, then a probe: the probe draws as if the command had not been given
// exactly when the table's part for the command is one IN or DF resets.
TEST(HpglStagesTest, InAndDfResetWhatTheCommandTableSays) {
  const struct {
    const char* setting;  // its last command is the one whose part is checked
    const char* probe;
  } kCases[] = {
      {"SP2", "PD100,0"},
      {"PR", "PU1000,1000;PD100,0"},
      {"CP5,0", "PD100,0"},
      {"PC1,0,0,255", "PD100,0"},
      {"PW2", "PD100,0"},
      {"LA1,4", "PD100,0"},
      {"LT2,10", "PD4000,0"},
      {"RO90", "PD100,100"},
      {"PS20000,10000", "PD30000,0"},
      {"IP0,0,100,100;SC0,10,0,10", "PD5,5"},
      {"IP0,0,2000,2000", "SR;LBA\x03"},  // relative sizes are of P1-P2
      {"FT3,100", "PM0;PD1000,0,1000,1000;PM2;FP"},
      {"RF1,2,1,2,5;FT11,1", "PM0;PD1000,0,1000,1000;PM2;FP"},
      {"SI1,2", "LBA\x03"},
      {"BLAB\x03", "PB"},
  };
  for (const auto& c : kCases) {
    const std::string setting = c.setting, last = setting.substr(setting.rfind(';') + 1);
    const std::optional<Part> part = Interpreter::partSetBy(last[0], last[1]);
    ASSERT_TRUE(part) << last;
    const ResetBy resets = kResetBy[static_cast<size_t>(*part)];
    // MC marks the file HP-GL/2 without setting anything, so every run has the same pens.
    const std::string probe = std::string("MC0;") + c.probe, before = drawn(probe),
                      after = drawn(setting + ";" + probe);
    ASSERT_NE(before, after) << setting << " changes nothing the probe shows";
    EXPECT_EQ(drawn(setting + ";DF;" + probe), resets.df ? before : after) << setting << " after DF";
    EXPECT_EQ(drawn(setting + ";IN;" + probe), resets.in ? before : after) << setting << " after IN";
  }
  EXPECT_FALSE(Interpreter::partSetBy('Z', 'Z'));
}

// What the manual's tables of IN and DF say of the parts where a plotter surprises.
TEST(HpglStagesTest, DfKeepsP1P2AndInResetsThePalette) {
  // P1 and P2 stay where IP put them: SC scales onto them again.
  const Drawing scaled = interpretHpgl("IP0,0,2000,2000;SC0,10,0,10;DF;SC0,10,0,10;PD10,10;");
  EXPECT_EQ(scaled.pages[0].bounds.maxX, 2000);
  for (const auto& [file, color] : std::initializer_list<std::pair<const char*, uint32_t>>{
           {"PC1,255,0,0;DF;PD100,0;", 0xFF0000},              // DF keeps the palette
           {"PC1,255,0,0;IN;MC0;PD100,0;", 0x000000},          // IN returns it
           {"RF1,1,1,2;FT11,1;RA100,100;", 0xFF0000},          // a red raster pattern
           {"RF1,1,1,2;DF;FT11,1;MC0;RA100,100;", 0x000000}})  // DF clears the patterns
    EXPECT_EQ(interpretHpgl(file).pages[0].shapes.at(0).color, color) << file;
}

TEST(HpglStagesTest, GeometryScalesTurnsAndCurves) {
  Scaling s;
  s.p1 = {0, 0}, s.p2 = {1000, 500};
  s.user = {0, 10, 0, 10}, s.scaled = true;
  s.apply();  // anisotropic: 100 by 50 units
  EXPECT_NEAR(s.toPlotter(10, 10).x, 1000, 1e-9);
  EXPECT_NEAR(s.toPlotter(10, 10).y, 500, 1e-9);
  s.type = 1, s.left = 0, s.bottom = 50;
  s.apply();  // isotropic: 50 by 50, the spare room wholly on the right
  EXPECT_NEAR(s.toPlotter(10, 10).x, 500, 1e-9);
  s.user = {0, 0, 0, 0}, s.type = 2;
  s.apply();  // point factors of zero are no scaling
  EXPECT_FALSE(s.scaled);

  // The paper: as long as the drawing with no PS (a roll), the paper turned as RO turns it,
  // and RO's origin the turned paper's lower left corner.
  struct PaperCase {
    bool size, width;
    int rotation;
    Rect area;
    Point p, onPaper;
  } papers[] = {
      {false, false, 0, {-kLongestRoll, -kLongestRoll, kLongestRoll, kLongestRoll}, {1, 2}, {1, 2}},
      {true, true, 0, {0, 0, 10'000, 7'500}, {1, 2}, {1, 2}},
      {true, false, 0, {0, 0, 10'000, kLongestRoll}, {1, 2}, {1, 2}},  // PS with a length alone
      {true, true, 90, {0, 0, 7'500, 10'000}, {500, 3'500}, {6'500, 500}},
      {true, true, 180, {0, 0, 10'000, 7'500}, {1, 2}, {9'999, 7'498}},
      {true, true, 270, {0, 0, 7'500, 10'000}, {1, 2}, {2, 7'499}},
  };
  for (const PaperCase& c : papers) {
    Paper paper;
    paper.plotSizeGiven = c.size;
    paper.widthGiven = c.width;
    paper.rotation = c.rotation;
    const Rect area = clipArea(paper, {});
    EXPECT_EQ(std::tie(area.x0, area.y0, area.x1, area.y1), std::tie(c.area.x0, c.area.y0, c.area.x1, c.area.y1))
        << c.rotation;
    EXPECT_EQ(placed(paper, c.p).x, c.onPaper.x) << c.rotation;
    EXPECT_EQ(placed(paper, c.p).y, c.onPaper.y) << c.rotation;
  }

  auto near = [](Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y) < 1e-6; };
  const auto half = arcThrough({-100, 0}, {0, 100}, {100, 0}, 10);  // clockwise over the top
  ASSERT_EQ(half.size(), 19u);
  EXPECT_TRUE(near(half[9], {0, 100}));
  EXPECT_TRUE(near(half.back(), {100, 0}));
  EXPECT_EQ(arcThrough({0, 0}, {1, 1}, {2, 2}, 10).size(), 3u);  // in line: two lines
  const auto curve = bezierPoints({0, 0}, {0, 400}, {400, 400}, {400, 0});
  EXPECT_EQ(curve.size(), 31u);  // 1,200 units of hull in 40-unit chords
  EXPECT_TRUE(near(curve[15], {200, 300}));
}

TEST(HpglStagesTest, LineTypesCarryTheirPatternAlongTheLine) {
  LineType lt;
  lt.type = 2;        // half on, half off
  lt.absoluteMm = 1;  // a 40-unit pattern
  auto pieces = dashes({{0, 0}, {50, 0}}, lt, 0);
  ASSERT_EQ(pieces.size(), 2u);  // 0-20, then 40-50 left open
  EXPECT_EQ(pieces[1].back().x, 50);
  pieces = dashes({{50, 0}, {80, 0}}, lt, 0);  // goes on with the 10 units left of the dash
  ASSERT_EQ(pieces.size(), 1u);
  EXPECT_EQ(pieces[0].back().x, 60);
  lt.adaptive = true;  // whole patterns on a vector of its own: 2.5 of them make 3
  EXPECT_EQ(dashes({{0, 0}, {100, 0}}, lt, 0).size(), 3u);
  lt = {};
  EXPECT_EQ(dashes({{5, 5}, {5, 5}}, lt, 0)[0][1].x, 6);  // a zero-length line is a dot

  State s;
  s.palette.pens = 4;
  EXPECT_EQ(colorOf(s, 5), colorOf(s, 2));  // pens past NP's repeat
  s.carousel = true;
  EXPECT_EQ(colorOf(s, 2), 0xFF0000u);
}

TEST(HpglStagesTest, HatchingFollowsTheFillRule) {
  const std::vector<Point> square = {{0, 0}, {100, 0}, {100, 100}, {0, 100}};
  const std::vector<Point> inner = {{25, 25}, {75, 25}, {75, 75}, {25, 75}};  // the same turn
  Fill fill;
  fill.type = 3, fill.spacing = 10;
  for (const bool evenOdd : {true, false}) {
    Recorder r;
    hatch({square, inner}, evenOdd, fill, 0, r);
    double inked = 0;
    for (const auto& l : r.got) inked += l[1].x - l[0].x;
    EXPECT_EQ(inked, evenOdd ? 1000 - 250 : 1000) << evenOdd;  // 10 lines; the hole's 5 by 50
  }
  fill.type = 4;
  Recorder cross;
  hatch({square}, true, fill, 0, cross);
  size_t across = 0;
  for (const auto& l : cross.got) across += l[0].y == l[1].y;
  EXPECT_EQ(across, 10u);
  EXPECT_EQ(cross.got.size() - across, 11u);  // the upright set starts on the left edge
  EXPECT_TRUE(hatches(fill, {square}, 0));
  fill.spacing = 1;  // over 20,000 lines: a pen would ink it all, so it is filled solid
  EXPECT_FALSE(hatches(fill, {{{0, 0}, {1e5, 0}, {1e5, 1e5}}}, 0));
}

TEST(HpglStagesTest, LabelsStepLineAndFeed) {
  Labels labels;
  labels.sizeMode = 1, labels.charWidth = 100, labels.charHeight = 200;  // an advance of 150
  Scaling scaling;
  Point at{1000, 1000};
  labels.crPoint = at;
  Recorder r;
  drawText("AB\r\nC", labels, scaling, false, at, r);
  EXPECT_EQ(at.x, 1150);  // after C, one line down
  EXPECT_EQ(at.y, 600);   // a line is twice the character height
  EXPECT_EQ(labels.crPoint.y, 600);
  EXPECT_FALSE(r.got.empty());
  labels.fonts[0].set = 277;  // Roman-8
  EXPECT_EQ(characterOf(labels, 0xF6, false, true), U'—');
  labels.fonts[0].set = 33;  // German on a pen plotter, a PCL set's number in HP-GL/2
  EXPECT_EQ(characterOf(labels, '[', false, false), U'Ä');
  EXPECT_EQ(characterOf(labels, '[', false, true), U'[');
}

TEST(HpglStagesTest, ThePlotBuilderCutsTurnsGroupsAndPages) {
  PlotBuilder plot;
  const Rect area{0, 0, 100, 100};
  LineStyle style;
  plot.advancePage();  // nothing drawn yet: no new page
  Paper turned, flat;
  turned.rotation = 90;
  plot.lines({{{-50, 50}, {50, 50}}}, style, area, turned);
  plot.lines({{{10, 10}, {20, 10}}}, style, area, turned);  // the same style: the same shape
  style.pen = 2;
  plot.lines({{{10, 10}, {20, 10}}}, style, area, flat);
  plot.advancePage();
  plot.areas({{{0, 0}, {200, 0}, {200, 200}}}, 1, 0, true, area, flat);
  const std::vector<Plot> pages = plot.finish();
  ASSERT_EQ(pages.size(), 2u);
  ASSERT_EQ(pages[0].shapes.size(), 2u);
  EXPECT_EQ(pages[0].shapes[0].paths.size(), 2u);
  EXPECT_EQ(pages[0].shapes[0].paths[0][0].x, 10'000 - 50);  // from (0, 50), turned onto the paper
  EXPECT_EQ(pages[1].bounds.maxX, 100);
  PlotBuilder limited;
  EXPECT_FALSE(limited.spend(kMaxPoints + 1));
  EXPECT_TRUE(limited.truncated());
}

}  // namespace
}  // namespace refconv::hpgl
