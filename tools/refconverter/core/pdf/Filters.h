// The stream filters of a PDF (ISO 32000-1, 7.4) that need no image library: Flate (zlib) and
// LZW with their predictors, ASCII85, ASCIIHex and RunLength. A decoded stream may not grow
// past a bound, whatever the file claims.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/pdf/Objects.h"

namespace refconv::pdf {

// The most one stream may decode to (a page's content, an image).
inline constexpr size_t kMostDecodedBytes = 256u << 20;

struct Decoded {
  std::string bytes;
  std::string failure;  // why it stopped, when it did: the bytes are what came before
};

// `data` through the named filter with its parameters (a dictionary, or null).
Decoded decodeFilter(std::string_view filter, std::string_view data, const Object* parameters);

}  // namespace refconv::pdf
