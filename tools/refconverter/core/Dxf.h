// AutoCAD's exchange format, as release 12 wrote it (ASCII, AC1009), which every CAD program
// since reads: a layer a pen, polylines with their pen's width, fills as SOLID trapezoids,
// labels as the strokes they are drawn with, in millimetres.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "Hpgl.h"

namespace refconv {

std::string dxfOf(const Plot& plot);

// The AutoCAD colour index nearest to a colour (1 to 255; 7 is black on a white sheet).
int nearestAci(uint32_t rgb);

// Areas as the pieces a SOLID can hold: trapezoids with sides on two horizontal lines, the
// inside of the rings by the fill rule. Corners in the order SOLID takes them (1, 2, 4, 3).
std::vector<std::array<Point, 4>> trapezoids(const std::vector<std::vector<Point>>& rings, bool evenOdd);

}  // namespace refconv
