#include "app/core/WatchRows.h"

#include <algorithm>

#include "app/core/OutputOrigins.h"
#include "app/core/Standby.h"
#include "core/Messages.h"
#include "core/Path.h"

namespace marlisk {

namespace {

std::string asFolder(std::string folder) {
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

// Whether `inner` is `outer` or inside it, names compared as the file system does.
bool within(const std::string& inner, const std::string& outer) {
  const std::string a = OutputOrigins::fold(asFolder(inner)), b = OutputOrigins::fold(asFolder(outer));
  return !b.empty() && a.starts_with(b);
}

bool same(const std::string& one, const std::string& other) {
  return OutputOrigins::fold(asFolder(one)) == OutputOrigins::fold(asFolder(other));
}

}  // namespace

std::vector<WatchRow> watchRows(const Settings& s, const RunSettings& run, OutputTab front,
                                std::vector<std::string>* skipped) {
  std::vector<WatchRow> rows;
  WatchRow first;
  first.watch = s.WatchFolder;
  first.mask = standbyMask(s.WatchFileMask, front);
  first.tab = front;
  first.type = chosenOutputType(s, front);
  first.output = s.OutputFolder;
  first.subfolders = run.Folder1Subfolders;
  rows.push_back(std::move(first));
  for (const FolderRow& folder : run.Folders) {
    if (!folder.damaged.empty() && skipped) skipped->push_back(folderSection(folder.number));
    if (!folder.active()) continue;
    WatchRow row;
    row.name = folderSection(folder.number);
    row.tab = folder.Tab == 2 ? OutputTab::Output2 : OutputTab::Output1;
    row.watch = folder.Watch;
    row.mask = standbyMask(folder.Mask, row.tab);
    row.type = folder.Type;
    row.output = folder.Output;
    row.subfolders = folder.subfolders;
    rows.push_back(std::move(row));
  }
  if (run.WatchDrawingFolders) {
    for (size_t n = 0; n < s.DrawingFolders.size(); ++n) {
      if (s.DrawingFolders[n].empty() || s.DrawingOutFolders[n].empty()) continue;
      WatchRow row;
      row.name = "[図面フォルダ" + std::to_string(n + 1) + "]";
      row.tab = OutputTab::Output2;
      row.watch = asFolder(s.DrawingFolders[n]);
      row.mask = standbyMask("*.pdf", row.tab);
      row.type = s.OutType2Index;
      row.output = asFolder(s.DrawingOutFolders[n]);
      rows.push_back(std::move(row));
    }
  }
  return rows;
}

std::string rowName(const WatchRow& row) { return row.name.empty() ? folderSection(1) : row.name; }

std::string rowsConflict(const std::vector<WatchRow>& rows, const RunSettings& run) {
  for (size_t i = 0; i < rows.size(); ++i) {
    for (size_t k = 0; k < rows.size(); ++k) {
      const WatchRow& a = rows[i];
      const WatchRow& b = rows[k];
      const std::string both = "\r\n" + rowName(a) + " " + a.watch + "\r\n" + rowName(b) + " " + b.watch;
      if (i < k && same(a.watch, b.watch)) return kRowsWatchSameFolderMessage + both;
      if (i != k && b.subfolders != Subfolders::No && !same(a.watch, b.watch) && within(a.watch, b.watch))
        return kRowsWatchInsideMessage + both;
      // A row's own folders inside its watch folder are never listed; a served subfolder tree
      // must hold no other output.
      for (const std::string& folder : {b.output, errorFolderOf(run, b.watch), doneFolderOf(run, b.watch)})
        if ((i != k && same(a.watch, folder)) ||
            (a.subfolders != Subfolders::No && within(folder, a.watch) && !same(folder, errorFolderOf(run, a.watch)) &&
             !same(folder, doneFolderOf(run, a.watch))))
          return kRowsWatchOutputMessage + both;
    }
  }
  return {};
}

SentBack sendBackErrorFolders(FileSystem& fs, const std::vector<WatchRow>& rows, const RunSettings& run,
                              AttemptCounts& attempts) {
  SentBack all;
  std::vector<std::string> folders;
  for (const WatchRow& row : rows) {
    const std::string folder = errorFolderOf(run, row.watch);
    if (std::find(folders.begin(), folders.end(), OutputOrigins::fold(folder)) != folders.end()) continue;
    folders.push_back(OutputOrigins::fold(folder));
    SentBack back = sendBackFrom(fs, folder, row.watch);
    for (const LogEntry& line : back.lines) attempts.forget(line.output);
    all.lines.insert(all.lines.end(), back.lines.begin(), back.lines.end());
    all.back.insert(all.back.end(), back.back.begin(), back.back.end());
    all.stayed.insert(all.stayed.end(), back.stayed.begin(), back.stayed.end());
    if (all.error == 0) all.error = back.error;
  }
  return all;
}

std::string outputFolderFor(const WatchRow& row, const std::string& input) {
  if (row.subfolders != Subfolders::Mirrored || !input.starts_with(row.watch)) return row.output;
  return row.output + std::string(folderPart(std::string_view(input).substr(row.watch.size())));
}

}  // namespace marlisk
