#include "settings/core/FolderRows.h"

#include <algorithm>
#include <cstdio>

#include "core/Numbers.h"

namespace marlisk {

namespace {

void markDamaged(FolderRow& row, std::string_view key) {
  if (std::find(row.damaged.begin(), row.damaged.end(), key) == row.damaged.end()) row.damaged.emplace_back(key);
}

std::string asFolder(std::string_view value) {
  std::string folder(value);
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

// A mask names files of one folder: no folder, drive or stream in it.
bool isMask(std::string_view value) { return !value.empty() && value.find_first_of("\\/:\"<>|") == std::string_view::npos; }

}  // namespace

bool readFolderRowKey(FolderRow& row, std::string_view key, std::string_view value) {
  const std::optional<int32_t> number = parseInt32(value);
  if (key == "Watch") {
    row.Watch = asFolder(value);
  } else if (key == "Output") {
    row.Output = asFolder(value);
  } else if (key == "Mask") {
    if (isMask(value))
      row.Mask = value;
    else
      markDamaged(row, key);
  } else if (key == "Tab") {
    if (number && (*number == 1 || *number == 2))
      row.Tab = *number;
    else
      markDamaged(row, key);
  } else if (key == "Type") {
    if (number && *number >= 0 && *number < kTypesOfTab[0])
      row.Type = *number;
    else
      markDamaged(row, key);
  } else if (key == "Subfolders") {
    if (number && *number >= 0 && *number <= 2)
      row.subfolders = static_cast<Subfolders>(*number);
    else
      markDamaged(row, key);
  } else {
    return false;
  }
  return true;
}

void finishFolderRow(FolderRow& row) {
  if (row.Type >= kTypesOfTab[row.Tab - 1]) markDamaged(row, "Type");
  // A row that converts into nothing is no row: its outputs would go beside the program.
  if (!row.Watch.empty() && row.Output.empty()) markDamaged(row, "Output");
}

bool isFolderRowKey(std::string_view key) {
  for (const char* ours : {"Watch", "Mask", "Tab", "Type", "Output", "Subfolders"})
    if (key == ours) return true;
  return false;
}

std::string folderRowText(const FolderRow& row) {
  std::string text;
  if (!row.damaged.empty()) {
    for (const std::string& line : row.lines) text += line + "\r\n";
    return text;
  }
  text = "Watch=" + row.Watch + "\r\nMask=" + row.Mask + "\r\nTab=" + std::to_string(row.Tab) +
         "\r\nType=" + std::to_string(row.Type) + "\r\nOutput=" + row.Output +
         "\r\nSubfolders=" + std::to_string(static_cast<int32_t>(row.subfolders)) + "\r\n";
  for (const std::string& line : row.lines) {
    std::string_view key(line);
    key = key.substr(0, key.find('='));
    while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.remove_suffix(1);
    while (!key.empty() && (key.front() == ' ' || key.front() == '\t')) key.remove_prefix(1);
    if (!isFolderRowKey(key)) text += line + "\r\n";
  }
  return text;
}

std::string folderSection(int32_t number) { return "[Folder" + std::to_string(number) + "]"; }

int32_t folderSectionNumber(std::string_view line) {
  if (!line.starts_with("[Folder") || !line.ends_with(']')) return 0;
  const std::string_view digits = line.substr(7, line.size() - 8);
  if (digits.empty() || digits.size() > 2 || digits.front() == '0') return 0;
  const std::optional<int32_t> number = parseInt32(digits);
  return number && *number >= 1 && *number <= kMostFolderRows ? *number : 0;
}

bool TimeWindow::contains(int32_t minute) const {
  if (always) return true;
  return from < to ? minute >= from && minute < to : minute >= from || minute < to;
}

std::string TimeWindow::fromText() const {
  char text[8];
  std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(from / 60), static_cast<int>(from % 60));
  return text;
}

std::optional<TimeWindow> parseTimeWindow(std::string_view text) {
  TimeWindow window;
  if (text.empty()) return window;
  auto minuteOf = [](std::string_view time) -> std::optional<int32_t> {
    const size_t colon = time.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 2 || time.size() - colon != 3) return std::nullopt;
    const std::optional<int32_t> hour = parseInt32(time.substr(0, colon));
    const std::optional<int32_t> minute = parseInt32(time.substr(colon + 1));
    if (!hour || !minute || *hour < 0 || *hour > 24 || *minute < 0 || *minute > 59) return std::nullopt;
    if (*hour == 24 && *minute != 0) return std::nullopt;
    return *hour * 60 + *minute;
  };
  const size_t dash = text.find('-');
  if (dash == std::string_view::npos) return std::nullopt;
  const std::optional<int32_t> from = minuteOf(text.substr(0, dash)), to = minuteOf(text.substr(dash + 1));
  if (!from || !to || *from == *to || *from == 24 * 60) return std::nullopt;
  window.always = false;
  window.from = *from;
  window.to = *to;
  return window;
}

}  // namespace marlisk
