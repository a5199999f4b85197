// A page's content stream of whatever bytes, drawn: the operators, their operands, the graphics
// state's stack, paths and curves, clips, images, shadings and patterns. The bytes are wrapped in a sound one-page
// file, so that every input reaches the interpreter rather than the cross-reference's repair.
#include <cstdint>
#include <string>
#include <vector>

#include "core/pdf/Content.h"
#include "core/pdf/Document.h"
#include "support/PdfFiles.h"

using namespace refconv::pdf;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string content(reinterpret_cast<const char*>(data), size);
  // Resources of every kind the operators name: a form that draws the same content again, an
  // image with a soft mask, colour spaces with tables and functions, a shading, patterns.
  const std::string function = "{ dup 0.5 mul exch 1 exch sub 0 }";
  const std::string image = std::string("\x00\x40\x80\xff", 4);
  const std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R /Resources 9 0 R >>",
      "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream",
      "<< /Type /XObject /Subtype /Form /BBox [0 0 300 300] /Length " + std::to_string(content.size()) +
          " /Resources 9 0 R >>\nstream\n" + content + "\nendstream",
      "<< /PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 10 10] /XStep 12 /YStep 12 /Resources 9 0 R "
      "/Length " +
          std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream",
      "<< /Type /XObject /Subtype /Image /Width 2 /Height 2 /ColorSpace /Sep /BitsPerComponent 8 /SMask 7 0 R "
      "/Length 4 >>\nstream\n" +
          image + "\nendstream",
      "<< /FunctionType 4 /Domain [0 1] /Range [0 1 0 1 0 1] /Length " + std::to_string(function.size()) +
          " >>\nstream\n" + function + "\nendstream",
      "<< /XObject << /F 5 0 R /I 7 0 R >> /ColorSpace << /Ix [/Indexed /DeviceRGB 1 <FF000000FF00>] "
      "/Sep [/Separation /Ink /DeviceRGB 8 0 R] >> /ExtGState << /G << /ca 0.5 /CA 0.4 /D [[3] 0] >> >> "
      "/Shading << /S << /ShadingType 3 /ColorSpace /DeviceRGB /Coords [50 50 0 60 60 40] /Extend [true true] "
      "/Function << /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 >> >> >> "
      "/Pattern << /P 6 0 R /Q << /PatternType 2 /Shading << /ShadingType 2 /ColorSpace /Sep /Coords [0 0 100 0] "
      "/Function 8 0 R >> >> >> >>",
  };
  const std::string pdf =
      refconv::test::classicPdf(objects, "<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>");
  std::string why;
  const std::unique_ptr<Document> document = Document::open(pdf, why);
  if (!document) return 0;
  refconv::pdf::FontCache fonts;
  for (const Page& each : document->pages()) drawPage(*document, each, fonts);
  return 0;
}
