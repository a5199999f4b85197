// The extension lists, the file-type filter and the file list's mask on any texts.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>

#include "core/Path.h"
#include "batchlist/core/BatchList.h"
#include "settings/core/ExtensionList.h"
#include "shellview/core/ShellTexts.h"

using namespace marlisk;

namespace {

std::string upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string list = in.ConsumeRandomLengthString(40);
  const std::string extension = in.ConsumeRandomLengthString(8);
  const std::string name = in.ConsumeRandomLengthString(40);
  const std::string maskText = in.ConsumeRemainingBytesAsString();

  // Letter case never matters, on either side.
  if (extensionListContains(list, extension) != extensionListContains(upper(list), upper(extension))) std::abort();

  // Normalising removes the blanks and nothing else.
  std::string withoutBlanks;
  for (const char c : list)
    if (c != ' ') withoutBlanks += c;
  if (normalizeExtensionList(list) != withoutBlanks) std::abort();

  // The types and the filter text of any lists.
  Settings settings;
  settings.HpglExtList = list;
  settings.ImageExtList = extension;
  const FileType type = fileTypeOf(settings, name);
  if (type < kFileTypeUnregistered || type > kFileTypeComment) std::abort();
  const std::string filter = fileTypeFilter(settings);

  // The mask items put together again give the text back (a last empty item is dropped).
  const std::vector<std::string> items = filterMaskItems(maskText);
  std::string joined;
  for (size_t i = 0; i < items.size(); ++i) joined += (i ? ";" : "") + items[i];
  if (!maskText.empty() && maskText.back() == ';') joined += ";";
  if (joined != maskText) std::abort();

  // Folders and empty masks take everything.
  if (!shell::maskAccepts(items, name, true) || !shell::maskAccepts({}, name, false)) std::abort();
  shell::maskAccepts(items, name, false);
  shell::maskAccepts(filterMaskItems(filter), name, false);
  return 0;
}
