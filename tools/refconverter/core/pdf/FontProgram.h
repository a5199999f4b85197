// A font program (TrueType, OpenType, CFF, Type 1, CID-keyed CFF) read by FreeType, for the
// outlines of its glyphs. Each program has a FreeType library of its own, so that programs
// are used on several threads at once without a lock.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/Hpgl.h"

namespace refconv::pdf {

// A glyph's outline in ems (1 is the font's size), y upwards.
struct GlyphPath {
  enum class Op : uint8_t { Move, Line, Quad, Cubic };  // taking 1, 1, 2 and 3 points
  std::vector<Op> ops;
  std::vector<Point> points;
  double advance = 0;  // the horizontal advance the program gives, in ems
};

class FontProgram {
 public:
  // Nothing, and `why` says it, for bytes FreeType cannot read as a font. `face` picks one
  // font of a collection.
  static std::shared_ptr<FontProgram> load(std::string bytes, int face, std::string& why);
  ~FontProgram();
  FontProgram(const FontProgram&) = delete;
  FontProgram& operator=(const FontProgram&) = delete;

  // A glyph by the font's own means; 0 (the missing glyph) when it has none.
  uint32_t glyphOfName(std::string_view name) const;
  uint32_t glyphOfUnicode(uint32_t unicode) const;
  // A code through the (3,0) symbol table (0xF000 + code, or code), the (1,0) Macintosh table,
  // or a Type 1 program's own encoding.
  uint32_t glyphOfCode(uint8_t code) const;
  bool hasUnicodeTable() const;
  bool hasSymbolTable() const;
  // CFF keyed by CIDs: the glyph to ask for is the CID itself.
  bool cidKeyed() const;
  bool hasGlyphNames() const;
  uint32_t glyphCount() const;
  std::string familyName() const;

  // The glyph's outline, kept once read (until the next call); null for a glyph the program
  // does not hold.
  const GlyphPath* outline(uint32_t glyph);

 private:
  FontProgram() = default;
  uint32_t throughTable(int platform, int encoding, uint32_t code) const;

  std::string bytes_;  // FreeType reads the program in place
  void* library_ = nullptr;
  void* face_ = nullptr;
  std::unordered_map<uint32_t, std::unique_ptr<GlyphPath>> outlines_;
};

}  // namespace refconv::pdf
