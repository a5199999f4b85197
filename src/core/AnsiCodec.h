// Conversion between the core's UTF-8 and the system's ANSI code page (932 on our users'
// machines), used exactly once, where a file that other programs share is read or written.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace marlisk {

class AnsiCodec {
 public:
  virtual ~AnsiCodec() = default;
  // Nothing when a character has no exact form in the code page: a name is never saved
  // with a "?" in place of what the user typed.
  virtual std::optional<std::string> toAnsi(std::string_view utf8) const = 0;
  // Nothing when the bytes are not valid in the code page.
  virtual std::optional<std::string> fromAnsi(std::string_view ansi) const = 0;
  // Whether fromAnsi would take the bytes, without converting them (a whole batch list).
  virtual bool isAnsi(std::string_view ansi) const { return fromAnsi(ansi).has_value(); }
};

}  // namespace marlisk
