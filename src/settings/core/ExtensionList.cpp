#include "settings/core/ExtensionList.h"

#include <utility>

#include "core/Path.h"

namespace marlisk {

namespace {

template <typename Visit>
void forEachItem(std::string_view list, Visit visit) {
  size_t start = 0;
  for (;;) {
    const size_t end = list.find(';', start);
    visit(list.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return;
    start = end + 1;
  }
}

}  // namespace

bool extensionListContains(std::string_view list, std::string_view extension) {
  const std::string lowerList = asciiLower(list);
  const std::string lowerExtension = asciiLower(extension);
  bool found = false;
  forEachItem(lowerList, [&](std::string_view item) { found = found || item == lowerExtension; });
  return found;
}

FileType fileTypeOf(const Settings& s, std::string_view fileName) {
  std::string_view extension = extensionPart(fileName);
  if (!extension.empty()) extension.remove_prefix(1);
  const std::pair<const std::string*, FileType> order[] = {
      {&s.HpglExtList, kFileTypeHpgl}, {&s.ImageExtList, kFileTypeImage},   {&s.PdfExtList, kFileTypePdf},
      {&s.EmfExtList, kFileTypeEmf},   {&s.DxfExtList, kFileTypeDxf},       {&s.DwgExtList, kFileTypeDwg},
      {&s.IgesExtList, kFileTypeIges}, {&s.GerberExtList, kFileTypeGerber}, {&s.SxfExtList, kFileTypeSxf},
  };
  for (const auto& [list, type] : order)
    if (extensionListContains(*list, extension)) return type;
  return equalsIgnoringAsciiCase(extension, "cmt") ? kFileTypeComment : kFileTypeUnregistered;
}

std::string unregisteredFileTypeMessage(std::string_view fileName) {
  return "File=" + std::string(fileName) + "\r未登録ファイルタイプです\r 設定ボタンでファイル拡張子を登録してください";
}

std::string fileTypeFilter(const Settings& s) {
  const std::pair<const char*, const std::string*> families[] = {
      {"HPGL(", &s.HpglExtList},  {"|Image(", &s.ImageExtList},   {"|PDF(", &s.PdfExtList},
      {"|EMF(", &s.EmfExtList},   {"|DXF(", &s.DxfExtList},       {"|DWG(", &s.DwgExtList},
      {"|IGES(", &s.IgesExtList}, {"|GERBER(", &s.GerberExtList}, {"|SXF(", &s.SxfExtList},
  };
  std::string filter;
  for (const auto& [caption, list] : families) {
    std::string shown, masks;
    forEachItem(*list, [&](std::string_view item) {
      if (!shown.empty()) {
        shown += ';';
        masks += ';';
      }
      shown += "*.";
      shown += item;
      masks += '.';
      masks += item;
    });
    filter += caption + shown + ")|" + masks;
  }
  return filter + "|COMMENT(*.cmt)|.cmt|All Files(*.*)|.*";
}

std::string normalizeExtensionList(std::string_view text) {
  std::string out;
  for (char c : text)
    if (c != ' ') out += c;
  return out;
}

}  // namespace marlisk
