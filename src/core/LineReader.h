// Reads the lines of a text held in memory, the way our text files have always been read:
// a line ends at CR LF, at a lone LF or at a lone CR. Stored files can be damaged or hostile,
// so a line longer than the reader's limit is reported as overlong instead of being returned.
#pragma once

#include <cstddef>
#include <string_view>

namespace marlisk {

class LineReader {
 public:
  enum class Status { Line, Overlong, End };

  LineReader(std::string_view text, size_t maxLineBytes) : text_(text), maxLineBytes_(maxLineBytes) {}

  // Moves to the next line. With Status::Line, `line` holds it without its line end; with
  // Status::Overlong the line was skipped whole and `line` is empty.
  Status next(std::string_view& line);

 private:
  std::string_view text_;
  size_t maxLineBytes_;
  size_t pos_ = 0;
};

}  // namespace marlisk
