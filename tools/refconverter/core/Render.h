// Writing a drawing as vector files (SVG, PDF) and the page and pen rules every output of a
// drawing shares, so that the SVG, the PDF, the metafile and the pictures agree.
#pragma once

#include <string>
#include <vector>

#include "Hpgl.h"

namespace refconv {

inline constexpr double kMmPerPlu = 0.025;
inline constexpr double kMarginMm = 5;

// The page of a drawing: its bounds and a margin round them, in plotter units.
struct Page {
  double left = 0, bottom = 0;  // plotter units at the page's lower left corner
  double widthMm = 10, heightMm = 10;
};
Page pageOf(const Drawing& drawing);

// On and off lengths in millimetres of a stroke's dash pattern; empty for a solid line.
std::vector<double> dashLengthsMm(const Stroke& stroke);

// A label's font: its size (em) in plotter units and the horizontal scale that makes each
// character advance 1.5 character widths, as a plotter's would.
double labelFontSize(const Label& label);
inline constexpr double kHelveticaAdvance = 0.556;  // average advance of the standard font, in em

std::string svgOf(const Drawing& drawing);
std::string pdfOf(const Drawing& drawing);
// A one-page PDF showing a JPEG picture (DCT data as it is) at `dpi`.
std::string pdfOfJpeg(const std::string& jpeg, int widthPx, int heightPx, double dpi);

}  // namespace refconv
