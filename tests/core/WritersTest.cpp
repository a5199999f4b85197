// The vector and printer formats: each read back by a reader of its own rules.
#include <gtest/gtest.h>

#include <cmath>

#include "core/Dxf.h"
#include "core/HpglWriter.h"
#include "core/Pcx.h"
#include "core/PostScript.h"
#include "core/Raster.h"
#include "core/Render.h"
#include "core/Xps.h"
#include "core/Zip.h"

namespace refconv {
namespace {

size_t count(const std::string& text, const std::string& word) {
  size_t n = 0;
  for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + word.size())) ++n;
  return n;
}

// Two pages: lines of two widths and ends, an even-odd fill with a hole, a round line.
const Drawing& sample() {
  static const Drawing d = interpretHpgl(
      "IN;SP1;PW0.5;LA1,4;PA1000,1000;PD3000,1000,3000,2000;PU;SP2;PW0.1;PD4000,3000;"
      "PM0;PU5000,0;PD7000,0,7000,2000,5000,2000;PM1;PU5500,500;PD6500,500,6500,1500,5500,1500;PM2;FT1;FP0;"
      "PU;PG;SP3;PA0,0;CI400;");
  return d;
}

TEST(WritersTest, PlotFilesWrittenBackReadAsTheDrawing) {
  const Drawing& d = sample();
  ASSERT_EQ(d.pages.size(), 2u);
  for (const std::string& file : {hpglOf(d), pclOf(d)}) {
    const Drawing back = interpretHpgl(file);
    ASSERT_EQ(back.pages.size(), d.pages.size()) << file.substr(0, 40);
    for (size_t p = 0; p < d.pages.size(); ++p) {
      const Plot &a = d.pages[p], &b = back.pages[p];
      ASSERT_EQ(b.shapes.size(), a.shapes.size()) << p;
      // The same drawing on a page of its own size: moved, and rounded to whole plotter units.
      EXPECT_NEAR(b.bounds.width(), a.bounds.width(), 1);
      EXPECT_NEAR(b.bounds.height(), a.bounds.height(), 1);
      for (size_t s = 0; s < a.shapes.size(); ++s) {
        EXPECT_EQ(b.shapes[s].color, a.shapes[s].color);
        EXPECT_EQ(b.shapes[s].fill, a.shapes[s].fill);
        EXPECT_EQ(b.shapes[s].evenOdd, a.shapes[s].evenOdd);
        EXPECT_NEAR(b.shapes[s].widthMm, a.shapes[s].widthMm, 1e-4);
        EXPECT_EQ(b.shapes[s].end, a.shapes[s].end);
        EXPECT_EQ(b.shapes[s].paths.size(), a.shapes[s].paths.size());
      }
    }
  }
  EXPECT_EQ(hpglOf(d).rfind("BP;IN;", 0), 0u);
  EXPECT_EQ(count(pclOf(d), "\x1B%0B"), 2u);  // HP-GL/2 entered once a page
}

TEST(WritersTest, PostScriptPagesAndEncapsulatedBox) {
  const Drawing& d = sample();
  const std::string ps = psOf(d), eps = epsOf(d.pages[0]);
  EXPECT_EQ(count(ps, "%%Page: "), 2u);
  EXPECT_EQ(count(ps, "showpage"), 2u);
  EXPECT_EQ(count(ps, "save\n"), count(ps, "restore\n"));
  EXPECT_NE(ps.find("\ne\n"), std::string::npos);  // the even-odd fill
  EXPECT_EQ(eps.rfind("%!PS-Adobe-3.0 EPSF-3.0\n", 0), 0u);
  // The first page: 150 by 75 mm of drawing and 5 mm round it, in points, rounded up.
  EXPECT_NE(eps.find("%%BoundingBox: 0 0 454 241\n%%HiResBoundingBox: 0 0 453.543 240.945\n"), std::string::npos);

  EXPECT_EQ(ascii85("Man "), "9jqo^~>");
  EXPECT_EQ(ascii85(std::string(4, '\0')) + ascii85("M"), "z~>9`~>");
  const std::string bytes = "aaaaaaaaaabcdeffff" + std::string(300, 'x') + "yz";
  std::string decoded, encoded = runLengthEncoded(bytes);
  for (size_t i = 0; static_cast<unsigned char>(encoded[i]) != 128;) {
    const int n = static_cast<unsigned char>(encoded[i++]);
    if (n < 128)
      decoded += encoded.substr(i, static_cast<size_t>(n) + 1), i += static_cast<size_t>(n) + 1;
    else
      decoded += std::string(static_cast<size_t>(257 - n), encoded[i++]);
  }
  EXPECT_EQ(decoded, bytes);
}

TEST(WritersTest, PicturesAsPcxAndPclRaster) {
  Image image;
  image.width = 3, image.height = 2, image.dpi = 100;
  image.rgb = {255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 0, 0, 200, 200, 200, 0xC5, 0xC5, 0xC5};
  const std::string pcx = pcxOf(image);
  ASSERT_GE(pcx.size(), 128u);
  EXPECT_EQ(pcx[0], 10);
  EXPECT_EQ(pcx[65], 3);
  EXPECT_EQ(static_cast<unsigned char>(pcx[66]), 4);  // three pixels, padded to four bytes a plane
  std::vector<uint8_t> planes;                        // decoded: rows of R, G, B planes
  for (size_t i = 128; i < pcx.size();) {
    const auto b = static_cast<unsigned char>(pcx[i++]);
    if (b >= 0xC0)
      planes.insert(planes.end(), b & 0x3F, static_cast<uint8_t>(pcx[i++]));
    else
      planes.push_back(b);
  }
  ASSERT_EQ(planes.size(), 2u * 3 * 4);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x)
      for (int c = 0; c < 3; ++c)
        EXPECT_EQ(planes[static_cast<size_t>((y * 3 + c) * 4 + x)],
                  image.rgb[static_cast<size_t>((y * 3 + x) * 3 + c)]);

  const std::string pcl = pclOfImage(image);
  EXPECT_EQ(count(pcl, "\x1B*b"), 3u);  // the compression mode, and a row each
  EXPECT_NE(pcl.find("\x1B*r3S\x1B*r2T\x1B*r1A"), std::string::npos);
  EXPECT_TRUE(interpretHpgl(pcl).empty());  // stepped over as any PCL job's raster
}

TEST(WritersTest, XpsIsAPackageOfPages) {
  const std::string xps = xpsOf(sample());
  // The central directory names every part, and each part's CRC is its own.
  const size_t end = xps.rfind("PK\x05\x06");
  ASSERT_NE(end, std::string::npos);
  auto u16 = [&](size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(xps[at]) | static_cast<unsigned char>(xps[at + 1]) << 8);
  };
  auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
  size_t at = u32(end + 16);
  std::vector<std::string> names;
  for (unsigned i = 0; i < u16(end + 10); ++i) {
    ASSERT_EQ(u32(at), 0x02014B50u);
    const size_t nameLength = u16(at + 28), local = u32(at + 42);
    names.push_back(xps.substr(at + 46, nameLength));
    const size_t data = local + 30 + u16(local + 26);
    EXPECT_EQ(crc32(std::string_view(xps).substr(data, u32(at + 24))), u32(at + 16)) << names.back();
    at += 46 + nameLength;
  }
  for (const char* part : {"[Content_Types].xml", "_rels/.rels", "FixedDocSeq.fdseq", "Documents/1/FixedDoc.fdoc",
                           "Documents/1/Pages/1.fpage", "Documents/1/Pages/2.fpage"})
    EXPECT_NE(std::find(names.begin(), names.end(), part), names.end()) << part;
  EXPECT_NE(xps.find("Data=\"F 0 M"), std::string::npos);
  EXPECT_NE(xpsOfPicture("\x89PNG", 3, 2, 0.03, 0.02).find("Documents/1/Resources/Images/1.png"), std::string::npos);
}

TEST(WritersTest, DxfSectionsLayersAndFills) {
  const std::string dxf = dxfOf(sample().pages[0]);
  EXPECT_EQ(count(dxf, "\nSECTION\n"), count(dxf, "\nENDSEC\n"));
  EXPECT_EQ(count(dxf, "\nPOLYLINE\n"), count(dxf, "\nSEQEND\n"));
  EXPECT_NE(dxf.find("\nPEN2\n"), std::string::npos);
  EXPECT_EQ(dxf.substr(dxf.size() - 4), "EOF\n");
  size_t lines = 0;
  for (const char c : dxf) lines += c == '\n';
  EXPECT_EQ(lines % 2, 0u);  // group code and value, pair by pair
  // The circle (CI400, 72 chords) is one: two half turns round its centre, of radius 10 mm.
  const std::string circle = dxfOf(sample().pages[1]);
  EXPECT_EQ(count(circle, "\nVERTEX\n"), 2u);
  EXPECT_EQ(count(circle, "\n42\n1\n"), 2u);
  EXPECT_NE(circle.find("\n10\n10\n20\n0\n"), std::string::npos);
  EXPECT_EQ(nearestAci(0xFF0000), 1);
  EXPECT_EQ(nearestAci(0x000000), 7);
  EXPECT_EQ(nearestAci(0xE0C000), 40);  // the yellow pen: amber (255, 191, 0), not an olive

  const std::vector<Point> outer = {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, inner = {{2, 2}, {8, 2}, {8, 8}, {2, 8}};
  for (const bool evenOdd : {true, false}) {
    double area = 0;
    for (const auto& t : trapezoids({outer, inner}, evenOdd))
      area += ((t[1].x - t[0].x) + (t[3].x - t[2].x)) / 2 * (t[2].y - t[0].y);
    EXPECT_NEAR(area, evenOdd ? 64 : 100, 1e-9) << evenOdd;  // the same turn: a hole only by parity
  }
}

}  // namespace
}  // namespace refconv

namespace refconv {
namespace {

// A PDF's pictures and translucent paint in the writers that hold them: pixels blended by their
// alpha over what is below, images as PNG or XObjects with their masks, opacity as each format says it.
TEST(WritersTest, PicturesAndTranslucentPaint) {
  Plot plot;
  Shape fill;
  fill.fill = true;
  fill.color = 0xFF8080, fill.ink = 0xFF0000, fill.opacity = 0.5f;
  fill.paths = {{{0, 0}, {400, 0}, {400, 400}, {0, 400}, {0, 0}}};
  auto bitmap = std::make_shared<Bitmap>();
  bitmap->width = 2, bitmap->height = 1;
  bitmap->rgb = {0, 0, 255, 0, 255, 0};
  bitmap->alpha = {255, 0};
  bitmap->origin = {0, 400}, bitmap->across = {400, 0}, bitmap->down = {0, -400};
  Shape image;
  image.image = bitmap;
  plot.shapes = {fill, image};
  plot.frame = Bounds{0, 0, 400, 400, false};
  Drawing drawing;
  drawing.pages = {plot, plot};

  const Image pixels = rasterize(plot, 254, 10000);  // 10 pixels a millimetre: 100 x 100
  auto at = [&](int x, int y) {
    const uint8_t* p = &pixels.rgb[(static_cast<size_t>(y) * pixels.width + x) * 3];
    return static_cast<uint32_t>(p[0] << 16 | p[1] << 8 | p[2]);
  };
  EXPECT_EQ(at(25, 50), 0x0000FFu);  // the picture's opaque half
  EXPECT_EQ(at(75, 50), 0xFF8080u);  // its transparent half shows the half-opaque red below
  const std::string svg = svgOf(plot), pdf = pdfOf(drawing), ps = psOf(drawing), xps = xpsOf(drawing),
                    pcl = pclOf(drawing);
  for (const auto& [text, wanted] : std::vector<std::pair<const std::string*, const char*>>{
           {&svg, "fill-opacity=\"0.5\" fill=\"#FF0000\""},
           {&svg, "xlink:href=\"data:image/png;base64,iVBORw0KGgo"},
           {&pdf, "/ca 0.5 /CA 0.5"},
           {&pdf, "/SMask"},
           {&pdf, "cm /Im"},
           {&ps, "%%LanguageLevel: 3"},
           {&ps, "/ImageType 3 /InterleaveType 1"},
           {&xps, "Opacity=\"0.5\" Fill=\"#FF0000\""},
           {&xps, "Documents/1/Resources/Images/2.png"},  // numbered through the document
           {&pcl, "\x1b*v6W"},                            // a page with pictures as raster graphics
       })
    EXPECT_NE(text->find(wanted), std::string::npos) << wanted;
}

}  // namespace
}  // namespace refconv
