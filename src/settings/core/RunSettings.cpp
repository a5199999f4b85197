#include "settings/core/RunSettings.h"

#include <algorithm>

#include "core/Messages.h"
#include "core/Numbers.h"

namespace marlisk {

namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";
constexpr char kSection[] = "[Run]";
// A damaged line that names no setting is known by its number: its bytes may be anything.
constexpr char kLinePrefix[] = "line ";
// A damaged row is known by its section.
constexpr char kFolderPrefix[] = "Folder";

// Folder names are kept as typed; a bad byte sequence would come back as something else.
bool isUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const size_t length = lead < 0x80           ? 1
                          : (lead >> 5) == 0x6  ? 2
                          : (lead >> 4) == 0xE  ? 3
                          : (lead >> 3) == 0x1E ? 4
                                                : 0;
    if (length == 0 || i + length > text.size() || (length == 2 && lead < 0xC2)) return false;
    for (size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    i += length;
  }
  return true;
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// A row's value may end in a comment, as the examples in the help write them: "Tab=1  ; 出力１".
std::string_view withoutComment(std::string_view value) {
  for (size_t at = value.find(';'); at != std::string_view::npos; at = value.find(';', at + 1))
    if (at > 0 && (value[at - 1] == ' ' || value[at - 1] == '\t')) return trimmed(value.substr(0, at));
  return value;
}

std::string folderWithoutSeparator(std::string folder) {
  if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  return folder;
}

// The settings and how each is read and written, in the file's order.
struct Field {
  const char* key;
  const char* caption;  // what 運転設定 calls it: a person reads the message, not the file
  // Takes the value; false when it cannot be one of this setting's values.
  bool (*read)(RunSettings&, std::string_view);
  std::string (*write)(const RunSettings&);
};

bool readFlag(bool& to, std::string_view value) {
  if (value != "0" && value != "1") return false;
  to = value == "1";
  return true;
}

bool readNumber(int32_t& to, std::string_view value, int32_t least, int32_t most) {
  const std::optional<int32_t> number = parseInt32(value);
  if (!number || *number < least || *number > most) return false;
  to = *number;
  return true;
}

std::string flag(bool value) { return value ? "1" : "0"; }

const Field kFields[] = {
    {"CheckOutput", "変換結果を確認してから入力ファイルを処理する",
     [](RunSettings& s, std::string_view v) { return readFlag(s.CheckOutput, v); },
     [](const RunSettings& s) { return flag(s.CheckOutput); }},
    {"MaxAttempts", "変換の試行回数",
     [](RunSettings& s, std::string_view v) { return readNumber(s.MaxAttempts, v, 1, kMostAttempts); },
     [](const RunSettings& s) { return std::to_string(s.MaxAttempts); }},
    {"ErrorFolder", "エラーフォルダ",
     [](RunSettings& s, std::string_view v) {
       s.ErrorFolder = v;
       return true;
     },
     [](const RunSettings& s) { return s.ErrorFolder; }},
    {"Originals", "変換後の入力ファイル",
     [](RunSettings& s, std::string_view v) {
       int32_t value = 0;
       if (!readNumber(value, v, 0, 2)) return false;
       s.Originals = static_cast<AfterSuccess>(value);
       return true;
     },
     [](const RunSettings& s) { return std::to_string(static_cast<int32_t>(s.Originals)); }},
    {"DoneFolder", "完了フォルダ",
     [](RunSettings& s, std::string_view v) {
       s.DoneFolder = v;
       return true;
     },
     [](const RunSettings& s) { return s.DoneFolder; }},
    {"ViewerTimeLimit", "Marliskの制限時間",
     [](RunSettings& s, std::string_view v) { return readNumber(s.ViewerTimeLimitMinutes, v, 0, kMostViewerMinutes); },
     [](const RunSettings& s) { return std::to_string(s.ViewerTimeLimitMinutes); }},
    {"RunLog", "運転ログを残す", [](RunSettings& s, std::string_view v) { return readFlag(s.RunLog, v); },
     [](const RunSettings& s) { return flag(s.RunLog); }},
    {"LogDays", "運転ログを残す日数",
     [](RunSettings& s, std::string_view v) { return readNumber(s.LogDays, v, 1, kMostLogDays); },
     [](const RunSettings& s) { return std::to_string(s.LogDays); }},
    {"Unattended", "無人運転", [](RunSettings& s, std::string_view v) { return readFlag(s.Unattended, v); },
     [](const RunSettings& s) { return flag(s.Unattended); }},
    {"TrayOnMinimize", "最小化のとき通知領域に入れる",
     [](RunSettings& s, std::string_view v) { return readFlag(s.TrayOnMinimize, v); },
     [](const RunSettings& s) { return flag(s.TrayOnMinimize); }},
    {"SharedWatchFolder", "監視フォルダを複数の端末で共有する",
     [](RunSettings& s, std::string_view v) { return readFlag(s.SharedWatchFolder, v); },
     [](const RunSettings& s) { return flag(s.SharedWatchFolder); }},
    {"StationName", "ステーション名",
     [](RunSettings& s, std::string_view v) {
       if (!v.empty() && !isStationName(v)) return false;
       s.StationName = v;
       return true;
     },
     [](const RunSettings& s) { return s.StationName; }},
    {"ClaimBatch", "1回に取る件数",
     [](RunSettings& s, std::string_view v) { return readNumber(s.ClaimBatch, v, 1, kMostClaimBatch); },
     [](const RunSettings& s) { return std::to_string(s.ClaimBatch); }},
    {"TakeOverMinutes", "停止端末の戻し",
     [](RunSettings& s, std::string_view v) { return readNumber(s.TakeOverMinutes, v, 0, kMostTakeOverMinutes); },
     [](const RunSettings& s) { return std::to_string(s.TakeOverMinutes); }},
    {"WatchDrawingFolders", "出力２の図面フォルダも監視する",
     [](RunSettings& s, std::string_view v) { return readFlag(s.WatchDrawingFolders, v); },
     [](const RunSettings& s) { return flag(s.WatchDrawingFolders); }},
    {"TimeWindow", "変換する時間帯",
     [](RunSettings& s, std::string_view v) {
       if (!parseTimeWindow(v)) return false;
       s.TimeWindow = v;
       return true;
     },
     [](const RunSettings& s) { return s.TimeWindow; }},
    {"AfterCommand", "ファイルごとに実行するコマンド",
     [](RunSettings& s, std::string_view v) {
       s.AfterCommand = v;
       return true;
     },
     [](const RunSettings& s) { return s.AfterCommand; }},
    {"AfterCommandSeconds", "コマンドの制限時間",
     [](RunSettings& s, std::string_view v) {
       return readNumber(s.AfterCommandSeconds, v, 1, kMostAfterCommandSeconds);
     },
     [](const RunSettings& s) { return std::to_string(s.AfterCommandSeconds); }},
};

const Field* fieldNamed(std::string_view key) {
  for (const Field& field : kFields)
    if (key == field.key) return &field;
  return nullptr;
}

}  // namespace

namespace {
bool isNameCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}
}  // namespace

std::string damagedSettingName(const std::string& key) {
  if (key.starts_with(kLinePrefix)) return "読めない行 (" + key.substr(sizeof kLinePrefix - 1) + "行目)";
  if (key.starts_with(kFolderPrefix)) return "[" + key + "]";
  const Field* field = fieldNamed(key);
  return field ? field->caption : key;
}

bool isStationName(std::string_view name) {
  return !name.empty() && name.size() <= kMostStationNameLength &&
         std::all_of(name.begin(), name.end(), isNameCharacter);
}

std::string stationNameFrom(std::string_view computerName) {
  std::string name;
  for (const char c : computerName)
    if (isNameCharacter(c) && name.size() < kMostStationNameLength) name += c;
  return name.empty() ? "STATION" : name;
}

std::string errorFolderOf(const RunSettings& settings, const std::string& watchFolder) {
  return settings.ErrorFolder.empty() ? watchFolder + "変換エラー" : folderWithoutSeparator(settings.ErrorFolder);
}

std::string doneFolderOf(const RunSettings& settings, const std::string& watchFolder) {
  return settings.DoneFolder.empty() ? watchFolder + "変換済み" : folderWithoutSeparator(settings.DoneFolder);
}

std::string runSettingsText(const RunSettings& settings) {
  std::string text = std::string(kBom) + "; MarliskAuto " + kRunSettingsFileName + "\r\n" + kSection + "\r\n";
  for (const Field& field : kFields) text += std::string(field.key) + "=" + field.write(settings) + "\r\n";
  for (const std::string& line : settings.OtherLines) text += line + "\r\n";
  // After everything else: a line kept from [Run] must not land in a row's section.
  if (settings.Folder1Subfolders != Subfolders::No)
    text += folderSection(1) + "\r\nSubfolders=" + std::to_string(static_cast<int32_t>(settings.Folder1Subfolders)) +
            "\r\n";
  for (const FolderRow& row : settings.Folders) text += folderSection(row.number) + "\r\n" + folderRowText(row);
  return text;
}

RunSettings parseRunSettings(std::string_view text, std::vector<std::string>& damaged) {
  RunSettings settings;
  auto mark = [&](const std::string& what) {
    if (std::find(damaged.begin(), damaged.end(), what) == damaged.end()) damaged.push_back(what);
  };
  if (text.starts_with(kBom)) text.remove_prefix(3);
  bool first = true;
  int lineNumber = 0;
  // The section the line is in: 0 [Run] (or none yet) or another program's, 1..16 [FolderN].
  int32_t folder = 0;
  bool seen[kMostFolderRows + 1] = {};
  FolderRow* row = nullptr;
  auto endRow = [&] {
    if (row) finishFolderRow(*row);
    if (row && !row->damaged.empty()) mark(kFolderPrefix + std::to_string(folder));
    row = nullptr;
  };
  while (!text.empty()) {
    const size_t end = text.find_first_of("\r\n");
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end);
    if (text.starts_with("\r\n"))
      text.remove_prefix(2);
    else if (!text.empty())
      text.remove_prefix(1);
    ++lineNumber;
    const bool ourHeader = first && line.starts_with("; MarliskAuto ");
    first = false;
    const std::string_view content = trimmed(line);
    if (content.starts_with('[')) {
      endRow();
      folder = folderSectionNumber(withoutComment(content));
      if (folder > 1) {
        settings.Folders.emplace_back();
        row = &settings.Folders.back();
        row->number = folder;
        // A section met twice is damage: which of the two the user meant is not known.
        if (seen[folder]) row->damaged.push_back("section");
      }
      if (folder > 0) seen[folder] = true;
      if (folder > 0 || content == kSection) continue;
    }
    if (ourHeader || content.empty() || content == kSection) continue;
    if (folder > 0) {
      const size_t equals = content.find('=');
      const std::string_view key = trimmed(content.substr(0, equals == std::string_view::npos ? 0 : equals));
      const std::string_view value = equals == std::string_view::npos ? "" : trimmed(content.substr(equals + 1));
      if (folder == 1) {
        int32_t value1 = 0;
        if (key == "Subfolders" && readNumber(value1, withoutComment(value), 0, 2))
          settings.Folder1Subfolders = static_cast<Subfolders>(value1);
        else if (key == "Subfolders" || !isUtf8(line))
          mark(kFolderPrefix + std::string("1"));
        continue;
      }
      if (content.front() == ';' && isUtf8(line)) {
        row->lines.emplace_back(line);
        continue;
      }
      if (!isUtf8(line) || equals == std::string_view::npos) {
        row->damaged.emplace_back("line");
        continue;
      }
      row->lines.emplace_back(line);  // as read: a damaged row is written back as it was
      readFolderRowKey(*row, key, withoutComment(value));
      continue;
    }
    const size_t equals = content.find('=');
    const Field* field = equals == std::string_view::npos ? nullptr : fieldNamed(trimmed(content.substr(0, equals)));
    if (!field) {
      // A comment, another section, or a setting of a newer version: kept, untouched. A line
      // that is none of these (no "=", bytes that are no text) is damage.
      if (content.front() != ';' && content.front() != '[' && equals == std::string_view::npos)
        mark(kLinePrefix + std::to_string(lineNumber));
      else if (isUtf8(line))
        settings.OtherLines.emplace_back(line);
      continue;
    }
    const std::string_view value = trimmed(content.substr(equals + 1));
    if (!isUtf8(value) || !field->read(settings, value)) mark(field->key);
  }
  endRow();
  return settings;
}

RunSettings RunSettingsFile::load(const std::string& path) {
  if (!fs_.fileExists(path)) return {};
  // A few hundred bytes when sound; anything past this is not ours.
  constexpr size_t kMostBytes = 64 * 1024;
  const ReadResult read = fs_.readFile(path, kMostBytes);
  if (read.error != 0) {
    warn_(path + kCannotReadRunSettingsMessage + "\r\n" + ioErrorMessage(static_cast<uint32_t>(read.error)));
    return {};
  }
  std::vector<std::string> damaged;
  RunSettings settings = parseRunSettings(read.bytes, damaged);
  if (!damaged.empty()) {
    std::string names;
    for (const std::string& key : damaged) names += (names.empty() ? "" : "、") + damagedSettingName(key);
    warn_(path + kRunSettingsDamagedMessage + "\r\n" + names);
  }
  return settings;
}

bool RunSettingsFile::save(const std::string& path, const RunSettings& settings) {
  const int error = fs_.replaceFile(path, runSettingsText(settings));
  if (error != 0) warn_(path + kCannotSaveRunSettingsMessage + "\r\n" + ioErrorMessage(static_cast<uint32_t>(error)));
  return error == 0;
}

}  // namespace marlisk
