// Writing plots as vector files (SVG, PDF) and the page rule every output of a plot shares,
// so that the SVG, the PDF, the metafiles and the pictures agree.
#pragma once

#include <string>
#include <vector>

#include "Hpgl.h"

namespace refconv {

inline constexpr double kMmPerPlu = 0.025;
inline constexpr double kMarginMm = 5;
// Lines of pen width 0 are the thinnest a device draws; in vector files this width.
inline constexpr double kThinnestMm = 0.05;

// The page of a plot: its bounds and a margin round them, in plotter units.
struct Page {
  double left = 0, bottom = 0;  // plotter units at the page's lower left corner
  double widthMm = 10, heightMm = 10;
};
Page pageOf(const Plot& plot);

// A number as vector files write it: at most `places` decimals, no trailing zeros, no "-0".
std::string decimal(double v, int places = 3);

// A colour as SVG and XPS write it: "#RRGGBB".
std::string hexColor(uint32_t rgb);

// Whether a path ends where it starts, and is drawn with a join there rather than ends.
bool isClosed(const std::vector<Point>& path);

std::string svgOf(const Plot& plot);
// One page a plot.
std::string pdfOf(const Drawing& drawing);
// A one-page PDF showing a JPEG picture (DCT data as it is) at `dpi`.
std::string pdfOfJpeg(const std::string& jpeg, int widthPx, int heightPx, double dpi);

}  // namespace refconv
