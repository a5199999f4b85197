#include "core/Path.h"

namespace marlisk {

namespace {
size_t afterLastSeparator(std::string_view path) {
  const size_t at = path.find_last_of("\\:");
  return at == std::string_view::npos ? 0 : at + 1;
}
char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

std::string_view fileNamePart(std::string_view path) { return path.substr(afterLastSeparator(path)); }

std::string_view folderPart(std::string_view path) { return path.substr(0, afterLastSeparator(path)); }

std::string_view extensionPart(std::string_view path) {
  const std::string_view name = fileNamePart(path);
  const size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

std::string asciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = lowerAscii(c);
  return out;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  return true;
}

std::string parentFolder(std::string_view folder) {
  auto isRoot = [](std::string_view path) { return path.size() == 3 && path[1] == ':' && path[2] == '\\'; };
  if (isRoot(folder)) return {};
  if (!folder.empty() && folder.back() == '\\') folder.remove_suffix(1);
  std::string_view above = folderPart(folder);
  if (!isRoot(above) && !above.empty() && above.back() == '\\') above.remove_suffix(1);
  // Each step is shorter, so a walk up always ends.
  return above.size() < folder.size() ? std::string(above) : std::string();
}

}  // namespace marlisk
