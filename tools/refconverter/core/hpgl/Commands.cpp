// The command table: every mnemonic the interpreter knows, what it does, and what of the
// state it sets (which says whether IN and DF put it back; see kResetBy).
#include <array>

#include "Fills.h"
#include "Interpreter.h"
#include "Labels.h"
#include "LineStyling.h"

namespace refconv::hpgl {

namespace {
constexpr double kParameterRange = 1073741823;  // 2^30 - 1: beyond it a plotter ignores the command

enum Flags : uint8_t {
  kEndsLine = 1,  // a new style or page: the line being drawn is stroked first
  kHpgl2 = 2,     // only HP-GL/2 has it: the file is HP-GL/2, its pens are not a carousel's
  kOwnBytes = 4,  // reads text or bytes, not numbers, and ends itself
};
}  // namespace

struct Interpreter::Command {
  char mnemonic[3];
  void (*run)(Interpreter&);
  uint8_t flags;
  Part sets;
};

const Interpreter::Command* Interpreter::find(char a, char b) {
  using I = Interpreter;
  static constexpr Command kCommands[] = {
      // the plot: initialising, paper, user units
      {"IN", [](I& i) { reset(i.s_, true); }, kEndsLine, Part::None},
      {"DF", [](I& i) { reset(i.s_, false); }, kEndsLine, Part::None},
      {"PS", [](I& i) { plotSize(i.in_, i.s_.paper, i.s_.scaling, !i.s_.carousel); }, 0, Part::Paper},
      {"RO", [](I& i) { rotate(i.in_, i.s_.paper); }, kEndsLine, Part::Paper},
      {"IP", [](I& i) { scalingPoints(i.in_, i.s_.scaling, i.s_.paper); }, 0, Part::ScalingPoints},
      {"IR", [](I& i) { relativeScalingPoints(i.in_, i.s_.scaling, i.s_.paper); }, 0, Part::ScalingPoints},
      {"SC", [](I& i) { scale(i.in_, i.s_.scaling); }, 0, Part::Scaling},
      {"IW", [](I& i) { inputWindow(i.in_, i.s_.scaling); }, kEndsLine, Part::Scaling},
      {"PG", [](I& i) { i.plot_.advancePage(); }, kEndsLine, Part::None},
      {"FR", [](I& i) { i.plot_.advancePage(); }, kEndsLine | kHpgl2, Part::None},
      // moving the pen
      {"PU", [](I& i) { i.coordinates(false, std::nullopt); }, 0, Part::PenMode},
      {"PD", [](I& i) { i.coordinates(true, std::nullopt); }, 0, Part::PenMode},
      {"PA", [](I& i) { i.coordinates(std::nullopt, false); }, 0, Part::PenMode},
      {"PR", [](I& i) { i.coordinates(std::nullopt, true); }, 0, Part::PenMode},
      {"PE", [](I& i) { i.encodedPolyline(); }, kHpgl2 | kOwnBytes, Part::Position},
      // arcs, curves and figures
      {"CI", [](I& i) { i.circle(); }, 0, Part::None},
      {"AA", [](I& i) { i.arc(false); }, 0, Part::Position},
      {"AR", [](I& i) { i.arc(true); }, 0, Part::Position},
      {"AT", [](I& i) { i.threePointArc(false); }, 0, Part::Position},
      {"RT", [](I& i) { i.threePointArc(true); }, 0, Part::Position},
      {"BZ", [](I& i) { i.bezier(false); }, kHpgl2, Part::Position},
      {"BR", [](I& i) { i.bezier(true); }, kHpgl2, Part::Position},
      {"EA", [](I& i) { i.rectangle(false, false); }, 0, Part::None},
      {"ER", [](I& i) { i.rectangle(true, false); }, 0, Part::None},
      {"RA", [](I& i) { i.rectangle(false, true); }, 0, Part::None},
      {"RR", [](I& i) { i.rectangle(true, true); }, 0, Part::None},
      {"EW", [](I& i) { i.wedge(false); }, 0, Part::None},
      {"WG", [](I& i) { i.wedge(true); }, 0, Part::None},
      // polygons and fills
      {"PM", [](I& i) { i.polygonMode(); }, kEndsLine, Part::Polygon},
      {"FP", [](I& i) { i.fillPolygon(); }, 0, Part::None},
      {"EP", [](I& i) { i.edgePolygon(); }, 0, Part::None},
      {"FT", [](I& i) { fillType(i.in_, i.s_.fill, i.s_.scaling); }, 0, Part::Fill},
      {"AC", [](I& i) { anchorCorner(i.in_, i.s_.fill, i.s_.scaling); }, 0, Part::Fill},
      {"TR", [](I& i) { i.s_.fill.transparent = i.in_.number().value_or(1) != 0; }, kEndsLine | kHpgl2, Part::Fill},
      {"RF", [](I& i) { rasterFill(i.in_, i.s_.rasterPatterns); }, kHpgl2, Part::Patterns},
      // pens and lines
      {"SP", [](I& i) { i.s_.pen = static_cast<int>(std::clamp(i.in_.number().value_or(0), 0.0, 255.0)); }, kEndsLine,
       Part::Pen},
      {"NP", [](I& i) { numberOfPens(i.in_, i.s_.palette); }, kEndsLine | kHpgl2, Part::Palette},
      {"PC", [](I& i) { penColor(i.in_, i.s_.palette); }, kEndsLine | kHpgl2, Part::Palette},
      {"CR", [](I& i) { colorRange(i.in_, i.s_.palette); }, kEndsLine | kHpgl2, Part::Palette},
      {"PW", [](I& i) { penWidth(i.in_, i.s_.widths, i.s_.scaling.diagonal()); }, kEndsLine | kHpgl2, Part::PenWidths},
      {"WU", [](I& i) { widthUnits(i.in_, i.s_.widths, i.s_.scaling.diagonal()); }, kEndsLine | kHpgl2,
       Part::PenWidths},
      {"LA", [](I& i) { lineAttributes(i.in_, i.s_.ends); }, kEndsLine | kHpgl2, Part::LineEnds},
      {"LT", [](I& i) { lineType(i.in_, i.s_.lineType); }, kEndsLine, Part::LineType},
      {"UL", [](I& i) { userLineType(i.in_, i.s_.lineType); }, kEndsLine | kHpgl2, Part::LineType},
      {"CT", [](I& i) { i.in_.number(); }, 0, Part::None},  // chord tolerance: angles are what files use
      // labels
      {"LB", [](I& i) { i.label(); }, kOwnBytes, Part::Position},
      {"BL", [](I& i) { i.bufferLabel(); }, kOwnBytes, Part::LabelBuffer},
      {"PB", [](I& i) { drawText(i.s_.labelBuffer, i.s_.labels, i.s_.scaling, i.hpgl2_, i.s_.at, i); }, 0,
       Part::Position},
      {"DT", [](I& i) { labelTerminator(i.in_, i.s_.labels); }, kOwnBytes, Part::Labels},
      {"SM", [](I& i) { symbolMode(i.in_, i.s_.labels); }, kEndsLine | kOwnBytes, Part::Labels},
      {"SI", [](I& i) { absoluteSize(i.in_, i.s_.labels); }, 0, Part::Labels},
      {"SR", [](I& i) { relativeSize(i.in_, i.s_.labels); }, 0, Part::Labels},
      {"DI", [](I& i) { direction(i.in_, i.s_.labels, i.s_.scaling, false); }, 0, Part::Labels},
      {"DR", [](I& i) { direction(i.in_, i.s_.labels, i.s_.scaling, true); }, 0, Part::Labels},
      {"DV", [](I& i) { directionOfPath(i.in_, i.s_.labels); }, 0, Part::Labels},
      {"LO", [](I& i) { labelOrigin(i.in_, i.s_.labels); }, 0, Part::Labels},
      {"CP", [](I& i) { characterPlot(i.in_, i.s_.labels, i.s_.scaling, i.s_.at); }, 0, Part::Position},
      {"ES", [](I& i) { extraSpace(i.in_, i.s_.labels); }, 0, Part::Labels},
      {"SL", [](I& i) { i.s_.labels.slant = std::clamp(i.in_.number().value_or(0), -10.0, 10.0); }, 0, Part::Labels},
      {"CS", [](I& i) { characterSet(i.in_, i.s_.labels, false); }, 0, Part::Labels},
      {"CA", [](I& i) { characterSet(i.in_, i.s_.labels, true); }, 0, Part::Labels},
      {"SS", [](I& i) { i.s_.labels.alternate = false; }, 0, Part::Labels},
      {"SA", [](I& i) { i.s_.labels.alternate = true; }, 0, Part::Labels},
      {"SD", [](I& i) { fontDefinition(i.in_, i.s_.labels, false); }, kHpgl2, Part::Labels},
      {"AD", [](I& i) { fontDefinition(i.in_, i.s_.labels, true); }, kHpgl2, Part::Labels},
      // plot setup, queries and comments: stepped over
      {"CO", nullptr, 0, Part::None},
      {"BP", nullptr, kHpgl2, Part::None},
      {"SV", nullptr, kHpgl2, Part::None},
      {"MC", nullptr, kHpgl2, Part::None},
      {"PP", nullptr, kHpgl2, Part::None},
      {"VS", nullptr, 0, Part::None},
      {"OP", nullptr, 0, Part::None},
      {"OW", nullptr, 0, Part::None},
      {"OI", nullptr, 0, Part::None},
      {"OS", nullptr, 0, Part::None},
      {"OA", nullptr, 0, Part::None},
      {"OC", nullptr, 0, Part::None},
      {"OD", nullptr, 0, Part::None},
      {"OE", nullptr, 0, Part::None},
      {"OF", nullptr, 0, Part::None},
      {"OH", nullptr, 0, Part::None},
      {"OO", nullptr, 0, Part::None},
      {"QL", nullptr, 0, Part::None},
  };
  static const std::array<int16_t, 26 * 26> kIndex = [] {
    std::array<int16_t, 26 * 26> index;
    index.fill(-1);
    for (size_t n = 0; n < std::size(kCommands); ++n)
      index[static_cast<size_t>((kCommands[n].mnemonic[0] - 'A') * 26 + kCommands[n].mnemonic[1] - 'A')] =
          static_cast<int16_t>(n);
    return index;
  }();
  if (a < 'A' || a > 'Z' || b < 'A' || b > 'Z') return nullptr;
  const int16_t n = kIndex[static_cast<size_t>((a - 'A') * 26 + b - 'A')];
  return n < 0 ? nullptr : &kCommands[n];
}

std::optional<Part> Interpreter::partSetBy(char a, char b) {
  const Command* c = find(a, b);
  return c ? std::optional<Part>(c->sets) : std::nullopt;
}

// Whether a command's numbers include one beyond HP-GL/2's range of ±2^30, read ahead on a
// copy of the reader.
bool Interpreter::parameterOutOfRange() const {
  Reader ahead = in_;
  while (const std::optional<double> value = ahead.number())
    if (std::fabs(*value) > kParameterRange) return true;
  return false;
}

void Interpreter::command(char a, char b) {
  const Command* c = find(a, b);
  // A plotter ignores a command with a parameter out of range (error 3): a diagram editor's
  // -2147483648 in PD or AA is no point kilometres away.
  if (!(c && (c->flags & kOwnBytes)) && parameterOutOfRange()) {
    ++ignored_;
    in_.endCommand();
    return;
  }
  if (!c) {
    ++unknown_;
    in_.endCommand();
    return;
  }
  if (c->flags & kEndsLine) flushLine();
  if (c->flags & kHpgl2) hpgl2_ = true;
  if (c->run) c->run(*this);
  if (!(c->flags & kOwnBytes)) in_.endCommand();
}

}  // namespace refconv::hpgl
