// The batch list: any bytes read as lines, and any list of names written and read back.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/LineReader.h"
#include "batchlist/core/BatchList.h"
#include "support/IconvCodec.h"

using namespace marlisk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const test::IconvCodec codec;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // Reading: lines never hold a line end, and never more than the text.
  LineReader reader(bytes, 64);
  std::string_view line;
  size_t total = 0;
  for (LineReader::Status status; (status = reader.next(line)) != LineReader::Status::End;) {
    if (status == LineReader::Status::Line) {
      if (line.find_first_of("\r\n") != std::string_view::npos || line.size() > 64) std::abort();
      total += line.size();
    }
    if (total > size) std::abort();
  }

  // Writing: the names (split at NUL) come back line for line, or the list is refused.
  std::vector<std::string> paths;
  size_t start = 0;
  for (size_t i = 0; i <= size; ++i) {
    if (i == size || bytes[i] == '\0') {
      const std::string path(bytes.substr(start, i - start));
      if (path.find_first_of("\r\n") == std::string::npos) paths.push_back(path);
      start = i + 1;
    }
  }
  const std::optional<std::string> file = batchListBytes(paths, codec);
  if (!file) return 0;
  LineReader back(*file, file->size() + 1);
  size_t n = 0;
  for (LineReader::Status status; (status = back.next(line)) != LineReader::Status::End; ++n) {
    if (status != LineReader::Status::Line || n >= paths.size()) std::abort();
    const std::optional<std::string> text = codec.fromAnsi(line);
    if (!text || *text != paths[n]) std::abort();
  }
  if (n != paths.size()) std::abort();
  return 0;
}
