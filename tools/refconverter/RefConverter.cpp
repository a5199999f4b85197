// RefConverter.exe: the project's own converter, which speaks the viewer's command line
//   "<exe>" /z "<command file>"
// and converts each line of the command file ("/p "<input>" "<output>"") into the format of
// the output's extension: pictures (TIFF, JPEG, BMP, PNG, GIF) through WIC, plotter files
// (HP-GL, HP-GL/2, also inside PCL) through its own interpreter. Every line's result goes to
// "<command file name>.log" beside the command file; the exit code is 0 when all succeeded,
// 1 when a line failed, 2 when the command file could not be read. An output is written to
// a temporary file beside it and put in place whole, so a failure never leaves half a file.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <wincodec.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "core/CommandFile.h"
#include "core/Dxf.h"
#include "core/Hpgl.h"
#include "core/HpglWriter.h"
#include "core/Pcx.h"
#include "core/PostScript.h"
#include "core/PclRaster.h"
#include "core/Raster.h"
#include "core/Render.h"
#include "core/Xps.h"
#include "win/AtomicFileWriter.h"
#include "win/Error.h"
#include "win/Handles.h"
#include "win/Strings.h"

using namespace refconv;
using marlisk::win::ansiForDisplay;
using marlisk::win::AtomicFileWriter;
using marlisk::win::ComPtr;
using marlisk::win::narrow;
using marlisk::win::widen;
using marlisk::win::Win32Error;

namespace {

constexpr size_t kMaxInputBytes = 512u * 1024 * 1024;
constexpr double kDrawingDpi = 100;
constexpr double kMaxSidePx = 8000;
constexpr double kMaxTiffPixels = 256e6;

struct Failure {
  std::string reason;
};

void check(HRESULT hr, const char* what) {
  if (const Win32Error error = Win32Error::of(hr); error.failed())
    throw Failure{std::string(what) + " failed (" + error.text() + ")"};
}

[[noreturn]] void fail(const char* what, Win32Error error) {
  throw Failure{std::string(what) + " (" + error.text() + ")"};
}

std::string readAll(const std::wstring& path, size_t limit) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) fail("cannot open the input", Win32Error::last());
  LARGE_INTEGER size = {};
  GetFileSizeEx(file, &size);
  if (size.QuadPart < 0 || static_cast<unsigned long long>(size.QuadPart) > limit) {
    CloseHandle(file);
    throw Failure{"the input is too large"};
  }
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD got = 0;
  const BOOL ok = bytes.empty() || ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(file);
  if (!ok || got != bytes.size()) throw Failure{"cannot read the input"};
  return bytes;
}

// The output goes to a temporary file beside it first; only a complete file takes its name.
// Nothing is created until there is something to write.
class OutputFile {
 public:
  explicit OutputFile(const std::wstring& path) : path_(narrow(path)) {}
  void write(const std::string& bytes) {
    if (!writer_) {
      writer_.emplace(path_);
      if (writer_->error().failed()) fail("cannot create the output", writer_->error());
    }
    if (const Win32Error error = writer_->write(bytes); error.failed()) fail("cannot write the output", error);
  }
  void commit() {
    if (!writer_) throw Failure{"nothing was written"};
    if (const Win32Error error = writer_->commit(); error.failed()) fail("cannot put the output in place", error);
  }

 private:
  std::string path_;
  std::optional<AtomicFileWriter> writer_;
};

// --- pictures through WIC ---------------------------------------------------------------

struct Picture {
  UINT width = 0, height = 0;
  double dpi = 96;
  std::vector<BYTE> bgra;  // 32 bits a pixel, top row first
};

// One a thread: each conversion thread has its own COM apartment.
IWICImagingFactory* factory() {
  thread_local IWICImagingFactory* instance = [] {
    IWICImagingFactory* f = nullptr;
    check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&f)),
          "starting the imaging codecs");
    return f;
  }();
  return instance;
}

bool isPicture(const std::string& b) {
  auto starts = [&](const char* magic, size_t n) { return b.size() >= n && b.compare(0, n, magic, n) == 0; };
  return starts("\x89PNG", 4) || starts("\xFF\xD8", 2) || starts("BM", 2) || starts("GIF8", 4) || starts("II*\0", 4) ||
         starts("MM\0*", 4);
}

Picture decodePicture(const std::string& bytes) {
  ComPtr<IWICStream> stream;
  check(factory()->CreateStream(stream.put()), "making a stream");
  check(stream->InitializeFromMemory(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())),
                                     static_cast<DWORD>(bytes.size())),
        "reading the picture");
  ComPtr<IWICBitmapDecoder> decoder;
  check(factory()->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.put()),
        "decoding the picture");
  ComPtr<IWICBitmapFrameDecode> frame;
  check(decoder->GetFrame(0, frame.put()), "decoding the picture's first frame");
  ComPtr<IWICFormatConverter> converter;
  check(factory()->CreateFormatConverter(converter.put()), "converting the picture");
  check(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                              WICBitmapPaletteTypeCustom),
        "converting the picture");
  Picture picture;
  check(converter->GetSize(&picture.width, &picture.height), "reading the picture's size");
  if (picture.width == 0 || picture.height == 0 || picture.width > 30000 || picture.height > 30000 ||
      static_cast<double>(picture.width) * picture.height > 200e6)
    throw Failure{"the picture's size is out of range"};
  double dx = 96, dy = 96;
  if (SUCCEEDED(frame->GetResolution(&dx, &dy)) && dx > 1 && dx < 10000) picture.dpi = dx;
  picture.bgra.resize(static_cast<size_t>(picture.width) * picture.height * 4);
  check(converter->CopyPixels(nullptr, picture.width * 4, static_cast<UINT>(picture.bgra.size()), picture.bgra.data()),
        "decoding the picture's pixels");
  return picture;
}

void encodeFrame(IWICBitmapEncoder* encoder, const Picture& picture, Format format);

// Pictures in a format's container, made one at a time by `next` (false when there are no
// more), so that a file of many pages never holds them all; formats of one picture take
// the first.
std::string encodePictures(const std::function<bool(Picture&)>& next, Format format) {
  GUID container;
  switch (format) {
    case Format::Png: container = GUID_ContainerFormatPng; break;
    case Format::Tiff: container = GUID_ContainerFormatTiff; break;
    case Format::Jpeg: container = GUID_ContainerFormatJpeg; break;
    case Format::Bmp: container = GUID_ContainerFormatBmp; break;
    case Format::Gif: container = GUID_ContainerFormatGif; break;
    default: throw Failure{"not a picture format"};
  }
  ComPtr<IStream> memory;
  check(CreateStreamOnHGlobal(nullptr, TRUE, memory.put()), "making a memory stream");
  ComPtr<IWICBitmapEncoder> encoder;
  check(factory()->CreateEncoder(container, nullptr, encoder.put()), "starting the encoder");
  check(encoder->Initialize(memory.get(), WICBitmapEncoderNoCache), "starting the encoder");
  Picture picture;
  for (int frame = 0; next(picture); ++frame) {
    encodeFrame(encoder.get(), picture, format);
    if (format != Format::Tiff) break;
  }
  check(encoder->Commit(), "encoding the picture");
  HGLOBAL global = nullptr;
  check(GetHGlobalFromStream(memory.get(), &global), "reading the encoded picture");
  STATSTG stat = {};
  memory->Stat(&stat, STATFLAG_NONAME);
  const auto* data = static_cast<const char*>(GlobalLock(global));
  std::string bytes(data, static_cast<size_t>(stat.cbSize.QuadPart));
  GlobalUnlock(global);
  return bytes;
}

std::string encodePicture(const Picture& picture, Format format) {
  bool given = false;
  return encodePictures(
      [&](Picture& out) {
        if (given) return false;
        out = picture;
        return given = true;
      },
      format);
}

void encodeFrame(IWICBitmapEncoder* encoder, const Picture& picture, Format format) {
  ComPtr<IWICBitmap> bitmap;
  check(factory()->CreateBitmapFromMemory(picture.width, picture.height, GUID_WICPixelFormat32bppBGRA,
                                          picture.width * 4, static_cast<UINT>(picture.bgra.size()),
                                          const_cast<BYTE*>(picture.bgra.data()), bitmap.put()),
        "holding the picture");
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> options;
  check(encoder->CreateNewFrame(frame.put(), options.put()), "making a frame");
  if (format == Format::Png && options) {
    // Drawings are mostly white: one cheap filter compresses them as well as the adaptive
    // choice, in a fraction of the time.
    PROPBAG2 option = {};
    option.pstrName = const_cast<LPOLESTR>(L"FilterOption");
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_UI1;
    value.bVal = WICPngFilterSub;
    options->Write(1, &option, &value);
  }
  check(frame->Initialize(options.get()), "making a frame");
  check(frame->SetSize(picture.width, picture.height), "sizing the frame");
  check(frame->SetResolution(picture.dpi, picture.dpi), "setting the resolution");
  // Each encoder names the pixel format it takes; the picture is converted to it.
  WICPixelFormatGUID wanted = format == Format::Gif    ? GUID_WICPixelFormat8bppIndexed
                              : format == Format::Jpeg ? GUID_WICPixelFormat24bppBGR
                                                       : GUID_WICPixelFormat32bppBGRA;
  if (format == Format::Bmp || format == Format::Tiff) wanted = GUID_WICPixelFormat24bppBGR;
  WICPixelFormatGUID accepted = wanted;
  check(frame->SetPixelFormat(&accepted), "choosing the pixel format");
  ComPtr<IWICPalette> palette;
  ComPtr<IWICFormatConverter> converter;
  check(factory()->CreateFormatConverter(converter.put()), "converting the picture");
  if (IsEqualGUID(accepted, GUID_WICPixelFormat8bppIndexed)) {
    check(factory()->CreatePalette(palette.put()), "making a palette");
    check(palette->InitializePredefined(WICBitmapPaletteTypeFixedWebPalette, FALSE), "making a palette");
    check(frame->SetPalette(palette.get()), "setting the palette");
    check(converter->Initialize(bitmap.get(), accepted, WICBitmapDitherTypeNone, palette.get(), 0,
                                WICBitmapPaletteTypeFixedWebPalette),
          "reducing the colours");
  } else {
    check(
        converter->Initialize(bitmap.get(), accepted, WICBitmapDitherTypeNone, nullptr, 0, WICBitmapPaletteTypeCustom),
        "converting the pixels");
  }
  check(frame->WriteSource(converter.get(), nullptr), "encoding the picture");
  check(frame->Commit(), "encoding the picture");
}

// --- drawings through GDI -----------------------------------------------------------------

// Plotter units to device units: `scale` device units a plotter unit; y runs down from the
// page's top, or up (negative) in a metafile's HIMETRIC space.
struct Mapping {
  Page page;
  double scale = 1;
  bool yUp = false;
  POINT at(Point p) const {
    const double top = page.bottom + page.heightMm / kMmPerPlu;
    const double x = (p.x - page.left) * scale, y = (top - p.y) * scale;
    return {static_cast<LONG>(std::lround(x)), static_cast<LONG>(std::lround(yUp ? -y : y))};
  }
};

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

void drawPlot(HDC dc, const Plot& plot, const Mapping& map, bool simplePens) {
  std::vector<POINT> points;
  std::vector<INT> counts;
  for (const Shape& shape : plot.shapes) {
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

// Core pictures are RGB rows; WIC takes them as BGRA.
Picture pictureOf(const Image& image) {
  Picture picture;
  picture.width = static_cast<UINT>(image.width);
  picture.height = static_cast<UINT>(image.height);
  picture.dpi = image.dpi;
  picture.bgra.resize(static_cast<size_t>(image.width) * image.height * 4);
  for (size_t i = 0, j = 0; i < image.rgb.size(); i += 3, j += 4) {
    picture.bgra[j] = image.rgb[i + 2];
    picture.bgra[j + 1] = image.rgb[i + 1];
    picture.bgra[j + 2] = image.rgb[i];
    picture.bgra[j + 3] = 0xFF;
  }
  return picture;
}

// WIC's BGRA as the core's RGB rows, on white where the picture is see-through.
Image imageOf(const Picture& picture) {
  Image image;
  image.width = static_cast<int>(picture.width);
  image.height = static_cast<int>(picture.height);
  image.dpi = picture.dpi;
  image.rgb.resize(static_cast<size_t>(image.width) * image.height * 3);
  for (size_t i = 0, j = 0; j < picture.bgra.size(); i += 3, j += 4) {
    const unsigned alpha = picture.bgra[j + 3];
    for (int k = 0; k < 3; ++k)
      image.rgb[i + static_cast<size_t>(k)] = static_cast<uint8_t>(
          (picture.bgra[j + 2 - static_cast<size_t>(k)] * alpha + 255 * (255 - alpha) + 127) / 255);
  }
  return image;
}

void drawPicture(HDC dc, const Picture& picture, RECT to) {
  // Metafiles record the bits with their header; a bottom-up picture is the form every
  // player sizes right (Wine's reads past a top-down one).
  // 24-bit rows padded to four bytes, bottom row first, with the image size filled in.
  const size_t row = (static_cast<size_t>(picture.width) * 3 + 3) & ~size_t{3};
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER),
                    static_cast<LONG>(picture.width),
                    static_cast<LONG>(picture.height),
                    1,
                    24,
                    BI_RGB,
                    static_cast<DWORD>(row * picture.height)};
  std::vector<BYTE> bottomUp(row * picture.height);
  for (size_t y = 0; y < picture.height; ++y) {
    const BYTE* from = picture.bgra.data() + y * picture.width * 4;
    BYTE* to24 = bottomUp.data() + (picture.height - 1 - y) * row;
    for (size_t x = 0; x < picture.width; ++x) std::copy_n(from + x * 4, 3, to24 + x * 3);
  }
  // Halftone stretching is recorded too and makes Wine's player crash when it shrinks the
  // picture; colour-on-colour plays everywhere.
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchDIBits(dc, to.left, to.top, to.right - to.left, to.bottom - to.top, 0, 0, static_cast<int>(picture.width),
                static_cast<int>(picture.height), bottomUp.data(), &info, DIB_RGB_COLORS, SRCCOPY);
  (void)to;
}

// An enhanced metafile in HIMETRIC units (0.01 mm), of `widthMm` x `heightMm`.
template <typename Draw>
void writeEmf(OutputFile& out, double widthMm, double heightMm, Draw draw) {
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

// A Windows metafile with the placeable header programs look for: 16-bit coordinates, so
// the logical units are chosen to keep the longer side under 30,000.
template <typename Draw>
void writeWmf(OutputFile& out, double widthMm, double heightMm, Draw draw, double unitsPerMm = 0) {
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

// --- one line -----------------------------------------------------------------------------

// A picture (or a PCL job's raster) into `format`.
void writePicture(OutputFile& out, const Picture& picture, Format format) {
  const double widthMm = picture.width * 25.4 / picture.dpi, heightMm = picture.height * 25.4 / picture.dpi;
  switch (format) {
    case Format::Pdf: {
      Picture opaque = picture;
      out.write(pdfOfJpeg(encodePicture(opaque, Format::Jpeg), static_cast<int>(picture.width),
                          static_cast<int>(picture.height), picture.dpi));
      break;
    }
    case Format::Emf:
      writeEmf(out, widthMm, heightMm, [&](HDC dc) {
        drawPicture(
            dc, picture,
            {0, 0, static_cast<LONG>(std::lround(widthMm * 100)), -static_cast<LONG>(std::lround(heightMm * 100))});
      });
      break;
    case Format::Wmf:
      // One logical unit a pixel: the picture is recorded as it is.
      writeWmf(
          out, widthMm, heightMm,
          [&](HDC dc, double) {
            drawPicture(dc, picture, {0, 0, static_cast<LONG>(picture.width), static_cast<LONG>(picture.height)});
          },
          picture.dpi / 25.4);
      break;
    case Format::Svg: throw Failure{"a picture cannot be converted to SVG"};
    case Format::Dxf: throw Failure{"a picture cannot be converted to DXF (it holds only a link to an image file)"};
    case Format::Hgl: throw Failure{"a picture cannot be converted to HP-GL/2 (it holds vectors, not pixels)"};
    case Format::Ps:
    case Format::Eps: out.write(psOfImage(imageOf(picture), format == Format::Eps)); break;
    case Format::Pcl: out.write(pclOfImage(imageOf(picture))); break;
    case Format::Pcx: out.write(pcxOf(imageOf(picture))); break;
    case Format::Xps: {
      // The part at 96 dpi, where an XPS viewbox counts its pixels.
      Picture at96 = picture;
      at96.dpi = 96;
      out.write(xpsOfPicture(encodePicture(at96, Format::Png), static_cast<int>(picture.width),
                             static_cast<int>(picture.height), picture.width / picture.dpi,
                             picture.height / picture.dpi));
      break;
    }
    default: out.write(encodePicture(picture, format));
  }
}

// Converts one file; what the log should add to "OK" (pages left out, a plot cut short).
std::string convert(const std::wstring& input, const std::wstring& output) {
  std::string note;
  const Format format = formatOfPath(narrow(output));
  if (format == Format::Unknown) throw Failure{"the output type is not supported"};
  const std::string bytes = readAll(input, kMaxInputBytes);
  OutputFile out(output);
  if (isPicture(bytes)) {
    writePicture(out, decodePicture(bytes), format);
  } else if (looksLikeHpgl(bytes)) {
    const Drawing drawing = interpretHpgl(bytes);
    if (drawing.empty()) {
      // A PCL job of raster graphics alone (an instrument's screen print) is a picture.
      const std::optional<Image> raster = pclRaster(bytes);
      if (!raster) throw Failure{"the plotter file draws nothing"};
      writePicture(out, pictureOf(*raster), format);
      if (raster->cutShort) note += " (cut short: the raster passes the converter's limits)";
      out.commit();
      return note;
    }
    const Plot& first = drawing.pages.front();
    const Page page = pageOf(first);
    const size_t pages = drawing.pages.size();
    // The document and printer formats take every page (TIFF as many as its bound allows);
    // the others hold one, the first.
    const bool everyPage = format == Format::Pdf || format == Format::Tiff || format == Format::Ps ||
                           format == Format::Hgl || format == Format::Pcl || format == Format::Xps;
    if (pages > 1 && !everyPage) note = " (the first of " + std::to_string(pages) + " pages)";
    switch (format) {
      case Format::Svg: out.write(svgOf(first)); break;
      case Format::Pdf: out.write(pdfOf(drawing)); break;
      case Format::Dxf: out.write(dxfOf(first)); break;
      case Format::Ps: out.write(psOf(drawing)); break;
      case Format::Eps: out.write(epsOf(first)); break;
      case Format::Hgl: out.write(hpglOf(drawing)); break;
      case Format::Pcl: out.write(pclOf(drawing)); break;
      case Format::Xps: out.write(xpsOf(drawing)); break;
      case Format::Pcx: {
        const Image image = rasterize(first, kDrawingDpi, kMaxSidePx);
        if (image.cutShort) note += " (cut short: the picture would take too long to draw)";
        out.write(pcxOf(image));
        break;
      }
      case Format::Emf:
        writeEmf(out, page.widthMm, page.heightMm, [&](HDC dc) {
          drawPlot(dc, first, Mapping{page, 100 * kMmPerPlu, true}, false);
        });
        break;
      case Format::Wmf:
        writeWmf(out, page.widthMm, page.heightMm, [&](HDC dc, double unitsPerMm) {
          drawPlot(dc, first, Mapping{page, unitsPerMm * kMmPerPlu, false}, true);
        });
        break;
      default: {
        // A TIFF takes a frame a page, up to a bound on all their pixels together.
        size_t made = 0;
        double pixels = 0;
        bool cutShort = false;
        out.write(encodePictures(
            [&](Picture& picture) {
              if (made >= drawing.pages.size() || pixels > kMaxTiffPixels) return false;
              const Image image = rasterize(drawing.pages[made++], kDrawingDpi, kMaxSidePx);
              cutShort = cutShort || image.cutShort;
              picture = pictureOf(image);
              pixels += static_cast<double>(picture.width) * picture.height;
              return true;
            },
            format));
        if (format == Format::Tiff && made < drawing.pages.size())
          note += " (the first " + std::to_string(made) + " of " + std::to_string(pages) + " pages)";
        if (cutShort) note += " (cut short: the picture would take too long to draw)";
      }
    }
    if (drawing.truncated) note += " (cut short: the plot passes the converter's limits)";
    if (drawing.ignoredCommands > 0)
      note += " (" + std::to_string(drawing.ignoredCommands) + " commands with a parameter out of range ignored)";
  } else {
    throw Failure{"the input is neither a picture nor a plotter file"};
  }
  out.commit();
  return note;
}

class Log {
 public:
  // No `path`: the console alone (or nowhere).
  explicit Log(const std::wstring& path) {
    if (!path.empty())
      file_ = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    if (file_ != INVALID_HANDLE_VALUE) WriteFile(file_, "\xEF\xBB\xBF", 3, &written, nullptr);
    if (AttachConsole(ATTACH_PARENT_PROCESS))
      console_ = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  }
  ~Log() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    if (console_ != INVALID_HANDLE_VALUE) CloseHandle(console_);
  }
  void write(const std::string& text) {
    DWORD written = 0;
    if (file_ != INVALID_HANDLE_VALUE)
      WriteFile(file_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    if (console_ != INVALID_HANDLE_VALUE) {
      const std::wstring wide = widen(text);
      WriteConsoleW(console_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    }
  }

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
  HANDLE console_ = INVALID_HANDLE_VALUE;
};

}  // namespace

// A Windows program, not a console one: started by MarliskAuto for every conversion run, a
// console program would put a black window over the user's screen each time. Started from a
// console (for diagnosis) it writes its log lines there too.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc != 3 || (lstrcmpiW(argv[1], L"/z") != 0)) return 2;
  const std::wstring commandFile = argv[2];
  const size_t dot = commandFile.find_last_of(L".\\/:");
  const std::wstring logPath =
      (dot != std::wstring::npos && commandFile[dot] == L'.' ? commandFile.substr(0, dot) : commandFile) + L".log";
  std::string bytes;
  try {
    bytes = readAll(commandFile, 64u * 1024 * 1024);
  } catch (const Failure& failure) {
    // No command file, nothing for a log to sit beside: a ".log" made from a name that is
    // not there would land in whatever folder the converter was started in.
    Log(L"").write("command file: " + failure.reason + "\r\n");
    return 2;
  }
  Log log(logPath);
  // The lines first: each is a job, converted on as many threads as the machine has cores
  // (REFCONVERTER_THREADS may say fewer), and logged in the command file's order.
  struct Job {
    int lineNumber = 0;
    std::string text;
    std::optional<CommandLine> command;
    size_t sameOutputBefore = SIZE_MAX;  // an earlier line writing the same output: it goes first
    std::string result;
    bool done = false;
  };
  std::vector<Job> jobs;
  int lineNumber = 0;
  size_t start = 0;
  std::map<std::string, size_t> lastOfOutput;  // folded output path -> its latest line
  while (start < bytes.size()) {
    size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string::npos) end = bytes.size();
    const std::string line = bytes.substr(start, end - start);
    start = end + 1;
    if (end < bytes.size() && bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n') ++start;
    ++lineNumber;
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    Job job;
    job.lineNumber = lineNumber;
    // The command file is in the ANSI code page, as the program writes it.
    job.text = ansiForDisplay(line);
    job.command = parseCommandLine(job.text);
    if (job.command) {
      std::string folded = job.command->output;
      std::transform(folded.begin(), folded.end(), folded.begin(),
                     [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
      const auto [at, isNew] = lastOfOutput.try_emplace(folded, jobs.size());
      if (!isNew) job.sameOutputBefore = std::exchange(at->second, jobs.size());
    }
    jobs.push_back(std::move(job));
  }

  std::mutex lock;
  std::condition_variable changed;
  std::atomic<size_t> next{0};
  auto work = [&] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    for (size_t i; (i = next++) < jobs.size();) {
      Job& job = jobs[i];
      if (job.sameOutputBefore != SIZE_MAX) {
        std::unique_lock<std::mutex> held(lock);
        changed.wait(held, [&] { return jobs[job.sameOutputBefore].done; });
      }
      std::string result;
      if (!job.command) {
        result = "FAILED  not a conversion line";
      } else {
        try {
          const std::string note = convert(widen(job.command->input), widen(job.command->output));
          result = std::string("OK      ") + formatName(formatOfPath(job.command->output)) + note;
        } catch (const Failure& failure) {
          result = "FAILED  " + failure.reason;
        } catch (const std::exception& e) {
          result = std::string("FAILED  ") + e.what();
        }
      }
      {
        const std::lock_guard<std::mutex> held(lock);
        job.result = std::move(result);
        job.done = true;
      }
      changed.notify_all();
    }
    CoUninitialize();
  };
  size_t threads = std::max(1u, std::thread::hardware_concurrency());
  if (const char* wanted = std::getenv("REFCONVERTER_THREADS"); wanted && std::atoi(wanted) > 0)
    threads = static_cast<size_t>(std::atoi(wanted));
  threads = std::min(threads, std::max<size_t>(jobs.size(), 1));
  std::vector<std::thread> workers;
  for (size_t i = 0; i < threads; ++i) workers.emplace_back(work);

  int failed = 0;
  for (Job& job : jobs) {
    {
      std::unique_lock<std::mutex> held(lock);
      changed.wait(held, [&] { return job.done; });
    }
    if (job.result.rfind("OK", 0) != 0) ++failed;
    log.write(std::to_string(job.lineNumber) + "\t" + job.result + "\t" + job.text + "\r\n");
  }
  for (std::thread& worker : workers) worker.join();
  return failed == 0 ? 0 : 1;
}
