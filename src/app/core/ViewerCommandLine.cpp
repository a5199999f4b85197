#include "app/core/ViewerCommandLine.h"

#include "core/Path.h"

namespace marlisk {

std::string outputPathFor(std::string_view outputFolder, std::string_view inputPath, std::string_view extension) {
  std::string_view name = fileNamePart(inputPath);
  const size_t dot = name.rfind('.');
  if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
  std::string path(outputFolder);
  path += name;
  path += extension;
  return path;
}

std::optional<std::string> buildViewerCommandLine(OutputTab tab, int typeIndex, std::string_view outputFolder,
                                                  std::string_view inputPath) {
  const auto types = outputTypes(tab);
  if (typeIndex < 0 || typeIndex >= static_cast<int>(types.size())) return std::nullopt;
  return viewerLine(tab, typeIndex, inputPath,
                    outputPathFor(outputFolder, inputPath, types[static_cast<size_t>(typeIndex)].extension));
}

std::optional<std::string> viewerLine(OutputTab tab, int typeIndex, std::string_view inputPath,
                                      std::string_view outputPath) {
  const auto types = outputTypes(tab);
  if (typeIndex < 0 || typeIndex >= static_cast<int>(types.size())) return std::nullopt;
  std::string line = types[static_cast<size_t>(typeIndex)].viewerSwitch;
  line += " \"";
  line += inputPath;
  line += "\" \"";
  line += outputPath;
  line += '"';
  return line;
}

std::string viewerProcessCommandLine(std::string_view viewerPath, std::string_view commandFilePath) {
  std::string line = "\"";
  line += viewerPath;
  line += "\" /z \"";
  line += commandFilePath;
  line += '"';
  return line;
}

}  // namespace marlisk
