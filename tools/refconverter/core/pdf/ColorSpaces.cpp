#include "core/pdf/ColorSpaces.h"

#include <algorithm>
#include <cmath>

namespace refconv::pdf {

namespace {

constexpr int kMostSpaceDepth = 8;

// Lab (D50 or the space's white point) to sRGB.
uint32_t labToRgb(double l, double a, double b, const double* white) {
  auto f = [](double t) { return t > 6.0 / 29 ? t * t * t : 3 * (6.0 / 29) * (6.0 / 29) * (t - 4.0 / 29); };
  const double fy = (l + 16) / 116;
  const double x = white[0] * f(fy + a / 500), y = white[1] * f(fy), z = white[2] * f(fy - b / 200);
  const double r = 3.2406 * x - 1.5372 * y - 0.4986 * z, g = -0.9689 * x + 1.8758 * y + 0.0415 * z,
               bl = 0.0557 * x - 0.2040 * y + 1.0570 * z;
  auto gamma = [](double v) { return v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055; };
  return rgbOf(gamma(r), gamma(g), gamma(bl));
}

}  // namespace

uint32_t rgbOf(double r, double g, double b) {
  auto byte = [](double v) { return !(v > 0) ? 0u : v >= 1 ? 255u : static_cast<uint32_t>(std::lround(v * 255)); };
  return (byte(r) << 16) | (byte(g) << 8) | byte(b);
}

uint32_t onPaper(uint32_t rgb, double alpha) {
  uint32_t out = 0;
  for (int shift = 16; shift >= 0; shift -= 8) {
    const double c = (rgb >> shift) & 0xFF;
    out |= static_cast<uint32_t>(std::lround(255 - (255 - c) * alpha)) << shift;
  }
  return out;
}

std::shared_ptr<const ColorSpace> ColorSpace::device(int components) {
  auto space = std::make_shared<ColorSpace>();
  space->components_ = components == 4 ? 4 : components == 3 ? 3 : 1;
  space->family_ = components == 4 ? Family::Cmyk : components == 3 ? Family::Rgb : Family::Gray;
  return space;
}

std::shared_ptr<const ColorSpace> ColorSpace::make(Document& document, const Object& space, int depth) {
  if (depth > kMostSpaceDepth) return nullptr;
  const Object resolved = document.resolve(space);
  const Array* array = resolved.asArray();
  const Object family = array && !array->empty() ? document.resolve((*array)[0]) : resolved;
  if (family.kind != Object::Kind::Name) return nullptr;
  const std::string& name = family.text;
  auto item = [&](size_t i) { return array && i < array->size() ? document.resolve((*array)[i]) : Object{}; };
  if (name == "DeviceGray" || name == "G" || name == "CalGray") return device(1);
  if (name == "DeviceRGB" || name == "RGB" || name == "CalRGB") return device(3);
  if (name == "DeviceCMYK" || name == "CMYK") return device(4);
  auto made = std::make_shared<ColorSpace>();
  if (name == "Pattern") {
    made->family_ = Family::Pattern;
    made->components_ = 0;
    // An uncoloured pattern's colour is in the space after "Pattern".
    if (const Object under = item(1); !under.isNull()) {
      made->base_ = make(document, under, depth + 1);
      if (made->base_) made->components_ = made->base_->components_;
    }
    return made;
  }
  if (name == "ICCBased") {
    const Object profile = item(1);
    const Dict* dict = profile.asDict();
    if (!dict) return nullptr;
    if (const Object alternate = document.get(*dict, "Alternate"); !alternate.isNull())
      if (auto taken = make(document, alternate, depth + 1)) return taken;
    const Object n = document.get(*dict, "N");
    return device(n.kind == Object::Kind::Int ? static_cast<int>(n.integer) : 1);
  }
  if (name == "Lab") {
    made->family_ = Family::Lab;
    made->components_ = 3;
    made->ranges_ = {-100, 100, -100, 100};
    if (const Dict* dict = item(1).asDict()) {
      if (const Array* w = document.get(*dict, "WhitePoint").asArray(); w && w->size() == 3)
        for (size_t i = 0; i < 3; ++i)
          if ((*w)[i].isNumber()) made->white_[i] = (*w)[i].number();
      if (const Array* r = document.get(*dict, "Range").asArray(); r && r->size() == 4)
        for (size_t i = 0; i < 4; ++i)
          if ((*r)[i].isNumber()) made->ranges_[i] = (*r)[i].number();
    }
    return made;
  }
  if (name == "Indexed" || name == "I") {
    made->family_ = Family::Indexed;
    made->base_ = make(document, item(1), depth + 1);
    const Object high = item(2), lookup = item(3);
    if (!made->base_ || made->base_->components_ == 0 || high.kind != Object::Kind::Int) return nullptr;
    made->highest_ = static_cast<int>(std::clamp<int64_t>(high.integer, 0, 255));
    made->lookup_ = lookup.kind == Object::Kind::Stream ? document.streamData(lookup) : lookup.text;
    made->lookup_.resize(static_cast<size_t>(made->highest_ + 1) * made->base_->components_, '\0');
    return made;
  }
  if (name == "Separation" || name == "DeviceN") {
    made->family_ = Family::Tint;
    const Object names = item(1);
    made->components_ = name == "Separation" ? 1 : names.asArray() ? static_cast<int>(names.asArray()->size()) : 0;
    if (made->components_ < 1 || made->components_ > 32) return nullptr;
    made->none_ = names.isName("None");
    made->base_ = make(document, item(2), depth + 1);
    made->tint_ = makeFunction(document, item(3));
    if (!made->base_ || !made->tint_) return nullptr;
    return made;
  }
  return nullptr;
}

uint32_t ColorSpace::rgb(const double* c) const {
  switch (family_) {
    case Family::Gray: return rgbOf(c[0], c[0], c[0]);
    case Family::Rgb: return rgbOf(c[0], c[1], c[2]);
    case Family::Cmyk: return rgbOf((1 - c[0]) * (1 - c[3]), (1 - c[1]) * (1 - c[3]), (1 - c[2]) * (1 - c[3]));
    case Family::Lab: return labToRgb(c[0], c[1], c[2], white_);
    case Family::Indexed: {
      const int index = std::isfinite(c[0]) ? std::clamp(static_cast<int>(std::lround(c[0])), 0, highest_) : 0;
      const int n = base_->components_;
      const std::vector<double> decode = base_->defaultDecode(8);
      double base[32] = {};
      for (int k = 0; k < n && k < 32; ++k) {
        const double v = static_cast<unsigned char>(lookup_[static_cast<size_t>(index) * n + k]) / 255.0;
        base[k] = decode[2 * k] + v * (decode[2 * k + 1] - decode[2 * k]);
      }
      return base_->rgb(base);
    }
    case Family::Tint: {
      std::vector<double> out = (*tint_)(std::vector<double>(c, c + components_));
      out.resize(std::max<size_t>(out.size(), static_cast<size_t>(base_->components_)), 0);
      return base_->rgb(out.data());
    }
    case Family::Pattern: return base_ ? base_->rgb(c) : 0;
  }
  return 0;
}

std::vector<double> ColorSpace::initial() const {
  switch (family_) {
    case Family::Cmyk: return {0, 0, 0, 1};
    case Family::Tint: return std::vector<double>(static_cast<size_t>(components_), 1);
    default: return std::vector<double>(static_cast<size_t>(std::max(components_, 1)), 0);
  }
}

std::vector<double> ColorSpace::defaultDecode(int bits) const {
  if (family_ == Family::Indexed) return {0, std::pow(2.0, bits) - 1};
  if (family_ == Family::Lab) return {0, 100, ranges_[0], ranges_[1], ranges_[2], ranges_[3]};
  std::vector<double> decode;
  for (int k = 0; k < components_; ++k) decode.insert(decode.end(), {0, 1});
  return decode;
}

}  // namespace refconv::pdf
