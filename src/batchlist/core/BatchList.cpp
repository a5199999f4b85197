#include "batchlist/core/BatchList.h"

#include "core/Path.h"
#include "settings/core/SettingsRules.h"

namespace marlisk {

std::optional<std::string> batchListBytes(const std::vector<std::string>& paths, const AnsiCodec& codec) {
  std::string bytes;
  for (const std::string& path : paths) {
    const std::optional<std::string> ansi = codec.toAnsi(path);
    if (!ansi || ansi->find_first_of("\r\n") != std::string::npos) return std::nullopt;
    bytes += *ansi;
    bytes += "\r\n";
  }
  return bytes;
}

std::vector<std::string> filterMaskItems(std::string_view maskText) {
  std::vector<std::string> items;
  size_t start = 0;
  for (size_t end; (end = maskText.find(';', start)) != std::string_view::npos; start = end + 1)
    items.emplace_back(maskText.substr(start, end - start));
  if (start < maskText.size()) items.emplace_back(maskText.substr(start));
  return items;
}

FileViewStyle fileViewStyleFor(int item) {
  switch (item) {
    case 0: return FileViewStyle::Report;
    case 2: return FileViewStyle::SmallIcons;
    case 3: return FileViewStyle::LargeIcons;
    default: return FileViewStyle::List;
  }
}

std::string editorStartFolder(std::string_view batchFileName, std::string_view workFolder) {
  std::string_view folder = folderPart(batchFileName);
  // "C:\lists\" is the folder C:\lists; a drive root keeps its "\".
  if (folder.size() > 3 && folder.back() == '\\') folder.remove_suffix(1);
  if (!folder.empty()) return std::string(folder);
  return std::string(workFolder) + "\\Data";
}

bool needsReselection(std::string_view selected, std::string_view personalFolder, std::string_view commonDocuments) {
  const bool namesDocuments = selected.find("Documents") != std::string_view::npos;
  auto under = [&](std::string_view folder) { return !folder.empty() && selected.substr(0, folder.size()) == folder; };
  return namesDocuments && (under(personalFolder) || under(commonDocuments));
}

bool isTextList(std::string_view bytes, const AnsiCodec& codec, bool whole) {
  if (!whole) bytes = bytes.substr(0, bytes.rfind('\n') + 1);
  if (bytes.find('\0') != std::string_view::npos) return false;
  return codec.isAnsi(bytes);
}

std::string cannotCreateBatchListMessage(std::string_view fileName) {
  return "出力リストファイル" + std::string(fileName) + kCannotCreateBatchFileMessage;
}

std::string unlistableNameMessage(std::string_view path) {
  return std::string(path) +
         "\r このパソコンの文字コードで表せない文字を含む名前のため、バッチファイルに入れられません!";
}

}  // namespace marlisk
