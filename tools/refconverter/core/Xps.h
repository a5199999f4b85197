// XPS documents, Microsoft's fixed-page format that Windows prints to: a package of one fixed page a
// plot, paths filled and stroked as the drawing has them; a picture as a PNG part.
#pragma once

#include <string>

#include "Hpgl.h"

namespace refconv {

std::string xpsOf(const Drawing& drawing);
// `png` at 96 dpi, shown `widthIn` x `heightIn` inches.
std::string xpsOfPicture(const std::string& png, int widthPx, int heightPx, double widthIn, double heightIn);

}  // namespace refconv
