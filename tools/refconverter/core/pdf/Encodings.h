// What a simple font's codes name (ISO 32000-1, 9.6.6 and Annex D): the base encodings with
// their glyph names, and the Unicode value of a glyph name by the Adobe Glyph List.
#pragma once

#include <cstdint>
#include <string_view>

namespace refconv::pdf {

enum class BaseEncoding { Standard, WinAnsi, MacRoman };

// The glyph name of a code in a base encoding; empty for a code it leaves undefined.
std::string_view glyphName(BaseEncoding encoding, uint8_t code);

// The code point a glyph name stands for: the Adobe Glyph List, "uniXXXX", "uXXXX[XX]", a
// name's part before its first "." ("A.sc"); 0 for a name none of them know.
uint32_t unicodeOfGlyphName(std::string_view name);

// A font program's name without its subset tag ("ABCDEF+Helvetica" is Helvetica).
std::string_view withoutSubsetTag(std::string_view name);

}  // namespace refconv::pdf
