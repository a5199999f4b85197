// An interpreter's drawing as text, points to a thousandth of a plotter unit: a reordered sum
// that moves the last bits of a double does not count as a change, a drawing that moves does.
#pragma once

#include <cmath>
#include <sstream>
#include <string>

#include "core/Hpgl.h"

namespace refconv {

inline std::string modelText(const Drawing& d) {
  std::ostringstream text;
  text << d.unknownCommands << ' ' << d.hpgl2 << ' ' << d.truncated << '\n';
  for (const Plot& plot : d.pages) {
    text << "page\n";
    for (const Shape& s : plot.shapes) {
      text << "shape " << s.pen << ' ' << s.color << ' ' << s.fill << ' ' << s.evenOdd << ' '
           << std::llround(s.widthMm * 1e4) << ' ' << int(s.end) << ' ' << int(s.join) << ' '
           << std::llround(s.miterLimit * 1e4) << '\n';
      for (const auto& path : s.paths) {
        for (const Point& p : path) text << std::llround(p.x * 1e3) << ',' << std::llround(p.y * 1e3) << ' ';
        text << '\n';
      }
    }
  }
  return text.str();
}

}  // namespace refconv
