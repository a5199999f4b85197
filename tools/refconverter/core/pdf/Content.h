// A PDF page's content stream (ISO 32000-1, 8) drawn into the drawing model the writers take:
// the graphics state (q/Q, cm, line width, caps, joins, miter limit), paths with their Bézier
// curves flattened, fills under both rules, strokes, every colour space, Form XObjects,
// text as the outlines of its glyphs, and images. What it does not draw yet (shadings,
// patterns) is counted, so that a caller never passes a page off as whole when it is not.
#pragma once

#include <string>
#include <vector>

#include "core/Hpgl.h"
#include "core/pdf/Document.h"
#include "core/pdf/Fonts.h"
#include "core/pdf/Images.h"

namespace refconv::pdf {

struct PageDrawing {
  Plot plot;                               // in plotter units (0.025 mm), y upwards, the page's lower left at 0,0
  int glyphsMissing = 0;                   // glyphs that could not be drawn (no font, no such glyph)
  int notDrawn = 0;                        // shadings and pattern fills met (not drawn yet)
  std::vector<std::string> imagesSkipped;  // the codec of each image no decoder here reads
  int imagesReduced = 0;                   // images taken at fewer samples than they have
  bool truncated = false;                  // a bound on operators, points or nesting was reached
  std::string failure;                     // a content stream that could not be decoded whole
  std::vector<std::string> notes;          // what the fonts lacked, each said once
};

// How many operators, points and nested forms one page may take.
inline constexpr size_t kMostOperators = 5'000'000;
inline constexpr size_t kMostPoints = 20'000'000;
inline constexpr int kMostFormDepth = 12;

PageDrawing drawPage(Document& document, const Page& page, FontCache& fonts, PictureCodecs* codecs = nullptr);

}  // namespace refconv::pdf
