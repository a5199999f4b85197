// The watch folders standby serves besides the parameter file's, and when it serves them: the
// [Folder2] ... [Folder16] sections and the time window of "MarliskAuto.ini".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marlisk {

inline constexpr int32_t kMostFolderRows = 16;  // the parameter file's row and 15 more
// The items of the output lists, by tab (1: 出力１, 2: 出力２).
inline constexpr int32_t kTypesOfTab[] = {22, 8};

// How a watch folder's subfolders are served: not at all, listed with it, or listed with it
// and each output put in the same relative folder under the output folder.
enum class Subfolders : int32_t { No = 0, Yes = 1, Mirrored = 2 };
inline constexpr int32_t kMostSubfolderDepth = 16;

// A watch folder of [FolderN]: its inputs, how they are converted and where they go.
struct FolderRow {
  int32_t number = 0;  // N of [FolderN]: kept, so that the log's "[Folder3]" stays that row
  std::string Watch;  // ends in "\"; "" : the row is skipped
  std::string Mask = "*.*";
  int32_t Tab = 1;   // 1 出力１, 2 出力２ (PDF inputs only)
  int32_t Type = 0;  // an item of the tab's list
  std::string Output;  // ends in "\"
  Subfolders subfolders = Subfolders::No;

  // The row's lines as they were read: a damaged row is written back as it was, and a sound
  // one keeps the keys of a newer version.
  std::vector<std::string> lines;
  std::vector<std::string> damaged;

  bool active() const { return !Watch.empty() && damaged.empty(); }
  bool operator==(const FolderRow&) const = default;
};

// Whether `key` is one of a row's.
bool isFolderRowKey(std::string_view key);
// Reads one "key=value" of a row (already trimmed); false when the key is not a row's.
// A value that cannot be the key's marks the key damaged.
bool readFolderRowKey(FolderRow& row, std::string_view key, std::string_view value);
// Once the section's lines are read: a type its tab's list does not have is damage.
void finishFolderRow(FolderRow& row);
// The row's lines for the file, without its section header.
std::string folderRowText(const FolderRow& row);
// A row's section, and its name in messages: "[Folder2]".
std::string folderSection(int32_t number);
// 2..16 for "[Folder2]" ... "[Folder16]", 1 for "[Folder1]", 0 for any other line.
int32_t folderSectionNumber(std::string_view line);

// "22:00-06:00": from the first time to the second, across midnight when the second is
// earlier. Empty text: always. Nothing for a text that is no window (the same two times too).
struct TimeWindow {
  int32_t from = 0;  // minutes after midnight
  int32_t to = 0;
  bool always = true;
  // Whether `minute` (after midnight, local time) is inside.
  bool contains(int32_t minute) const;
  // "22:00"
  std::string fromText() const;
};
std::optional<TimeWindow> parseTimeWindow(std::string_view text);

}  // namespace marlisk
