// The pages a plot file draws: lines grouped into shapes of one style, areas, page advances,
// all cut to where the plotter draws and turned with the plot, within the limits on points
// and pages that keep a hostile file's drawing bounded.
#pragma once

#include <vector>

#include "../Hpgl.h"
#include "Geometry.h"

namespace refconv::hpgl {

inline constexpr size_t kMaxPoints = 4'000'000;
inline constexpr size_t kMaxPages = 256;

struct LineStyle {
  int pen = 1;
  uint32_t color = 0;
  double widthMm = 0.35;
  LineEnd end = LineEnd::Butt;
  LineJoin join = LineJoin::Miter;
  double miterLimit = 5;
};

// Where a stage's lines go: drawn in the current pen and line attributes, cut and turned
// with the plot. Stages stop once it is full.
class LineSink {
 public:
  virtual void lines(std::vector<std::vector<Point>> lines, bool round) = 0;
  virtual bool full() const = 0;

 protected:
  ~LineSink() = default;
};

class PlotBuilder {
 public:
  PlotBuilder() { pages_.emplace_back(); }

  // Once a limit is reached nothing more is drawn, and the drawing says it was truncated.
  bool full() const { return full_; }
  bool truncated() const { return truncated_; }
  // Counts points against the limit; false once it is reached.
  bool spend(size_t points);

  // Lines cut to `area` and turned onto `paper` (RO); they join the last shape when it has their style.
  void lines(std::vector<std::vector<Point>> lines, const LineStyle& style, const Rect& area, const Paper& paper);
  // Closed rings filled by the rule, cut to `area` and turned onto `paper`: a shape of their own.
  void areas(std::vector<std::vector<Point>> rings, int pen, uint32_t color, bool evenOdd, const Rect& area,
             const Paper& paper);
  // A new page, unless the current one is still empty.
  void advancePage();
  // The pages, without trailing empty ones, each with the bounds of what it holds.
  std::vector<Plot> finish();

 private:
  std::vector<Plot> pages_;
  size_t points_ = 0;
  bool full_ = false, truncated_ = false;
};

}  // namespace refconv::hpgl
