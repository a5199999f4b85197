// Function-based shadings (type 1) and the mesh shadings (free-form and lattice triangles with
// Gouraud colours, Coons and tensor-product patches: types 4 to 7), as small polygons each of
// the colour at its middle, so that they stay vectors as the other shadings do.
#pragma once

#include <functional>
#include <vector>

#include "core/pdf/ColorSpaces.h"
#include "core/pdf/Document.h"
#include "core/pdf/Functions.h"
#include "core/pdf/Shadings.h"

namespace refconv::pdf {

using Piece = std::function<void(std::vector<Point> polygon, uint32_t color)>;

// False for a shading too damaged to draw.
bool shadePieces(Document& document, const Object& shading, int kind, const ColorSpace& colors,
                 const Function* function, const Matrix& space, const Piece& piece);

}  // namespace refconv::pdf
