// The bytes of a plotter file as HP-GL reads them: two-letter mnemonics and their
// parameters (numbers, label texts, encoded bytes), with what surrounds them stepped over: PCL
// (and the HP-GL/2 it enters with ESC % B), PJL lines, the pen plotters' device control
// (ESC . x). It knows nothing of what a command means. Whatever the bytes, each call moves on or
// ends, so a caller's loop over next() ends.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>

namespace refconv::hpgl {

inline constexpr char kEsc = 0x1B;
// A number beyond this many digits is read as ±kHugeNumber: past any coordinate a plot uses.
inline constexpr double kHugeNumber = 1e10;

// A parameter where a whole number is meant (modes, kinds, indexes), bounded.
inline int wholeNumber(double v) {
  if (!std::isfinite(v)) return 0;
  return static_cast<int>(std::clamp(v, -1e6, 1e6));
}

class Reader {
 public:
  explicit Reader(std::string_view bytes);

  struct Mnemonic {
    char a, b;  // upper case
  };
  // The next command's mnemonic, or none once the bytes are read.
  std::optional<Mnemonic> next();
  // Whether the file entered HP-GL/2 from PCL (ESC % B) anywhere so far.
  bool enteredFromPcl() const { return enteredFromPcl_; }
  // Whether PCL ended a page since the last call: a page eject (ESC & l 0 H), a printer reset
  // (ESC E) or a form feed in PCL text. A printer ends a page there only when something is
  // on it, which is the caller's to know.
  bool takePageEnd() { return std::exchange(pageEnd_, false); }

  // The next parameter of the command, if one comes before it ends. A malformed number
  // ("1.2.3", "+-") gives what could be read of it and leaves the rest to be stepped over.
  std::optional<double> number();
  // Steps over blanks and commas between parameters.
  void skipSeparators();
  // Steps over what is left of a command: numbers, separators, quoted strings, up to ";"
  // (taken) or the next mnemonic or escape (left).
  void endCommand();
  // A label's text: up to `terminator` (taken, and returned too when `withTerminator`), or
  // to the end of the bytes.
  std::string_view textUntil(char terminator, bool withTerminator);

  // Byte by byte, for the parameters that are not numbers (LT's terminator, SM's symbol, PE's
  // encoded coordinates): the byte at the reading position (0 at the end), and a step past it.
  bool atEnd() const { return pos_ >= in_.size(); }
  char peek() const { return atEnd() ? '\0' : in_[pos_]; }
  void advance() {
    if (!atEnd()) ++pos_;
  }

 private:
  void escape();
  void skipPcl();

  std::string_view in_;
  size_t pos_ = 0;
  bool pcl_ = false;  // in PCL: everything up to the next escape is text or data
  bool enteredFromPcl_ = false;
  bool pageEnd_ = false;
};

}  // namespace refconv::hpgl
