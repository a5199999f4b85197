#include "core/pdf/Fonts.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "core/pdf/Encodings.h"

namespace refconv::pdf {

namespace {

// How many widths one font may give, whatever its arrays claim.
constexpr size_t kMostWidths = 200'000;

std::string lowered(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool any(std::string_view text, std::initializer_list<std::string_view> words) {
  return std::any_of(words.begin(), words.end(), [&](std::string_view w) { return text.find(w) != text.npos; });
}

double numberOr(const Object& o, double otherwise) { return o.isNumber() ? o.number() : otherwise; }

}  // namespace

std::vector<std::string> systemFamilies(const SystemFontRequest& request) {
  const std::string name = lowered(request.name);
  std::vector<std::string> families;
  // "ArialMT", "TimesNewRomanPSMT", "Arial-BoldMT": the families Windows names them by.
  if (name.starts_with("arial"))
    families.push_back("Arial");
  else if (name.starts_with("timesnewroman") || name.starts_with("times new roman"))
    families.push_back("Times New Roman");
  else if (name.starts_with("couriernew") || name.starts_with("courier new"))
    families.push_back("Courier New");
  else if (name.starts_with("century"))
    families.push_back("Century");
  else if (!request.name.empty())
    families.push_back(request.name);
  std::vector<const char*> more;
  if (any(name, {"dingbat"})) {
    more = {"D050000L"};
  } else if (request.symbolic && any(name, {"symbol"})) {
    more = {"Symbol", "Standard Symbols PS"};
  } else if (request.japanese) {
    if (request.serif || any(name, {"mincho", "ming", "\x96\xbe\x92\xa9"}))
      more = {"MS Mincho", "MS PMincho", "Yu Mincho", "IPAMincho", "IPAexMincho", "Noto Serif CJK JP"};
    else
      more = {"MS Gothic", "MS PGothic", "Meiryo", "Yu Gothic", "IPAGothic", "IPAexGothic", "Noto Sans CJK JP"};
  } else if (request.fixedPitch || any(name, {"courier", "mono", "consolas"})) {
    more = {"Courier New", "Liberation Mono", "Nimbus Mono PS", "DejaVu Sans Mono"};
  } else if (request.serif || any(name, {"times", "roman", "serif", "century", "garamond", "georgia", "book"})) {
    more = {"Times New Roman", "Liberation Serif", "Nimbus Roman", "DejaVu Serif"};
  } else {
    more = {"Arial", "Liberation Sans", "Nimbus Sans", "DejaVu Sans"};
  }
  for (const char* family : more)
    if (std::find(families.begin(), families.end(), family) == families.end()) families.emplace_back(family);
  return families;
}

std::shared_ptr<Font> Font::load(Document& document, const Object& object, SystemFonts* system, const CMapByName& cmaps,
                                 std::string& note) {
  const Dict* dict = object.asDict();
  if (!dict) return nullptr;
  auto font = std::make_shared<Font>();
  font->document_ = &document;
  const Object subtype = document.get(*dict, "Subtype");
  SystemFontRequest request;
  const Object baseFont = document.get(*dict, "BaseFont");
  request.name = std::string(withoutSubsetTag(baseFont.text));
  const Dict* descriptor = nullptr;
  Object descriptorObject, cidFont;
  if (subtype.isName("Type0")) {
    font->kind_ = Kind::Composite;
    const Object descendants = document.get(*dict, "DescendantFonts");
    cidFont = descendants.asArray() && !descendants.asArray()->empty() ? document.resolve((*descendants.asArray())[0])
                                                                       : Object{};
    if (!cidFont.asDict()) {
      note = "the composite font " + request.name + " has no CID font";
      return nullptr;
    }
    font->readComposite(*cidFont.asDict(), document.get(*dict, "Encoding"), cmaps);
    descriptorObject = document.get(*cidFont.asDict(), "FontDescriptor");
    font->trueType_ = document.get(*cidFont.asDict(), "Subtype").isName("CIDFontType2");
  } else {
    font->kind_ = subtype.isName("Type3") ? Kind::Type3 : Kind::Simple;
    font->trueType_ = subtype.isName("TrueType");
    descriptorObject = document.get(*dict, "FontDescriptor");
  }
  if (const Object toUnicode = document.get(*dict, "ToUnicode"); toUnicode.kind == Object::Kind::Stream)
    font->toUnicode_ = CMap::parse(document.streamData(toUnicode), cmaps);
  descriptor = descriptorObject.asDict();
  if (descriptor) {
    const auto flags = static_cast<int64_t>(numberOr(document.get(*descriptor, "Flags"), 0));
    request.fixedPitch = flags & 1;
    request.serif = flags & 2;
    request.symbolic = (flags & 4) && !(flags & 32);
    request.italic = (flags & 64) || numberOr(document.get(*descriptor, "ItalicAngle"), 0) != 0;
    request.bold = (flags & 262144) || numberOr(document.get(*descriptor, "FontWeight"), 400) >= 600;
    font->missingWidth_ = numberOr(document.get(*descriptor, "MissingWidth"), -1);
  }
  const std::string name = lowered(request.name);
  request.bold = request.bold || any(name, {"bold", "black", "heavy", "demi"});
  request.italic = request.italic || any(name, {"italic", "oblique"});
  request.symbolic = request.symbolic || any(name, {"symbol", "dingbat"});
  request.japanese = font->japanese_ || std::any_of(name.begin(), name.end(), [](char c) { return c & 0x80; });
  font->symbolic_ = request.symbolic;
  // A style after a comma ("Arial,Bold") or a hyphen ("Times-Roman") is the request's, not the family's.
  request.name = request.name.substr(0, request.name.find(','));
  if (const size_t hyphen = request.name.rfind('-');
      hyphen != std::string::npos &&
      any(lowered(request.name.substr(hyphen)), {"bold", "italic", "oblique", "roman", "regular", "light", "medium"}))
    request.name.resize(hyphen);
  if (font->kind_ != Kind::Composite) font->readSimple(*dict, descriptor);
  if (font->kind_ != Kind::Type3) font->readProgram(descriptor, system, request, note);
  return font;
}

void Font::readSimple(const Dict& dict, const Dict* descriptor) {
  Document& document = *document_;
  if (kind_ == Kind::Type3) {
    if (const Array* m = document.get(dict, "FontMatrix").asArray(); m && m->size() == 6)
      for (size_t i = 0; i < 6; ++i) fontMatrix_[i] = numberOr((*m)[i], 0);
    charProcs_ = document.get(dict, "CharProcs");
    resources_ = document.get(dict, "Resources");
  }
  // Without an encoding, a Type 1 program's own applies (FreeType's "custom" table) and a
  // TrueType or a font that is not embedded takes the standard one.
  const bool embeddedType1 = descriptor && (descriptor->get("FontFile") || descriptor->get("FontFile3")) && !trueType_;
  BaseEncoding base = BaseEncoding::Standard;
  bool named = kind_ != Kind::Type3 && !embeddedType1 && !symbolic_;
  const Object encoding = document.get(dict, "Encoding");
  const Object baseName = encoding.asDict() ? document.get(*encoding.asDict(), "BaseEncoding") : encoding;
  if (baseName.isName("WinAnsiEncoding")) base = BaseEncoding::WinAnsi, named = explicitEncoding_ = true;
  if (baseName.isName("MacRomanEncoding")) base = BaseEncoding::MacRoman, named = explicitEncoding_ = true;
  if (baseName.isName("StandardEncoding")) named = explicitEncoding_ = true;
  if (named)
    for (int code = 0; code < 256; ++code) names_[code] = glyphName(base, static_cast<uint8_t>(code));
  if (encoding.asDict())
    if (const Array* differences = document.get(*encoding.asDict(), "Differences").asArray()) {
      explicitEncoding_ = true;
      int64_t code = 0;
      for (const Object& item : *differences) {
        if (item.kind == Object::Kind::Int)
          code = item.integer;
        else if (item.kind == Object::Kind::Name && code >= 0 && code < 256)
          names_[code++] = item.text;
      }
    }
  const auto first = static_cast<int64_t>(numberOr(document.get(dict, "FirstChar"), 0));
  if (const Array* widths = document.get(dict, "Widths").asArray()) {
    const double scale = kind_ == Kind::Type3 ? fontMatrix_[0] : 0.001;
    for (size_t i = 0; i < widths->size(); ++i) {
      const int64_t code = first + static_cast<int64_t>(i);
      if (code < 0 || code > 255) continue;
      const Object w = document.resolve((*widths)[i]);
      widths_[code] = numberOr(w, 0) * scale;
      hasWidth_[code] = w.isNumber();
    }
  }
}

void Font::readComposite(const Dict& cidFont, const Object& encoding, const CMapByName& cmaps) {
  Document& document = *document_;
  if (encoding.kind == Object::Kind::Stream)
    cmap_ = CMap::parse(document.streamData(encoding), cmaps);
  else if (encoding.isName("Identity-V"))
    cmap_ = CMap::identity(true);
  else if (encoding.kind == Object::Kind::Name && !encoding.isName("Identity-H") && cmaps)
    cmap_ = cmaps(encoding.text);
  if (!cmap_) cmap_ = CMap::identity(false);
  unicodeCodes_ = encoding.kind == Object::Kind::Name && encoding.text.starts_with("Uni") &&
                  (encoding.text.find("UCS2") != std::string::npos || encoding.text.find("UTF16") != std::string::npos);
  const Object info = document.get(cidFont, "CIDSystemInfo");
  japanese_ = info.asDict() && document.get(*info.asDict(), "Ordering").text == "Japan1";
  if (japanese_ && cmaps) cidToUnicode_ = cmaps("Adobe-Japan1-UCS2");
  defaultWidth_ = numberOr(document.get(cidFont, "DW"), 1000);
  // W: "c [w1 w2 ...]" gives widths from c on, "c1 c2 w" one width for c1 to c2.
  if (const Array* w = document.get(cidFont, "W").asArray()) {
    for (size_t i = 0; i + 1 < w->size() && cidWidths_.size() < kMostWidths;) {
      const Object first = document.resolve((*w)[i]), next = document.resolve((*w)[i + 1]);
      if (!first.isNumber()) break;
      const auto cid = static_cast<int64_t>(first.number());
      if (const Array* each = next.asArray()) {
        for (size_t k = 0; k < each->size() && cidWidths_.size() < kMostWidths; ++k)
          cidWidths_[static_cast<uint32_t>(cid + static_cast<int64_t>(k))] = numberOr(document.resolve((*each)[k]), 0);
        i += 2;
      } else if (i + 2 < w->size() && next.isNumber()) {
        const auto last = static_cast<int64_t>(next.number());
        const double width = numberOr(document.resolve((*w)[i + 2]), 0);
        for (int64_t c = cid; c <= last && cid >= 0 && cidWidths_.size() < kMostWidths; ++c)
          cidWidths_[static_cast<uint32_t>(c)] = width;
        i += 3;
      } else {
        break;
      }
    }
  }
  if (const Array* dw2 = document.get(cidFont, "DW2").asArray(); dw2 && dw2->size() == 2)
    defaultVertical_[0] = numberOr((*dw2)[0], 880), defaultVertical_[1] = numberOr((*dw2)[1], -1000);
  if (const Array* w2 = document.get(cidFont, "W2").asArray()) {
    for (size_t i = 0; i + 1 < w2->size() && cidVertical_.size() < kMostWidths;) {
      const Object first = document.resolve((*w2)[i]), next = document.resolve((*w2)[i + 1]);
      if (!first.isNumber()) break;
      const auto cid = static_cast<int64_t>(first.number());
      if (const Array* each = next.asArray()) {
        for (size_t k = 0; k + 2 < each->size(); k += 3)
          cidVertical_[static_cast<uint32_t>(cid + static_cast<int64_t>(k / 3))] = {
              numberOr((*each)[k], -1000), numberOr((*each)[k + 1], 0), numberOr((*each)[k + 2], 880)};
        i += 2;
      } else if (i + 4 < w2->size() && next.isNumber()) {
        const std::array<double, 3> v{numberOr((*w2)[i + 2], -1000), numberOr((*w2)[i + 3], 0),
                                      numberOr((*w2)[i + 4], 880)};
        for (int64_t c = cid; c <= static_cast<int64_t>(next.number()) && cid >= 0 && cidVertical_.size() < kMostWidths;
             ++c)
          cidVertical_[static_cast<uint32_t>(c)] = v;
        i += 5;
      } else {
        break;
      }
    }
  }
  if (const Object map = document.get(cidFont, "CIDToGIDMap"); map.kind == Object::Kind::Stream) {
    const std::string bytes = document.streamData(map);
    cidToGid_.resize(bytes.size() / 2);
    for (size_t i = 0; i < cidToGid_.size(); ++i)
      cidToGid_[i] =
          static_cast<uint16_t>((static_cast<uint8_t>(bytes[2 * i]) << 8) | static_cast<uint8_t>(bytes[2 * i + 1]));
  }
}

void Font::readProgram(const Dict* descriptor, SystemFonts* system, const SystemFontRequest& request,
                       std::string& note) {
  Document& document = *document_;
  std::string why;
  for (const char* key : {"FontFile2", "FontFile3", "FontFile"}) {
    const Object file = descriptor ? document.get(*descriptor, key) : Object{};
    if (file.kind != Object::Kind::Stream) continue;
    program_ = FontProgram::load(document.streamData(file), 0, why);
    if (program_) {
      embedded_ = true;
      trueType_ = trueType_ || std::string_view(key) == "FontFile2";
      return;
    }
    note = "the font " + request.name + " embeds a program that cannot be read (" + why + ")";
  }
  if (system) program_ = system->font(request);
  if (!program_ && note.empty())
    note = "the font " + request.name + " is not embedded, and no font of the system stands in for it";
}

uint32_t Font::simpleGlyph(uint8_t code) const {
  const std::string& name = names_[code];
  if (embedded_ && !trueType_) {
    // Type 1 and CFF programs name their glyphs; the code itself reaches their own encoding.
    if (uint32_t glyph = program_->glyphOfName(name)) return glyph;
    if (!explicitEncoding_ || name.empty())
      if (uint32_t glyph = program_->glyphOfCode(code)) return glyph;
    return program_->glyphOfUnicode(unicodeOfGlyphName(name));
  }
  // TrueType and the system's fonts: a symbolic font by its code, the others by what the
  // glyph's name stands for, then by the name in the program's own list.
  if ((symbolic_ || name.empty()) && program_->hasSymbolTable())
    if (uint32_t glyph = program_->glyphOfCode(code)) return glyph;
  if (uint32_t glyph = program_->glyphOfUnicode(unicodeOfGlyphName(name))) return glyph;
  if (!embedded_ && toUnicode_)
    if (uint32_t glyph = program_->glyphOfUnicode(toUnicode_->map(code, 1))) return glyph;
  if (uint32_t glyph = program_->glyphOfName(name)) return glyph;
  return program_->glyphOfCode(code);
}

uint32_t Font::compositeGlyph(const Code& code) const {
  if (embedded_) {
    if (trueType_) return cidToGid_.empty() ? code.cid : code.cid < cidToGid_.size() ? cidToGid_[code.cid] : 0;
    return code.cid;  // CID-keyed CFF takes the CID itself; a bare CFF's glyphs are its CIDs
  }
  // A stand-in from the system is reached through what the code means: the file's own map, the
  // code itself for a Unicode CMap, or the CID's code point in Adobe-Japan1.
  uint32_t unicode = toUnicode_ ? toUnicode_->map(code.code, code.length) : 0;
  if (!unicode && unicodeCodes_) {
    unicode = code.code;
    if (code.length == 4 && (unicode >> 16) >= 0xD800 && (unicode >> 16) < 0xDC00)
      unicode = 0x10000 + (((unicode >> 16) - 0xD800) << 10) + ((unicode & 0xFFFF) - 0xDC00);
  }
  if (!unicode && cidToUnicode_) unicode = cidToUnicode_->map(code.cid, 2);
  return program_->glyphOfUnicode(unicode);
}

void Font::codes(std::string_view bytes, std::vector<Code>& out) {
  out.clear();
  if (kind_ != Kind::Composite) {
    for (const char c : bytes) {
      Code code;
      code.code = static_cast<uint8_t>(c);
      code.wordSpace = code.code == 32;
      if (hasWidth_[code.code]) {
        code.advance = widths_[code.code];
      } else if (missingWidth_ >= 0) {
        code.advance = missingWidth_ * (kind_ == Kind::Type3 ? fontMatrix_[0] : 0.001);
      } else if (kind_ != Kind::Type3 && program_) {
        const GlyphPath* path = outline(code);
        code.advance = path ? path->advance : 0;
      }
      out.push_back(code);
    }
    return;
  }
  for (size_t at = 0; at < bytes.size();) {
    Code code;
    const size_t length = cmap_->nextCode(bytes, at, code.code);
    at += length;
    code.length = static_cast<uint8_t>(length);
    code.cid = cmap_->map(code.code, length);
    code.wordSpace = length == 1 && code.code == 32;
    const auto width = cidWidths_.find(code.cid);
    const double w0 = width != cidWidths_.end() ? width->second : defaultWidth_;
    if (vertical()) {
      const auto v = cidVertical_.find(code.cid);
      code.advance = (v != cidVertical_.end() ? v->second[0] : defaultVertical_[1]) / 1000;
      code.originX = -(v != cidVertical_.end() ? v->second[1] : w0 / 2) / 1000;
      code.originY = -(v != cidVertical_.end() ? v->second[2] : defaultVertical_[0]) / 1000;
    } else {
      code.advance = w0 / 1000;
    }
    out.push_back(code);
  }
}

const GlyphPath* Font::outline(const Code& code) {
  if (!program_) return nullptr;
  const uint32_t glyph = kind_ == Kind::Composite ? compositeGlyph(code) : simpleGlyph(static_cast<uint8_t>(code.code));
  // Glyph 0 is the program's "missing" box: nothing is drawn rather than boxes.
  return glyph == 0 ? nullptr : program_->outline(glyph);
}

Object Font::glyphProcedure(uint32_t code) {
  if (kind_ != Kind::Type3 || code > 255 || !charProcs_.asDict() || names_[code].empty()) return {};
  return document_->get(*charProcs_.asDict(), names_[code]);
}

std::shared_ptr<Font> FontCache::font(Document& document, const Object& dict, std::vector<std::string>& notes) {
  if (!dict.asDict()) return nullptr;
  if (const auto kept = fonts_.find(dict.asDict()); kept != fonts_.end()) return kept->second.second;
  std::string note;
  std::shared_ptr<Font> font = Font::load(
      document, dict, system_, [this](std::string_view name) { return cmap(name); }, note);
  if (!note.empty()) addNote(notes, std::move(note));
  fonts_.emplace(dict.asDict(), std::make_pair(dict, font));
  return font;
}

std::shared_ptr<const CMap> FontCache::cmap(std::string_view name) {
  if (name == "Identity-H" || name == "Identity-V") return CMap::identity(name.back() == 'V');
  const std::string key(name);
  if (const auto kept = cmaps_.find(key); kept != cmaps_.end()) return kept->second;
  // A CMap that uses itself, or a chain of them, ends here.
  if (using_ >= 8) return nullptr;
  const std::string text = predefinedCMapText(name);
  std::shared_ptr<const CMap> cmap;
  if (!text.empty()) {
    ++using_;
    cmap = CMap::parse(text, [this](std::string_view used) { return this->cmap(used); });
    --using_;
  }
  cmaps_[key] = cmap;
  return cmap;
}

void addNote(std::vector<std::string>& notes, std::string note) {
  if (std::find(notes.begin(), notes.end(), note) == notes.end()) notes.push_back(std::move(note));
}

}  // namespace refconv::pdf
