// A page's content stream of whatever bytes, drawn: the operators, their operands, the graphics
// state's stack, paths and curves. The bytes are wrapped in a sound one-page file, so that every
// input reaches the interpreter rather than the cross-reference's repair.
#include <cstdint>
#include <string>

#include "core/pdf/Content.h"
#include "core/pdf/Document.h"

using namespace refconv::pdf;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string content(reinterpret_cast<const char*>(data), size);
  std::string pdf = "%PDF-1.4\n";
  const size_t catalog = pdf.size();
  pdf += "1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n";
  const size_t pages = pdf.size();
  pdf += "2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n";
  const size_t page = pdf.size();
  pdf +=
      "3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R /Resources << /XObject << "
      "/F 5 0 R >> >> >> endobj\n";
  const size_t stream = pdf.size();
  pdf += "4 0 obj << /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream endobj\n";
  // A form that draws the same content again, for Do.
  const size_t form = pdf.size();
  pdf += "5 0 obj << /Type /XObject /Subtype /Form /Length " + std::to_string(content.size()) +
         " /Resources << /XObject << /F 5 0 R >> >> >>\nstream\n" + content + "\nendstream endobj\n";
  const size_t xref = pdf.size();
  pdf += "xref\n0 6\n0000000000 65535 f \n";
  for (const size_t offset : {catalog, pages, page, stream, form}) {
    char line[24];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
    pdf += line;
  }
  pdf += "trailer << /Size 6 /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  std::string why;
  const std::unique_ptr<Document> document = Document::open(pdf, why);
  if (!document) return 0;
  refconv::pdf::FontCache fonts;
  for (const Page& each : document->pages()) drawPage(*document, each, fonts);
  return 0;
}
