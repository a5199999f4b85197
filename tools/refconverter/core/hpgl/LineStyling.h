// How lines are drawn: the pens and their colours (SP's pens, NP, PC, CR), widths (PW, WU),
// ends and joins (LA) and line types (LT, UL), the dashes of a line as its type draws them.
#pragma once

#include <vector>

#include "Reader.h"
#include "State.h"

namespace refconv::hpgl {

// The pieces a line draws as in its line type; where the pattern has got to moves along.
// `diagonal` is P1-P2's, which a relative pattern length is a share of.
std::vector<std::vector<Point>> dashes(std::vector<Point> line, LineType& type, double diagonal);

// The colour of a pen: a carousel's stall, or the palette (pens beyond NP's number repeat).
uint32_t colorOf(const State& state, int pen);

// The commands, each reading its parameters.
void lineType(Reader& in, LineType& type);
void userLineType(Reader& in, LineType& type);
void lineAttributes(Reader& in, LineEnds& ends);
void penWidth(Reader& in, PenWidths& widths, double diagonal);
void widthUnits(Reader& in, PenWidths& widths, double diagonal);
void numberOfPens(Reader& in, Palette& palette);
void penColor(Reader& in, Palette& palette);
void colorRange(Reader& in, Palette& palette);

}  // namespace refconv::hpgl
