#include "CommandFile.h"

#include <cctype>

namespace refconv {

namespace {

void skipBlanks(std::string_view line, size_t& p) {
  while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) ++p;
}

std::optional<std::string> quoted(std::string_view line, size_t& p) {
  skipBlanks(line, p);
  if (p >= line.size() || line[p] != '"') return std::nullopt;
  const size_t close = line.find('"', p + 1);
  if (close == std::string_view::npos) return std::nullopt;
  std::string text(line.substr(p + 1, close - p - 1));
  p = close + 1;
  return text;
}

}  // namespace

std::optional<CommandLine> parseCommandLine(std::string_view line) {
  size_t p = 0;
  skipBlanks(line, p);
  if (p >= line.size() || line[p] != '/') return std::nullopt;
  const size_t start = p;
  while (p < line.size() && line[p] != ' ' && line[p] != '\t' && line[p] != '"') ++p;
  CommandLine command;
  command.switchText = std::string(line.substr(start, p - start));
  auto input = quoted(line, p);
  auto output = quoted(line, p);
  if (!input || !output || input->empty() || output->empty()) return std::nullopt;
  skipBlanks(line, p);
  if (p != line.size()) return std::nullopt;
  command.input = std::move(*input);
  command.output = std::move(*output);
  return command;
}

std::string extensionOf(std::string_view path) {
  const size_t dot = path.find_last_of(".\\:/");
  std::string extension;
  if (dot == std::string_view::npos || path[dot] != '.') return extension;
  for (const char c : path.substr(dot + 1)) extension += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

}  // namespace refconv
