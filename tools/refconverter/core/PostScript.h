// PostScript level 2 for printers and for pages placed in other documents: one page a plot,
// or the first plot as Encapsulated PostScript with its bounding box; pictures as image data.
#pragma once

#include <string>

#include "Hpgl.h"
#include "Raster.h"

namespace refconv {

std::string psOf(const Drawing& drawing);
std::string epsOf(const Plot& plot);
// A picture at its own resolution, as a page (`eps` false) or a placed picture.
std::string psOfImage(const Image& image, bool eps);

// The encodings a PostScript file carries binary data in, for its images.
std::string runLengthEncoded(const std::string& bytes);  // RunLengthDecode's (PackBits, then 128)
std::string ascii85(const std::string& bytes);           // ASCII85Decode's, "~>" ended, lines of 75

}  // namespace refconv
