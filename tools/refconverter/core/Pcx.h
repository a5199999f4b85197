// PC Paintbrush pictures: 24-bit PCX (version 5, three 8-bit planes, run-length encoded), the
// form paint and fax programs of a print shop still read.
#pragma once

#include <string>

#include "Raster.h"

namespace refconv {

std::string pcxOf(const Image& image);

}  // namespace refconv
