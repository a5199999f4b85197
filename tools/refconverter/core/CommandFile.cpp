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

namespace {
struct FormatName {
  const char* extension;
  Format format;
  const char* name;
};
constexpr FormatName kFormats[] = {
    {"png", Format::Png, "PNG"},   {"tif", Format::Tiff, "TIFF"},  {"tiff", Format::Tiff, "TIFF"},
    {"jpg", Format::Jpeg, "JPEG"}, {"jpeg", Format::Jpeg, "JPEG"}, {"bmp", Format::Bmp, "BMP"},
    {"gif", Format::Gif, "GIF"},   {"pdf", Format::Pdf, "PDF"},    {"emf", Format::Emf, "EMF"},
    {"wmf", Format::Wmf, "WMF"},   {"svg", Format::Svg, "SVG"},    {"dxf", Format::Dxf, "DXF"},
    {"ps", Format::Ps, "PS"},      {"eps", Format::Eps, "EPS"},    {"hgl", Format::Hgl, "HGL"},
    {"pcl", Format::Pcl, "PCL"},   {"xps", Format::Xps, "XPS"},    {"pcx", Format::Pcx, "PCX"},
};
}  // namespace

Format formatOfPath(std::string_view path) {
  const size_t dot = path.find_last_of(".\\:/");
  if (dot == std::string_view::npos || path[dot] != '.') return Format::Unknown;
  std::string extension;
  for (const char c : path.substr(dot + 1)) extension += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const FormatName& f : kFormats)
    if (extension == f.extension) return f.format;
  return Format::Unknown;
}

const char* formatName(Format format) {
  for (const FormatName& f : kFormats)
    if (f.format == format) return f.name;
  return "unknown";
}

}  // namespace refconv
