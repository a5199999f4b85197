// The viewer's command file: one conversion a line, a switch, the quoted input path and the
// quoted output path ("/p "C:\in\a.hgl" "D:\out\a.pdf"").
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace refconv {

struct CommandLine {
  std::string switchText;  // "/p"
  std::string input;
  std::string output;
};

// Nothing for a line that does not have that form.
std::optional<CommandLine> parseCommandLine(std::string_view line);

// The extension of a path's file name, in lower case; "" when it has none.
std::string extensionOf(std::string_view path);

}  // namespace refconv
