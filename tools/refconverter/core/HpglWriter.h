// Plot files written back out: HP-GL/2 for plotters (HGL), and a PCL 5 job for printers that
// carries the same HP-GL/2 a page at a time; pictures, and pages with pictures, as PCL raster
// graphics. A raster is no HP-GL/2 vector, so HGL takes no picture.
#pragma once

#include <string>

#include "Hpgl.h"
#include "Raster.h"

namespace refconv {

std::string hpglOf(const Drawing& drawing);
// A page with pictures goes as PCL raster graphics at this resolution, within this side.
inline constexpr double kPclPictureDpi = 150;
inline constexpr double kPclPictureSidePx = 12000;
std::string pclOf(const Drawing& drawing);
std::string pclOfImage(const Image& image);

}  // namespace refconv
