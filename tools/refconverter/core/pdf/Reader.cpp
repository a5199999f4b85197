#include "core/pdf/Reader.h"

#include <algorithm>

#include "core/pdf/Content.h"
#include "core/pdf/Document.h"

namespace refconv::pdf {

bool looksLikePdf(std::string_view bytes) {
  // Readers take a header within the first kilobyte, after whatever a mailer put before it.
  return bytes.substr(0, 1024).find("%PDF-") != std::string_view::npos;
}

PdfReading readPdf(std::string bytes, SystemFonts* system) {
  PdfReading reading;
  std::string why;
  const std::unique_ptr<Document> document = Document::open(std::move(bytes), why);
  if (!document) {
    reading.failure = why;
    return reading;
  }
  const std::vector<Page> pages = document->pages();
  if (pages.empty()) {
    reading.failure = "the PDF has no pages";
    return reading;
  }
  FontCache fonts(system);
  std::vector<std::string> notes;
  int missing = 0;
  bool truncated = false;
  std::string damaged;
  reading.drawing.pages.clear();
  for (size_t i = 0; i < pages.size(); ++i) {
    PageDrawing page = drawPage(*document, pages[i], fonts);
    // A page drawn without its pictures would pass for the whole page: it is refused instead.
    if (page.imagesShown > 0) {
      reading.failure = "page " + std::to_string(i + 1) +
                        " of the PDF holds images, shadings or patterns, which the converter does not draw yet";
      return reading;
    }
    missing += page.glyphsMissing;
    truncated = truncated || page.truncated;
    if (damaged.empty()) damaged = page.failure;
    for (std::string& note : page.notes) addNote(notes, std::move(note));
    reading.drawing.pages.push_back(std::move(page.plot));
  }
  if (document->repaired()) reading.note += " (the PDF's cross-reference was damaged and rebuilt)";
  if (!damaged.empty()) reading.note += " (damaged: " + damaged + ")";
  for (size_t i = 0; i < notes.size() && i < 3; ++i) reading.note += " (" + notes[i] + ")";
  if (notes.size() > 3) reading.note += " (and " + std::to_string(notes.size() - 3) + " more of the fonts)";
  if (missing > 0) reading.note += " (" + std::to_string(missing) + " characters could not be drawn)";
  if (truncated) reading.note += " (cut short: the PDF passes the converter's limits)";
  return reading;
}

}  // namespace refconv::pdf
