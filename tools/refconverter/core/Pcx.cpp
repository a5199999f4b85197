#include "Pcx.h"

#include <algorithm>
#include <cmath>

namespace refconv {

namespace {
void putWord(std::string& out, size_t at, int value) {
  out[at] = static_cast<char>(value & 0xFF);
  out[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}
}  // namespace

std::string pcxOf(const Image& image) {
  if (image.width < 1 || image.height < 1 || image.width > 65535 || image.height > 65535) return {};
  const int dpi = std::clamp(static_cast<int>(std::lround(image.dpi)), 1, 65535);
  const int lineBytes = (image.width + 1) & ~1;  // a plane's row, padded to an even length
  std::string out(128, '\0');
  out[0] = 10;  // ZSoft
  out[1] = 5;   // version 3.0 and later: 24 bits in three planes
  out[2] = 1;   // run-length encoded
  out[3] = 8;   // bits a pixel of a plane
  putWord(out, 8, image.width - 1);
  putWord(out, 10, image.height - 1);
  putWord(out, 12, dpi);
  putWord(out, 14, dpi);
  out[65] = 3;  // planes
  putWord(out, 66, lineBytes);
  putWord(out, 68, 1);  // colour
  std::string plane(static_cast<size_t>(lineBytes), '\0');
  for (int y = 0; y < image.height; ++y)
    for (int c = 0; c < 3; ++c) {
      const uint8_t* row = image.rgb.data() + static_cast<size_t>(y) * image.width * 3;
      for (int x = 0; x < image.width; ++x) plane[static_cast<size_t>(x)] = static_cast<char>(row[x * 3 + c]);
      // A run (at most 63) is 0xC0 + its length, then the byte; a lone byte below 0xC0 is itself.
      for (size_t i = 0; i < plane.size();) {
        size_t run = 1;
        while (i + run < plane.size() && run < 63 && plane[i + run] == plane[i]) ++run;
        const auto b = static_cast<unsigned char>(plane[i]);
        if (run > 1 || b >= 0xC0) out += static_cast<char>(0xC0 | run);
        out += plane[i];
        i += run;
      }
    }
  return out;
}

}  // namespace refconv
