// The content stream interpreter behind drawPage, shared by its parts: the operators of paths,
// colours and forms (Content.cpp) and those of text (Text.cpp).
#pragma once

#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/pdf/Clip.h"
#include "core/pdf/ColorSpaces.h"
#include "core/pdf/Content.h"
#include "core/pdf/Fonts.h"
#include "core/pdf/Images.h"
#include "core/pdf/Matrix.h"

namespace refconv::pdf {

struct TextState {
  std::shared_ptr<Font> font;
  double size = 0, charSpacing = 0, wordSpacing = 0, horizontalScale = 1, leading = 0, rise = 0;
  int render = 0;  // Tr: 0 fill, 1 stroke, 2 both, 3 neither, 4 to 7 the same and clip
};

struct GraphicsState {
  Matrix ctm;
  double lineWidth = 1;
  LineEnd cap = LineEnd::Butt;
  LineJoin join = LineJoin::Miter;
  double miterLimit = 10;
  uint32_t strokeColor = 0, fillColor = 0;
  std::shared_ptr<const ColorSpace> strokeSpace, fillSpace;  // as CS / cs set them; none: DeviceGray
  bool strokePattern = false, fillPattern = false;           // painting with a pattern...
  std::string strokePatternName, fillPatternName;            // ...of the resources' Pattern
  std::vector<double> dash;                                  // on and off lengths in user space; none: solid
  double dashPhase = 0;
  std::shared_ptr<const ClipRegion> clip;  // none: the whole page
  double strokeAlpha = 1, fillAlpha = 1;   // CA and ca of ExtGState
  TextState text;
};

class Painter {
 public:
  Painter(Document& document, FontCache& fonts, PictureCodecs* codecs, PageDrawing& out)
      : document_(document), fonts_(fonts), codecs_(codecs), out_(out) {}
  // The page's matrix and its box, in plotter units.
  void setBase(const Matrix& base, const Bounds& frame);
  void run(const std::string& content, const Object& resources, int depth);

 private:
  void apply(const std::string& op, const std::vector<Object>& operands, const Object& resources, int depth);
  void point(double x, double y, bool start);
  void curve(double x1, double y1, double x2, double y2, double x3, double y3);
  void paint(bool fill, bool stroke, bool evenOdd, bool close, const Object& resources, int depth);
  // Ends the path: a clipping path W or W* asked for takes effect now.
  void endPath();
  // A decoded picture's pixels outside the clipping path made transparent.
  void clipPicture(Bitmap& b) const;
  void setDash(const Object& array, const Object& phase);
  void doXObject(const std::string& name, const Object& resources, int depth);
  // A colour space operand or entry, through the resources' ColorSpace; none for no space.
  std::shared_ptr<const ColorSpace> spaceFor(const Object& space, const Object& resources);
  void setColor(bool fill, const std::vector<Object>& operands);
  // An image on the unit square of the current matrix.
  void showImage(const ImageSource& image, const Object& resources);
  // An inline image (BI ... ID data EI) from `at`, just after BI; where its EI ends.
  size_t inlineImage(const std::string& content, size_t at, const Object& resources);
  // Runs a form's, a tile's or a Type 3 glyph's content with its own matrix and resources,
  // clipped to its box when it has one.
  void runNested(const Object& stream, const Matrix& matrix, const Object& resources, int depth,
                 const Array* box = nullptr);

  // Patterns.cpp
  // An area filled with the fill's pattern: a shading's bands or tiles, cut to the area.
  void fillWithPattern(const Paths& area, bool evenOdd, const Object& resources, int depth);
  // sh: the shading over everything the clip leaves.
  void shadeAll(const std::string& name, const Object& resources);
  void tile(const Object& pattern, const ClipRegion& region, const Object& resources, int depth);
  void addShaded(std::vector<Shape>& shapes);

  // Text.cpp
  bool textOperator(const std::string& op, const std::vector<Object>& operands, const Object& resources, int depth);
  void show(const std::string& bytes, const Object& resources, int depth);
  void drawGlyph(const GlyphPath& glyph, const Matrix& toDevice);
  void nextLine(double tx, double ty);

  Document& document_;
  FontCache& fonts_;
  PictureCodecs* codecs_;
  PageDrawing& out_;
  Matrix patternBase_;                      // pattern space: the page's, or the form's being drawn
  std::shared_ptr<const ClipRegion> page_;  // the whole page, for what no clip bounds
  std::map<const void*, std::shared_ptr<const ColorSpace>> spaces_;  // by the space's array
  GraphicsState state_;
  std::vector<GraphicsState> stack_;
  std::vector<std::vector<Point>> path_;
  int pendingClip_ = 0;  // W: 1, W*: 2
  Paths textClip_;       // glyph outlines of the clipping text modes, clipped to at ET
  bool textClipping_ = false;
  Point current_;
  Matrix textMatrix_, lineMatrix_;
  size_t operators_ = 0, points_ = 0;
  std::vector<size_t> drawing_;  // the forms and glyphs being drawn now, by where their data starts
};

}  // namespace refconv::pdf
