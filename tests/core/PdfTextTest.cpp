// Text in PDF pages drawn as glyph outlines: embedded TrueType through a simple and a composite
// font, a Type 3 font's own procedures, a standard font the file does not embed, the text
// state's spacing and rendering modes, and CMaps.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "core/pdf/CMap.h"
#include "core/pdf/Content.h"
#include "core/pdf/Encodings.h"
#include "support/HostFonts.h"
#include "support/PdfFiles.h"

namespace refconv::pdf {
namespace {

constexpr double kUnit = 25.4 / 72 / 0.025;  // plotter units a point

std::string fileBytes(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A one-page PDF of 300 x 100 points whose objects from 4 on are `extra` and whose fonts are
// /F4, /F5... for objects 4, 5...
std::string onePage(const std::string& content, const std::vector<std::string>& extra) {
  std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"};
  std::string fonts;
  for (size_t i = 0; i < extra.size(); ++i)
    fonts += "/F" + std::to_string(i + 4) + " " + std::to_string(i + 4) + " 0 R ";
  objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 100] /Contents " +
                    std::to_string(extra.size() + 4) + " 0 R /Resources << /Font << " + fonts + ">> >> >>");
  objects.insert(objects.end(), extra.begin(), extra.end());
  objects.push_back(test::stream("", content));
  return test::classicPdf(objects, "<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>");
}

struct Drawn {
  PageDrawing page;
  Bounds ink;  // of the glyph outlines (filled shapes) and lines drawn
};

Drawn draw(const std::string& pdf, SystemFonts* system = nullptr) {
  std::string why;
  std::unique_ptr<Document> document = Document::open(pdf, why);
  EXPECT_TRUE(document) << why;
  Drawn drawn;
  if (!document) return drawn;
  FontCache fonts(system);
  drawn.page = drawPage(*document, document->pages().at(0), fonts);
  for (const Shape& shape : drawn.page.plot.shapes)
    for (const auto& path : shape.paths)
      for (const Point& p : path) drawn.ink.add(p);
  return drawn;
}

TEST(PdfTextTest, FontsOfEveryKindDrawTheirGlyphsWhereTheTextStateSays) {
  const std::string dejaVu = fileBytes("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
  ASSERT_FALSE(dejaVu.empty()) << "Debian's fonts-dejavu-core is needed (scripts/setup installs it)";
  const std::string descriptor = "/FontDescriptor 8 0 R";
  const std::string trueType =
      "<< /Type /Font /Subtype /TrueType /BaseFont /DejaVuSans /FirstChar 32 /LastChar 126 "
      "/Widths [" +
      [] {
        std::string w;
        for (int c = 32; c <= 126; ++c) w += "600 ";
        return w;
      }() +
      "] /Encoding /WinAnsiEncoding " + descriptor + " >>";
  const std::string composite =
      "<< /Type /Font /Subtype /Type0 /BaseFont /DejaVuSans /Encoding /Identity-H "
      "/DescendantFonts [<< /Type /Font /Subtype /CIDFontType2 /BaseFont /DejaVuSans "
      "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> "
      "/DW 500 /W [36 [800]] " +
      descriptor + " >>] >>";
  // A Type 3 font whose glyph "a" is a 100-unit square in a 1/100 glyph space.
  const std::string type3 =
      "<< /Type /Font /Subtype /Type3 /FontBBox [0 0 100 100] /FontMatrix [0.01 0 0 0.01 0 0] "
      "/CharProcs << /sq 9 0 R >> /Encoding << /Differences [97 /sq] >> /FirstChar 97 "
      "/LastChar 97 /Widths [150] >>";
  const std::string standard = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>";
  const std::vector<std::string> objects = {
      trueType,
      composite,
      type3,
      standard,
      "<< /Type /FontDescriptor /FontName /DejaVuSans /Flags 32 /FontFile2 10 0 R >>",
      test::stream("", "0 0 m 100 0 l 100 100 l 0 100 l f"),
      test::stream("/Length1 " + std::to_string(dejaVu.size()), dejaVu)};
  // Content, the glyphs expected drawn, and the ink's left and right in points (-1: not checked).
  struct Case {
    const char* content;
    size_t shapes;
    double left, right;
    int missing;
  };
  const Case cases[] = {
      // Two glyphs of the simple font, the second 600/1000 of 10 points on.
      {"BT /F4 10 Tf 100 50 Td (II) Tj ET", 1, 100, 108, 0},
      // Character and word spacing and horizontal scaling widen the advance.
      {"BT /F4 10 Tf 2 Tc 100 50 Td (II) Tj ET", 1, 100, 110, 0},
      {"BT /F4 10 Tf 50 Tz 100 50 Td (II) Tj ET", 1, 100, 104, 0},
      // TJ moves the pen back by thousandths of the size; Tr 3 draws nothing but still moves.
      {"BT /F4 10 Tf 100 50 Td [(I) -1000 (I)] TJ ET", 1, 100, 118, 0},
      {"BT /F4 10 Tf 3 Tr 100 50 Td (I) Tj 0 Tr (I) Tj ET", 1, 106, 108, 0},
      // Glyph 36 of the program ("A") through Identity-H, with the W array's width.
      {"BT /F5 10 Tf 10 50 Td <00240024> Tj ET", 1, 10, 25, 0},
      // The Type 3 square, 10 points wide at size 10, under a text matrix scaling by 2.
      {"BT /F6 10 Tf 2 0 0 2 20 20 Tm (aa) Tj ET", 0, 20, 70, 0},
      // A code the font has no glyph for is counted, not drawn.
      {"BT /F6 10 Tf 20 20 Td (b) Tj ET", 0, -1, -1, 1},
      // Clipping: a path cuts the glyphs; text of mode 7 cuts the fill after it to its glyphs,
      // and q/Q ends a clip.
      {"0 0 107 200 re W n BT /F4 10 Tf 100 50 Td (II) Tj ET", 1, 100, 107, 0},
      {"BT /F4 10 Tf 7 Tr 100 50 Td (II) Tj ET 0 0 200 200 re f", 1, 100, 108, 0},
      {"q 0 0 10 10 re W n Q 0 0 200 200 re f", 1, 0, 200, 0},
  };
  for (const Case& c : cases) {
    const Drawn drawn = draw(onePage(c.content, objects));
    EXPECT_EQ(drawn.page.glyphsMissing, c.missing) << c.content;
    EXPECT_TRUE(drawn.page.notes.empty()) << c.content << ": " << drawn.page.notes.front();
    if (c.left < 0) continue;
    ASSERT_FALSE(drawn.ink.empty) << c.content;
    EXPECT_NEAR(drawn.ink.minX / kUnit, c.left, 1.5) << c.content;
    EXPECT_NEAR(drawn.ink.maxX / kUnit, c.right, 1.5) << c.content;
    for (const Shape& shape : drawn.page.plot.shapes) EXPECT_TRUE(shape.fill) << c.content;
  }
  // The standard font comes from the system, and a missing system says so.
  test::HostFonts host;
  const Drawn stood = draw(onePage("BT /F7 20 Tf 10 50 Td (Hello) Tj ET", objects), &host);
  EXPECT_EQ(stood.page.glyphsMissing, 0);
  EXPECT_GT(stood.ink.width() / kUnit, 40);
  // Japanese text in fonts not embedded, through the predefined Shift-JIS CMaps across and
  // down: a system font of the same style draws every character.
  const std::string japanese =
      "<< /Type /Font /Subtype /Type0 /BaseFont /MS-Gothic /Encoding /90ms-RKSJ-DIR "
      "/DescendantFonts [<< /Type /Font /Subtype /CIDFontType2 /BaseFont /MS-Gothic "
      "/CIDSystemInfo << /Registry (Adobe) /Ordering (Japan1) /Supplement 2 >> >>] >>";
  for (const char* direction : {"H", "V"}) {
    std::string font = japanese;
    font.replace(font.find("DIR"), 3, direction);
    // "日本語" in Shift-JIS.
    const Drawn text = draw(onePage("BT /F4 20 Tf 100 50 Td <93FA967B8CEA> Tj ET", {font}), &host);
    EXPECT_EQ(text.page.glyphsMissing, 0) << direction;
    EXPECT_EQ(text.ink.width() > text.ink.height(), *direction == 'H') << direction;
    EXPECT_GT(std::max(text.ink.width(), text.ink.height()) / kUnit, 50) << direction;
  }
  const Drawn none = draw(onePage("BT /F7 20 Tf 10 50 Td (Hello) Tj ET", objects));
  EXPECT_EQ(none.page.glyphsMissing, 5);
  ASSERT_EQ(none.page.notes.size(), 1u);
  EXPECT_NE(none.page.notes[0].find("Helvetica is not embedded"), std::string::npos);
}

TEST(PdfTextTest, CMapsSplitCodesAndMapThem) {
  const std::string text =
      "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n"
      "2 begincodespacerange <00> <80> <8140> <9FFC> endcodespacerange\n"
      "1 begincidrange <20> <7e> 231 endcidrange\n"
      "2 begincidchar <8140> 633 <20> 1 endcidchar\n"
      "endcmap CMapName currentdict /CMap defineresource pop end end";
  const auto cmap = CMap::parse(text, nullptr);
  const std::string bytes = "A\x81\x40 \xFF";
  std::vector<std::pair<uint32_t, size_t>> codes;
  for (size_t at = 0; at < bytes.size();) {
    uint32_t code = 0;
    const size_t length = cmap->nextCode(bytes, at, code);
    codes.emplace_back(code, length);
    at += length;
  }
  const std::vector<std::pair<uint32_t, size_t>> expected = {{0x41, 1}, {0x8140, 2}, {0x20, 1}, {0xFF, 1}};
  EXPECT_EQ(codes, expected);
  EXPECT_EQ(cmap->map(0x41, 1), 231u + 0x41 - 0x20);
  EXPECT_EQ(cmap->map(0x8140, 2), 633u);
  EXPECT_EQ(cmap->map(0x20, 1), 1u);  // a later mapping of a code replaces the range's
  bool found = true;
  cmap->map(0x8141, 2, &found);
  EXPECT_FALSE(found);
  // A ToUnicode map's ranges, arrays and surrogate pairs; one that uses another.
  const auto toUnicode = CMap::parse(
      "1 begincodespacerange <0000> <FFFF> endcodespacerange 2 beginbfrange <0001> <0003> <0041> "
      "<0010> <0011> [<3042> <D83DDE00>] endbfrange /Base usecmap",
      [&](std::string_view) { return cmap; });
  EXPECT_EQ(toUnicode->map(0x0003, 2), 0x43u);
  EXPECT_EQ(toUnicode->map(0x0011, 2), 0x1F600u);
  EXPECT_EQ(toUnicode->map(0x8140, 2), 633u);  // from the CMap it uses
  EXPECT_EQ(unicodeOfGlyphName("Aacute"), 0xC1u);
  EXPECT_EQ(unicodeOfGlyphName("uni30A2"), 0x30A2u);
  EXPECT_EQ(unicodeOfGlyphName("f_i.alt"), 0x66u);
  EXPECT_EQ(unicodeOfGlyphName("g123"), 0u);
  EXPECT_EQ(glyphName(BaseEncoding::WinAnsi, 0x80), "Euro");
  EXPECT_EQ(glyphName(BaseEncoding::MacRoman, 0xDE), "fi");
  EXPECT_EQ(glyphName(BaseEncoding::Standard, 0x27), "quoteright");
}

}  // namespace
}  // namespace refconv::pdf
