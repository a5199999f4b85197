#include "Reader.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

namespace refconv::hpgl {

namespace {

bool isLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }
char upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

}  // namespace

Reader::Reader(std::string_view bytes) : in_(bytes) {
  // A PCL job starts with an escape; a pen plotter's device control (ESC .) is HP-GL's.
  pcl_ = in_.size() >= 2 && in_[0] == kEsc && in_[1] != '.';
}

std::optional<Reader::Mnemonic> Reader::next() {
  while (pos_ < in_.size()) {
    if (pcl_) {
      skipPcl();
      continue;
    }
    const char c = in_[pos_];
    if (c == kEsc) {
      escape();
    } else if (c == '@' && in_.substr(pos_, 4) == "@PJL") {
      const size_t end = in_.find('\n', pos_);
      pos_ = end == std::string_view::npos ? in_.size() : end + 1;
    } else if (isLetter(c) && pos_ + 1 < in_.size() && isLetter(in_[pos_ + 1])) {
      const Mnemonic mnemonic{upper(c), upper(in_[pos_ + 1])};
      pos_ += 2;
      return mnemonic;
    } else {
      ++pos_;
    }
  }
  return std::nullopt;
}

void Reader::skipSeparators() {
  while (pos_ < in_.size() &&
         (in_[pos_] == ' ' || in_[pos_] == ',' || in_[pos_] == '\t' || in_[pos_] == '\r' || in_[pos_] == '\n'))
    ++pos_;
}

std::optional<double> Reader::number() {
  skipSeparators();
  size_t p = pos_;
  if (p < in_.size() && (in_[p] == '+' || in_[p] == '-')) ++p;
  const size_t digitsStart = p;
  double value = 0;
  int digits = 0;
  while (p < in_.size() && isDigit(in_[p])) {
    if (digits < 30) value = value * 10 + (in_[p] - '0');
    ++digits;
    ++p;
  }
  if (p < in_.size() && in_[p] == '.') {
    ++p;
    double scale = 0.1;
    while (p < in_.size() && isDigit(in_[p])) {
      value += (in_[p] - '0') * scale;
      scale *= 0.1;
      ++digits;
      ++p;
    }
  }
  // An exponent, as PostScript-to-HP-GL converters write ("4.48966e-09"). An "E" followed by a
  // letter is the next command (EA, EP, ER, EW), written without a separator.
  int exponent = 0;
  if (digits > 0 && p < in_.size() && (in_[p] == 'e' || in_[p] == 'E')) {
    size_t q = p + 1;
    const bool negative = q < in_.size() && in_[q] == '-';
    if (q < in_.size() && (in_[q] == '+' || in_[q] == '-')) ++q;
    if (q < in_.size() && isDigit(in_[q])) {
      while (q < in_.size() && isDigit(in_[q])) {
        if (exponent < 1000) exponent = exponent * 10 + (in_[q] - '0');
        ++q;
      }
      if (negative) exponent = -exponent;
      p = q;
    }
  }
  if (digits == 0) {
    if (p > pos_ && p == digitsStart + 1 && in_[digitsStart] == '.')
      pos_ = p;  // a lone "."
    else if (digitsStart > pos_)
      pos_ = digitsStart;  // a lone sign
    return std::nullopt;
  }
  if (in_[pos_] == '-') value = -value;
  pos_ = p;
  if (exponent != 0) value *= std::pow(10.0, exponent);
  if (digits >= 30 || !std::isfinite(value) || std::fabs(value) > kHugeNumber)
    value = std::copysign(kHugeNumber, value);
  return value;
}

void Reader::endCommand() {
  while (pos_ < in_.size()) {
    const char c = in_[pos_];
    if (c == ';') {
      ++pos_;
      return;
    }
    if (c == kEsc || isLetter(c)) return;
    if (c == '"') {
      const size_t close = in_.find('"', pos_ + 1);
      pos_ = close == std::string_view::npos ? in_.size() : close + 1;
      continue;
    }
    ++pos_;
  }
}

std::string_view Reader::textUntil(char terminator, bool withTerminator) {
  const size_t start = pos_, end = in_.find(terminator, pos_);
  pos_ = end == std::string_view::npos ? in_.size() : end + 1;
  if (end == std::string_view::npos) return in_.substr(start);
  return in_.substr(start, end - start + (withTerminator ? 1 : 0));
}

// Pen plotters' device control: ESC . and a character, then maybe parameters ended by ":".
// PCL: ESC % <n> B enters HP-GL/2, ESC % <n> A leaves it; in PCL everything up to the next
// escape is text or data, and a sequence ending in "W" carries that many bytes.
void Reader::escape() {
  ++pos_;
  if (pos_ >= in_.size()) return;
  const char kind = in_[pos_++];
  if (kind == '.') {
    if (pos_ < in_.size()) ++pos_;
    size_t p = pos_;
    while (p < in_.size() && p - pos_ < 256 && (isDigit(in_[p]) || std::strchr(";,.+- ", in_[p]) != nullptr)) ++p;
    if (p < in_.size() && in_[p] == ':') pos_ = p + 1;
    return;
  }
  if (kind == 'E') {  // printer reset
    pageEnd_ = true;
    return;
  }
  if (kind != '%' && kind != '*' && kind != '&' && kind != '(' && kind != ')') return;
  char group = 0;  // the letter after "&", "*" ...: "l" in ESC & l 0 H
  for (;;) {
    size_t p = pos_;
    if (p < in_.size() && (in_[p] == '+' || in_[p] == '-')) ++p;
    double value = 0;
    while (p < in_.size() && (isDigit(in_[p]) || in_[p] == '.')) {
      if (in_[p] != '.' && value < 1e9) value = value * 10 + (in_[p] - '0');
      ++p;
    }
    if (p >= in_.size()) {
      pos_ = p;
      return;
    }
    if (kind == '%' && (in_[p] == 'B' || in_[p] == 'A')) {
      pcl_ = in_[p] == 'A';
      if (!pcl_) enteredFromPcl_ = true;
      pos_ = p + 1;
      return;
    }
    if (kind == '%' && in_[p] == 'X') {  // universal exit: PCL (and PJL) follow
      pcl_ = true;
      pos_ = p + 1;
      return;
    }
    const char letter = in_[p];
    const bool noDigits = p == pos_;
    pos_ = p + 1;
    if (!isLetter(letter)) return;
    if (group == 0 && noDigits && std::islower(static_cast<unsigned char>(letter))) {
      group = letter;
      continue;
    }
    if (kind == '&' && group == 'l' && (letter == 'H' || letter == 'h') && value == 0) pageEnd_ = true;
    if (letter == 'W' || letter == 'w') pos_ = std::min(in_.size(), pos_ + static_cast<size_t>(value));
    if (std::isupper(static_cast<unsigned char>(letter))) return;  // the sequence ends
  }
}

void Reader::skipPcl() {
  const size_t next = in_.find(kEsc, pos_);
  if (in_.substr(pos_, next == std::string_view::npos ? std::string_view::npos : next - pos_).find('\f') !=
      std::string_view::npos)
    pageEnd_ = true;  // a form feed in PCL text
  if (next == std::string_view::npos) {
    pos_ = in_.size();
    return;
  }
  pos_ = next;
  escape();
}

}  // namespace refconv::hpgl
