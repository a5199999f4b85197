#include "Bitmaps.h"

#include <zlib.h>

#include <cmath>

namespace refconv {

int reductionFor(int w, int h, double mostPixels) {
  const double pixels = static_cast<double>(w) * h;
  return pixels <= mostPixels ? 1 : static_cast<int>(std::ceil(std::sqrt(pixels / mostPixels)));
}

std::string deflated(const std::string& bytes) {
  uLongf size = compressBound(static_cast<uLong>(bytes.size()));
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(bytes.data()),
                static_cast<uLong>(bytes.size()), 6) != Z_OK)
    return {};
  out.resize(size);
  return out;
}

std::string base64(const std::string& bytes) {
  static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t n = std::min<size_t>(3, bytes.size() - i);
    uint32_t word = 0;
    for (size_t k = 0; k < 3; ++k) word = word << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    for (size_t k = 0; k < 4; ++k) out += k <= n ? kDigits[(word >> (18 - 6 * k)) & 63] : '=';
  }
  return out;
}

namespace {

void put32(std::string& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}

void chunk(std::string& out, const char* type, const std::string& data) {
  put32(out, static_cast<uint32_t>(data.size()));
  const std::string body = type + data;
  out += body;
  put32(out,
        static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
}

}  // namespace

std::string pngOf(const Bitmap& b) {
  const bool alpha = !b.alpha.empty();
  const size_t channels = alpha ? 4 : 3;
  std::string rows;
  rows.reserve(static_cast<size_t>(b.height) * (b.width * channels + 1));
  for (int y = 0; y < b.height; ++y) {
    rows += '\0';  // no filter
    for (int x = 0; x < b.width; ++x) {
      const size_t i = static_cast<size_t>(y) * b.width + x;
      rows.append(reinterpret_cast<const char*>(&b.rgb[i * 3]), 3);
      if (alpha) rows += static_cast<char>(b.alpha[i]);
    }
  }
  std::string header;
  put32(header, static_cast<uint32_t>(b.width));
  put32(header, static_cast<uint32_t>(b.height));
  header +=
      std::string{8, static_cast<char>(alpha ? 6 : 2), 0, 0, 0};  // 8 bits, RGB(A), deflate, no filter, no interlace
  std::string out = "\x89PNG\r\n\x1a\n";
  chunk(out, "IHDR", header);
  chunk(out, "IDAT", deflated(rows));
  chunk(out, "IEND", {});
  return out;
}

}  // namespace refconv
