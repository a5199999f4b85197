// Pictures of a plot: lines stroked with their ends and joins and areas filled by their
// rule, anti-aliased, on white. Portable, so that every picture format shows the same
// pixels and the rasterizer is tested natively.
#pragma once

#include <cstdint>
#include <vector>

#include "Hpgl.h"
#include "Render.h"

namespace refconv {

struct Image {
  int width = 0, height = 0;
  double dpi = 100;
  std::vector<uint8_t> rgb;  // 3 bytes a pixel, top row first
  bool cutShort = false;     // the plot would have taken too long: what is drawn is its start
};

// The plot's page at `dpi`, shrunk where its longer side would pass `maxSidePx`.
Image rasterize(const Plot& plot, double dpi, double maxSidePx);

}  // namespace refconv
