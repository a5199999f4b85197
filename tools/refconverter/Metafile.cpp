#include "Metafile.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/Bitmaps.h"

namespace refconv {

namespace {

COLORREF colorRef(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

// A pen of the shape's width, ends and joins; a metafile of 16-bit records (`simplePens`)
// has only the plain pens.
HPEN penOf(const Shape& shape, double deviceWidth, bool simplePens) {
  const int width = std::max(1, static_cast<int>(std::lround(deviceWidth)));
  if (simplePens) return CreatePen(PS_SOLID, width, colorRef(shape.color));
  if (width <= 1) {  // a cosmetic pen draws a one-unit line alike, many times faster
    LOGBRUSH brush = {BS_SOLID, colorRef(shape.color), 0};
    return ExtCreatePen(PS_COSMETIC | PS_SOLID, 1, &brush, 0, nullptr);
  }
  const DWORD end = shape.end == LineEnd::Butt     ? PS_ENDCAP_FLAT
                    : shape.end == LineEnd::Square ? PS_ENDCAP_SQUARE
                                                   : PS_ENDCAP_ROUND;
  const DWORD join = shape.join == LineJoin::Round                                         ? PS_JOIN_ROUND
                     : shape.join == LineJoin::Miter || shape.join == LineJoin::MiterBevel ? PS_JOIN_MITER
                                                                                           : PS_JOIN_BEVEL;
  LOGBRUSH brush = {BS_SOLID, colorRef(shape.color), 0};
  return ExtCreatePen(PS_GEOMETRIC | PS_SOLID | end | join, static_cast<DWORD>(width), &brush, 0, nullptr);
}

// A w x h picture stretched onto `to` by the raster operation; pixel(x, y) gives the
// blue, green and red bytes of a pixel, top row first.
template <class Pixel>
void stretch(HDC dc, int w, int h, RECT to, DWORD rop, Pixel&& pixel) {
  // Metafiles record the bits with their header; a bottom-up picture is the form every
  // player sizes right (Wine's reads past a top-down one).
  // 24-bit rows padded to four bytes, bottom row first, with the image size filled in.
  const size_t row = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, static_cast<DWORD>(row * h)};
  std::vector<BYTE> bottomUp(row * h);
  for (size_t y = 0; y < static_cast<size_t>(h); ++y) {
    BYTE* to24 = bottomUp.data() + (h - 1 - y) * row;
    for (size_t x = 0; x < static_cast<size_t>(w); ++x) std::copy_n(pixel(x, y), 3, to24 + x * 3);
  }
  // Halftone stretching is recorded too and makes Wine's player crash when it shrinks the
  // picture; colour-on-colour plays everywhere.
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchDIBits(dc, to.left, to.top, to.right - to.left, to.bottom - to.top, 0, 0, w, h, bottomUp.data(), &info,
                DIB_RGB_COLORS, rop);
}

// A plot's picture. One set square on the page is stretched as it is; a turned or
// transparent one is first laid on a grid of its bounds, then drawn through a mask (the mask
// ANDed, black where the picture is; the picture ORed, black around it), which both
// metafile kinds record.
void drawBitmap(HDC dc, const Bitmap& b, const Mapping& map) {
  const double sign = map.yUp ? -1 : 1;
  const POINT o = map.at(b.origin);
  auto along = [&](Point v) { return Point{v.x * map.scale, -v.y * map.scale}; };  // visual: y down
  const Point across = along(b.across), down = along(b.down);
  std::vector<BYTE> bgr(b.rgb.size());
  for (size_t i = 0; i + 2 < b.rgb.size(); i += 3)
    bgr[i] = b.rgb[i + 2], bgr[i + 1] = b.rgb[i + 1], bgr[i + 2] = b.rgb[i];
  if (across.y == 0 && down.x == 0 && b.alpha.empty()) {
    const RECT to = {o.x, o.y, o.x + static_cast<LONG>(std::lround(across.x)),
                     o.y + static_cast<LONG>(std::lround(sign * down.y))};
    stretch(dc, b.width, b.height, to, SRCCOPY, [&](size_t x, size_t y) { return &bgr[(y * b.width + x) * 3]; });
    return;
  }
  const Point corner = {static_cast<double>(o.x), sign * o.y};
  double minX = corner.x, maxX = minX, minY = corner.y, maxY = minY;
  for (const Point& v : {across, down, Point{across.x + down.x, across.y + down.y}}) {
    minX = std::min(minX, corner.x + v.x), maxX = std::max(maxX, corner.x + v.x);
    minY = std::min(minY, corner.y + v.y), maxY = std::max(maxY, corner.y + v.y);
  }
  // As many grid cells along each edge as the picture has pixels, within 4096 a side.
  const double density = std::max(b.width / std::max(std::hypot(across.x, across.y), 1e-9),
                                  b.height / std::max(std::hypot(down.x, down.y), 1e-9));
  const double cell = std::max({1 / density, (maxX - minX) / 4096, (maxY - minY) / 4096, 1e-9});
  const int w = std::max(1, static_cast<int>(std::ceil((maxX - minX) / cell)));
  const int h = std::max(1, static_cast<int>(std::ceil((maxY - minY) / cell)));
  std::vector<BYTE> color(static_cast<size_t>(w) * h * 3, 0), mask(color.size(), 0xFF);
  const OnGrid at = {{(corner.x - minX) / cell, (corner.y - minY) / cell},
                     {across.x / cell, across.y / cell},
                     {down.x / cell, down.y / cell}};
  eachPixel(b, at, w, h, [&](int x, int y, size_t i) {
    if (!b.alpha.empty() && b.alpha[i] < 128) return;
    const size_t k = (static_cast<size_t>(y) * w + x) * 3;
    std::copy_n(&bgr[i * 3], 3, &color[k]);
    std::fill_n(&mask[k], 3, 0);
  });
  const RECT to = {static_cast<LONG>(std::lround(minX)), static_cast<LONG>(std::lround(sign * minY)),
                   static_cast<LONG>(std::lround(maxX)), static_cast<LONG>(std::lround(sign * maxY))};
  stretch(dc, w, h, to, SRCAND, [&](size_t x, size_t y) { return &mask[(y * w + x) * 3]; });
  stretch(dc, w, h, to, SRCPAINT, [&](size_t x, size_t y) { return &color[(y * w + x) * 3]; });
}

}  // namespace

void drawPlot(HDC dc, const Plot& plot, const Mapping& map, bool simplePens) {
  std::vector<POINT> points;
  std::vector<INT> counts;
  for (const Shape& shape : plot.shapes) {
    if (shape.image) {
      drawBitmap(dc, *shape.image, map);
      continue;
    }
    if (shape.fill) {
      points.clear();
      counts.clear();
      for (const auto& path : shape.paths) {
        for (const Point& p : path) points.push_back(map.at(p));
        counts.push_back(static_cast<INT>(path.size()));
      }
      HBRUSH brush = CreateSolidBrush(colorRef(shape.color));
      HGDIOBJ oldBrush = SelectObject(dc, brush);
      HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
      SetPolyFillMode(dc, shape.evenOdd ? ALTERNATE : WINDING);
      PolyPolygon(dc, points.data(), counts.data(), static_cast<int>(counts.size()));
      SelectObject(dc, oldPen);
      SelectObject(dc, oldBrush);
      DeleteObject(brush);
      continue;
    }
    HPEN pen = penOf(shape, std::max(shape.widthMm, kThinnestMm) / kMmPerPlu * map.scale, simplePens);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    if (!simplePens) SetMiterLimit(dc, static_cast<FLOAT>(shape.miterLimit), nullptr);
    for (const auto& path : shape.paths) {
      points.clear();
      for (const Point& p : path) points.push_back(map.at(p));
      // A closed path is an outline, with joins where it starts and ends.
      if (isClosed(path))
        Polygon(dc, points.data(), static_cast<int>(points.size()) - 1);
      else
        Polyline(dc, points.data(), static_cast<int>(points.size()));
    }
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
  }
}

void drawPicture(HDC dc, const Picture& picture, RECT to) {
  stretch(dc, static_cast<int>(picture.width), static_cast<int>(picture.height), to, SRCCOPY,
          [&](size_t x, size_t y) { return picture.bgra.data() + (y * picture.width + x) * 4; });
}

void writeEmf(OutputFile& out, double widthMm, double heightMm, const std::function<void(HDC)>& draw) {
  const RECT frame = {0, 0, static_cast<LONG>(std::lround(widthMm * 100)),
                      static_cast<LONG>(std::lround(heightMm * 100))};
  // Recorded in memory, then written as any other output is.
  HDC dc = CreateEnhMetaFileW(nullptr, nullptr, &frame, L"RefConverter\0drawing\0");
  if (!dc) throw Failure{"cannot make the metafile"};
  SetMapMode(dc, MM_HIMETRIC);
  draw(dc);
  HENHMETAFILE done = CloseEnhMetaFile(dc);
  if (!done) throw Failure{"cannot finish the metafile"};
  std::string bytes(GetEnhMetaFileBits(done, 0, nullptr), '\0');
  const UINT copied = GetEnhMetaFileBits(done, static_cast<UINT>(bytes.size()), reinterpret_cast<BYTE*>(bytes.data()));
  DeleteEnhMetaFile(done);
  if (copied == 0 || copied != bytes.size()) throw Failure{"cannot finish the metafile"};
  out.write(bytes);
}

void writeWmf(OutputFile& out, double widthMm, double heightMm, const std::function<void(HDC, double)>& draw,
              double unitsPerMm) {
  if (unitsPerMm <= 0) unitsPerMm = std::min(100.0, 30000 / std::max({widthMm, heightMm, 1.0}));
  const int w = std::max(1, static_cast<int>(std::lround(widthMm * unitsPerMm)));
  const int h = std::max(1, static_cast<int>(std::lround(heightMm * unitsPerMm)));
  if (w > 32767 || h > 32767) throw Failure{"too large for a Windows metafile"};
  HDC dc = CreateMetaFileW(nullptr);
  if (!dc) throw Failure{"cannot make the metafile"};
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowOrgEx(dc, 0, 0, nullptr);
  SetWindowExtEx(dc, w, h, nullptr);
  draw(dc, unitsPerMm);
  HMETAFILE done = CloseMetaFile(dc);
  if (!done) throw Failure{"cannot finish the metafile"};
  const UINT size = GetMetaFileBitsEx(done, 0, nullptr);
  std::string bytes(22 + size, '\0');
  GetMetaFileBitsEx(done, size, bytes.data() + 22);
  DeleteMetaFile(done);
  WORD header[11] = {0xCDD7,
                     0x9AC6,
                     0,
                     0,
                     0,
                     static_cast<WORD>(w),
                     static_cast<WORD>(h),
                     static_cast<WORD>(std::lround(unitsPerMm * 25.4)),
                     0,
                     0,
                     0};
  WORD sum = 0;
  for (int i = 0; i < 10; ++i) sum ^= header[i];
  header[10] = sum;
  std::copy(reinterpret_cast<const char*>(header), reinterpret_cast<const char*>(header) + 22, bytes.begin());
  out.write(bytes);
}

}  // namespace refconv
