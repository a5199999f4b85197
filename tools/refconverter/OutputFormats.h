// Every format the converter writes, one row each beside its writers: what it takes of a
// plot of several pages, how it writes a drawing and how a picture (or why it cannot), as
// 7-Zip registers each archive handler next to its code. The output's extension names the
// row: a new format is a new row in OutputFormats.cpp, and nothing else.
#pragma once

#include <string>
#include <string_view>

#include "Conversion.h"
#include "WicCodec.h"
#include "core/CommandFile.h"
#include "core/Render.h"

namespace refconv {

// What a format holds of a plot of several pages: the first (and the log says "(the first of
// N pages)"), every one, or as many as a bound on their pixels allows (TIFF).
enum class Pages { First, Every, Bounded };

struct OutputFormat {
  const char* name;           // as the log says it
  const char* extensions[2];  // what an output's name ends with, lower case
  Pages pages;
  // Adds to `note` what the log should say (a picture cut short, pages left out).
  void (*drawing)(OutputFile& out, const Drawing& drawing, std::string& note);
  void (*picture)(OutputFile& out, const Picture& picture);  // none: `refusal` says why
  const char* refusal;
  const char* noImages;  // why a drawing with pictures (a PDF's images) cannot be written; none: it can
};

// The row an output path asks for by its extension (any letter case); none for a format the
// converter does not write.
const OutputFormat* outputFormatOf(std::string_view path);

// Converts one file; what the log should add to "OK" (pages left out, a plot cut short).
std::string convert(const std::wstring& input, const std::wstring& output);

}  // namespace refconv
