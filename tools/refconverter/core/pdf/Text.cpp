// The text operators (ISO 32000-1, 9.3 and 9.4): the text state, the text and line matrices,
// and showing strings as the outlines of their glyphs, filled or stroked as the rendering
// mode says; a Type 3 glyph runs its own content stream.
#include <algorithm>

#include "core/pdf/Painter.h"

namespace refconv::pdf {

namespace {

double numberAt(const std::vector<Object>& operands, size_t i) {
  return i < operands.size() && operands[i].isNumber() ? operands[i].number() : 0;
}

Matrix translation(double x, double y) { return {1, 0, 0, 1, x, y}; }

}  // namespace

bool Painter::textOperator(const std::string& op, const std::vector<Object>& operands, const Object& resources,
                           int depth) {
  TextState& text = state_.text;
  auto n = [&](size_t i) { return numberAt(operands, i); };
  if (op == "BT") {
    textMatrix_ = lineMatrix_ = Matrix{};
    textClip_.clear();
    textClipping_ = false;
  } else if (op == "ET") {
    // Text of the clipping modes clips what follows to its glyphs (none shown: to nothing).
    if (textClipping_) state_.clip = ClipRegion::intersect(state_.clip.get(), textClip_, false);
    textClip_.clear();
    textClipping_ = false;
  } else if (op == "d0" || op == "d1") {
    // A Type 3 glyph's width and box: the font's widths already hold them.
  } else if (op == "Tc") {
    text.charSpacing = n(0);
  } else if (op == "Tw") {
    text.wordSpacing = n(0);
  } else if (op == "Tz") {
    text.horizontalScale = n(0) / 100;
  } else if (op == "TL") {
    text.leading = n(0);
  } else if (op == "Ts") {
    text.rise = n(0);
  } else if (op == "Tr") {
    text.render = static_cast<int>(n(0));
  } else if (op == "Tf") {
    text.size = n(1);
    text.font = nullptr;
    if (!operands.empty() && operands[0].kind == Object::Kind::Name && resources.asDict()) {
      const Object fonts = document_.get(*resources.asDict(), "Font");
      const Object dict = fonts.asDict() ? document_.get(*fonts.asDict(), operands[0].text) : Object{};
      text.font = fonts_.font(document_, dict, out_.notes);
      if (!dict.asDict()) {
        addNote(out_.notes, "the font " + operands[0].text + " is not among the page's resources");
      }
    }
  } else if (op == "Td") {
    nextLine(n(0), n(1));
  } else if (op == "TD") {
    text.leading = -n(1);
    nextLine(n(0), n(1));
  } else if (op == "Tm") {
    textMatrix_ = lineMatrix_ = Matrix{n(0), n(1), n(2), n(3), n(4), n(5)};
  } else if (op == "T*") {
    nextLine(0, -text.leading);
  } else if (op == "Tj") {
    if (!operands.empty()) show(operands[0].text, resources, depth);
  } else if (op == "'") {
    nextLine(0, -text.leading);
    if (!operands.empty()) show(operands[0].text, resources, depth);
  } else if (op == "\"") {
    text.wordSpacing = n(0);
    text.charSpacing = n(1);
    nextLine(0, -text.leading);
    if (operands.size() > 2) show(operands[2].text, resources, depth);
  } else if (op == "TJ") {
    if (operands.empty() || !operands[0].asArray()) return true;
    const bool vertical = text.font && text.font->vertical();
    for (const Object& item : *operands[0].asArray()) {
      if (item.kind == Object::Kind::String) {
        show(item.text, resources, depth);
      } else if (item.isNumber()) {
        // A number moves the next glyph back by thousandths of the size.
        const double move = -item.number() / 1000 * text.size;
        textMatrix_ = (vertical ? translation(0, move) : translation(move * text.horizontalScale, 0)).then(textMatrix_);
      }
    }
  } else {
    return false;
  }
  return true;
}

void Painter::nextLine(double tx, double ty) {
  lineMatrix_ = translation(tx, ty).then(lineMatrix_);
  textMatrix_ = lineMatrix_;
}

void Painter::drawGlyph(const GlyphPath& glyph, const Matrix& toDevice) {
  const Matrix ctm = state_.ctm;
  state_.ctm = toDevice;
  size_t at = 0;
  Point pen;
  for (const GlyphPath::Op op : glyph.ops) {
    const Point* p = &glyph.points[at];
    switch (op) {
      case GlyphPath::Op::Move: point(p[0].x, p[0].y, true), at += 1; break;
      case GlyphPath::Op::Line: point(p[0].x, p[0].y, false), at += 1; break;
      case GlyphPath::Op::Quad:
        // A quadratic curve as the cubic that is the same curve.
        curve(pen.x + 2.0 / 3 * (p[0].x - pen.x), pen.y + 2.0 / 3 * (p[0].y - pen.y),
              p[1].x + 2.0 / 3 * (p[0].x - p[1].x), p[1].y + 2.0 / 3 * (p[0].y - p[1].y), p[1].x, p[1].y);
        at += 2;
        break;
      case GlyphPath::Op::Cubic: curve(p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y), at += 3; break;
    }
    pen = glyph.points[at - 1];
  }
  state_.ctm = ctm;
}

void Painter::show(const std::string& bytes, const Object& resources, int depth) {
  TextState& text = state_.text;
  const std::shared_ptr<Font> font = text.font;  // a Type 3 glyph may set a font of its own
  if (!font) {
    out_.glyphsMissing += static_cast<int>(bytes.size());
    return;
  }
  std::vector<Font::Code> codes;
  font->codes(bytes, codes);
  const bool vertical = font->vertical();
  const int render = text.render & 3;
  std::vector<std::vector<Point>> outer = std::move(path_);
  path_.clear();
  for (const Font::Code& code : codes) {
    const double size = text.size, scale = vertical ? 1 : text.horizontalScale;
    const Matrix glyphToText{size * scale, 0, 0, size, code.originX * size * scale, code.originY * size + text.rise};
    if (text.render != 3) {
      if (font->kind() == Font::Kind::Type3) {
        const Object procedure = font->glyphProcedure(code.code);
        if (procedure.kind == Object::Kind::Stream) {
          const auto& m = font->fontMatrix();
          const Matrix toText = Matrix{m[0], m[1], m[2], m[3], m[4], m[5]}.then(glyphToText).then(textMatrix_);
          const Object own = font->resources();
          runNested(procedure, toText, own.asDict() ? own : resources, depth + 1);
        } else if (!code.wordSpace) {
          ++out_.glyphsMissing;
        }
      } else if (const GlyphPath* glyph = font->outline(code)) {
        drawGlyph(*glyph, glyphToText.then(textMatrix_).then(state_.ctm));
      } else if (!code.wordSpace) {
        ++out_.glyphsMissing;
      }
    }
    const double advance = code.advance * text.size + text.charSpacing + (code.wordSpace ? text.wordSpacing : 0);
    textMatrix_ =
        (vertical ? translation(0, advance) : translation(advance * text.horizontalScale, 0)).then(textMatrix_);
  }
  if (text.render >= 4) {
    textClipping_ = true;
    for (const auto& sub : path_)
      if (sub.size() > 1 && textClip_.size() < 100'000) textClip_.push_back(sub);
  }
  // Glyph outlines wind as their programs draw them: filled under the non-zero rule.
  paint(render == 0 || render == 2, render == 1 || render == 2, false, true, resources, depth);
  path_ = std::move(outer);
}

}  // namespace refconv::pdf
