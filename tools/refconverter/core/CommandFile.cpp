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

Format formatOfPath(std::string_view path) {
  const size_t dot = path.find_last_of(".\\:/");
  if (dot == std::string_view::npos || path[dot] != '.') return Format::Unknown;
  std::string extension;
  for (const char c : path.substr(dot + 1)) extension += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (extension == "png") return Format::Png;
  if (extension == "tif" || extension == "tiff") return Format::Tiff;
  if (extension == "jpg" || extension == "jpeg") return Format::Jpeg;
  if (extension == "bmp") return Format::Bmp;
  if (extension == "gif") return Format::Gif;
  if (extension == "pdf") return Format::Pdf;
  if (extension == "emf") return Format::Emf;
  if (extension == "wmf") return Format::Wmf;
  if (extension == "svg") return Format::Svg;
  return Format::Unknown;
}

const char* formatName(Format format) {
  switch (format) {
    case Format::Png: return "PNG";
    case Format::Tiff: return "TIFF";
    case Format::Jpeg: return "JPEG";
    case Format::Bmp: return "BMP";
    case Format::Gif: return "GIF";
    case Format::Pdf: return "PDF";
    case Format::Emf: return "EMF";
    case Format::Wmf: return "WMF";
    case Format::Svg: return "SVG";
    default: return "unknown";
  }
}

}  // namespace refconv
