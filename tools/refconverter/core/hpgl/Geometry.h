// The plane the interpreter draws in: plotter units, kept finite and bounded; the paper,
// user units scaled onto P1 and P2, the plot's rotation; lines and areas cut to a rectangle;
// arcs and Bézier curves as the points a plotter steps along.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

#include "../Hpgl.h"

namespace refconv::hpgl {

inline constexpr double kLimit = 1e8;  // plotter units: 2.5 km, more than any plot

inline double clampCoordinate(double v) { return std::isfinite(v) ? std::clamp(v, -kLimit, kLimit) : 0; }
inline Point clamped(Point p) { return {clampCoordinate(p.x), clampCoordinate(p.y)}; }

struct Rect {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// The parts of a polyline inside a rectangle, added to `out` (Liang-Barsky, segment by segment).
void clipPolyline(const std::vector<Point>& line, const Rect& r, std::vector<std::vector<Point>>& out);
// A closed ring cut to a rectangle (Sutherland-Hodgman: exact for a convex window).
std::vector<Point> clipRing(std::vector<Point> ring, const Rect& r);
// Arc points around `center` from `start`, `sweep` degrees (positive counter-clockwise) in
// steps of at most `chord` degrees, in a space whose units are (ux, uy) plotter units:
// anisotropic scaling makes ellipses. A whole turn ends exactly where it began.
std::vector<Point> arcPoints(Point center, Point start, double sweep, double chord, double ux = 1, double uy = 1);
// The arc from `a` through `m` to `e` (AT, RT), ending exactly at `e`; three points on one
// line are the two lines through them.
std::vector<Point> arcThrough(Point a, Point m, Point e, double chord);
// A cubic Bézier curve (BZ, BR) in chords of about a millimetre, 4 to 64 of them.
std::vector<Point> bezierPoints(Point p0, Point p1, Point p2, Point p3);

// The paper: its hard-clip limits (PS, or a letter-size plotter's) and the plot's rotation (RO).
struct Paper {
  Rect hardClip{0, 0, 10000, 7500};
  bool plotSizeGiven = false;
  bool widthGiven = false;  // PS gave a width; a roll's width is the roll's own
  int rotation = 0;         // 0, 90, 180 or 270 degrees
};

// A plot with no PS is as long as its drawing (a textile marker runs 18 m along its roll); a
// point beyond this is on no roll at all.
inline constexpr double kLongestRoll = 6'000'000;  // plotter units: 150 m

// User units: P1 and P2 (IP, IR), the scaling onto them (SC) and the window (IW).
struct Scaling {
  Point p1, p2;  // the paper's corners once reset
  std::optional<Rect> window;
  bool scaled = false;
  int type = 0;  // SC's: 0 anisotropic, 1 isotropic, 2 point factor
  double left = 50, bottom = 50;
  std::array<double, 4> user{};  // xmin, xmax, ymin, ymax (or factors for type 2)
  double sx = 1, sy = 1, ox = 0, oy = 0;

  Point toPlotter(double x, double y) const;
  Point deltaToPlotter(double dx, double dy) const { return scaled ? Point{sx * dx, sy * dy} : Point{dx, dy}; }
  Point relativeTo(Point from, double dx, double dy) const;
  double lengthToPlotter(double r) const { return scaled ? std::fabs(sx) * r : r; }
  // Arcs are round in user units, so that anisotropic scaling draws them as ellipses.
  std::vector<Point> arc(Point center, Point start, double sweep, double chord) const;
  double diagonal() const { return std::hypot(p2.x - p1.x, p2.y - p1.y); }
  // The factors and offset from `user` and P1, P2; scaling ends where they are not finite.
  void apply();
};

// The commands that set them, each reading its parameters.
class Reader;
void scalingPoints(Reader& in, Scaling& scaling, const Paper& paper);          // IP
void relativeScalingPoints(Reader& in, Scaling& scaling, const Paper& paper);  // IR
void scale(Reader& in, Scaling& scaling);                                      // SC
void inputWindow(Reader& in, Scaling& scaling);                                // IW
// PS. In HP-GL/1 (`hpgl2` false) a single small number is an older plotter's paper code (PS4:
// size A), not a length: the paper stays unknown and nothing is cut.
void plotSize(Reader& in, Paper& paper, Scaling& scaling, bool hpgl2 = true);
void rotate(Reader& in, Paper& paper);                                         // RO

// Where a plotter draws: inside the paper's hard-clip limits and the window.
Rect clipArea(const Paper& paper, const Scaling& scaling);
// A point of the plot turned as RO asks, round the origin.
// RO turns and shifts the coordinate system: its origin is the lower left corner of the turned
// paper, so a plot turned 90 degrees stays on the paper. P1 and P2 keep their values.
Point placed(const Paper& paper, Point p);

}  // namespace refconv::hpgl
