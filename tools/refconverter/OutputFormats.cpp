#include "OutputFormats.h"

#include <cmath>
#include <optional>

#include "CngCrypto.h"
#include "GdiFonts.h"
#include "Metafile.h"
#include "core/Dxf.h"
#include "core/Hpgl.h"
#include "core/HpglWriter.h"
#include "core/Pcx.h"
#include "core/PclRaster.h"
#include "core/PostScript.h"
#include "core/Raster.h"
#include "core/Xps.h"
#include "core/pdf/Reader.h"
#include "win/Strings.h"

namespace refconv {

namespace {

// --- drawings -----------------------------------------------------------------------------

const Plot& firstOf(const Drawing& d) { return d.pages.front(); }

void rasterNote(const Image& image, std::string& note) {
  if (image.cutShort) note += " (cut short: the picture would take too long to draw)";
}

// The picture formats: a frame a page where the container holds several (TIFF), up to a bound
// on all their pixels together; the first page elsewhere.
template <PictureFormat F>
void drawingAsPictures(OutputFile& out, const Drawing& drawing, std::string& note) {
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
      F));
  if (F == PictureFormat::Tiff && made < drawing.pages.size())
    note += " (the first " + std::to_string(made) + " of " + std::to_string(drawing.pages.size()) + " pages)";
  if (cutShort) note += " (cut short: the picture would take too long to draw)";
}

void drawingAsEmf(OutputFile& out, const Drawing& drawing, std::string&) {
  const Page page = pageOf(firstOf(drawing));
  writeEmf(out, page.widthMm, page.heightMm, [&](HDC dc) {
    drawPlot(dc, firstOf(drawing), Mapping{page, 100 * kMmPerPlu, true}, false);
  });
}

void drawingAsWmf(OutputFile& out, const Drawing& drawing, std::string&) {
  const Page page = pageOf(firstOf(drawing));
  writeWmf(out, page.widthMm, page.heightMm, [&](HDC dc, double unitsPerMm) {
    drawPlot(dc, firstOf(drawing), Mapping{page, unitsPerMm * kMmPerPlu, false}, true);
  });
}

void drawingAsPcx(OutputFile& out, const Drawing& drawing, std::string& note) {
  const Image image = rasterize(firstOf(drawing), kDrawingDpi, kMaxSidePx);
  rasterNote(image, note);
  out.write(pcxOf(image));
}

// The writers that take the first page, or the whole drawing, and give bytes.
template <std::string (*write)(const Plot&)>
void firstPage(OutputFile& out, const Drawing& drawing, std::string&) {
  out.write(write(firstOf(drawing)));
}
template <std::string (*write)(const Drawing&)>
void everyPage(OutputFile& out, const Drawing& drawing, std::string&) {
  out.write(write(drawing));
}

// --- pictures -----------------------------------------------------------------------------

double widthMmOf(const Picture& p) { return p.width * 25.4 / p.dpi; }
double heightMmOf(const Picture& p) { return p.height * 25.4 / p.dpi; }

template <PictureFormat F>
void pictureEncoded(OutputFile& out, const Picture& picture) {
  out.write(encodePicture(picture, F));
}

void pictureAsPdf(OutputFile& out, const Picture& picture) {
  out.write(pdfOfJpeg(encodePicture(picture, PictureFormat::Jpeg), static_cast<int>(picture.width),
                      static_cast<int>(picture.height), picture.dpi));
}

void pictureAsEmf(OutputFile& out, const Picture& picture) {
  const double w = widthMmOf(picture), h = heightMmOf(picture);
  writeEmf(out, w, h, [&](HDC dc) {
    drawPicture(dc, picture, {0, 0, static_cast<LONG>(std::lround(w * 100)), -static_cast<LONG>(std::lround(h * 100))});
  });
}

void pictureAsWmf(OutputFile& out, const Picture& picture) {
  // One logical unit a pixel: the picture is recorded as it is.
  writeWmf(
      out, widthMmOf(picture), heightMmOf(picture),
      [&](HDC dc, double) {
        drawPicture(dc, picture, {0, 0, static_cast<LONG>(picture.width), static_cast<LONG>(picture.height)});
      },
      picture.dpi / 25.4);
}

void pictureAsPs(OutputFile& out, const Picture& picture) { out.write(psOfImage(imageOf(picture), false)); }
void pictureAsEps(OutputFile& out, const Picture& picture) { out.write(psOfImage(imageOf(picture), true)); }
void pictureAsPcl(OutputFile& out, const Picture& picture) { out.write(pclOfImage(imageOf(picture))); }
void pictureAsPcx(OutputFile& out, const Picture& picture) { out.write(pcxOf(imageOf(picture))); }

void pictureAsXps(OutputFile& out, const Picture& picture) {
  // The part at 96 dpi, where an XPS viewbox counts its pixels.
  Picture at96 = picture;
  at96.dpi = 96;
  out.write(xpsOfPicture(encodePicture(at96, PictureFormat::Png), static_cast<int>(picture.width),
                         static_cast<int>(picture.height), picture.width / picture.dpi, picture.height / picture.dpi));
}

// --- the registry ---------------------------------------------------------------------------

constexpr OutputFormat kFormats[] = {
    {"PNG",
     {"png"},
     Pages::First,
     drawingAsPictures<PictureFormat::Png>,
     pictureEncoded<PictureFormat::Png>,
     nullptr,
     nullptr},
    {"TIFF",
     {"tif", "tiff"},
     Pages::Bounded,
     drawingAsPictures<PictureFormat::Tiff>,
     pictureEncoded<PictureFormat::Tiff>,
     nullptr,
     nullptr},
    {"JPEG",
     {"jpg", "jpeg"},
     Pages::First,
     drawingAsPictures<PictureFormat::Jpeg>,
     pictureEncoded<PictureFormat::Jpeg>,
     nullptr,
     nullptr},
    {"BMP",
     {"bmp"},
     Pages::First,
     drawingAsPictures<PictureFormat::Bmp>,
     pictureEncoded<PictureFormat::Bmp>,
     nullptr,
     nullptr},
    {"GIF",
     {"gif"},
     Pages::First,
     drawingAsPictures<PictureFormat::Gif>,
     pictureEncoded<PictureFormat::Gif>,
     nullptr,
     nullptr},
    {"PDF", {"pdf"}, Pages::Every, everyPage<pdfOf>, pictureAsPdf, nullptr, nullptr},
    {"EMF", {"emf"}, Pages::First, drawingAsEmf, pictureAsEmf, nullptr, nullptr},
    {"WMF", {"wmf"}, Pages::First, drawingAsWmf, pictureAsWmf, nullptr, nullptr},
    {"SVG", {"svg"}, Pages::First, firstPage<svgOf>, nullptr, "a picture cannot be converted to SVG", nullptr},
    {"DXF",
     {"dxf"},
     Pages::First,
     firstPage<dxfOf>,
     nullptr,
     "a picture cannot be converted to DXF (it holds only a link to an image file)",
     "the PDF's images cannot be converted to DXF (it holds only links to image files)"},
    {"PS", {"ps"}, Pages::Every, everyPage<psOf>, pictureAsPs, nullptr, nullptr},
    {"EPS", {"eps"}, Pages::First, firstPage<epsOf>, pictureAsEps, nullptr, nullptr},
    {"HGL",
     {"hgl"},
     Pages::Every,
     everyPage<hpglOf>,
     nullptr,
     "a picture cannot be converted to HP-GL/2 (it holds vectors, not pixels)",
     "the PDF's images cannot be converted to HP-GL/2 (it holds vectors, not pixels)"},
    {"PCL", {"pcl"}, Pages::Every, everyPage<pclOf>, pictureAsPcl, nullptr, nullptr},
    {"XPS", {"xps"}, Pages::Every, everyPage<xpsOf>, pictureAsXps, nullptr, nullptr},
    {"PCX", {"pcx"}, Pages::First, drawingAsPcx, pictureAsPcx, nullptr, nullptr},
};

void writePicture(OutputFile& out, const Picture& picture, const OutputFormat& format) {
  if (!format.picture) throw Failure{format.refusal};
  format.picture(out, picture);
}

}  // namespace

const OutputFormat* outputFormatOf(std::string_view path) {
  const std::string extension = extensionOf(path);
  for (const OutputFormat& row : kFormats)
    for (const char* named : row.extensions)
      if (named && extension == named) return &row;
  return nullptr;
}

std::string convert(const std::wstring& input, const std::wstring& output) {
  std::string note;
  const OutputFormat* format = outputFormatOf(marlisk::win::narrow(output));
  if (!format) throw Failure{"the output type is not supported"};
  std::string bytes = readAll(input, kMaxInputBytes);
  OutputFile out(output);
  // A drawing of several pages goes whole to a format that holds them, else its first page.
  auto writeDrawing = [&](const Drawing& drawing) {
    const size_t pages = drawing.pages.size();
    if (format->noImages && drawing.hasImages()) throw Failure{format->noImages};
    if (pages > 1 && format->pages == Pages::First) note = " (the first of " + std::to_string(pages) + " pages)";
    format->drawing(out, drawing, note);
  };
  if (pdf::looksLikePdf(bytes)) {
    GdiFonts fonts;
    WicPictureCodecs codecs;
    CngCrypto crypto;
    const pdf::PdfReading reading = pdf::readPdf(std::move(bytes), {&fonts, &codecs, &crypto});
    if (!reading.failure.empty()) throw Failure{reading.failure};
    writeDrawing(reading.drawing);
    note += reading.note;
  } else if (isPicture(bytes)) {
    writePicture(out, decodePicture(bytes), *format);
  } else if (looksLikeHpgl(bytes)) {
    const Drawing drawing = interpretHpgl(bytes);
    if (drawing.empty()) {
      // A PCL job of raster graphics alone (an instrument's screen print) is a picture.
      const std::optional<Image> raster = pclRaster(bytes);
      if (!raster) throw Failure{"the plotter file draws nothing"};
      writePicture(out, pictureOf(*raster), *format);
      if (raster->cutShort) note += " (cut short: the raster passes the converter's limits)";
    } else {
      writeDrawing(drawing);
      if (drawing.truncated) note += " (cut short: the plot passes the converter's limits)";
      if (drawing.ignoredCommands > 0)
        note += " (" + std::to_string(drawing.ignoredCommands) + " commands with a parameter out of range ignored)";
    }
  } else {
    throw Failure{"the input is neither a picture, a plotter file nor a PDF"};
  }
  out.commit();
  return note;
}

}  // namespace refconv
