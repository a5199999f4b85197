// UTF-8 <-> UTF-16 at every Win32 call, and the ANSI code page at file boundaries.
#pragma once

#include <string>
#include <string_view>

#include "core/AnsiCodec.h"

namespace marlisk::win {

// Invalid input never throws: ill-formed UTF-8 becomes U+FFFD, so a damaged name still shows.
std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

// Bytes in the ANSI code page shown as well as they can be, for a message about them: what
// the code page does not know becomes U+FFFD.
std::string ansiForDisplay(std::string_view ansi);

// The system's own words for an error code, in the user's language, on one line; "" when the
// system has none. Words that name the file as "%1" ("%1 の EXE フォーマットが不正です。") get
// `file` there.
std::string systemErrorText(unsigned long code, const std::string& file = "");

// The process's ANSI code page (CP_ACP), refusing characters it cannot hold exactly.
class Win32AnsiCodec final : public AnsiCodec {
 public:
  std::optional<std::string> toAnsi(std::string_view utf8) const override;
  std::optional<std::string> fromAnsi(std::string_view ansi) const override;
  bool isAnsi(std::string_view ansi) const override;
};

}  // namespace marlisk::win
