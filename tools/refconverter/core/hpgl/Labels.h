// Labels (LB, BL and PB, SM's symbols) drawn as a plotter draws them: in the stroke font, in
// the character set, size, direction, slant and spacing the label commands set, placed by
// the label origin, line by line.
#pragma once

#include <string_view>

#include "PlotBuilder.h"
#include "Reader.h"
#include "State.h"

namespace refconv::hpgl {

inline constexpr size_t kMaxLabelBytes = 4096;

// The character a label's byte stands for in the standard or (`shifted`, after SO) the
// alternate font's set. The national sets are numbered by HP-GL's CS on pen plotters and by
// PCL's symbol sets in HP-GL/2.
char32_t characterOf(const Labels& labels, unsigned char b, bool shifted, bool hpgl2);

// A label from the pen, which ends after it; CR and LF go back to the carriage-return point
// and down a line.
void drawText(std::string_view text, Labels& labels, const Scaling& scaling, bool hpgl2, Point& at, LineSink& sink);
// SM's symbol centred on `at`.
void drawSymbol(const Labels& labels, const Scaling& scaling, bool hpgl2, Point at, LineSink& sink);

// The commands, each reading its parameters.
void labelTerminator(Reader& in, Labels& labels);
void symbolMode(Reader& in, Labels& labels);
void absoluteSize(Reader& in, Labels& labels);
void relativeSize(Reader& in, Labels& labels);
void direction(Reader& in, Labels& labels, const Scaling& scaling, bool relative);
void directionOfPath(Reader& in, Labels& labels);
void labelOrigin(Reader& in, Labels& labels);
void extraSpace(Reader& in, Labels& labels);
void characterSet(Reader& in, Labels& labels, bool alternate);
void fontDefinition(Reader& in, Labels& labels, bool alternate);
void characterPlot(Reader& in, Labels& labels, const Scaling& scaling, Point& at);

}  // namespace refconv::hpgl
