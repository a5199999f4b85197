// Code page 932 for the native tests, through glibc's iconv: the same bytes the program
// reads and writes on a Japanese Windows.
#pragma once

#include "core/AnsiCodec.h"

namespace marlisk::test {

class IconvCodec final : public AnsiCodec {
 public:
  std::optional<std::string> toAnsi(std::string_view utf8) const override;
  std::optional<std::string> fromAnsi(std::string_view ansi) const override;
};

}  // namespace marlisk::test
