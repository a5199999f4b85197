// How standby runs when nobody watches: kept in "MarliskAuto.ini" beside the parameter file,
// which stays exactly as other programs and older versions read it. UTF-8, so that Japanese
// folder names survive whatever the system's code page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/FileSystem.h"
#include "settings/core/FolderRows.h"
#include "core/WarningSink.h"

namespace marlisk {

inline constexpr char kRunSettingsFileName[] = "MarliskAuto.ini";

// What becomes of an input once its output is made.
enum class AfterSuccess : int32_t { Delete = 0, MoveToDone = 1, RecycleBin = 2 };

struct RunSettings {
  bool CheckOutput = true;  // an input goes only once its output is there
  int32_t MaxAttempts = 3;  // viewer runs an input gets before it goes to the error folder
  std::string ErrorFolder;  // "" : the watch folder's "変換エラー"
  AfterSuccess Originals = AfterSuccess::Delete;
  std::string DoneFolder;              // "" : the watch folder's "変換済み"
  int32_t ViewerTimeLimitMinutes = 0;  // 0: the viewer may take as long as it takes
  bool RunLog = true;
  int32_t LogDays = 30;         // how long a day's log is kept
  bool Unattended = false;      // messages go to the log and a balloon, not a box
  bool TrayOnMinimize = false;  // "_" and a minimised start go to the notification area
  // Several stations (PCs) on one watch folder, each file converted by one of them.
  bool SharedWatchFolder = false;
  std::string StationName;      // "" : the computer's name, made into a station name
  int32_t ClaimBatch = 20;      // files one station claims in a cycle, so that all share the work
  int32_t TakeOverMinutes = 0;  // a silent station's files are put back after this long (0: never)
  // Each non-empty drawing folder of the output-2 settings is watched too, into its output
  // folder with the output-2 type.
  bool WatchDrawingFolders = false;
  std::string TimeWindow;            // "22:00-06:00": standby converts only then; "" always
  std::string AfterCommand;          // run after each input is done with: "" none
  int32_t AfterCommandSeconds = 60;  // and ended after this long

  // The parameter file's watch folder ([Folder1]: only this), and the further rows.
  Subfolders Folder1Subfolders = Subfolders::No;
  std::vector<FolderRow> Folders;  // [Folder2] ... in order

  // Lines of the file this version does not know (a newer version's settings): kept as they
  // were, so that saving here does not lose them.
  std::vector<std::string> OtherLines;
};

inline constexpr int32_t kMostAttempts = 99;
inline constexpr int32_t kMostLogDays = 999;
inline constexpr int32_t kMostViewerMinutes = 24 * 60;
inline constexpr int32_t kMostClaimBatch = 999;
inline constexpr int32_t kMostTakeOverMinutes = 24 * 60;
inline constexpr size_t kMostStationNameLength = 15;
inline constexpr int32_t kMostAfterCommandSeconds = 24 * 60 * 60;

// A station's name is the folder of its claims and goes into the viewer's command file with
// every claimed path: ASCII letters, digits, "-" and "_" only (every code page and every file
// server holds them), at most 15 of them, as a computer name.
bool isStationName(std::string_view name);
// The computer's name made into a station name; "STATION" when nothing of it is left.
std::string stationNameFrom(std::string_view computerName);

// The folders as they are used: an empty setting stands for a folder inside the watch folder
// (which ends in "\"); a set one loses a trailing "\".
std::string errorFolderOf(const RunSettings& settings, const std::string& watchFolder);
std::string doneFolderOf(const RunSettings& settings, const std::string& watchFolder);

// The file's text for `settings`.
std::string runSettingsText(const RunSettings& settings);

// Reads the text as far as it is sound: a line or value that cannot be read leaves its setting
// at the default, and its key is named in `damaged` (once each); a line that names no
// setting is named "line N".
RunSettings parseRunSettings(std::string_view text, std::vector<std::string>& damaged);
// What the user is told of an entry of `damaged`: the setting's caption in 運転設定, or the
// line's number.
std::string damagedSettingName(const std::string& key);

class RunSettingsFile {
 public:
  RunSettingsFile(FileSystem& fileSystem, WarningSink warn) : fs_(fileSystem), warn_(std::move(warn)) {}

  // The settings in `path`; the defaults when there is no such file. What is damaged takes its
  // default and is said once.
  RunSettings load(const std::string& path);
  // Writes the whole file at once (never half of it); a failure is said. Returns success.
  bool save(const std::string& path, const RunSettings& settings);

 private:
  FileSystem& fs_;
  WarningSink warn_;
};

}  // namespace marlisk
