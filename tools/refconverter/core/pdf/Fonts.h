// A PDF font (ISO 32000-1, 9.5 to 9.10) as the text operators use it: how its bytes split into
// codes, each code's advance, and the glyph outline it draws, from the program the file embeds
// or, when it embeds none, a font of the system's that stands in for it. Type 3 glyphs are
// content streams of their own, which the painter runs.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/pdf/CMap.h"
#include "core/pdf/Document.h"
#include "core/pdf/FontProgram.h"

namespace refconv::pdf {

// What a font that embeds no program asks of the system.
struct SystemFontRequest {
  std::string name;  // the PDF's name for it, without its subset tag and style ("Helvetica", "MS-Gothic")
  bool bold = false, italic = false, serif = false, fixedPitch = false, symbolic = false;
  bool japanese = false;  // a CJK font of Adobe-Japan1 or a Japanese name
};

// The families to try for a request, best first: the name itself, then what stands in for the
// standard fonts and the Japanese ones on Windows, then the free fonts a Linux system has.
std::vector<std::string> systemFamilies(const SystemFontRequest& request);

class SystemFonts {
 public:
  virtual ~SystemFonts() = default;
  // A program for the request, or null when the system has nothing like it.
  virtual std::shared_ptr<FontProgram> font(const SystemFontRequest& request) = 0;
};

class Font {
 public:
  enum class Kind { Simple, Composite, Type3 };
  struct Code {
    uint32_t code = 0;
    uint32_t cid = 0;        // a composite font's CID for the code
    uint8_t length = 1;      // the code's bytes
    double advance = 0;      // in text space at a size of 1, along the writing direction
    double originX = 0;      // where a vertical glyph's origin lies from the pen, in text space
    double originY = 0;      // at a size of 1
    bool wordSpace = false;  // the single-byte code 32, which word spacing widens
  };

  // `note` says what could not be had (no program, a program that cannot be read): the text is
  // then drawn in a stand-in, or not at all.
  static std::shared_ptr<Font> load(Document& document, const Object& dict, SystemFonts* system,
                                    const CMapByName& cmaps, std::string& note);

  Kind kind() const { return kind_; }
  bool vertical() const { return cmap_ && cmap_->vertical(); }
  void codes(std::string_view bytes, std::vector<Code>& out);
  // The code's outline in ems; null when the font has no glyph for it.
  const GlyphPath* outline(const Code& code);

  // Type 3: the glyph procedure of a code, its matrix and resources.
  Object glyphProcedure(uint32_t code);
  const std::array<double, 6>& fontMatrix() const { return fontMatrix_; }
  const Object& resources() const { return resources_; }

 private:
  void readSimple(const Dict& dict, const Dict* descriptor);
  void readComposite(const Dict& cidFont, const Object& encoding, const CMapByName& cmaps);
  void readProgram(const Dict* descriptor, SystemFonts* system, const SystemFontRequest& request, std::string& note);
  uint32_t simpleGlyph(uint8_t code) const;
  uint32_t compositeGlyph(const Code& code) const;

  Document* document_ = nullptr;
  Kind kind_ = Kind::Simple;
  std::shared_ptr<FontProgram> program_;
  bool trueType_ = false, symbolic_ = false, embedded_ = false;
  // Simple fonts: each code's glyph name and width.
  std::array<std::string, 256> names_;
  std::array<double, 256> widths_{};
  std::array<bool, 256> hasWidth_{};
  double missingWidth_ = -1;  // none given: the program's own advance
  bool explicitEncoding_ = false;
  // Composite fonts.
  std::shared_ptr<const CMap> cmap_, toUnicode_;
  std::shared_ptr<const CMap> cidToUnicode_;  // Adobe-Japan1's code points, for a stand-in
  bool unicodeCodes_ = false;                 // a Uni... CMap: the codes are UTF-16 themselves
  std::unordered_map<uint32_t, double> cidWidths_;
  double defaultWidth_ = 1000;
  std::unordered_map<uint32_t, std::array<double, 3>> cidVertical_;  // w1y, vx, vy
  double defaultVertical_[2] = {880, -1000};                         // DW2: vy, w1y
  std::vector<uint16_t> cidToGid_;                                   // empty: the identity
  bool japanese_ = false;
  // Type 3.
  std::array<double, 6> fontMatrix_{0.001, 0, 0, 0.001, 0, 0};
  Object charProcs_, resources_;
};

// What drawing the pages of one document shares: its fonts and CMaps, each read once, and
// where fonts that are not embedded come from.
class FontCache {
 public:
  explicit FontCache(SystemFonts* system = nullptr) : system_(system) {}
  // The font of a font dictionary; null for one that cannot be had, and the note says why.
  std::shared_ptr<Font> font(Document& document, const Object& dict, std::vector<std::string>& notes);
  // A CMap by name: Identity-H and Identity-V, and those the converter carries.
  std::shared_ptr<const CMap> cmap(std::string_view name);

 private:
  SystemFonts* system_;
  std::unordered_map<std::string, std::shared_ptr<const CMap>> cmaps_;
  int using_ = 0;  // CMaps being read now, each using the next
  std::unordered_map<const Dict*, std::pair<Object, std::shared_ptr<Font>>> fonts_;
};

// Adds a note unless it is there already: each is said once.
void addNote(std::vector<std::string>& notes, std::string note);

}  // namespace refconv::pdf
