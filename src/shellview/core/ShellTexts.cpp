#include "shellview/core/ShellTexts.h"

#include <cstdio>

#include "core/Path.h"

namespace marlisk::shell {

bool isSkippedFolderName(std::string_view name) {
  static constexpr std::string_view kSkipped[] = {
      "ｺﾝﾄﾛｰﾙ ﾊﾟﾈﾙ", "Control Panel", "Web フォルダ", "Web Folder", "予定されているﾀｽｸ", "コントロール パネル",
  };
  if (name.empty()) return true;
  for (std::string_view skipped : kSkipped)
    if (name == skipped) return true;
  return false;
}

bool maskAccepts(const std::vector<std::string>& mask, std::string_view parsingName, bool isFolder) {
  if (mask.empty() || isFolder) return true;
  // The name's own extension: a dot in a folder of the path is not one.
  std::string extension(extensionPart(parsingName));
  for (char& c : extension) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  for (const std::string& entry : mask) {
    if (entry == ".*") return true;
    if (extension.size() > entry.size()) continue;
    bool matches = true;
    for (size_t i = 0; i < extension.size() && matches; ++i) {
      char e = entry[i];
      e = (e >= 'a' && e <= 'z') ? static_cast<char>(e - 'a' + 'A') : e;
      matches = e == '?' || e == extension[i];
    }
    if (matches) return true;
  }
  return false;
}

std::string sizeText(uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%8llu%s", static_cast<unsigned long long>(bytes / 1024 + 1), "KB");
  return text;
}

std::string dateText(int year, int month, int day, int hour, int minute) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d", year, month, day, hour, minute);
  return text;
}

}  // namespace marlisk::shell
