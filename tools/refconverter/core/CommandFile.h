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

enum class Format { Unknown, Png, Tiff, Jpeg, Bmp, Gif, Pdf, Emf, Wmf, Svg, Dxf, Ps, Eps, Hgl, Pcl, Xps, Pcx };

// The format an output path asks for, by its extension (any letter case).
Format formatOfPath(std::string_view path);
const char* formatName(Format format);

}  // namespace refconv
