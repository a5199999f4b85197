// The watch folders one standby run serves: the parameter file's (with the tab in front as
// standby starts), the further rows of "MarliskAuto.ini", and with WatchDrawingFolders each
// drawing folder of the output-2 settings. Which rows may run together.
#pragma once

#include <string>
#include <vector>

#include "app/core/FileMoves.h"
#include "app/core/InputHandling.h"
#include "app/core/OutputTypes.h"
#include "settings/core/RunSettings.h"
#include "settings/core/Settings.h"

namespace marlisk {

struct WatchRow {
  std::string name;   // for the log and messages: "" for the parameter file's row, "[Folder2]", "[図面フォルダ1]"
  std::string watch;  // ends in "\"
  std::string mask;   // as listed: on 出力２ PDF files only
  OutputTab tab = OutputTab::Output1;
  int type = 0;        // of the tab's list
  std::string output;  // ends in "\"
  Subfolders subfolders = Subfolders::No;
};

// Every row of the run, the parameter file's first; `skipped` names the damaged rows of the
// file, which are not served.
std::vector<WatchRow> watchRows(const Settings& settings, const RunSettings& run, OutputTab front,
                                std::vector<std::string>* skipped = nullptr);

// Why these rows cannot be served together (naming both rows), or "" when they can: a folder
// watched twice, a watch folder inside another row's whose subfolders are served, a watch
// folder that is a row's output, error or done folder (its outputs and inputs would be
// converted again).
std::string rowsConflict(const std::vector<WatchRow>& rows, const RunSettings& run);

// A row in messages: its name, "[Folder1]" for the parameter file's.
std::string rowName(const WatchRow& row);

// Where the output of `input` (a path in `row.watch`, perhaps in a subfolder) goes: its
// folder, mirrored under the output folder when the row says so.
std::string outputFolderFor(const WatchRow& row, const std::string& input);

// Every row's error folder back into its watch folder (a folder several rows share, into the
// first of them), each file's attempts begun anew in `attempts`.
SentBack sendBackErrorFolders(FileSystem& fs, const std::vector<WatchRow>& rows, const RunSettings& run,
                              AttemptCounts& attempts);

}  // namespace marlisk
