// The interpreter: reads commands, looks each up in the command table, and keeps the pen's
// line and the polygon buffer, the state the stages share; the stages draw.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "../Hpgl.h"
#include "PlotBuilder.h"
#include "Reader.h"
#include "State.h"

namespace refconv::hpgl {

class Interpreter final : public LineSink {
 public:
  // `carousel`: pens are a pen plotter's carousel, drawing with round tips.
  Interpreter(std::string_view in, bool carousel);
  Drawing run();

  // Lines in the current pen's colour and line attributes (`round`: a label's strokes and dots
  // have round ends and joins), cut and turned.
  void lines(std::vector<std::vector<Point>> lines, bool round) override;
  bool full() const override { return plot_.full(); }

  // The part of the state a command sets (which says whether IN and DF reset it); none for
  // a mnemonic the interpreter does not know.
  static std::optional<Part> partSetBy(char a, char b);

 private:
  struct Command;
  static const Command* find(char a, char b);
  void command(char a, char b);
  bool parameterOutOfRange() const;

  // drawing
  void flushLine();
  void moveTo(Point to, bool draw);
  void pathTo(const std::vector<Point>& points, bool draw);
  void figure(std::vector<Point> ring, bool filled);
  void strokeLine(std::vector<Point> line);
  void fillRings(std::vector<std::vector<Point>> rings, bool evenOdd);

  // the commands that draw
  // PU, PD, PA, PR: the pen lifted or lowered, or moves made absolute or relative, then points to go to.
  void coordinates(std::optional<bool> down, std::optional<bool> relative);
  void circle();
  void arc(bool relativeCenter);
  void threePointArc(bool relative);
  void bezier(bool relative);
  void rectangle(bool relative, bool filled);
  void wedge(bool filled);
  void polygonMode();
  void closeRing(std::optional<bool> drawn = std::nullopt);  // drawn: as the pen is
  void fillPolygon();
  void edgePolygon();
  void encodedPolyline();
  void label();
  void bufferLabel();
  std::string_view labelText();

  Reader in_;
  State s_;
  PlotBuilder plot_;
  std::vector<Point> line_;  // the line being drawn
  bool hpgl2_ = false;
  int unknown_ = 0;
  int ignored_ = 0;
};

}  // namespace refconv::hpgl
