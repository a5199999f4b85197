// Shadings, for sh and for shading patterns: axial and radial ones (types 2 and 3) drawn as
// bands of one colour each, the others as small pieces (Meshes), cut to the region they paint,
// so that they stay vectors in every format, the plotter's among them.
#pragma once

#include <vector>

#include "core/Hpgl.h"
#include "core/pdf/Clip.h"
#include "core/pdf/Document.h"
#include "core/pdf/Matrix.h"

namespace refconv::pdf {

// The shading's bands or pieces within `region` (its own BBox too), as filled shapes; false
// for a damaged one.
// `space`: shading space to plotter units.
bool shade(Document& document, const Object& shading, const Matrix& space, const ClipRegion& region, bool useBackground,
           std::vector<Shape>& out);

}  // namespace refconv::pdf
