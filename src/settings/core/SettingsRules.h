// The rules of the settings dialogs that do not need a window: what a field's text means,
// what is checked on OK and how it is stored.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/AnsiCodec.h"
#include "core/WarningSink.h"
#include "core/FileSystem.h"
#include "settings/core/Settings.h"

namespace marlisk {

inline constexpr const char* kFileMissingMessage = "ファイルが存在しません!";
inline constexpr const char* kFolderMissingMessage = "フォルダが存在しません!";
inline constexpr const char* kCannotCreateBatchFileMessage = "を作成できません。正しいファイル名を指定下さい";

inline constexpr int kMaxWaitMinutes = 1440;
inline constexpr size_t kPreviewLineBytes = 128;

// The folder an open dialog starts in for the file a field names: the field's folder part
// without its trailing "\", except that a root such as "C:\" keeps it.
std::string openDialogFolder(std::string_view fieldText);

// The wait of standby output is edited in whole minutes and stored in seconds; no wait at all
// is stored as 2 seconds, so that a file is still seen twice before it is converted.
int32_t waitSecondsFromMinutes(int minutes);
int waitMinutesFromSeconds(int32_t seconds);

// One line of the batch-file preview: the first 128 bytes of the stored (ANSI) line, as
// UTF-8. A double-byte character that the cut would split is left out whole.
std::string previewLine(std::string_view ansiLine, const AnsiCodec& codec);

// The folder checked for a watch pattern such as "C:\In\*.hgl": the path up to its last "\"
// or ":", without that last character ("" when the pattern has no folder part).
std::string watchFolderToCheck(std::string_view pattern);

// The output folder field on OK: the folder whose existence is checked, and the field's text
// afterwards, which always ends in "\".
struct OutputFolderCheck {
  std::string folderToCheck;
  std::string fieldText;
};
OutputFolderCheck checkOutputFolder(std::string_view fieldText);

// `folder` + "\" unless it ends in one already.
std::string withTrailingBackslash(std::string_view folder);

// The watch pattern after the watch folder was chosen by browsing: the folder's *.hgl files.
std::string watchPatternFor(std::string_view folder);

// The drawing folders of output 2 and their output folders, on OK: each set folder gets its
// trailing "\" in the settings (it stays there even when a later check fails) and must
// exist; no two drawing folders may be the same; a drawing folder needs its output folder.
// Empty rows are skipped. The message of the first failure, or nothing when all is well.
std::optional<std::string> validateDrawingFolders(Settings& settings, const FileSystem& fileSystem);

// Why a value cannot go into the parameter file as it is (a line break would shift every
// later line; a character the code page lacks would come back as "?"), or nothing.
std::optional<std::string> unstorableReason(std::string_view value, const AnsiCodec& codec);
// Whether `value` can go into the settings; when not, says so ("<value>\r <reason>") first.
// Every place a value enters the settings asks this, so that none is left there to make
// every later save of the parameter file fail.
bool storableOrSay(const std::string& value, const AnsiCodec& codec, const WarningSink& warn);

}  // namespace marlisk
