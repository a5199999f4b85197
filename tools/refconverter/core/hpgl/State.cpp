#include "State.h"

#include <algorithm>

namespace refconv::hpgl {

const std::vector<double>& defaultPattern(int type) {
  static const std::vector<double> kPatterns[] = {
      {},
      {0.0, 1.0},
      {0.5, 0.5},
      {0.7, 0.3},
      {0.8, 0.1, 0.0, 0.1},
      {0.7, 0.1, 0.1, 0.1},
      {0.5, 0.1, 0.1, 0.1, 0.1, 0.1},
      {0.7, 0.1, 0.0, 0.1, 0.0, 0.1},
      {0.5, 0.1, 0.0, 0.1, 0.1, 0.1, 0.0, 0.1},
  };
  return kPatterns[std::clamp(type, 0, 8)];
}

void resetPart(State& s, Part part) {
  switch (part) {
    case Part::None:
    case Part::Count: break;
    case Part::Paper: s.paper = {}; break;
    case Part::ScalingPoints:
      s.scaling.p1 = {s.paper.hardClip.x0, s.paper.hardClip.y0};
      s.scaling.p2 = {s.paper.hardClip.x1, s.paper.hardClip.y1};
      break;
    case Part::Scaling: s.scaling = {.p1 = s.scaling.p1, .p2 = s.scaling.p2}; break;
    case Part::Position: s.at = {0, 0}; break;
    case Part::PenMode: s.mode = {}; break;
    case Part::Pen: s.pen = 1; break;
    case Part::Palette: s.palette = {}; break;
    case Part::PenWidths: s.widths = {}; break;
    case Part::LineEnds:
      s.ends = {};
      if (s.carousel) s.ends.end = LineEnd::Round, s.ends.join = LineJoin::Round;
      break;
    case Part::LineType: s.lineType = {}; break;
    case Part::Fill: s.fill = {}; break;
    case Part::Patterns: s.rasterPatterns.clear(); break;
    case Part::Polygon: s.polygon = {}; break;
    case Part::Labels:
      s.labels = {};
      s.labels.crPoint = s.at;
      break;
    case Part::LabelBuffer: s.labelBuffer.clear(); break;
  }
}

void reset(State& state, bool initialize) {
  for (size_t i = 0; i < kResetBy.size(); ++i)
    if (initialize ? kResetBy[i].in : kResetBy[i].df) resetPart(state, static_cast<Part>(i));
}

}  // namespace refconv::hpgl
