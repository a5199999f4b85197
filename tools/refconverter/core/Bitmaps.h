// A plot's pictures placed on a grid of pixels (the rasterizer, the metafiles), and written as
// PNG or deflated bytes for the formats that carry them.
#pragma once

#include <algorithm>
#include <cmath>
#include <string>

#include "Hpgl.h"

namespace refconv {

// A picture's corner and edges on a grid of device pixels (y down).
struct OnGrid {
  Point origin, across, down;
};

// Calls paint(x, y, i) for each pixel of a w x h grid whose centre falls within the picture,
// with i the index of the picture's pixel there (the nearest).
template <class Paint>
void eachPixel(const Bitmap& b, const OnGrid& at, int w, int h, Paint&& paint) {
  const double det = at.across.x * at.down.y - at.across.y * at.down.x;
  if (!(std::fabs(det) > 1e-9) || b.width <= 0 || b.height <= 0) return;
  double minX = at.origin.x, maxX = minX, minY = at.origin.y, maxY = minY;
  for (const Point& p : {at.across, at.down, Point{at.across.x + at.down.x, at.across.y + at.down.y}}) {
    minX = std::min(minX, at.origin.x + p.x), maxX = std::max(maxX, at.origin.x + p.x);
    minY = std::min(minY, at.origin.y + p.y), maxY = std::max(maxY, at.origin.y + p.y);
  }
  const int x0 = static_cast<int>(std::clamp(std::floor(minX), 0.0, static_cast<double>(w)));
  const int x1 = static_cast<int>(std::clamp(std::ceil(maxX), 0.0, static_cast<double>(w)));
  const int y0 = static_cast<int>(std::clamp(std::floor(minY), 0.0, static_cast<double>(h)));
  const int y1 = static_cast<int>(std::clamp(std::ceil(maxY), 0.0, static_cast<double>(h)));
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      const double dx = x + 0.5 - at.origin.x, dy = y + 0.5 - at.origin.y;
      const double u = (dx * at.down.y - dy * at.down.x) / det, v = (at.across.x * dy - at.across.y * dx) / det;
      if (!(u >= 0 && u < 1 && v >= 0 && v < 1)) continue;
      const int col = std::min(b.width - 1, static_cast<int>(u * b.width));
      const int row = std::min(b.height - 1, static_cast<int>(v * b.height));
      paint(x, y, static_cast<size_t>(row) * b.width + col);
    }
}

// How many pixels a side are taken as one so that w x h keeps within `mostPixels` (1: all).
int reductionFor(int w, int h, double mostPixels);
// A two-level picture (a scan, fax data) taken smaller by whole steps, a block black when any
// of its pixels is, so that thin lines survive; `black(x, y)` says what each pixel is.
template <class Black>
Bitmap reducedByInk(int w, int h, int step, Black&& black) {
  Bitmap out;
  out.width = (w + step - 1) / step, out.height = (h + step - 1) / step;
  out.rgb.assign(static_cast<size_t>(out.width) * out.height * 3, 0xFF);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (black(x, y)) {
        uint8_t* p = &out.rgb[(static_cast<size_t>(y / step) * out.width + x / step) * 3];
        p[0] = p[1] = p[2] = 0;
      }
  return out;
}

// zlib's deflate of `bytes` (a PDF's FlateDecode).
std::string deflated(const std::string& bytes);
// Bytes as base64 (a data: address).
std::string base64(const std::string& bytes);
// The picture as a PNG file: RGB, or RGBA when some pixel is not opaque.
std::string pngOf(const Bitmap& b);

}  // namespace refconv
