#include "core/pdf/Content.h"

#include <algorithm>
#include <cmath>

#include "core/Render.h"
#include "core/pdf/Painter.h"

namespace refconv::pdf {

namespace {

// The on and off lengths of a dash pattern in plotter units along each path: the parts that
// are on, each a path of its own.
std::vector<std::vector<Point>> dashed(const std::vector<std::vector<Point>>& paths, const std::vector<double>& dash,
                                       double phase) {
  double period = 0;
  for (const double length : dash) period += length;
  std::vector<std::vector<Point>> out;
  // A hostile pattern of tiny dashes over long paths: past this many dashes the rest is solid.
  size_t budget = 2'000'000;
  for (const auto& path : paths) {
    // Each subpath starts the pattern again at its phase.
    size_t index = 0;
    double left = dash[0], offset = std::fmod(std::max(phase, 0.0), period);
    while (offset > 0) {
      if (offset < left) {
        left -= offset;
        break;
      }
      offset -= left;
      index = (index + 1) % dash.size();
      left = dash[index];
    }
    bool on = index % 2 == 0;
    if (on) out.push_back({path.front()});
    for (size_t i = 1; i < path.size(); ++i) {
      Point from = path[i - 1];
      const Point to = path[i];
      double segment = std::hypot(to.x - from.x, to.y - from.y);
      for (; segment > left && budget > 0; --budget) {
        const double t = left / segment;
        from = {from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t};
        segment -= left;
        if (on) out.back().push_back(from);
        on = !on;
        if (on) out.push_back({from});
        index = (index + 1) % dash.size();
        left = dash[index];
      }
      left -= segment;
      if (on) out.back().push_back(to);
    }
  }
  std::erase_if(out, [](const std::vector<Point>& p) { return p.size() < 2; });
  return out;
}

std::vector<double> numbers(const std::vector<Object>& operands) {
  std::vector<double> values;
  for (const Object& o : operands)
    if (o.isNumber()) values.push_back(o.number());
  return values;
}

}  // namespace

void Painter::run(const std::string& content, const Object& resources, int depth) {
  Parser parser(content, 0);
  std::vector<Object> operands;
  while (parser.skipBlanks() < content.size()) {
    if (++operators_ > kMostOperators) {
      out_.truncated = true;
      return;
    }
    const size_t at = parser.at();
    if (std::optional<Object> operand = parser.object()) {
      if (operands.size() < 64) operands.push_back(std::move(*operand));
      continue;
    }
    parser.seek(at);
    const std::string op(parser.keyword());
    if (op.empty()) {
      parser.seek(at + 1);  // a stray byte
      operands.clear();
      continue;
    }
    if (op == "BI") {
      parser.seek(inlineImage(content, parser.at(), resources));
    } else {
      apply(op, operands, resources, depth);
    }
    operands.clear();
  }
}

void Painter::point(double x, double y, bool start) {
  if (++points_ > kMostPoints) {
    out_.truncated = true;
    return;
  }
  // Whatever the file's numbers, a point stays within 25 km of the page: the writers take
  // coordinates as integers.
  Point p = state_.ctm.apply(x, y);
  constexpr double kFar = 1e9;
  p.x = std::isfinite(p.x) ? std::clamp(p.x, -kFar, kFar) : 0;
  p.y = std::isfinite(p.y) ? std::clamp(p.y, -kFar, kFar) : 0;
  if (start || path_.empty()) {
    path_.push_back({p});
  } else {
    path_.back().push_back(p);
  }
  current_ = {x, y};
}

void Painter::curve(double x1, double y1, double x2, double y2, double x3, double y3) {
  const double x0 = current_.x, y0 = current_.y;
  // Segments enough for the curve's size on the page: about one a millimetre, 4 to 64.
  const Point a = state_.ctm.apply(x0, y0), b = state_.ctm.apply(x3, y3);
  const double length = std::hypot(b.x - a.x, b.y - a.y) * kMmPerPlu;
  const int steps = !(length > 4) ? 4 : length >= 64 ? 64 : static_cast<int>(length);
  for (int i = 1; i <= steps; ++i) {
    const double t = static_cast<double>(i) / steps, u = 1 - t;
    const double x = u * u * u * x0 + 3 * u * u * t * x1 + 3 * u * t * t * x2 + t * t * t * x3;
    const double y = u * u * u * y0 + 3 * u * u * t * y1 + 3 * u * t * t * y2 + t * t * t * y3;
    point(x, y, false);
  }
  current_ = {x3, y3};
}

void Painter::paint(bool fill, bool stroke, bool evenOdd, bool close, const Object& resources, int depth) {
  if (close)
    for (auto& sub : path_)
      if (sub.size() > 1) sub.push_back(sub.front());
  std::erase_if(path_, [](const std::vector<Point>& sub) { return sub.size() < 2; });
  if (!path_.empty()) {
    for (const bool filling : {true, false}) {
      if (filling ? !fill : !stroke) continue;
      if (filling && state_.fillPattern) {
        fillWithPattern(path_, evenOdd, resources, depth);
        continue;
      }
      if (!filling && state_.strokePattern) {
        // A stroke in a pattern: the area the stroke covers, filled with it.
        const double halfWidth = std::max(state_.lineWidth * state_.ctm.scale(), 1.0) / 2;
        const GraphicsState saved = state_;
        state_.fillPattern = true;
        state_.fillPatternName = state_.strokePatternName;
        state_.fillColor = state_.strokeColor;
        state_.fillAlpha = state_.strokeAlpha;
        fillWithPattern(ClipRegion::strokeArea(path_, halfWidth, state_.cap, state_.join, state_.miterLimit), false,
                        resources, depth);
        state_ = saved;
        continue;
      }
      const auto& space = filling ? state_.fillSpace : state_.strokeSpace;
      if (space && space->paintsNothing()) continue;
      Shape shape;
      shape.fill = filling;
      shape.evenOdd = evenOdd;
      shape.color = filling ? state_.fillColor : state_.strokeColor;
      if (const double alpha = filling ? state_.fillAlpha : state_.strokeAlpha; alpha < 1) {
        if (!(alpha > 0)) continue;  // paints nothing
        makeTranslucent(shape, alpha);
      }
      shape.widthMm = std::max(0.1, state_.lineWidth * state_.ctm.scale() * kMmPerPlu);
      shape.end = state_.cap;
      shape.join = state_.join;
      shape.miterLimit = state_.miterLimit;
      const double scale = state_.ctm.scale();
      if (filling || state_.dash.empty()) {
        shape.paths = path_;
      } else {
        std::vector<double> lengths = state_.dash;
        for (double& length : lengths) length *= scale;
        shape.paths = dashed(path_, lengths, state_.dashPhase * scale);
      }
      if (state_.clip)
        shape.paths = filling ? state_.clip->fill(shape.paths, evenOdd)
                              : state_.clip->stroke(shape.paths, shape.widthMm / kMmPerPlu / 2);
      if (shape.paths.empty()) continue;
      for (const auto& sub : shape.paths)
        for (const Point& p : sub) out_.plot.bounds.add(p);
      out_.plot.shapes.push_back(std::move(shape));
    }
  }
  endPath();
}

void Painter::endPath() {
  if (pendingClip_ != 0) {
    // The clipping path is closed, as a fill's is.
    Paths closed = path_;
    for (auto& sub : closed)
      if (sub.size() > 1) sub.push_back(sub.front());
    state_.clip = ClipRegion::intersect(state_.clip.get(), closed, pendingClip_ == 2);
    pendingClip_ = 0;
  }
  path_.clear();
}

void Painter::apply(const std::string& op, const std::vector<Object>& operands, const Object& resources, int depth) {
  const std::vector<double> v = numbers(operands);
  auto n = [&](size_t i) { return i < v.size() ? v[i] : 0.0; };
  if (op == "q") {
    if (stack_.size() < 256) stack_.push_back(state_);
  } else if (op == "Q") {
    if (!stack_.empty()) state_ = stack_.back(), stack_.pop_back();
  } else if (op == "cm" && v.size() == 6) {
    state_.ctm = Matrix{v[0], v[1], v[2], v[3], v[4], v[5]}.then(state_.ctm);
  } else if (op == "w") {
    state_.lineWidth = n(0);
  } else if (op == "J") {
    state_.cap = n(0) == 1 ? LineEnd::Round : n(0) == 2 ? LineEnd::Square : LineEnd::Butt;
  } else if (op == "j") {
    state_.join = n(0) == 1 ? LineJoin::Round : n(0) == 2 ? LineJoin::Bevel : LineJoin::Miter;
  } else if (op == "d") {
    setDash(operands.empty() ? Object{} : operands[0], operands.size() > 1 ? operands[1] : Object{});
  } else if (op == "M") {
    state_.miterLimit = n(0);
  } else if (op == "m") {
    point(n(0), n(1), true);
  } else if (op == "l") {
    point(n(0), n(1), false);
  } else if (op == "c") {
    curve(n(0), n(1), n(2), n(3), n(4), n(5));
  } else if (op == "v") {
    curve(current_.x, current_.y, n(0), n(1), n(2), n(3));
  } else if (op == "y") {
    curve(n(0), n(1), n(2), n(3), n(2), n(3));
  } else if (op == "h") {
    if (!path_.empty() && path_.back().size() > 1) path_.back().push_back(path_.back().front());
  } else if (op == "re") {
    point(n(0), n(1), true);
    point(n(0) + n(2), n(1), false);
    point(n(0) + n(2), n(1) + n(3), false);
    point(n(0), n(1) + n(3), false);
    point(n(0), n(1), false);
  } else if (op == "S" || op == "s") {
    paint(false, true, false, op == "s", resources, depth);
  } else if (op == "f" || op == "F" || op == "f*") {
    paint(true, false, op == "f*", true, resources, depth);
  } else if (op == "B" || op == "B*" || op == "b" || op == "b*") {
    paint(true, true, op.ends_with('*'), op[0] == 'b', resources, depth);
  } else if (op == "n") {
    endPath();
  } else if (op == "W" || op == "W*") {
    pendingClip_ = op == "W" ? 1 : 2;
  } else if (op == "g" || op == "rg" || op == "k" || op == "G" || op == "RG" || op == "K") {
    const bool fill = std::islower(static_cast<unsigned char>(op[0]));
    (fill ? state_.fillSpace : state_.strokeSpace) = ColorSpace::device(op == "g" || op == "G" ? 1
                                                                        : op.size() == 2       ? 3
                                                                                               : 4);
    (fill ? state_.fillPattern : state_.strokePattern) = false;
    setColor(fill, operands);
  } else if (op == "cs" || op == "CS") {
    const bool fill = op == "cs";
    std::shared_ptr<const ColorSpace> space = operands.empty() ? nullptr : spaceFor(operands[0], resources);
    if (!space) space = ColorSpace::device(1);
    (fill ? state_.fillPattern : state_.strokePattern) = space->family() == ColorSpace::Family::Pattern;
    (fill ? state_.fillColor : state_.strokeColor) = space->rgb(space->initial().data());
    (fill ? state_.fillSpace : state_.strokeSpace) = std::move(space);
  } else if (op == "sc" || op == "scn" || op == "SC" || op == "SCN") {
    setColor(op[0] == 's', operands);
  } else if (op == "gs" && !operands.empty() && resources.asDict()) {
    const Object states = document_.get(*resources.asDict(), "ExtGState");
    const Object gs = states.asDict() ? document_.get(*states.asDict(), operands[0].text) : Object{};
    if (const Dict* dict = gs.asDict()) {
      if (const Object lw = document_.get(*dict, "LW"); lw.isNumber()) state_.lineWidth = lw.number();
      if (const Object ml = document_.get(*dict, "ML"); ml.isNumber()) state_.miterLimit = ml.number();
      if (const Object ca = document_.get(*dict, "ca"); ca.isNumber())
        state_.fillAlpha = std::clamp(ca.number(), 0.0, 1.0);
      if (const Object ca = document_.get(*dict, "CA"); ca.isNumber())
        state_.strokeAlpha = std::clamp(ca.number(), 0.0, 1.0);
      if (const Object lc = document_.get(*dict, "LC"); lc.isNumber()) apply("J", {lc}, resources, depth);
      if (const Object lj = document_.get(*dict, "LJ"); lj.isNumber()) apply("j", {lj}, resources, depth);
      if (const Object d = document_.get(*dict, "D"); d.asArray() && d.asArray()->size() == 2)
        setDash(document_.resolve((*d.asArray())[0]), document_.resolve((*d.asArray())[1]));
    }
  } else if (op == "Do" && !operands.empty() && resources.asDict()) {
    doXObject(operands[0].text, resources, depth);
  } else if (textOperator(op, operands, resources, depth)) {
  } else if (op == "sh" && !operands.empty()) {
    shadeAll(operands[0].text, resources);
  }
}

void Painter::setDash(const Object& array, const Object& phase) {
  state_.dash.clear();
  state_.dashPhase = phase.isNumber() ? phase.number() : 0;
  const Array* lengths = array.asArray();
  if (!lengths || lengths->size() > 32) return;
  double period = 0;
  for (const Object& length : *lengths) {
    if (!length.isNumber() || !(length.number() >= 0)) return state_.dash.clear();
    state_.dash.push_back(length.number());
    period += length.number();
  }
  // An odd count repeats once more (on and off swap); a pattern of no length is solid.
  if (state_.dash.size() % 2 == 1) state_.dash.insert(state_.dash.end(), state_.dash.begin(), state_.dash.end());
  if (!(period > 0)) state_.dash.clear();
}

void Painter::doXObject(const std::string& name, const Object& resources, int depth) {
  const Object xobjects = document_.get(*resources.asDict(), "XObject");
  const Object xobject = xobjects.asDict() ? document_.get(*xobjects.asDict(), name) : Object{};
  const Dict* dict = xobject.asDict();
  if (!dict || xobject.kind != Object::Kind::Stream) return;
  if (document_.get(*dict, "Subtype").isName("Image")) {
    showImage(imageSourceOf(document_, xobject), resources);
    return;
  }
  if (!document_.get(*dict, "Subtype").isName("Form")) return;
  const std::vector<double> m = document_.numbers(*dict, "Matrix");
  const Matrix matrix = m.size() == 6 ? Matrix{m[0], m[1], m[2], m[3], m[4], m[5]} : Matrix{};
  const Object own = document_.get(*dict, "Resources");
  const Object box = document_.get(*dict, "BBox");
  runNested(xobject, matrix, own.asDict() ? own : resources, depth, box.asArray());
}

void Painter::runNested(const Object& stream, const Matrix& matrix, const Object& resources, int depth,
                        const Array* box) {
  // A form within itself (which the format forbids) would draw without end, and forms
  // within forms past any drawing's need are an attack: neither is drawn, and it is said.
  const bool within = std::find(drawing_.begin(), drawing_.end(), stream.streamStart) != drawing_.end();
  if (within || depth >= kMostFormDepth) {
    out_.truncated = true;
    return;
  }
  drawing_.push_back(stream.streamStart);
  const GraphicsState saved = state_;
  const Matrix savedText = textMatrix_, savedLine = lineMatrix_, savedPatterns = patternBase_;
  state_.ctm = matrix.then(state_.ctm);
  patternBase_ = state_.ctm;
  if (box && box->size() == 4) {
    double v[4];
    for (size_t i = 0; i < 4; ++i) v[i] = (*box)[i].isNumber() ? (*box)[i].number() : 0;
    const Matrix& m = state_.ctm;
    state_.clip = ClipRegion::intersect(
        state_.clip ? state_.clip.get() : page_.get(),
        {{m.apply(v[0], v[1]), m.apply(v[2], v[1]), m.apply(v[2], v[3]), m.apply(v[0], v[3]), m.apply(v[0], v[1])}},
        false);
  }
  std::string failure;
  const std::string content = document_.streamData(stream, &failure);
  if (!failure.empty() && out_.failure.empty()) out_.failure = failure;
  std::vector<std::vector<Point>> outer = std::move(path_);
  path_.clear();
  run(content, resources, depth + 1);
  path_ = std::move(outer);
  state_ = saved;
  textMatrix_ = savedText, lineMatrix_ = savedLine;
  patternBase_ = savedPatterns;
  drawing_.pop_back();
}

PageDrawing drawPage(Document& document, const Page& page, FontCache& fonts, PictureCodecs* codecs) {
  PageDrawing out;
  // User space to plotter units: the box's corner at 0,0, turned as /Rotate says (clockwise),
  // points (1/72 in) times the user unit to 0.025 mm.
  const double unit = page.userUnit * 25.4 / 72 / kMmPerPlu;
  const double w = (page.box[2] - page.box[0]) * unit, h = (page.box[3] - page.box[1]) * unit;
  Matrix base{unit, 0, 0, unit, -page.box[0] * unit, -page.box[1] * unit};
  switch (page.rotate) {
    case 90: base = base.then(Matrix{0, -1, 1, 0, 0, w}); break;
    case 180: base = base.then(Matrix{-1, 0, 0, -1, w, h}); break;
    case 270: base = base.then(Matrix{0, 1, -1, 0, h, 0}); break;
    default: break;
  }
  const bool turned = page.rotate == 90 || page.rotate == 270;
  out.plot.frame = Bounds{0, 0, turned ? h : w, turned ? w : h, false};
  Painter painter(document, fonts, codecs, out);
  painter.setBase(base, out.plot.frame);
  std::string content;
  const Object contents = document.get(*page.dict, "Contents");
  if (contents.kind == Object::Kind::Stream) {
    content = document.streamData(contents, &out.failure);
  } else if (const Array* parts = contents.asArray()) {
    // Several streams are one content, as if joined with white space between them.
    for (const Object& part : *parts) {
      std::string failure;
      content += document.streamData(document.resolve(part), &failure) + "\n";
      if (!failure.empty() && out.failure.empty()) out.failure = failure;
    }
  }
  painter.run(content, page.resources, 0);
  return out;
}

}  // namespace refconv::pdf
