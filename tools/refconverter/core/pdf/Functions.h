// PDF functions (ISO 32000-1, 7.10): sampled (type 0), exponential (2), stitching (3) and the
// PostScript calculator (4), as tint transforms and shadings use them. Bounded whatever the
// file says: how deep functions nest, how many samples they hold, how long a program runs.
#pragma once

#include <memory>
#include <vector>

#include "core/pdf/Document.h"

namespace refconv::pdf {

class Function {
 public:
  virtual ~Function() = default;
  // The outputs for `in`; the inputs are clipped to the domain and the outputs to the range.
  std::vector<double> operator()(const std::vector<double>& in) const;
  size_t outputs() const { return range_.empty() ? outputs_ : range_.size() / 2; }

 protected:
  virtual std::vector<double> evaluate(const std::vector<double>& in) const = 0;
  std::vector<double> domain_, range_;
  size_t outputs_ = 1;

  friend std::shared_ptr<const Function> makeFunction(Document&, const Object&, int);
};

// A function object (a dictionary or a stream), or an array of one-output functions taken
// together; none for what is not a function this reader evaluates.
std::shared_ptr<const Function> makeFunction(Document& document, const Object& object, int depth = 0);

}  // namespace refconv::pdf
