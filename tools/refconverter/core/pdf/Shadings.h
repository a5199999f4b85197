// Shadings, for sh and for shading patterns: axial and radial ones (types 2 and 3) drawn as
// bands of one colour each, the others as small pieces (Meshes), cut to the region they paint,
// so that they stay vectors in every format, the plotter's among them.
#pragma once

#include <vector>

#include "core/Hpgl.h"
#include "core/pdf/Clip.h"
#include "core/pdf/Document.h"

namespace refconv::pdf {

struct ShadingSpace {
  // Shading space to plotter units: a point (x, y) goes to (a x + c y + e, b x + d y + f).
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
};

// The shading's bands or pieces within `region` (its own BBox too), as filled shapes; false
// for a damaged one.
bool shade(Document& document, const Object& shading, const ShadingSpace& space, const ClipRegion& region,
           bool useBackground, std::vector<Shape>& out);

}  // namespace refconv::pdf
