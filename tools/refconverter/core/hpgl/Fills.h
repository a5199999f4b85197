// How areas are filled (FT, AC, RF, TR): solid in the pen's colour, shaded, in a raster
// pattern's average colour, or hatched with lines as a pen plotter draws them.
#pragma once

#include <vector>

#include "PlotBuilder.h"
#include "Reader.h"
#include "State.h"

namespace refconv::hpgl {

// Whether the fill type hatches these rings: hatching finer than a fill may draw line by line
// is what a plotter's pen would ink all over, and fills solid instead.
bool hatches(const Fill& fill, const std::vector<std::vector<Point>>& rings, double diagonal);
// The hatch lines of the rings, inside them by the fill rule, to `sink` (cross-hatching twice).
void hatch(const std::vector<std::vector<Point>>& rings, bool evenOdd, const Fill& fill, double diagonal,
           LineSink& sink);
// The colour a solid fill has in the current pen: shaded (FT 10) or a raster pattern's (FT 11).
uint32_t fillColor(const State& state);

void fillType(Reader& in, Fill& fill, const Scaling& scaling);
void anchorCorner(Reader& in, Fill& fill, const Scaling& scaling);
void rasterFill(Reader& in, RasterPatterns& patterns);

}  // namespace refconv::hpgl
