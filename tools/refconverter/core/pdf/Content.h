// A PDF page's content stream (ISO 32000-1, 8) drawn into the drawing model the writers take:
// the graphics state (q/Q, cm, line width, caps, joins, miter limit), paths with their Bézier
// curves flattened, fills under both rules, strokes, the Device colour spaces, Form XObjects,
// and text as the outlines of its glyphs. What it does not draw yet (images, shadings) is
// counted, so that a caller never passes a page off as whole when it is not.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/Hpgl.h"
#include "core/pdf/Document.h"
#include "core/pdf/Fonts.h"

namespace refconv::pdf {

struct PageDrawing {
  Plot plot;                       // in plotter units (0.025 mm), y upwards, the page's lower left at 0,0
  int glyphsMissing = 0;           // glyphs that could not be drawn (no font, no such glyph)
  int imagesShown = 0;             // images, shadings and pattern fills met (not drawn yet)
  bool truncated = false;          // a bound on operators, points or nesting was reached
  std::string failure;             // a content stream that could not be decoded whole
  std::vector<std::string> notes;  // what the fonts lacked, each said once
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

// How many operators, points and nested forms one page may take.
inline constexpr size_t kMostOperators = 5'000'000;
inline constexpr size_t kMostPoints = 20'000'000;
inline constexpr int kMostFormDepth = 12;

PageDrawing drawPage(Document& document, const Page& page, FontCache& fonts);

}  // namespace refconv::pdf
