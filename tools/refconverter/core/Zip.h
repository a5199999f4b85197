// A zip archive of stored (uncompressed) entries, as packages (XPS) are made of.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace refconv {

uint32_t crc32(std::string_view bytes);

class ZipWriter {
 public:
  void add(const std::string& name, std::string_view bytes);
  // The archive: its entries, the central directory and its end.
  std::string finish();

 private:
  std::string out_, directory_;
  uint16_t entries_ = 0;
};

}  // namespace refconv
