#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace marlisk {

// A decimal 32-bit integer with an optional sign, blanks allowed around it. Nothing for an
// empty text, any other character, or a value out of range.
std::optional<int32_t> parseInt32(std::string_view text);

}  // namespace marlisk
