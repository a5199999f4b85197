// Every format the converter writes, one row each beside its writers: what it takes of a
// plot of several pages, how it writes a drawing and how a picture (or why it cannot), as
// 7-Zip registers each archive handler next to its code. The output's extension names the
// row (core/CommandFile's table); a new format is a new row here and an extension there.
#pragma once

#include <string>

#include "Conversion.h"
#include "WicCodec.h"
#include "core/CommandFile.h"
#include "core/Render.h"

namespace refconv {

// What a format holds of a plot of several pages: the first (and the log says "(the first of
// N pages)"), every one, or as many as a bound on their pixels allows (TIFF).
enum class Pages { First, Every, Bounded };

struct OutputFormat {
  Format format;
  Pages pages;
  // Adds to `note` what the log should say (a picture cut short, pages left out).
  void (*drawing)(OutputFile& out, const Drawing& drawing, std::string& note);
  void (*picture)(OutputFile& out, const Picture& picture);  // none: `refusal` says why
  const char* refusal;
};

// The row of `format`; none for a format the converter does not write.
const OutputFormat* outputFormat(Format format);

// Converts one file; what the log should add to "OK" (pages left out, a plot cut short).
std::string convert(const std::wstring& input, const std::wstring& output);

}  // namespace refconv
