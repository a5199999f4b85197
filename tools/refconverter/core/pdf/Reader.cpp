#include "core/pdf/Reader.h"

#include <algorithm>

#include "core/pdf/Content.h"
#include "core/pdf/Document.h"

namespace refconv::pdf {

bool looksLikePdf(std::string_view bytes) {
  // Readers take a header within the first kilobyte, after whatever a mailer put before it.
  return bytes.substr(0, 1024).find("%PDF-") != std::string_view::npos;
}

PdfReading readPdf(std::string bytes, const PdfServices& services) {
  PdfReading reading;
  std::string why;
  const std::unique_ptr<Document> document = Document::open(std::move(bytes), why, services.crypto);
  if (!document) {
    reading.failure = why;
    return reading;
  }
  const std::vector<Page> pages = document->pages();
  if (pages.empty()) {
    reading.failure = "the PDF has no pages";
    return reading;
  }
  FontCache fonts(services.fonts);
  std::vector<std::string> notes;
  int missing = 0, reduced = 0;
  std::vector<std::string> skipped;
  bool truncated = false;
  std::string damaged;
  reading.drawing.pages.clear();
  for (size_t i = 0; i < pages.size(); ++i) {
    PageDrawing page = drawPage(*document, pages[i], fonts, services.codecs);
    // A page drawn without its shadings would pass for the whole page: it is refused instead.
    if (page.notDrawn > 0) {
      reading.failure = "page " + std::to_string(i + 1) +
                        " of the PDF holds shadings or patterns, which the converter does not draw yet";
      return reading;
    }
    skipped.insert(skipped.end(), page.imagesSkipped.begin(), page.imagesSkipped.end());
    reduced += page.imagesReduced;
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
  if (!skipped.empty()) {
    // Pictures in a coding no decoder here reads are left out, and said by their coding.
    std::vector<std::string> named(skipped);
    std::sort(named.begin(), named.end());
    named.erase(std::unique(named.begin(), named.end()), named.end());
    std::string names;
    for (const std::string& codec : named) names += (names.empty() ? "" : ", ") + codec;
    reading.note += " (" + std::to_string(skipped.size()) + (skipped.size() == 1 ? " image" : " images") +
                    " left out: no decoder for " + names + ")";
  }
  if (reduced > 0)
    reading.note += " (" + std::to_string(reduced) + (reduced == 1 ? " image" : " images") +
                    " taken at fewer pixels, past the converter's limits)";
  if (truncated) reading.note += " (cut short: the PDF passes the converter's limits)";
  return reading;
}

}  // namespace refconv::pdf
