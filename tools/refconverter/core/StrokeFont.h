// The stroke font labels are drawn with, as a plotter draws them: Dr. A. V. Hershey's
// simplex roman, embedded at build time, with accented letters put together from a base
// letter and its mark.
#pragma once

#include <vector>

#include "Hpgl.h"

namespace refconv {

// Font units: the base line at y = 0, capitals 21 high, y upwards.
inline constexpr double kFontCapHeight = 21;
// The width of a capital's body (H, N, U) in font units: what HP-GL's character width
// measures.
inline constexpr double kFontBodyWidth = 14;

struct Glyph {
  double left = 0, right = 0;  // the character's extent with its side bearings
  std::vector<std::vector<Point>> strokes;
};

// The glyph of a character; characters the font cannot show are drawn as "?".
const Glyph& glyphOf(char32_t c);

}  // namespace refconv
