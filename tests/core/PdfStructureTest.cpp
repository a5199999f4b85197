// A PDF's structure as the reference converter reads it: cross-reference tables and streams,
// object streams, incremental updates, a broken table rebuilt by a scan, the page tree with
// what its pages inherit, the filters; and files built to loop, which must end.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include <zlib.h>

#include "core/pdf/Content.h"
#include "core/pdf/Document.h"
#include "support/HostCrypto.h"
#include "support/PdfFiles.h"

namespace refconv::pdf {
namespace {

std::string deflated(const std::string& text) {
  uLongf size = compressBound(text.size());
  std::string out(size, '\0');
  compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(text.data()), text.size());
  out.resize(size);
  return out;
}

using test::classicPdf;
using test::stream;

TEST(PdfStructureTest, TablesPagesAndTheirInheritance) {
  const std::string content = deflated("0 0 m 100 100 l S");
  const std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 /MediaBox [0 0 595 842] /Rotate 90 /Resources << /X 1 >> >>",
      "<< /Type /Page /Parent 2 0 R /Contents 5 0 R >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 1000 500] /CropBox [10 20 2000 300] /Rotate -90 /UserUnit 2 >>",
      stream("/Filter /FlateDecode", content),
  };
  for (const bool broken : {false, true}) {
    std::string why;
    const std::unique_ptr<Document> document =
        Document::open(classicPdf(objects, "<< /Size 6 /Root 1 0 R >>", broken), why);
    ASSERT_TRUE(document) << why;
    EXPECT_EQ(document->repaired(), broken);
    const std::vector<Page> pages = document->pages();
    ASSERT_EQ(pages.size(), 2u) << broken;
    EXPECT_EQ(std::vector<double>(pages[0].box, pages[0].box + 4), (std::vector<double>{0, 0, 595, 842}));
    EXPECT_EQ(pages[0].rotate, 90);
    ASSERT_TRUE(pages[0].resources.asDict());
    EXPECT_EQ(std::vector<double>(pages[1].box, pages[1].box + 4), (std::vector<double>{10, 20, 1000, 300}));
    EXPECT_EQ(pages[1].rotate, 270);
    EXPECT_EQ(pages[1].userUnit, 2);
    EXPECT_EQ(document->streamData(document->get(*pages[0].dict, "Contents")), "0 0 m 100 100 l S");
  }
}

// PDF 1.5: the catalog and the pages in an object stream, the table a cross-reference stream,
// and an incremental update whose classic table replaces one page's object.
TEST(PdfStructureTest, CrossReferenceAndObjectStreamsAndAnUpdate) {
  std::string pdf = "%PDF-1.5\n";
  const std::string inStream = "<< /Type /Catalog /Pages 2 0 R >> << /Type /Pages /Kids [3 0 R] /Count 1 >>";
  const std::string header = "1 0 2 34 ";
  const size_t objectStream = pdf.size();
  pdf += "4 0 obj\n" +
         stream("/Type /ObjStm /N 2 /First " + std::to_string(header.size()) + " /Filter /FlateDecode",
                deflated(header + inStream)) +
         "\nendobj\n";
  const size_t page = pdf.size();
  pdf += "3 0 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] >>\nendobj\n";
  // W [1 4 2]: type, offset or object stream, generation or index.
  std::string entries;
  auto entry = [&](int type, uint32_t two, int three) {
    entries += static_cast<char>(type);
    for (int shift = 24; shift >= 0; shift -= 8) entries += static_cast<char>((two >> shift) & 0xFF);
    entries += static_cast<char>((three >> 8) & 0xFF);
    entries += static_cast<char>(three & 0xFF);
  };
  entry(0, 0, 65535);
  entry(2, 4, 0);
  entry(2, 4, 1);
  entry(1, static_cast<uint32_t>(page), 0);
  entry(1, static_cast<uint32_t>(objectStream), 0);
  const size_t xref = pdf.size();
  pdf += "5 0 obj\n" + stream("/Type /XRef /Size 6 /W [1 4 2] /Root 1 0 R /Filter /FlateDecode", deflated(entries)) +
         "\nendobj\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  std::string why;
  std::unique_ptr<Document> document = Document::open(pdf, why);
  ASSERT_TRUE(document) << why;
  EXPECT_FALSE(document->repaired());
  ASSERT_EQ(document->pages().size(), 1u);
  EXPECT_EQ(document->pages()[0].box[2], 200);

  // The update: page 3 again, wider, in a classic section whose /Prev is the stream.
  const size_t newer = pdf.size();
  pdf += "3 0 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [0 0 400 100] >>\nendobj\n";
  char line[24];
  std::snprintf(line, sizeof line, "%010zu 00000 n \n", newer);
  const size_t table = pdf.size();
  pdf += "xref\n3 1\n" + std::string(line) + "trailer\n<< /Size 6 /Root 1 0 R /Prev " + std::to_string(xref) +
         " >>\nstartxref\n" + std::to_string(table) + "\n%%EOF\n";
  document = Document::open(pdf, why);
  ASSERT_TRUE(document) << why;
  ASSERT_EQ(document->pages().size(), 1u);
  EXPECT_EQ(document->pages()[0].box[2], 400);
}

// Files made to loop or to refuse: each ends, with a reason where it cannot be read.
TEST(PdfStructureTest, LoopsEndAndWhatCannotBeReadIsSaid) {
  std::string why;
  // A page tree whose kid is its own parent, an object that is a reference to itself, and a
  // /Prev that points back at its own table.
  std::string pdf =
      classicPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [2 0 R 3 0 R 4 0 R] >>",
                  "<< /Type /Page /Contents 5 0 R >>", "4 0 R", "<< /Length 5 0 R >>\nstream\nabc\nendstream"},
                 "<< /Size 6 /Root 1 0 R /Prev 9 >>");
  const size_t at = pdf.rfind("startxref\n") + 10;
  pdf.replace(pdf.find("/Prev 9"), 7, "/Prev " + pdf.substr(at, pdf.find('\n', at) - at));
  const std::unique_ptr<Document> document = Document::open(pdf, why);
  ASSERT_TRUE(document) << why;
  const std::vector<Page> pages = document->pages();
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(document->streamData(document->get(*pages[0].dict, "Contents")), "abc");

  EXPECT_FALSE(Document::open("GIF89a", why));
  EXPECT_EQ(why, "the input is no PDF");
  EXPECT_FALSE(Document::open("%PDF-1.4\n1 0 obj << /Type /Pages >> endobj\n", why));
  EXPECT_EQ(why, "the PDF has no document catalog (damaged beyond repair)");
  // Nesting past the bound is no object, and no crash.
  const std::string brackets(100000, '[');
  Parser deep(brackets, 0);
  EXPECT_FALSE(deep.object());
}

// Files encrypted by qpdf with an empty user password open and draw; others say why not.
TEST(PdfStructureTest, EncryptedFilesOpenWithTheEmptyPassword) {
  struct Case {
    std::string pdf;
    bool crypto;
    const char* why;  // empty: it opens and draws
  };
  auto file = [](const char* name) {
    std::ifstream in(std::string(MARLISK_TEST_DATA) + "/pdf/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const Case cases[] = {
      {file("qpdf-rc4.pdf"), true, ""},
      {file("qpdf-aes128.pdf"), true, ""},
      {file("qpdf-aes256.pdf"), true, ""},
      {file("password-aes256.pdf"), true, "the PDF needs a password to open"},
      {file("qpdf-rc4.pdf"), false, "the PDF is encrypted, and this reader has no decryption"},
      {classicPdf({"<< /Type /Catalog >>"}, "<< /Root 1 0 R /Encrypt << /Filter /Other >> >>"), true,
       "the PDF is encrypted for a security handler other than the standard one"},
  };
  test::HostCrypto crypto;
  for (const Case& c : cases) {
    ASSERT_FALSE(c.pdf.empty());
    std::string why;
    const std::unique_ptr<Document> document = Document::open(c.pdf, why, c.crypto ? &crypto : nullptr);
    EXPECT_EQ(why, c.why);
    if (!document) continue;
    FontCache fonts;
    const PageDrawing drawn = drawPage(*document, document->pages().at(0), fonts);
    EXPECT_GT(drawn.plot.shapes.size(), 3u);
    EXPECT_EQ(drawn.failure, "");
  }
}

TEST(PdfStructureTest, Filters) {
  Object up;  // PNG "Up" rows of 3 columns
  up.kind = Object::Kind::DictKind;
  up.dict = std::make_shared<Dict>();
  Object number;
  number.kind = Object::Kind::Int;
  number.integer = 12;
  up.dict->entries.emplace_back("Predictor", number);
  number.integer = 3;
  up.dict->entries.emplace_back("Columns", number);
  const struct {
    const char* filter;
    std::string data;
    const Object* parameters;
    std::string decoded;
  } cases[] = {
      {"ASCIIHexDecode", "48 65 6C\n6c 6F7>", nullptr, "Hellop"},  // an odd last digit stands for x0
      {"ASCII85Decode", "87cURD]i,\"Ebo80~>", nullptr, "Hello World!"},
      {"RunLengthDecode",
       std::string("\x02"
                   "abc"
                   "\xFE"
                   "x"
                   "\x80",
                   7),
       nullptr, "abcxxx"},
      {"LZWDecode", std::string("\x80\x0B\x60\x50\x22\x0C\x0C\x85\x01", 9), nullptr, "-----A---B"},
      {"FlateDecode", deflated(std::string("\x02\x01\x02\x03\x02\x01\x01\x01", 8)), &up,
       std::string("\x01\x02\x03\x02\x03\x04", 6)},
  };
  for (const auto& c : cases) {
    const Decoded decoded = decodeFilter(c.filter, c.data, c.parameters);
    EXPECT_EQ(decoded.bytes, c.decoded) << c.filter;
    EXPECT_EQ(decoded.failure, "") << c.filter;
  }
  EXPECT_EQ(decodeFilter("JBIG2Decode", "x", nullptr).failure, "the filter JBIG2Decode is not read here");
  EXPECT_EQ(decodeFilter("FlateDecode", "not zlib", nullptr).failure, "a Flate stream is damaged");
}

// A page drawn into the drawing model: fills and strokes with their colours and widths through
// the matrices, a form placed by its matrix, the page's rotation, and what is not drawn yet
// an image on its unit square; a form that draws itself ends.
TEST(PdfStructureTest, APagesPathsGoIntoTheDrawing) {
  const std::string content =
      "1 0 0 rg 10 10 50 20 re f 0 0 1 RG 2 w 0 0 m 100 0 l S /Fm Do /Me Do BT (x) Tj ET q 20 0 0 10 30 40 cm /Im Do Q";
  const std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /MediaBox [0 0 200 100] /Rotate ROTATE /Contents 4 0 R /Resources << /XObject << /Fm 5 0 R "
      "/Me 6 0 R /Im 7 0 R >> >> >>",
      stream("", content),
      stream("/Type /XObject /Subtype /Form /Matrix [1 0 0 1 100 50]", "0 0 m 10 10 l S"),
      stream("/Type /XObject /Subtype /Form /Resources << /XObject << /Me 6 0 R >> >>", "/Me Do"),
      stream("/Type /XObject /Subtype /Image /Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8",
             std::string("\x00\xff", 2)),
  };
  const double unit = 25.4 / 72 / 0.025;
  for (const int rotate : {0, 90}) {
    std::vector<std::string> rotated = objects;
    rotated[2].replace(rotated[2].find("ROTATE"), 6, std::to_string(rotate));
    std::string why;
    std::unique_ptr<Document> document = Document::open(classicPdf(rotated, "<< /Size 8 /Root 1 0 R >>"), why);
    ASSERT_TRUE(document) << why;
    FontCache fonts;
    const PageDrawing drawn = drawPage(*document, document->pages().at(0), fonts);
    ASSERT_EQ(drawn.plot.shapes.size(), 4u);
    EXPECT_EQ(drawn.glyphsMissing, 1);  // shown in no font
    const Bitmap& image = *drawn.plot.shapes[3].image;
    EXPECT_EQ(image.rgb, (std::vector<uint8_t>{0, 0, 0, 255, 255, 255}));
    EXPECT_TRUE(drawn.truncated);  // the form that draws itself
    const Shape& fill = drawn.plot.shapes[0];
    EXPECT_TRUE(fill.fill);
    EXPECT_EQ(fill.color, 0xFF0000u);
    const Shape& line = drawn.plot.shapes[1];
    EXPECT_FALSE(line.fill);
    EXPECT_EQ(line.color, 0x0000FFu);
    EXPECT_NEAR(line.widthMm, 2 * 25.4 / 72, 1e-9);
    const Point corner = fill.paths.at(0).at(0), formEnd = drawn.plot.shapes[2].paths.at(0).at(1);
    if (rotate == 0) {
      EXPECT_NEAR(drawn.plot.frame.maxX, 200 * unit, 1e-6);
      EXPECT_NEAR(corner.x, 10 * unit, 1e-6);
      EXPECT_NEAR(corner.y, 10 * unit, 1e-6);
      EXPECT_NEAR(formEnd.x, 110 * unit, 1e-6);
      EXPECT_NEAR(formEnd.y, 60 * unit, 1e-6);
      EXPECT_NEAR(image.origin.x, 30 * unit, 1e-6);  // its first row at the top
      EXPECT_NEAR(image.origin.y, 50 * unit, 1e-6);
      EXPECT_NEAR(image.across.x, 20 * unit, 1e-6);
      EXPECT_NEAR(image.down.y, -10 * unit, 1e-6);
    } else {  // turned clockwise: the page is 100 wide and 200 high
      EXPECT_NEAR(drawn.plot.frame.maxX, 100 * unit, 1e-6);
      EXPECT_NEAR(drawn.plot.frame.maxY, 200 * unit, 1e-6);
      EXPECT_NEAR(corner.x, 10 * unit, 1e-6);
      EXPECT_NEAR(corner.y, 190 * unit, 1e-6);
    }
  }
}

TEST(PdfStructureTest, DashesSplitStrokes) {
  struct Case {
    const char* content;
    size_t dashes;  // the on parts of the one stroke drawn
    int notDrawn;
  };
  const Case cases[] = {
      {"[10 10] 0 d 0 0 m 100 0 l S", 5, 0},
      {"[10 10] 5 d 0 0 m 100 0 l S", 6, 0},      // half an on part first, half a one last
      {"[20] 0 d 0 0 m 50 0 l 50 50 l S", 3, 0},  // an odd count repeats; the corner is inside one
      {"[] 0 d 0 0 m 100 0 l S", 1, 0},
      {"/Pattern cs /P1 scn 0 0 m 100 0 l 100 100 l f 0 0 m 100 0 l S", 1, 0},  // a pattern not there: nothing
  };
  for (const Case& c : cases) {
    const std::string content = c.content;
    const std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /MediaBox [0 0 200 100] /Contents 4 0 R >>", stream("", content)};
    std::string why;
    std::unique_ptr<Document> document = Document::open(classicPdf(objects, "<< /Size 5 /Root 1 0 R >>"), why);
    ASSERT_TRUE(document) << why;
    FontCache fonts;
    const PageDrawing drawn = drawPage(*document, document->pages().at(0), fonts);
    EXPECT_EQ(drawn.notDrawn, c.notDrawn) << c.content;
    ASSERT_EQ(drawn.plot.shapes.size(), 1u) << c.content;
    EXPECT_EQ(drawn.plot.shapes[0].paths.size(), c.dashes) << c.content;
  }
}

}  // namespace
}  // namespace refconv::pdf

namespace refconv::pdf {
namespace {

// Strokes cut to a clip that is a turned box (a segment at a time) and to one that is not
// convex (Clipper), each line kept where it shows.
TEST(PdfStructureTest, StrokesAreCutToTurnedAndConcaveClips) {
  struct Case {
    const char* content;
    double minX, maxX, minY, maxY;  // the ink, in points
  };
  const Case cases[] = {
      {"100 0 m 150 50 l 100 100 l 50 50 l h W n 0 50 m 200 50 l S", 50, 150, 49.5, 50.5},
      {"0 0 m 100 0 l 100 20 l 20 20 l 20 100 l 0 100 l h W n 10 -50 m 10 200 l S", 9.5, 10.5, 0, 100},
  };
  constexpr double kUnit = 25.4 / 72 / 0.025;
  for (const Case& c : cases) {
    const std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /MediaBox [0 0 200 200] /Contents 4 0 R >>", test::stream("", c.content)};
    std::string why;
    std::unique_ptr<Document> document = Document::open(test::classicPdf(objects, "<< /Size 5 /Root 1 0 R >>"), why);
    ASSERT_TRUE(document) << why;
    FontCache fonts;
    const Bounds ink = drawPage(*document, document->pages().at(0), fonts).plot.bounds;
    ASSERT_FALSE(ink.empty) << c.content;
    EXPECT_NEAR(ink.minX / kUnit, c.minX, 1) << c.content;
    EXPECT_NEAR(ink.maxX / kUnit, c.maxX, 1) << c.content;
    EXPECT_NEAR(ink.minY / kUnit, c.minY, 1) << c.content;
    EXPECT_NEAR(ink.maxY / kUnit, c.maxY, 1) << c.content;
  }
}

}  // namespace
}  // namespace refconv::pdf
