#include "app/core/ProgramStart.h"

#include "core/Messages.h"

#include "core/Path.h"

namespace marlisk {

StartRequest evaluateCommandLine(const std::vector<std::string>& arguments,
                                 const std::function<std::string(const std::string&)>& resolveShortcut) {
  StartRequest request;
  size_t firstNamePart = 0;
  if (!arguments.empty()) {
    const std::string& first = arguments[0];
    if (first == "/a" || first == "/A")
      request.standby = true;
    else if (first == "/b" || first == "/B")
      request.standby = request.minimize = true;
    else if (first == "/c" || first == "/C")
      request.batch = true;
    else if (first == "/d" || first == "/D")
      request.batch = request.minimize = true;
    if (request.standby || request.batch) firstNamePart = 1;
  }
  if (arguments.size() > firstNamePart) {
    std::string name;
    for (size_t i = firstNamePart; i < arguments.size(); ++i) name += (i > firstNamePart ? " " : "") + arguments[i];
    if (asciiLower(extensionPart(name)) == ".lnk") name = resolveShortcut(name);
    request.batchFileName = name;
  }
  return request;
}

StartFolders startFolders(std::string_view exeFolder, std::string_view localAppData) {
  const std::string maker = std::string(localAppData) + "\\Brennamor";
  return {std::string(exeFolder) + "\\Init", maker, maker + "\\MarliskAuto"};
}

namespace {

// What is already in the working folder is the user's: the run settings (MarliskAuto.ini),
// the logs, a parameter file. Only what is missing comes from Init; a parameter file to be
// replaced is set aside first.
bool copyInit(const StartFolders& folders, FileSystem& fs, const WarningSink& warn) {
  if (fs.copyFolderTree(folders.initFolder, folders.workFolder, true) == 0) return true;
  warn("フォルダをコピーできません\r\nFrom:" + folders.initFolder + "\r\nTo  :" + folders.workFolder);
  return false;
}

}  // namespace

std::string backupName(const std::string& path, const FileSystem& fs) {
  constexpr int kMostBackups = 9999;
  for (int n = 1; n <= kMostBackups; ++n) {
    const std::string name = path + (n == 1 ? "" : "." + std::to_string(n)) + ".bak";
    if (!fs.fileExists(name) && !fs.folderExists(name)) return name;
  }
  return {};
}

bool prepareWorkingFolder(const StartFolders& folders, Settings& settings, FileSystem& fs, ParameterFile& parameters,
                          const WarningSink& warn) {
  const std::string& work = folders.workFolder;
  const std::string parameterFile = work + "\\MarliskAuto.par";

  auto create = [&](const std::string& folder) {
    if (fs.createFolder(folder)) return true;
    warn(kCannotCreateFolderMessage + folder);
    return false;
  };
  bool copyNeeded = false;
  if (!fs.folderExists(folders.makerFolder)) {
    if (!create(folders.makerFolder) || !create(work)) return false;
    copyNeeded = true;
  } else if (!fs.folderExists(work)) {
    if (!create(work)) return false;
    copyNeeded = true;
  } else {
    // A first run that failed half-way left the folder without its parameter file; without
    // this the program would refuse to start from then on.
    copyNeeded = !fs.fileExists(parameterFile);
  }
  if (copyNeeded && !copyInit(folders, fs, warn)) return false;

  settings.WorkFolder = work;
  settings.ViewerCommandFilePath = work + "\\MarComline.txt";
  settings.ParameterFilePath = parameterFile;
  settings.BatchFileName.clear();
  settings.WatchFolder.clear();
  settings.WatchFileMask.clear();
  for (std::string& folder : settings.DrawingFolders) folder.clear();

  const std::string cannotOpen = parameterFile + kCannotOpenParameterFileMessage;
  LoadResult result = parameters.load(settings);
  if (result == LoadResult::OtherVersion) {
    // Another version's file is replaced without a word, as it always was; a file whose first
    // line is no version at all (an empty file, random bytes) is damage, and the user hears
    // that the settings are the first ones again and where the old file went.
    const ReadResult first = fs.readFile(parameterFile, 16);
    const bool damaged = first.error == 0 && !first.bytes.starts_with("Version ");
    // The user's settings of another version are not ours to understand, but they are the
    // user's: the whole file is kept beside the new one rather than lost to the Init copy,
    // under a name no earlier set-aside file has. If it cannot be set aside, the Init copy
    // must not overwrite it: the program stops and says so.
    const std::string backup = backupName(parameterFile, fs);
    if (const int error = backup.empty() ? 183 : fs.renameFile(parameterFile, backup); error != 0) {
      warn(parameterFile + "\r\n" + kCannotSetAsideMessage + "\r\nTo  :" +
           (backup.empty() ? parameterFile + ".bak" : backup) + "\r\n" + ioErrorMessage(static_cast<uint32_t>(error)));
      return false;
    }
    if (!copyInit(folders, fs, warn)) return false;
    if (damaged) warn(parameterFile + "\r\n" + kParameterFileDamagedMessage + "\r\nTo  :" + backup);
    result = parameters.load(settings);
  }
  if (result != LoadResult::Loaded) {
    warn(cannotOpen);
    return false;
  }
  return true;
}

}  // namespace marlisk
