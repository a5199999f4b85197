#include "settings/SettingsRules.h"

#include <algorithm>

#include "base/Path.h"
#include "settings/ParameterFile.h"

namespace marlisk {

namespace {

bool endsWithBackslash(std::string_view text) { return !text.empty() && text.back() == '\\'; }

}  // namespace

std::string openDialogFolder(std::string_view fieldText) {
  std::string folder(folderPart(fieldText));
  const bool root = folder.size() == 3 && folder[1] == ':' && folder[2] == '\\';
  if (!root && endsWithBackslash(folder)) folder.pop_back();
  return folder;
}

int32_t waitSecondsFromMinutes(int minutes) {
  minutes = std::clamp(minutes, 0, kMaxWaitMinutes);
  return minutes == 0 ? 2 : minutes * 60;
}

int waitMinutesFromSeconds(int32_t seconds) { return static_cast<int>(seconds / 60); }

std::string previewLine(std::string_view ansiLine, const AnsiCodec& codec) {
  const size_t limit = std::min(ansiLine.size(), kPreviewLineBytes);
  // A lead byte left without its partner at the cut: one byte less. Bytes that are invalid
  // anywhere else fail both ways; the line then shows empty rather than garbled.
  for (size_t cut = limit; cut > 0 && cut + 1 >= limit; --cut)
    if (std::optional<std::string> text = codec.fromAnsi(ansiLine.substr(0, cut))) return *text;
  return {};
}

std::string watchFolderToCheck(std::string_view pattern) {
  std::string_view folder = folderPart(pattern);
  if (!folder.empty()) folder.remove_suffix(1);
  return std::string(folder);
}

OutputFolderCheck checkOutputFolder(std::string_view fieldText) {
  if (endsWithBackslash(fieldText))
    return {std::string(fieldText.substr(0, fieldText.size() - 1)), std::string(fieldText)};
  return {std::string(fieldText), std::string(fieldText) + "\\"};
}

std::string withTrailingBackslash(std::string_view folder) {
  return endsWithBackslash(folder) ? std::string(folder) : std::string(folder) + "\\";
}

std::string watchPatternFor(std::string_view folder) { return withTrailingBackslash(folder) + "*.hgl"; }

std::optional<std::string> unstorableReason(std::string_view value, const AnsiCodec& codec) {
  if (value.find_first_of("\r\n") != std::string_view::npos) return "改行を含む設定は保存できません!";
  if (value.size() > kMaxParameterLineBytes) return "設定が長すぎます!";
  if (!codec.toAnsi(value)) return "このパソコンの文字コードで表せない文字が含まれています!";
  return std::nullopt;
}

}  // namespace marlisk
