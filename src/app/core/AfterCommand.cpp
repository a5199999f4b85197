#include "app/core/AfterCommand.h"

#include <string_view>

namespace marlisk {

std::string afterCommandLine(const std::string& command, const std::string& input, const std::string& output,
                             const std::string& result, const std::string& folder) {
  std::string folderValue = folder;
  if (folderValue.size() > 3 && folderValue.back() == '\\') folderValue.pop_back();
  const struct {
    std::string_view name;
    const std::string& value;
  } placeholders[] = {{"%INPUT%", input}, {"%OUTPUT%", output}, {"%RESULT%", result}, {"%FOLDER%", folderValue}};
  std::string line;
  for (size_t at = 0; at < command.size();) {
    bool replaced = false;
    for (const auto& p : placeholders) {
      if (command.compare(at, p.name.size(), p.name) != 0) continue;
      const bool quotedAlready = at > 0 && command[at - 1] == '"';
      const bool needsQuotes =
          !quotedAlready && (p.value.empty() || p.value.find_first_of(" \t&()[]{}^=;!'+,`~%<>|") != std::string::npos);
      line += needsQuotes ? "\"" + p.value + "\"" : p.value;
      at += p.name.size();
      replaced = true;
      break;
    }
    if (!replaced) line += command[at++];
  }
  return line;
}

}  // namespace marlisk
