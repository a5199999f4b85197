// The plane the interpreter draws in, apart from any command.
#include <gtest/gtest.h>

#include "core/hpgl/Geometry.h"

namespace refconv::hpgl {
namespace {

std::vector<std::vector<Point>> clipped(std::vector<Point> line) {
  std::vector<std::vector<Point>> out;
  clipPolyline(line, Rect{0, 0, 10, 10}, out);
  return out;
}

void expectNear(const std::vector<Point>& got, const std::vector<Point>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_NEAR(got[i].x, want[i].x, 1e-9) << i;
    EXPECT_NEAR(got[i].y, want[i].y, 1e-9) << i;
  }
}

TEST(HpglGeometryTest, LinesAndRingsAreCutToTheRectangle) {
  EXPECT_TRUE(clipped({{-5, -5}, {-1, 20}}).empty());  // wholly outside
  auto pieces = clipped({{-5, 5}, {5, 5}, {5, 15}});   // in from the left, out at the top
  ASSERT_EQ(pieces.size(), 1u);
  expectNear(pieces[0], {{0, 5}, {5, 5}, {5, 10}});
  pieces = clipped({{2, 2}, {2, 20}, {8, 20}, {8, 2}});  // out and back in: two pieces
  ASSERT_EQ(pieces.size(), 2u);
  expectNear(pieces[0], {{2, 2}, {2, 10}});
  expectNear(pieces[1], {{8, 10}, {8, 2}});
  // A square half over the right edge keeps its left half.
  expectNear(clipRing({{5, 2}, {15, 2}, {15, 8}, {5, 8}}, Rect{0, 0, 10, 10}), {{5, 2}, {10, 2}, {10, 8}, {5, 8}});
  EXPECT_TRUE(clipRing({{20, 20}, {30, 20}, {30, 30}}, Rect{0, 0, 10, 10}).empty());
}

TEST(HpglGeometryTest, ArcsStepByTheChordAndStayBounded) {
  // A quarter turn in 5-degree steps, from (10, 0) round (0, 0).
  const auto quarter = arcPoints({0, 0}, {10, 0}, 90, 5);
  ASSERT_EQ(quarter.size(), 19u);
  EXPECT_NEAR(quarter.back().x, 0, 1e-9);
  EXPECT_NEAR(quarter.back().y, 10, 1e-9);
  const auto turn = arcPoints({0, 0}, {10, 0}, 360, 45);
  EXPECT_EQ(turn.front().x, turn.back().x);  // closed exactly
  EXPECT_EQ(turn.front().y, turn.back().y);
  // Units twice as tall: an ellipse.
  EXPECT_NEAR(arcPoints({0, 0}, {10, 0}, 90, 90, 1, 2).back().y, 20, 1e-9);
  for (const Point& p : arcPoints({0, 0}, {1e300, 0}, 90, 45)) EXPECT_LE(std::fabs(p.x) + std::fabs(p.y), 2 * kLimit);
  EXPECT_EQ(clamped({NAN, -1e300}).x, 0);
  EXPECT_EQ(clamped({NAN, -1e300}).y, -kLimit);
}

}  // namespace
}  // namespace refconv::hpgl
