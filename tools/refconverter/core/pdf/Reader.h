// A PDF file as a drawing of one plot a page, for every writer the converter has, with what
// the log should say of it: fonts that had to be stood in for or were missing, a damaged
// stream, images left out or reduced, what the reader does not draw.
#pragma once

#include <string>
#include <string_view>

#include "core/Hpgl.h"
#include "core/pdf/Fonts.h"
#include "core/pdf/Images.h"

namespace refconv::pdf {

struct PdfReading {
  Drawing drawing;
  std::string failure;  // why the file cannot be converted; empty when it can
  std::string note;     // what the log adds to "OK"
};

bool looksLikePdf(std::string_view bytes);
PdfReading readPdf(std::string bytes, SystemFonts* system, PictureCodecs* codecs = nullptr);

}  // namespace refconv::pdf
