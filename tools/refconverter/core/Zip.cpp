#include "Zip.h"

#include <array>

namespace refconv {

namespace {

void put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

constexpr uint32_t kDosDate = (2026 - 1980) << 9 | 1 << 5 | 1;  // entries carry no time of their own

}  // namespace

uint32_t crc32(std::string_view bytes) {
  static const std::array<uint32_t, 256> kTable = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  uint32_t crc = 0xFFFFFFFFu;
  for (const char b : bytes) crc = kTable[(crc ^ static_cast<unsigned char>(b)) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

void ZipWriter::add(const std::string& name, std::string_view bytes) {
  const uint32_t crc = crc32(bytes), size = static_cast<uint32_t>(bytes.size()),
                 offset = static_cast<uint32_t>(out_.size());
  // The fields a local header and its directory entry share.
  std::string common;
  put16(common, 20);  // version needed: 2.0
  put16(common, 0);   // flags
  put16(common, 0);   // stored
  put16(common, 0);   // time
  put16(common, kDosDate);
  put32(common, crc);
  put32(common, size);
  put32(common, size);
  put16(common, static_cast<uint32_t>(name.size()));
  put16(common, 0);  // extra field
  put32(out_, 0x04034B50);
  out_ += common + name;
  out_.append(bytes);
  put32(directory_, 0x02014B50);
  put16(directory_, 20);  // made by: 2.0, MS-DOS
  directory_ += common;
  put16(directory_, 0);  // comment
  put16(directory_, 0);  // disk
  put16(directory_, 0);  // internal attributes
  put32(directory_, 0);  // external attributes
  put32(directory_, offset);
  directory_ += name;
  ++entries_;
}

std::string ZipWriter::finish() {
  const uint32_t at = static_cast<uint32_t>(out_.size());
  std::string out = std::move(out_) + directory_;
  put32(out, 0x06054B50);
  put16(out, 0);
  put16(out, 0);
  put16(out, entries_);
  put16(out, entries_);
  put32(out, static_cast<uint32_t>(directory_.size()));
  put32(out, at);
  put16(out, 0);
  return out;
}

}  // namespace refconv
