// The painter's colour and image operators: cs, sc and scn in any colour space, Image
// XObjects and inline images placed on the unit square of the current matrix.
#include <algorithm>
#include <cmath>

#include "core/pdf/Painter.h"

namespace refconv::pdf {

std::shared_ptr<const ColorSpace> Painter::spaceFor(const Object& space, const Object& resources) {
  Object named = space;
  if (space.kind == Object::Kind::Name && resources.asDict()) {
    const Object spaces = document_.get(*resources.asDict(), "ColorSpace");
    if (spaces.asDict() && spaces.asDict()->get(space.text)) named = document_.get(*spaces.asDict(), space.text);
  }
  // An array space (an Indexed table, a tint transform) is made once for the page.
  const Object resolved = document_.resolve(named);
  const void* key = resolved.asArray() ? static_cast<const void*>(resolved.array.get()) : nullptr;
  if (key)
    if (const auto found = spaces_.find(key); found != spaces_.end()) return found->second;
  std::shared_ptr<const ColorSpace> made = ColorSpace::make(document_, resolved);
  if (key && spaces_.size() < 4096) spaces_[key] = made;
  return made;
}

void Painter::setColor(bool fill, const std::vector<Object>& operands) {
  std::shared_ptr<const ColorSpace>& space = fill ? state_.fillSpace : state_.strokeSpace;
  if (!space) space = ColorSpace::device(1);
  std::vector<double> values;
  for (const Object& o : operands)
    if (o.isNumber()) values.push_back(o.number());
  // A pattern by its name; an uncoloured one's colour is in the space under it.
  if (space->family() == ColorSpace::Family::Pattern && !operands.empty() && operands.back().kind == Object::Kind::Name)
    (fill ? state_.fillPatternName : state_.strokePatternName) = operands.back().text;
  values.resize(static_cast<size_t>(std::max(space->components(), 1)), 0);
  (fill ? state_.fillColor : state_.strokeColor) = space->rgb(values.data());
}

void Painter::showImage(const ImageSource& image, const Object& resources) {
  if (!image.dict) return;
  const Dict& dict = *image.dict;
  auto entry = [&](std::string_view full, std::string_view abbreviation) {
    return dict.get(full) ? *dict.get(full) : dict.get(abbreviation) ? *dict.get(abbreviation) : Object{};
  };
  const bool stencil = document_.resolve(entry("ImageMask", "IM")).boolean;
  std::shared_ptr<const ColorSpace> space;
  if (stencil) {
    if (state_.fillPattern) {
      ++out_.notDrawn;
      return;
    }
    if (state_.fillSpace && state_.fillSpace->paintsNothing()) return;
  } else if (const Object named = entry("ColorSpace", "CS"); !named.isNull()) {
    space = spaceFor(named, resources);
    if (space && space->paintsNothing()) return;
  }
  const DecodedImage decoded = decodeImage(document_, image, space.get(), state_.fillColor, codecs_);
  if (!decoded.skipped.empty()) out_.imagesSkipped.push_back(decoded.skipped);
  if (decoded.reduced) ++out_.imagesReduced;
  if (!decoded.bitmap) return;
  // Image space's unit square: its first row at the top (y = 1).
  const Matrix& m = state_.ctm;
  const Point origin = m.apply(0, 1), right = m.apply(1, 1), bottom = m.apply(0, 0);
  for (const Point& p : {origin, right, bottom})
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || std::fabs(p.x) > 1e9 || std::fabs(p.y) > 1e9) return;
  decoded.bitmap->origin = origin;
  decoded.bitmap->across = {right.x - origin.x, right.y - origin.y};
  decoded.bitmap->down = {bottom.x - origin.x, bottom.y - origin.y};
  clipPicture(*decoded.bitmap);
  if (state_.fillAlpha < 1) {
    Bitmap& b = *decoded.bitmap;
    if (b.alpha.empty()) b.alpha.assign(static_cast<size_t>(b.width) * b.height, 255);
    for (uint8_t& a : b.alpha) a = static_cast<uint8_t>(std::lround(a * state_.fillAlpha));
  }
  for (const Point& p : {origin, right, bottom, m.apply(1, 0)}) out_.plot.bounds.add(p);
  Shape shape;
  shape.image = decoded.bitmap;
  out_.plot.shapes.push_back(std::move(shape));
}

void Painter::clipPicture(Bitmap& b) const {
  const ClipRegion* clip = state_.clip.get();
  if (!clip) return;
  Bounds box;
  for (const Point& p : {b.origin, Point{b.origin.x + b.across.x, b.origin.y + b.across.y},
                         Point{b.origin.x + b.down.x, b.origin.y + b.down.y},
                         Point{b.origin.x + b.across.x + b.down.x, b.origin.y + b.across.y + b.down.y}})
    box.add(p);
  if (clip->surelyHolds(box)) return;
  // Each pixel by where its centre falls; a clip of very many edges over a large picture
  // would take too long, and the picture is shown whole rather than lost.
  const size_t pixels = static_cast<size_t>(b.width) * b.height;
  if (static_cast<double>(pixels) * static_cast<double>(clip->edges() + 1) > 4e8) return;
  if (b.alpha.empty()) b.alpha.assign(pixels, 255);
  for (int y = 0; y < b.height; ++y)
    for (int x = 0; x < b.width; ++x) {
      const double u = (x + 0.5) / b.width, v = (y + 0.5) / b.height;
      const Point p{b.origin.x + b.across.x * u + b.down.x * v, b.origin.y + b.across.y * u + b.down.y * v};
      if (!clip->contains(p)) b.alpha[static_cast<size_t>(y) * b.width + x] = 0;
    }
}

size_t Painter::inlineImage(const std::string& content, size_t at, const Object& resources) {
  // The dictionary's pairs up to "ID".
  Parser parser(content, at);
  auto dict = std::make_shared<Dict>();
  while (parser.skipBlanks() < content.size()) {
    const size_t before = parser.at();
    std::optional<Object> key = parser.object();
    if (!key || key->kind != Object::Kind::Name) {
      parser.seek(before);
      if (parser.keyword() != "ID") return content.size();
      break;
    }
    std::optional<Object> value = parser.object();
    if (!value) return content.size();
    if (dict->entries.size() < 64) dict->entries.emplace_back(key->text, std::move(*value));
  }
  const size_t start = std::min(parser.at() + 1, content.size());  // one white space after ID
  Object filter = dict->get("Filter") ? *dict->get("Filter") : dict->get("F") ? *dict->get("F") : Object{};
  Object parameters = dict->get("DecodeParms") ? *dict->get("DecodeParms")
                      : dict->get("DP")        ? *dict->get("DP")
                                               : Object{};
  size_t end = std::string::npos;
  if (filter.isNull()) {
    // Unfiltered data has a known length, which may itself hold "EI".
    auto number = [&](std::string_view full, std::string_view abbreviation, double fallback) {
      const Object* o = dict->get(full) ? dict->get(full) : dict->get(abbreviation);
      return o && o->isNumber() ? o->number() : fallback;
    };
    const bool stencil =
        (dict->get("IM") && dict->get("IM")->boolean) || (dict->get("ImageMask") && dict->get("ImageMask")->boolean);
    const Object* named = dict->get("CS") ? dict->get("CS") : dict->get("ColorSpace");
    const auto space = stencil || !named ? nullptr : spaceFor(*named, resources);
    const double bits = stencil ? 1 : number("BitsPerComponent", "BPC", 8), n = space ? space->components() : 1;
    const double length = std::ceil(number("Width", "W", 0) * n * bits / 8) * number("Height", "H", 0);
    if (length >= 0 && length < static_cast<double>(content.size() - start)) end = start + static_cast<size_t>(length);
  }
  // Filtered data runs to "EI" between white spaces.
  size_t ei = content.find("EI", end == std::string::npos ? start : end);
  while (ei != std::string::npos &&
         ((ei > 0 && !isPdfWhite(content[ei - 1]) && ei != end) ||
          (ei + 2 < content.size() && !isPdfWhite(content[ei + 2]) && !isPdfDelimiter(content[ei + 2]))))
    ei = content.find("EI", ei + 2);
  if (ei == std::string::npos) ei = content.size();
  if (end == std::string::npos) end = ei > start && isPdfWhite(content[ei - 1]) ? ei - 1 : ei;
  ImageSource image;
  image.dict = dict.get();
  image.data =
      document_.decoded(content.substr(start, std::max(end, start) - start), filter, parameters, nullptr, &image.codec);
  if (!image.codec.empty())
    image.codecParameters =
        parameters.asArray() && !parameters.asArray()->empty() ? parameters.asArray()->back() : parameters;
  showImage(image, resources);
  return std::min(ei + 2, content.size());
}

}  // namespace refconv::pdf
