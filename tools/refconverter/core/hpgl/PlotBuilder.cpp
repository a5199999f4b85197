#include "PlotBuilder.h"

namespace refconv::hpgl {

bool PlotBuilder::spend(size_t points) {
  points_ += points;
  if (points_ > kMaxPoints) full_ = truncated_ = true;
  return !full_;
}

void PlotBuilder::lines(std::vector<std::vector<Point>> lines, const LineStyle& style, const Rect& area, const Paper& paper) {
  std::vector<std::vector<Point>> cut;
  for (const auto& line : lines) clipPolyline(line, area, cut);
  std::vector<Shape>& shapes = pages_.back().shapes;
  Shape* shape = nullptr;
  for (auto& line : cut) {
    if (line.size() < 2 || !spend(line.size())) continue;
    for (Point& p : line) p = clamped(placed(paper, p));  // a dot's one unit past the limit included
    if (!shape) {
      const bool joins = !shapes.empty() && !shapes.back().fill && shapes.back().pen == style.pen &&
                         shapes.back().color == style.color && shapes.back().widthMm == style.widthMm &&
                         shapes.back().end == style.end && shapes.back().join == style.join &&
                         shapes.back().miterLimit == style.miterLimit;
      if (!joins) {
        Shape s;
        s.pen = style.pen;
        s.color = style.color;
        s.widthMm = style.widthMm;
        s.end = style.end;
        s.join = style.join;
        s.miterLimit = style.miterLimit;
        shapes.push_back(std::move(s));
      }
      shape = &shapes.back();
    }
    shape->paths.push_back(std::move(line));
  }
}

void PlotBuilder::areas(std::vector<std::vector<Point>> rings, int pen, uint32_t color, bool evenOdd, const Rect& area,
                        const Paper& paper) {
  Shape s;
  s.pen = pen;
  s.color = color;
  s.fill = true;
  s.evenOdd = evenOdd;
  for (auto& ring : rings) {
    ring = clipRing(std::move(ring), area);
    if (ring.size() < 3 || !spend(ring.size())) continue;
    for (Point& p : ring) p = clamped(placed(paper, p));
    s.paths.push_back(std::move(ring));
  }
  if (!s.paths.empty()) pages_.back().shapes.push_back(std::move(s));
}

void PlotBuilder::advancePage() {
  if (pages_.back().shapes.empty()) return;
  if (pages_.size() >= kMaxPages) {
    full_ = truncated_ = true;
    return;
  }
  pages_.emplace_back();
}

std::vector<Plot> PlotBuilder::finish() {
  while (pages_.size() > 1 && pages_.back().shapes.empty()) pages_.pop_back();
  for (Plot& plot : pages_)
    for (const Shape& s : plot.shapes)
      for (const auto& path : s.paths)
        for (const Point& p : path) plot.bounds.add(p);
  return std::move(pages_);
}

}  // namespace refconv::hpgl
