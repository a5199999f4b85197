// PCL raster graphics: the picture a printer builds from ESC * r and ESC * b rows, as an
// instrument's screen print or a scanner's page arrives. One bit a pixel (a set bit is ink),
// or three planes (red, green, blue, each a set bit) where the job asks for them; rows in
// compression 0 (none), 1 (run length), 2 (PackBits) or 3 (delta row), as the printer reads
// them. The rows of a job make one picture, each raster block below the last.
#pragma once

#include <optional>
#include <string_view>

#include "Raster.h"

namespace refconv {

// The job's raster as a picture at its resolution (ESC * t # R, 75 dpi unless said); nothing
// when it holds no row. Bounded: a picture past the converter's limits is cut short.
std::optional<Image> pclRaster(std::string_view bytes);

}  // namespace refconv
