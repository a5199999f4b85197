#include "core/LineReader.h"

namespace marlisk {

LineReader::Status LineReader::next(std::string_view& line) {
  line = {};
  if (pos_ >= text_.size()) return Status::End;
  size_t end = text_.find_first_of("\r\n", pos_);
  if (end == std::string_view::npos) end = text_.size();
  const std::string_view found = text_.substr(pos_, end - pos_);
  pos_ = end;
  if (pos_ < text_.size()) {
    if (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') ++pos_;
    ++pos_;
  }
  if (found.size() > maxLineBytes_) return Status::Overlong;
  line = found;
  return Status::Line;
}

}  // namespace marlisk
