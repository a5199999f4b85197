#include "app/ViewerBatch.h"

#include "app/core/ViewerCommandLine.h"

namespace marlisk::win {

ViewerBatch::ViewerBatch(AppContext& app, OutputTab tab, int typeIndex, const OutputType& type,
                         const OutputOrigins& origins, size_t expectedInputs)
    : app_(app),
      tab_(tab),
      typeIndex_(typeIndex),
      extension_(type.extension),
      origins_(origins),
      commands_(app.settings.ViewerCommandFilePath),
      outputFolder_(app.fileSystem) {
  given_.reserve(expectedInputs);  // a line an input: never rehashed on the way
}

ViewerBatch::ViewerBatch(AppContext& app, const OutputOrigins& origins)
    : app_(app),
      tab_(OutputTab::Output1),
      typeIndex_(-1),
      origins_(origins),
      commands_(app.settings.ViewerCommandFilePath),
      outputFolder_(app.fileSystem) {}

std::string ViewerBatch::wantedOutput(const std::string& input) const {
  return outputPathFor(app_.settings.OutputFolder, input, extension_);
}

OutputChoice ViewerBatch::chooseOutput(const std::string& wanted, const std::string& origin,
                                       const std::function<void(FolderListing&)>& learn,
                                       const std::function<bool(const std::string&)>& accept) {
  OutputChoice choice;
  for (int tries = 0; tries < 16; ++tries) {
    if (learn) learn(outputFolder_);
    choice = outputFor(origins_, wanted, origin, outputFolder_, given_);
    if (!accept || choice.path.empty() || accept(choice.path)) return choice;
  }
  choice.path.clear();
  return choice;
}

bool ViewerBatch::addLine(const std::string& input, const std::string& output) {
  return addLine(tab_, typeIndex_, input, output);
}

bool ViewerBatch::addLine(OutputTab tab, int typeIndex, const std::string& input, const std::string& output) {
  const std::optional<std::string> line = viewerLine(tab, typeIndex, input, output);
  const std::optional<std::string> ansi = line ? app_.codec.toAnsi(*line) : std::nullopt;
  if (!ansi) return false;
  commands_.write(*ansi);
  commands_.write("\r\n");
  return true;
}

ViewerResult ViewerBatch::runViewer(const RunSettings& run, ViewerStopper* stopper) const {
  const Settings& s = app_.settings;
  return win::runViewer(s.ViewerExePath, s.ViewerCommandFilePath,
                        static_cast<DWORD>(run.ViewerTimeLimitMinutes) * 60'000u, stopper);
}

}  // namespace marlisk::win
