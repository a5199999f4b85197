#include "core/pdf/Encodings.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string>
#include <unordered_map>

namespace refconv::pdf {

namespace {

struct GlyphNameEntry {
  const char* name;
  uint32_t unicode;
};
#include "GlyphList.inc"

// The printable ASCII range as the Latin encodings name it, from space (32) to asciitilde (126).
constexpr std::string_view kAscii[95] = {"space",       "exclam",
                                         "quotedbl",    "numbersign",
                                         "dollar",      "percent",
                                         "ampersand",   "quotesingle",
                                         "parenleft",   "parenright",
                                         "asterisk",    "plus",
                                         "comma",       "hyphen",
                                         "period",      "slash",
                                         "zero",        "one",
                                         "two",         "three",
                                         "four",        "five",
                                         "six",         "seven",
                                         "eight",       "nine",
                                         "colon",       "semicolon",
                                         "less",        "equal",
                                         "greater",     "question",
                                         "at",          "A",
                                         "B",           "C",
                                         "D",           "E",
                                         "F",           "G",
                                         "H",           "I",
                                         "J",           "K",
                                         "L",           "M",
                                         "N",           "O",
                                         "P",           "Q",
                                         "R",           "S",
                                         "T",           "U",
                                         "V",           "W",
                                         "X",           "Y",
                                         "Z",           "bracketleft",
                                         "backslash",   "bracketright",
                                         "asciicircum", "underscore",
                                         "grave",       "a",
                                         "b",           "c",
                                         "d",           "e",
                                         "f",           "g",
                                         "h",           "i",
                                         "j",           "k",
                                         "l",           "m",
                                         "n",           "o",
                                         "p",           "q",
                                         "r",           "s",
                                         "t",           "u",
                                         "v",           "w",
                                         "x",           "y",
                                         "z",           "braceleft",
                                         "bar",         "braceright",
                                         "asciitilde"};

// Codes 128 to 255 of each encoding; "" is undefined.
constexpr std::string_view kStandardHigh[128] = {"",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",  //
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",  //
                                                 "",
                                                 "exclamdown",
                                                 "cent",
                                                 "sterling",
                                                 "fraction",
                                                 "yen",
                                                 "florin",
                                                 "section",
                                                 "currency",
                                                 "quotesingle",
                                                 "quotedblleft",
                                                 "guillemotleft",
                                                 "guilsinglleft",
                                                 "guilsinglright",
                                                 "fi",
                                                 "fl",  //
                                                 "",
                                                 "endash",
                                                 "dagger",
                                                 "daggerdbl",
                                                 "periodcentered",
                                                 "",
                                                 "paragraph",
                                                 "bullet",
                                                 "quotesinglbase",
                                                 "quotedblbase",
                                                 "quotedblright",
                                                 "guillemotright",
                                                 "ellipsis",
                                                 "perthousand",
                                                 "",
                                                 "questiondown",  //
                                                 "",
                                                 "grave",
                                                 "acute",
                                                 "circumflex",
                                                 "tilde",
                                                 "macron",
                                                 "breve",
                                                 "dotaccent",
                                                 "dieresis",
                                                 "",
                                                 "ring",
                                                 "cedilla",
                                                 "",
                                                 "hungarumlaut",
                                                 "ogonek",
                                                 "caron",  //
                                                 "emdash",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "",  //
                                                 "",
                                                 "AE",
                                                 "",
                                                 "ordfeminine",
                                                 "",
                                                 "",
                                                 "",
                                                 "",
                                                 "Lslash",
                                                 "Oslash",
                                                 "OE",
                                                 "ordmasculine",
                                                 "",
                                                 "",
                                                 "",
                                                 "",  //
                                                 "",
                                                 "ae",
                                                 "",
                                                 "",
                                                 "",
                                                 "dotlessi",
                                                 "",
                                                 "",
                                                 "lslash",
                                                 "oslash",
                                                 "oe",
                                                 "germandbls",
                                                 "",
                                                 "",
                                                 "",
                                                 ""};

// Latin-1's upper half, which WinAnsi shares from 0xA0 (0xA0 itself is "space", 0xAD "hyphen").
constexpr std::string_view kLatin1High[96] = {
    "space",       "exclamdown",  "cent",           "sterling",     "currency",      "yen",           "brokenbar",
    "section",     "dieresis",    "copyright",      "ordfeminine",  "guillemotleft", "logicalnot",    "hyphen",
    "registered",  "macron",      "degree",         "plusminus",    "twosuperior",   "threesuperior", "acute",
    "mu",          "paragraph",   "periodcentered", "cedilla",      "onesuperior",   "ordmasculine",  "guillemotright",
    "onequarter",  "onehalf",     "threequarters",  "questiondown", "Agrave",        "Aacute",        "Acircumflex",
    "Atilde",      "Adieresis",   "Aring",          "AE",           "Ccedilla",      "Egrave",        "Eacute",
    "Ecircumflex", "Edieresis",   "Igrave",         "Iacute",       "Icircumflex",   "Idieresis",     "Eth",
    "Ntilde",      "Ograve",      "Oacute",         "Ocircumflex",  "Otilde",        "Odieresis",     "multiply",
    "Oslash",      "Ugrave",      "Uacute",         "Ucircumflex",  "Udieresis",     "Yacute",        "Thorn",
    "germandbls",  "agrave",      "aacute",         "acircumflex",  "atilde",        "adieresis",     "aring",
    "ae",          "ccedilla",    "egrave",         "eacute",       "ecircumflex",   "edieresis",     "igrave",
    "iacute",      "icircumflex", "idieresis",      "eth",          "ntilde",        "ograve",        "oacute",
    "ocircumflex", "otilde",      "odieresis",      "divide",       "oslash",        "ugrave",        "uacute",
    "ucircumflex", "udieresis",   "yacute",         "thorn",        "ydieresis"};

// WinAnsi's 0x80 to 0x9F (Windows code page 1252); the codes it leaves out show a bullet.
constexpr std::string_view kWinAnsi80[32] = {
    "Euro",      "bullet",     "quotesinglbase", "florin",    "quotedblbase",  "ellipsis",     "dagger",
    "daggerdbl", "circumflex", "perthousand",    "Scaron",    "guilsinglleft", "OE",           "bullet",
    "Zcaron",    "bullet",     "bullet",         "quoteleft", "quoteright",    "quotedblleft", "quotedblright",
    "bullet",    "endash",     "emdash",         "tilde",     "trademark",     "scaron",       "guilsinglright",
    "oe",        "bullet",     "zcaron",         "Ydieresis"};

constexpr std::string_view kMacRomanHigh[128] = {"Adieresis",
                                                 "Aring",
                                                 "Ccedilla",
                                                 "Eacute",
                                                 "Ntilde",
                                                 "Odieresis",
                                                 "Udieresis",
                                                 "aacute",
                                                 "agrave",
                                                 "acircumflex",
                                                 "adieresis",
                                                 "atilde",
                                                 "aring",
                                                 "ccedilla",
                                                 "eacute",
                                                 "egrave",
                                                 "ecircumflex",
                                                 "edieresis",
                                                 "iacute",
                                                 "igrave",
                                                 "icircumflex",
                                                 "idieresis",
                                                 "ntilde",
                                                 "oacute",
                                                 "ograve",
                                                 "ocircumflex",
                                                 "odieresis",
                                                 "otilde",
                                                 "uacute",
                                                 "ugrave",
                                                 "ucircumflex",
                                                 "udieresis",
                                                 "dagger",
                                                 "degree",
                                                 "cent",
                                                 "sterling",
                                                 "section",
                                                 "bullet",
                                                 "paragraph",
                                                 "germandbls",
                                                 "registered",
                                                 "copyright",
                                                 "trademark",
                                                 "acute",
                                                 "dieresis",
                                                 "notequal",
                                                 "AE",
                                                 "Oslash",
                                                 "infinity",
                                                 "plusminus",
                                                 "lessequal",
                                                 "greaterequal",
                                                 "yen",
                                                 "mu",
                                                 "partialdiff",
                                                 "summation",
                                                 "product",
                                                 "pi",
                                                 "integral",
                                                 "ordfeminine",
                                                 "ordmasculine",
                                                 "Omega",
                                                 "ae",
                                                 "oslash",
                                                 "questiondown",
                                                 "exclamdown",
                                                 "logicalnot",
                                                 "radical",
                                                 "florin",
                                                 "approxequal",
                                                 "Delta",
                                                 "guillemotleft",
                                                 "guillemotright",
                                                 "ellipsis",
                                                 "space",
                                                 "Agrave",
                                                 "Atilde",
                                                 "Otilde",
                                                 "OE",
                                                 "oe",
                                                 "endash",
                                                 "emdash",
                                                 "quotedblleft",
                                                 "quotedblright",
                                                 "quoteleft",
                                                 "quoteright",
                                                 "divide",
                                                 "lozenge",
                                                 "ydieresis",
                                                 "Ydieresis",
                                                 "fraction",
                                                 "currency",
                                                 "guilsinglleft",
                                                 "guilsinglright",
                                                 "fi",
                                                 "fl",
                                                 "daggerdbl",
                                                 "periodcentered",
                                                 "quotesinglbase",
                                                 "quotedblbase",
                                                 "perthousand",
                                                 "Acircumflex",
                                                 "Ecircumflex",
                                                 "Aacute",
                                                 "Edieresis",
                                                 "Egrave",
                                                 "Iacute",
                                                 "Icircumflex",
                                                 "Idieresis",
                                                 "Igrave",
                                                 "Oacute",
                                                 "Ocircumflex",
                                                 "apple",
                                                 "Ograve",
                                                 "Uacute",
                                                 "Ucircumflex",
                                                 "Ugrave",
                                                 "dotlessi",
                                                 "circumflex",
                                                 "tilde",
                                                 "macron",
                                                 "breve",
                                                 "dotaccent",
                                                 "ring",
                                                 "cedilla",
                                                 "hungarumlaut",
                                                 "ogonek",
                                                 "caron"};

uint32_t hexValue(std::string_view digits) {
  uint32_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
  return error == std::errc{} && end == digits.data() + digits.size() ? value : 0;
}

bool allHex(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

}  // namespace

std::string_view glyphName(BaseEncoding encoding, uint8_t code) {
  if (code >= 32 && code < 127) {
    if (encoding == BaseEncoding::Standard && code == '\'') return "quoteright";
    if (encoding == BaseEncoding::Standard && code == '`') return "quoteleft";
    return kAscii[code - 32];
  }
  if (code < 128) return encoding == BaseEncoding::WinAnsi && code == 127 ? "bullet" : "";
  switch (encoding) {
    case BaseEncoding::Standard: return kStandardHigh[code - 128];
    case BaseEncoding::WinAnsi: return code < 0xA0 ? kWinAnsi80[code - 0x80] : kLatin1High[code - 0xA0];
    case BaseEncoding::MacRoman: return kMacRomanHigh[code - 128];
  }
  return "";
}

uint32_t unicodeOfGlyphName(std::string_view name) {
  static const std::unordered_map<std::string_view, uint32_t> list = [] {
    std::unordered_map<std::string_view, uint32_t> map;
    map.reserve(std::size(kGlyphList));
    for (const GlyphNameEntry& entry : kGlyphList) map.emplace(entry.name, entry.unicode);
    return map;
  }();
  name = name.substr(0, name.find('.'));
  name = name.substr(0, name.find('_'));  // a ligature's first part stands for it
  if (name.empty()) return 0;
  if (const auto found = list.find(name); found != list.end()) return found->second;
  if (name.size() == 7 && name.starts_with("uni") && allHex(name.substr(3))) return hexValue(name.substr(3));
  if (name.size() >= 5 && name.size() <= 7 && name[0] == 'u' && allHex(name.substr(1))) {
    const uint32_t value = hexValue(name.substr(1));
    return value <= 0x10FFFF ? value : 0;
  }
  return 0;
}

std::string_view withoutSubsetTag(std::string_view name) {
  if (name.size() > 7 && name[6] == '+' &&
      std::all_of(name.begin(), name.begin() + 6, [](char c) { return c >= 'A' && c <= 'Z'; }))
    return name.substr(7);
  return name;
}

}  // namespace refconv::pdf
