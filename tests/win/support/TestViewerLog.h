// Reads what TestViewer.exe logged, and runs it the way the program will.
#pragma once

#include <string>
#include <vector>

#include "settings/core/Settings.h"
#include "support/TestFolder.h"

namespace marlisk::test {

struct ViewerRun {
  std::string commandLine;  // exactly as the viewer received it (UTF-8)
  bool hadCommandFile = false;
  std::string commandFileBytes;      // exactly as it was on disk
  std::string note;                  // "error <code>" or "none" when there was no file
  unsigned long long startedAt = 0;  // system time the viewer started, in 100 ns units
};

// Every run recorded in the log, oldest first. A malformed log throws.
std::vector<ViewerRun> readViewerLog(const std::string& logPath);

// The built TestViewer.exe, beside the test exe.
std::string testViewerPath();

// Standby settings over `root`: the working folder work\, the watch folder watch\ (*.hgl),
// the output folder out\ (all made here), the test viewer, and the shortest wait (2 s).
void useStandbyFolders(Settings& settings, const TestFolder& root);

}  // namespace marlisk::test
