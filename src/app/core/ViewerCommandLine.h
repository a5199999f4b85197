// The lines of the viewer command file, and the viewer's own command line.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/core/OutputTypes.h"

namespace marlisk {

// The output path for `inputPath`: the output folder (which ends in "\") followed by the
// input's file name with its last extension replaced by `extension`. Only a dot inside the
// file name counts, and not one that starts it: "plan.rev.plt" gives "plan.rev.pdf",
// "plan" gives "plan.pdf", ".profile" gives ".profile.pdf", and a dot in the output
// folder's own name is never taken for an extension.
std::string outputPathFor(std::string_view outputFolder, std::string_view inputPath, std::string_view extension);

// One line of the command file: switch, blank, quoted input, blank, quoted output. Nothing
// when `typeIndex` is not an item of the tab's list.
std::optional<std::string> buildViewerCommandLine(OutputTab tab, int typeIndex, std::string_view outputFolder,
                                                  std::string_view inputPath);

// The same line for an output path chosen by the caller (another name than the input's, when
// that one belongs to another input's output).
std::optional<std::string> viewerLine(OutputTab tab, int typeIndex, std::string_view inputPath,
                                      std::string_view outputPath);

// How the viewer is started: "<viewer>" /z "<command file>".
std::string viewerProcessCommandLine(std::string_view viewerPath, std::string_view commandFilePath);

}  // namespace marlisk
