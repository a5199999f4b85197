// What happens when the program starts: its command line, and its working folder under the
// user's local application data, filled from the Init folder beside the exe.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/FileSystem.h"
#include "core/WarningSink.h"
#include "settings/core/ParameterFile.h"
#include "settings/core/Settings.h"
#include "core/Messages.h"

namespace marlisk {

struct StartRequest {
  bool standby = false;
  bool batch = false;
  bool minimize = false;
  std::optional<std::string> batchFileName;  // when the command line names a batch list
};

// `arguments` without the program's own name. Only the first is looked at for a switch:
// "/a" "/A" standby, "/b" "/B" standby minimised, "/c" "/C" batch, "/d" "/D" batch
// minimised. The other arguments (all of them, without a switch) are joined by single
// spaces into the batch list name, so that an unquoted path with blanks arrives whole; a
// name ending in ".lnk" is replaced by the shortcut's target.
StartRequest evaluateCommandLine(const std::vector<std::string>& arguments,
                                 const std::function<std::string(const std::string&)>& resolveShortcut);

struct StartFolders {
  std::string initFolder;   // exe folder + "\Init"
  std::string makerFolder;  // local application data + "\Brennamor"
  std::string workFolder;   // makerFolder + "\MarliskAuto"
};
StartFolders startFolders(std::string_view exeFolder, std::string_view localAppData);

// The first of "<path>.bak", "<path>.2.bak", "<path>.3.bak" ... that is not there yet; empty
// when all are taken.
std::string backupName(const std::string& path, const FileSystem& fs);

// Makes the working folder ready and loads the settings from it: creates it and fills it
// from the Init folder on first run (or when its parameter file is gone), sets the paths
// that lie in it, clears what the command line may give, and loads the parameter file; one
// of another version is kept as "MarliskAuto.par.bak" (or the next free number, see
// backupName) and replaced from the Init folder.
// Returns false, after telling the user, when the program cannot go on.
bool prepareWorkingFolder(const StartFolders& folders, Settings& settings, FileSystem& fs, ParameterFile& parameters,
                          const WarningSink& warn);

}  // namespace marlisk
