#include "settings/core/SettingsRules.h"

#include <algorithm>

#include "core/Path.h"
#include "settings/core/ParameterFile.h"

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

std::optional<std::string> validateDrawingFolders(Settings& settings, const FileSystem& fileSystem) {
  auto completeAndCheck = [&](std::array<std::string, kFolderSlots>& folders,
                              const char* kind) -> std::optional<std::string> {
    for (size_t n = 0; n < folders.size(); ++n) {
      std::string& folder = folders[n];
      if (folder.empty()) continue;
      folder = withTrailingBackslash(folder);
      const std::string checked = folder.substr(0, folder.size() - 1);
      if (!fileSystem.folderExists(checked)) return checked + " " + kind + std::to_string(n + 1) + "が存在しません!";
    }
    return std::nullopt;
  };
  if (auto message = completeAndCheck(settings.DrawingFolders, "作画フォルダ")) return message;
  if (auto message = completeAndCheck(settings.DrawingOutFolders, "出力先フォルダ")) return message;
  const auto& drawing = settings.DrawingFolders;
  for (size_t i = 0; i < drawing.size(); ++i)
    for (size_t j = i + 1; j < drawing.size(); ++j)
      if (!drawing[i].empty() && drawing[i] == drawing[j])
        return std::string("作画フォルダ1から5は同じフォルダーを選択できません");
  for (size_t n = 0; n < drawing.size(); ++n)
    if (!drawing[n].empty() && settings.DrawingOutFolders[n].empty())
      return " 出力先フォルダ" + std::to_string(n + 1) + "を設定して下さい!";
  return std::nullopt;
}

std::optional<std::string> unstorableReason(std::string_view value, const AnsiCodec& codec) {
  if (value.find_first_of("\r\n") != std::string_view::npos) return "改行を含む設定は保存できません!";
  if (value.size() > kMaxParameterLineBytes) return "設定が長すぎます!";
  if (!codec.toAnsi(value)) return "このパソコンの文字コードで表せない文字が含まれています!";
  return std::nullopt;
}

bool storableOrSay(const std::string& value, const AnsiCodec& codec, const WarningSink& warn) {
  const std::optional<std::string> reason = unstorableReason(value, codec);
  if (reason) warn(value + "\r " + *reason);
  return !reason;
}

}  // namespace marlisk
