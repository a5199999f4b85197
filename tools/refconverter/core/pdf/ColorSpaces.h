// Colour spaces (ISO 32000-1, 8.6) turned to RGB: the Device and CIE-based families, ICCBased
// by its alternate or its count of components, Lab, Indexed, and Separation and DeviceN
// through their tint transforms into their alternate space.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Hpgl.h"
#include "core/pdf/Document.h"
#include "core/pdf/Functions.h"

namespace refconv::pdf {

class ColorSpace {
 public:
  enum class Family { Gray, Rgb, Cmyk, Lab, Indexed, Tint, Pattern };

  // A space as cs and images give it, its resource name already looked up; none for what is
  // no colour space.
  static std::shared_ptr<const ColorSpace> make(Document& document, const Object& space, int depth = 0);
  static std::shared_ptr<const ColorSpace> device(int components);

  Family family() const { return family_; }
  int components() const { return components_; }
  // The colour of components in the space's own ranges.
  uint32_t rgb(const double* c) const;
  // The colour a space starts with when cs sets it.
  std::vector<double> initial() const;
  // What an image's samples of `bits` map to when no Decode is given: 0 to 1, an index's
  // whole range, Lab's ranges.
  std::vector<double> defaultDecode(int bits) const;
  // Separation /None: paints nothing.
  bool paintsNothing() const { return none_; }

 private:
  Family family_ = Family::Gray;
  int components_ = 1;
  std::vector<double> ranges_;  // Lab's a and b ranges
  double white_[3] = {0.9505, 1.0, 1.089};
  std::shared_ptr<const ColorSpace> base_;  // Indexed's base, a tint's alternate, a pattern's
  int highest_ = 0;                         // Indexed: the highest index
  std::string lookup_;                      // Indexed: hival + 1 colours of the base
  std::shared_ptr<const Function> tint_;
  bool none_ = false;
};

// 0 to 1 each as 0xRRGGBB.
uint32_t rgbOf(double r, double g, double b);
// A colour laid at `alpha` on white paper.
uint32_t onPaper(uint32_t rgb, double alpha);
// A shape's paint made translucent: its ink and opacity kept, its colour as on white paper.
inline void makeTranslucent(Shape& shape, double alpha) {
  shape.opacity = static_cast<float>(alpha);
  shape.ink = shape.color;
  shape.color = onPaper(shape.ink, alpha);
}

}  // namespace refconv::pdf
