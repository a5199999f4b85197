// A PDF's images into the drawing model: samples of every depth in every colour space, with
// their functions, Decode arrays and masks, and inline images whose data holds "EI".
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/pdf/Content.h"
#include "support/PdfFiles.h"

namespace refconv::pdf {
namespace {

using test::classicPdf;
using test::stream;

std::string bytes(std::initializer_list<int> values) {
  std::string out;
  for (const int v : values) out += static_cast<char>(v);
  return out;
}

TEST(PdfImageTest, SamplesSpacesAndMasksBecomePixels) {
  struct Case {
    const char* name;
    std::string content;  // drawn on a unit square of 100 x 100
    std::string image;    // object 5: the image /Im
    std::string other;    // object 6: a mask or a function
    std::vector<uint8_t> rgb, alpha;
  };
  const std::string image = "/Type /XObject /Subtype /Image /Height 1 ";
  const Case cases[] = {
      {"RGB",
       "/Im Do",
       stream(image + "/Width 2 /ColorSpace /DeviceRGB /BitsPerComponent 8", bytes({255, 0, 0, 0, 0, 255})),
       "",
       {255, 0, 0, 0, 0, 255},
       {}},
      {"1 bit, Decode inverted",
       "/Im Do",
       stream(image + "/Width 8 /ColorSpace /DeviceGray /BitsPerComponent 1 /Decode [1 0]", bytes({0x7F})),
       "",
       {255, 255, 255, 0, 0, 0},
       {}},  // the first two of eight
      {"16 bits",
       "/Im Do",
       stream(image + "/Width 1 /ColorSpace /DeviceGray /BitsPerComponent 16", bytes({0x80, 0})),
       "",
       {128, 128, 128},
       {}},
      {"Indexed, 2 bits",
       "/Im Do",
       stream(image + "/Width 4 /ColorSpace [/Indexed /DeviceRGB 3 <FF000000FF000000FFFFFFFF>] /BitsPerComponent 2",
              bytes({0x1B})),
       "",
       {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255},
       {}},
      {"Separation, exponential",
       "/Im Do",
       stream(image + "/Width 2 /ColorSpace [/Separation /Spot /DeviceCMYK << /FunctionType 2 /Domain [0 1] /C0 [0 0 "
                      "0 0] /C1 [0 1 1 0] /N 1 >>] /BitsPerComponent 8",
              bytes({0, 255})),
       "",
       {255, 255, 255, 255, 0, 0},
       {}},
      {"DeviceN, calculator",
       "/Im Do",
       stream(image + "/Width 1 /ColorSpace [/DeviceN [/A /B] /DeviceRGB 6 0 R] /BitsPerComponent 8", bytes({255, 0})),
       stream("/FunctionType 4 /Domain [0 1 0 1] /Range [0 1 0 1 0 1]", "{ exch 0 }"),
       {0, 255, 0},
       {}},
      {"Separation, sampled",
       "/Im Do",
       stream(image + "/Width 1 /ColorSpace [/Separation /Spot /DeviceRGB 6 0 R] /BitsPerComponent 8", bytes({128})),
       stream("/FunctionType 0 /Domain [0 1] /Range [0 1 0 1 0 1] /Size [2] /BitsPerSample 8",
              bytes({0, 0, 0, 255, 255, 0})),
       {128, 128, 0},
       {}},
      {"Separation None paints nothing",
       "/Im Do",
       stream(image + "/Width 1 /ColorSpace [/Separation /None /DeviceGray << /FunctionType 2 /Domain [0 1] /N 1 >>] "
                      "/BitsPerComponent 8",
              bytes({255})),
       "",
       {},
       {}},
      {"stencil in the fill colour",
       "1 0 0 rg /Im Do",
       stream(image + "/Width 8 /ImageMask true", bytes({0x3F})),
       "",
       {255, 0, 0, 255, 0, 0},
       {255, 255, 0, 0}},
      {"colour key",
       "/Im Do",
       stream(image + "/Width 2 /ColorSpace /DeviceGray /BitsPerComponent 8 /Mask [0 32]", bytes({16, 128})),
       "",
       {16, 16, 16, 128, 128, 128},
       {0, 255}},
      {"soft mask",
       "/Im Do",
       stream(image + "/Width 2 /ColorSpace /DeviceGray /BitsPerComponent 8 /SMask 6 0 R", bytes({0, 0})),
       stream(image + "/Width 1 /ColorSpace /DeviceGray /BitsPerComponent 8", bytes({100})),
       {0, 0, 0, 0, 0, 0},
       {100, 100}},
      {"clipped to its left half",
       "0 0 0.5 1 re W n /Im Do",
       stream(image + "/Width 2 /ColorSpace /DeviceGray /BitsPerComponent 8", bytes({0, 0})),
       "",
       {0, 0, 0, 0, 0, 0},
       {255, 0}},
      {"at half the fill's opacity",
       "/Half gs /Im Do",
       stream(image + "/Width 1 /ColorSpace /DeviceGray /BitsPerComponent 8", bytes({0})),
       "",
       {0, 0, 0},
       {128}},
      {"inline, its data holding EI",
       "BI /W 2 /H 1 /CS /RGB /BPC 8 ID EI EI  EI",
       "",
       "",
       {'E', 'I', ' ', 'E', 'I', ' '},
       {}},
      {"inline, hex", "BI /W 1 /H 1 /CS /G /BPC 8 /F /AHx ID 7f> EI 0 0 1 rg", "", "", {127, 127, 127}, {}},
  };
  for (const Case& c : cases) {
    const std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /MediaBox [0 0 200 200] /Contents 4 0 R /Resources << /XObject << /Im 5 0 R >> /ExtGState << "
        "/Half << /ca 0.5 >> >> >> >>",
        stream("", "q 100 0 0 100 0 0 cm " + c.content + " Q"),
        c.image.empty() ? "null" : c.image,
        c.other.empty() ? "null" : c.other,
    };
    std::string why;
    std::unique_ptr<Document> document = Document::open(classicPdf(objects, "<< /Size 7 /Root 1 0 R >>"), why);
    ASSERT_TRUE(document) << why;
    FontCache fonts;
    const PageDrawing drawn = drawPage(*document, document->pages().at(0), fonts);
    if (c.rgb.empty()) {
      EXPECT_TRUE(drawn.plot.shapes.empty()) << c.name;
      continue;
    }
    ASSERT_EQ(drawn.plot.shapes.size(), 1u) << c.name;
    const Bitmap& b = *drawn.plot.shapes[0].image;
    EXPECT_EQ(std::vector<uint8_t>(b.rgb.begin(), b.rgb.begin() + std::min(b.rgb.size(), c.rgb.size())), c.rgb)
        << c.name;
    EXPECT_EQ(std::vector<uint8_t>(b.alpha.begin(), b.alpha.begin() + std::min(b.alpha.size(), c.alpha.size())),
              c.alpha)
        << c.name;
    EXPECT_NEAR(b.across.x, 100 * 25.4 / 72 / 0.025, 1e-6) << c.name;
  }
}

// Pictures in a coding no decoder here reads are left out and named; the page still draws.
TEST(PdfImageTest, ACodecWithoutDecoderIsNamed) {
  const std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /MediaBox [0 0 200 200] /Contents 4 0 R /Resources << /XObject << /J 5 0 R /X 6 0 R >> >> >>",
      stream("", "/J Do /X Do 0 0 m 10 10 l S"),
      stream("/Type /XObject /Subtype /Image /Width 1 /Height 1 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter "
             "/DCTDecode",
             "not a jpeg"),
      stream("/Type /XObject /Subtype /Image /Width 1 /Height 1 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter "
             "[/FlateDecode /JPXDecode]",
             std::string("x\x9c\x03\x00\x00\x00\x00\x01", 8))};
  std::string why;
  std::unique_ptr<Document> document = Document::open(classicPdf(objects, "<< /Size 7 /Root 1 0 R >>"), why);
  ASSERT_TRUE(document) << why;
  FontCache fonts;
  const PageDrawing drawn = drawPage(*document, document->pages().at(0), fonts);
  EXPECT_EQ(drawn.imagesSkipped, (std::vector<std::string>{"DCTDecode", "JPXDecode"}));
  EXPECT_EQ(drawn.plot.shapes.size(), 1u);
}

}  // namespace
}  // namespace refconv::pdf

namespace refconv::pdf {
namespace {

// Shadings become bands of one colour cut to their area; tiling patterns, their tiles; what is
// not drawn yet (a mesh) is counted, so that the page is refused rather than shown without it.
TEST(PdfImageTest, ShadingsAndPatternsFillTheirArea) {
  const std::string redToBlue = "/FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1";
  const std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /MediaBox [0 0 200 200] /Contents 4 0 R /Resources << /Shading << /Ax << /ShadingType 2 "
      "/ColorSpace /DeviceRGB /Coords [0 0 100 0] /Extend [true true] /Function << " +
          redToBlue +
          " >> >> /Mesh << /ShadingType 4 >> >> /Pattern << /Ra << /PatternType 2 /Shading << "
          "/ShadingType 3 /ColorSpace /DeviceRGB /Coords [50 50 0 50 50 50] /Function << " +
          redToBlue + " >> >> >> /Ti 5 0 R >> >> >>",
      "",
      test::stream("/PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 10 10] /XStep 20 /YStep 20 /Resources << >>",
                   "0 1 0 rg 0 0 30 30 re f"),  // larger than its box: each tile cut to it
  };
  struct Case {
    const char* content;
    size_t leastShapes;
    uint32_t first, last;  // the colours of the first and last shapes
    double right, top;     // where the ink ends, in points
    int notDrawn;
  };
  const Case cases[] = {
      {"0 0 100 50 re W n /Ax sh", 40, 0xFF0000, 0x0000FF, 100, 50},
      {"/Pattern cs /Ra scn 0 0 100 100 re f", 30, 0x0000FF, 0xFF0000, 100, 100},
      {"/Pattern cs /Ti scn 0 0 100 100 re f", 25, 0x00FF00, 0x00FF00, 90, 90},
      {"/Pattern CS /Ti SCN 10 w 0 50 m 100 50 l S", 5, 0x00FF00, 0x00FF00, 90, 50},  // a stroke's area tiled
      {"/Mesh sh", 0, 0, 0, 0, 0, 1},
  };
  constexpr double kUnit = 25.4 / 72 / 0.025;
  for (const Case& c : cases) {
    std::vector<std::string> file = objects;
    file[3] = test::stream("", c.content);
    std::string why;
    std::unique_ptr<Document> document = Document::open(test::classicPdf(file, "<< /Size 6 /Root 1 0 R >>"), why);
    ASSERT_TRUE(document) << why;
    FontCache fonts;
    const PageDrawing drawn = drawPage(*document, document->pages().at(0), fonts);
    EXPECT_EQ(drawn.notDrawn, c.notDrawn) << c.content;
    if (c.leastShapes == 0) continue;
    const auto& shapes = drawn.plot.shapes;
    ASSERT_GE(shapes.size(), c.leastShapes) << c.content;
    auto near = [](uint32_t a, uint32_t b) {
      for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 16) return false;
      return true;
    };
    EXPECT_TRUE(near(shapes.front().color, c.first)) << c.content << std::hex << " " << shapes.front().color;
    EXPECT_TRUE(near(shapes.back().color, c.last)) << c.content << std::hex << " " << shapes.back().color;
    EXPECT_NEAR(drawn.plot.bounds.maxX / kUnit, c.right, 0.5) << c.content;
    EXPECT_NEAR(drawn.plot.bounds.maxY / kUnit, c.top, 0.5) << c.content;
    EXPECT_GE(drawn.plot.bounds.minX, -0.01) << c.content;
  }
}

}  // namespace
}  // namespace refconv::pdf

#include <tiffio.h>

#include <cstdio>

#include "support/HostPictures.h"

namespace refconv::pdf {
namespace {

// A 16 x 4 picture's rows (a set bit black) coded by libtiff as CCITT fax data of `compression`
// with `options` (T4Options), as a scanner's PDF carries it.
std::string faxOf(const std::vector<uint16_t>& rows, int compression, uint32_t options) {
  std::FILE* file = std::tmpfile();
  TIFF* tiff = TIFFFdOpen(dup(fileno(file)), "fax", "w");
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, 16);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(rows.size()));
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, compression);
  if (compression == COMPRESSION_CCITTFAX3) TIFFSetField(tiff, TIFFTAG_GROUP3OPTIONS, options);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(rows.size()));
  std::string raw;
  for (const uint16_t row : rows) raw += {static_cast<char>(row >> 8), static_cast<char>(row & 0xFF)};
  TIFFWriteEncodedStrip(tiff, 0, raw.data(), static_cast<tmsize_t>(raw.size()));
  TIFFClose(tiff);
  // The strip as coded, read back raw.
  lseek(fileno(file), 0, SEEK_SET);
  TIFF* in = TIFFFdOpen(dup(fileno(file)), "fax", "r");
  std::string strip(static_cast<size_t>(std::max<tmsize_t>(0, TIFFRawStripSize(in, 0))), '\0');
  strip.resize(static_cast<size_t>(
      std::max<tmsize_t>(0, TIFFReadRawStrip(in, 0, strip.data(), static_cast<tmsize_t>(strip.size())))));
  TIFFClose(in);
  std::fclose(file);
  return strip;
}

// CCITT fax images of each coding come through the platform's TIFF decoder as one-bit samples,
// black as BlackIs1 says, and go on as a gray image's or a stencil's.
TEST(PdfImageTest, FaxImagesOfEveryCoding) {
  const std::vector<uint16_t> rows = {0xF00F, 0x0FF0, 0x8001, 0xFFFF};
  struct Case {
    const char* name;
    int compression;
    uint32_t options;
    const char* parameters;
    const char* kind;  // the image's colour space, or a stencil
  };
  const Case cases[] = {
      {"Group 4", COMPRESSION_CCITTFAX4, 0, "/K -1 /Columns 16 /Rows 4", "/ColorSpace /DeviceGray /BitsPerComponent 1"},
      {"Group 3, one dimension", COMPRESSION_CCITTFAX3, 0, "/K 0 /Columns 16", "/ColorSpace /DeviceGray"},
      {"Group 3, two dimensions", COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING, "/K 1 /Columns 16",
       "/ColorSpace /DeviceGray /BitsPerComponent 1"},
      {"BlackIs1 with an inverted Decode", COMPRESSION_CCITTFAX4, 0, "/K -1 /Columns 16 /BlackIs1 true",
       "/ColorSpace /DeviceGray /BitsPerComponent 1 /Decode [1 0]"},
      {"a stencil", COMPRESSION_CCITTFAX4, 0, "/K -1 /Columns 16", "/ImageMask true"},
  };
  test::HostPictures pictures;
  for (const Case& c : cases) {
    const std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /MediaBox [0 0 100 100] /Contents 4 0 R /Resources << /XObject << /Im 5 0 R >> >> >>",
        test::stream("", "16 0 0 4 0 0 cm /Im Do"),
        test::stream(std::string("/Type /XObject /Subtype /Image /Width 16 /Height 4 ") + c.kind +
                         " /Filter /CCITTFaxDecode /DecodeParms << " + c.parameters + " >>",
                     faxOf(rows, c.compression, c.options))};
    std::string why;
    std::unique_ptr<Document> document = Document::open(test::classicPdf(objects, "<< /Size 6 /Root 1 0 R >>"), why);
    ASSERT_TRUE(document) << why;
    FontCache fonts;
    const PageDrawing drawn = drawPage(*document, document->pages().at(0), fonts, &pictures);
    ASSERT_EQ(drawn.plot.shapes.size(), 1u) << c.name;
    const Bitmap& b = *drawn.plot.shapes[0].image;
    ASSERT_EQ(b.width * b.height, 64) << c.name;
    for (int i = 0; i < 64; ++i) {
      const bool black = (rows[i / 16] >> (15 - i % 16)) & 1;
      const bool shown = b.alpha.empty() || b.alpha[i] > 0;
      const bool inked = shown && b.rgb[i * 3] < 128;
      ASSERT_EQ(inked, black) << c.name << " pixel " << i;
    }
  }
}

}  // namespace
}  // namespace refconv::pdf

namespace refconv::pdf {
namespace {

// A decoder that takes a large picture smaller (as WIC's scaler does past the bound) leaves
// the image drawn on its whole square at the decoder's size, and the page says so.
TEST(PdfImageTest, APictureTheDecoderTookSmallerKeepsItsPlace) {
  struct Halving : PictureCodecs {
    std::optional<Bitmap> decode(std::string_view, double) override {
      Bitmap b;
      b.width = 8, b.height = 2;
      b.rgb.assign(8 * 2 * 3, 0x40);
      return b;
    }
  } halving;
  const std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /MediaBox [0 0 100 100] /Contents 4 0 R /Resources << /XObject << /Im 5 0 R >> >> >>",
      test::stream("", "16 0 0 4 0 0 cm /Im Do"),
      test::stream("/Type /XObject /Subtype /Image /Width 16 /Height 4 /ColorSpace /DeviceRGB /BitsPerComponent 8 "
                   "/Filter /DCTDecode",
                   "a JPEG")};
  std::string why;
  std::unique_ptr<Document> document = Document::open(test::classicPdf(objects, "<< /Size 6 /Root 1 0 R >>"), why);
  ASSERT_TRUE(document) << why;
  FontCache fonts;
  const PageDrawing drawn = drawPage(*document, document->pages().at(0), fonts, &halving);
  ASSERT_EQ(drawn.plot.shapes.size(), 1u);
  const Bitmap& b = *drawn.plot.shapes[0].image;
  EXPECT_EQ(b.width, 8);
  EXPECT_EQ(b.height, 2);
  EXPECT_NEAR(b.across.x, 16 * 25.4 / 72 / 0.025, 1e-6);
  EXPECT_EQ(drawn.imagesReduced, 1);
}

}  // namespace
}  // namespace refconv::pdf
