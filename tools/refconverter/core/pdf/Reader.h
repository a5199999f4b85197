// A PDF file as a drawing of one plot a page, for every writer the converter has, with what
// the log should say of it: fonts that had to be stood in for or were missing, a damaged
// stream, images left out or reduced, what the reader does not draw.
#pragma once

#include <string>
#include <string_view>

#include "core/Hpgl.h"
#include "core/pdf/Fonts.h"
#include "core/pdf/Images.h"
#include "core/pdf/Security.h"

namespace refconv::pdf {

struct PdfReading {
  Drawing drawing;
  std::string failure;  // why the file cannot be converted; empty when it can
  std::string note;     // what the log adds to "OK"
};

// What the platform lends the reader: its fonts, its picture decoders, its hashes and ciphers.
struct PdfServices {
  SystemFonts* fonts = nullptr;
  PictureCodecs* codecs = nullptr;
  Crypto* crypto = nullptr;
};

bool looksLikePdf(std::string_view bytes);
PdfReading readPdf(std::string bytes, const PdfServices& services);

}  // namespace refconv::pdf
