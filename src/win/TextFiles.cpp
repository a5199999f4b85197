#include "win/TextFiles.h"

#include "win/Strings.h"

namespace marlisk::win {

namespace {
constexpr size_t kChunk = 64 * 1024;
}

LineFileReader::LineFileReader(const std::string& path, size_t maxLineBytes)
    : file_(CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr)),
      maxLineBytes_(maxLineBytes) {
  if (!file_) error_ = Win32Error::last();
}

bool LineFileReader::fill() {
  if (atEnd_ || error_.failed()) return false;
  if (pos_ > 0) {
    buffer_.erase(0, pos_);
    pos_ = 0;
  }
  const size_t have = buffer_.size();
  buffer_.resize(have + kChunk);
  DWORD read = 0;
  if (!ReadFile(file_.get(), buffer_.data() + have, static_cast<DWORD>(kChunk), &read, nullptr)) {
    error_ = Win32Error::last();
    read = 0;
  }
  buffer_.resize(have + read);
  if (read == 0) atEnd_ = true;
  return read > 0;
}

LineFileReader::Status LineFileReader::next(std::string& line) {
  line.clear();
  if (!file_) return Status::Error;
  bool overlong = false;
  for (;;) {
    const size_t end = buffer_.find_first_of("\r\n", pos_);
    if (end != std::string::npos) {
      // A CR at the very end of what was read may be the first half of a CR LF.
      if (buffer_[end] == '\r' && end + 1 == buffer_.size() && !atEnd_) {
        fill();  // moves the unread part to the front: look again
        if (error_.failed()) return Status::Error;
        continue;
      }
      const bool crlf = buffer_[end] == '\r' && end + 1 < buffer_.size() && buffer_[end + 1] == '\n';
      if (!overlong) {
        overlong = end - pos_ > maxLineBytes_;
        if (!overlong) line.assign(buffer_, pos_, end - pos_);
      }
      pos_ = end + (crlf ? 2 : 1);
      return overlong ? Status::Overlong : Status::Line;
    }
    if (buffer_.size() - pos_ > maxLineBytes_) {  // keep memory bounded: drop what was seen
      overlong = true;
      pos_ = buffer_.size();
    }
    if (!fill()) {
      if (error_.failed()) return Status::Error;
      if (pos_ >= buffer_.size()) return overlong ? Status::Overlong : Status::End;
      // The last line, without a line end.
      if (!overlong) line.assign(buffer_, pos_, std::string::npos);
      pos_ = buffer_.size();
      return overlong ? Status::Overlong : Status::Line;
    }
  }
}

BufferedFileWriter::BufferedFileWriter(const std::string& path)
    : file_(CreateFileW(widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr)) {
  if (!file_) error_ = Win32Error::last();
}

void BufferedFileWriter::write(std::string_view bytes) {
  if (error_.failed()) return;
  buffer_ += bytes;
  if (buffer_.size() >= kChunk) flush();
}

void BufferedFileWriter::flush() {
  size_t done = 0;
  while (!error_.failed() && done < buffer_.size()) {
    DWORD written = 0;
    if (!WriteFile(file_.get(), buffer_.data() + done, static_cast<DWORD>(buffer_.size() - done), &written, nullptr))
      error_ = Win32Error::last();
    else if (written == 0)
      error_ = Win32Error(ERROR_WRITE_FAULT);
    done += written;
  }
  buffer_.clear();
}

Win32Error BufferedFileWriter::close() {
  if (file_) {
    flush();
    if (!CloseHandle(file_.release()) && !error_.failed()) error_ = Win32Error::last();
  }
  return error_;
}

}  // namespace marlisk::win
