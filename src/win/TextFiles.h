// Reading and writing the text files the program shares with others, as bytes (the ANSI code
// page is the caller's business): a line reader that streams, and a buffered writer that
// keeps the first error instead of losing it.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "win/Error.h"
#include "win/Handles.h"

namespace marlisk::win {

class LineFileReader {
 public:
  enum class Status { Line, Overlong, End, Error };

  // Lines longer than `maxLineBytes` are skipped whole and reported as overlong.
  explicit LineFileReader(const std::string& path, size_t maxLineBytes = 32 * 1024);
  Win32Error error() const { return error_; }  // the open's or the last read's error

  // The next line without its end (CR LF, LF or CR).
  Status next(std::string& line);

 private:
  bool fill();  // reads more; false at the end of the file or on an error

  UniqueFileHandle file_;
  size_t maxLineBytes_;
  std::string buffer_;
  size_t pos_ = 0;
  bool atEnd_ = false;
  Win32Error error_;
};

class BufferedFileWriter {
 public:
  // Creates the file, or empties it.
  explicit BufferedFileWriter(const std::string& path);
  ~BufferedFileWriter() { close(); }
  BufferedFileWriter(const BufferedFileWriter&) = delete;
  BufferedFileWriter& operator=(const BufferedFileWriter&) = delete;

  Win32Error error() const { return error_; }
  void write(std::string_view bytes);
  // Writes what is left and closes; returns the first error of the whole file's life.
  Win32Error close();

 private:
  void flush();

  UniqueFileHandle file_;
  std::string buffer_;
  Win32Error error_;
};

}  // namespace marlisk::win
