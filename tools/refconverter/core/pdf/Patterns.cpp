// The painter's patterns and shadings: sh, areas filled with a shading pattern's bands, and
// tiling patterns drawn tile by tile within the area.
#include <algorithm>
#include <cmath>

#include "core/pdf/Painter.h"
#include "core/pdf/Shadings.h"

namespace refconv::pdf {

namespace {

constexpr double kMostTiles = 4096;

Matrix matrixOf(Document& document, const Dict& dict) {
  const std::vector<double> v = document.numbers(dict, "Matrix");
  return v.size() == 6 ? Matrix{v[0], v[1], v[2], v[3], v[4], v[5]} : Matrix{};
}

}  // namespace

void Painter::setBase(const Matrix& base, const Bounds& frame) {
  state_.ctm = patternBase_ = base;
  page_ = ClipRegion::intersect(nullptr,
                                {{{frame.minX, frame.minY},
                                  {frame.maxX, frame.minY},
                                  {frame.maxX, frame.maxY},
                                  {frame.minX, frame.maxY},
                                  {frame.minX, frame.minY}}},
                                false);
}

void Painter::addShaded(std::vector<Shape>& shapes) {
  for (Shape& shape : shapes) {
    if (state_.fillAlpha < 1) makeTranslucent(shape, state_.fillAlpha);
    for (const auto& path : shape.paths)
      for (const Point& p : path) out_.plot.bounds.add(p);
    out_.plot.shapes.push_back(std::move(shape));
  }
}

void Painter::shadeAll(const std::string& name, const Object& resources) {
  const Object shadings = resources.asDict() ? document_.get(*resources.asDict(), "Shading") : Object{};
  const Object shading = shadings.asDict() ? document_.get(*shadings.asDict(), name) : Object{};
  if (!(state_.fillAlpha > 0)) return;
  std::vector<Shape> shapes;
  if (!shade(document_, shading, state_.ctm, state_.clip ? *state_.clip : *page_, false, shapes)) {
    ++out_.notDrawn;
    return;
  }
  addShaded(shapes);
}

void Painter::fillWithPattern(const Paths& area, bool evenOdd, const Object& resources, int depth) {
  const Object patterns = resources.asDict() ? document_.get(*resources.asDict(), "Pattern") : Object{};
  const Object pattern = patterns.asDict() ? document_.get(*patterns.asDict(), state_.fillPatternName) : Object{};
  const Dict* dict = pattern.asDict();
  if (!dict) return;  // a pattern that is not there paints nothing, as other readers do
  const std::shared_ptr<const ClipRegion> region =
      ClipRegion::intersect(state_.clip ? state_.clip.get() : page_.get(), area, evenOdd);
  if (region->bounds().empty || !(state_.fillAlpha > 0)) return;
  const Object type = document_.get(*dict, "PatternType");
  if (type.kind == Object::Kind::Int && type.integer == 2) {
    std::vector<Shape> shapes;
    const Matrix m = matrixOf(document_, *dict).then(patternBase_);
    if (!shade(document_, document_.get(*dict, "Shading"), m, *region, true, shapes)) {
      ++out_.notDrawn;
      return;
    }
    addShaded(shapes);
  } else if (type.kind == Object::Kind::Int && type.integer == 1 && pattern.kind == Object::Kind::Stream) {
    tile(pattern, *region, resources, depth);
  } else {
    ++out_.notDrawn;
  }
}

void Painter::tile(const Object& pattern, const ClipRegion& region, const Object& resources, int depth) {
  const Dict& dict = *pattern.asDict();
  const Matrix m = matrixOf(document_, dict).then(patternBase_);
  const Object box = document_.get(dict, "BBox"), xStep = document_.get(dict, "XStep"),
               yStep = document_.get(dict, "YStep");
  const Array* b = box.asArray();
  if (!b || b->size() != 4 || !xStep.isNumber() || !yStep.isNumber() || xStep.number() == 0 || yStep.number() == 0) {
    ++out_.notDrawn;
    return;
  }
  double v[4];
  for (size_t i = 0; i < 4; ++i) v[i] = (*b)[i].isNumber() ? (*b)[i].number() : 0;
  const double xs = std::fabs(xStep.number()), ys = std::fabs(yStep.number());
  // The region's corners in pattern space give the tiles to draw.
  const std::optional<Matrix> inverse = m.inverse();
  if (!inverse) return;
  const Bounds& area = region.bounds();
  Bounds inPattern;
  for (const Point& p : {Point{area.minX, area.minY}, Point{area.maxX, area.minY}, Point{area.maxX, area.maxY},
                         Point{area.minX, area.maxY}})
    inPattern.add(inverse->apply(p));
  const double i0 = std::floor((inPattern.minX - std::max(v[0], v[2])) / xs);
  const double i1 = std::ceil((inPattern.maxX - std::min(v[0], v[2])) / xs);
  const double j0 = std::floor((inPattern.minY - std::max(v[1], v[3])) / ys);
  const double j1 = std::ceil((inPattern.maxY - std::min(v[1], v[3])) / ys);
  if (!((i1 - i0 + 1) * (j1 - j0 + 1) <= kMostTiles)) {
    ++out_.notDrawn;  // tiles too many to draw one by one
    return;
  }
  const Object own = document_.get(dict, "Resources");
  const Object paintType = document_.get(dict, "PaintType");
  // A tile is drawn from the initial graphics state, not the one it is used in, at the fill's
  // opacity; an uncoloured pattern's tiles in the colour given with it.
  const GraphicsState saved = state_;
  state_ = GraphicsState{};
  state_.fillAlpha = state_.strokeAlpha = saved.fillAlpha;
  if (paintType.kind == Object::Kind::Int && paintType.integer == 2)
    state_.fillColor = state_.strokeColor = saved.fillColor;
  state_.clip = std::make_shared<ClipRegion>(region);
  for (double j = j0; j <= j1; ++j)
    for (double i = i0; i <= i1; ++i) {
      state_.ctm = Matrix{};
      runNested(pattern, Matrix{1, 0, 0, 1, i * xs, j * ys}.then(m), own.asDict() ? own : resources, depth, b);
    }
  state_ = saved;
}

}  // namespace refconv::pdf
