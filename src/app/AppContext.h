// What every window of the program shares: the settings model, the file system and code
// page it goes through, and where the program runs from. The program fills it from the
// system at start; the tests fill it with folders of their own.
#pragma once

#include <string>
#include <vector>

#include "settings/core/ParameterFile.h"
#include "settings/core/RunSettings.h"
#include "settings/core/Settings.h"
#include "win/Strings.h"
#include "win/Warning.h"
#include "batchlist/Win32FileSystem.h"

namespace marlisk::win {

struct AppContext {
  Settings settings;
  RunSettings runSettings;  // MarliskAuto.ini, beside the parameter file
  Win32FileSystem fileSystem;
  Win32AnsiCodec codec;
  std::string title = "MarliskAuto";
  std::string helpFile = "MarliskAuto.chm";  // beside the exe
  std::string exeFolder;                     // no trailing "\"
  std::string localAppData;                  // the user's local application data folder
  std::vector<std::string> arguments;        // the command line, without the program's name

  ParameterFile parameterFile() { return ParameterFile(fileSystem, codec, ShowWarning); }
  RunSettingsFile runSettingsFile() { return RunSettingsFile(fileSystem, ShowWarning); }
  std::string runSettingsPath() const { return settings.WorkFolder + "\\" + kRunSettingsFileName; }

  // The context of this process: its exe, its user's folders, its command line.
  static AppContext fromSystem();
};

}  // namespace marlisk::win
