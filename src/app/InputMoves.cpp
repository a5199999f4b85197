#include "app/InputMoves.h"

#include <unordered_map>

#include <windows.h>

#include <string_view>
#include <vector>

#include "app/core/InputHandling.h"
#include "core/Path.h"
#include "win/Strings.h"

namespace marlisk::win {

OutputFacts factsOf(const FileSystem& fs, const std::string& path) {
  const FileFacts there = fs.facts(path);
  if (!there.exists || there.folder) return {};
  return {true, there.size, there.lastWrite};
}

namespace {

// Names as the file system compares them: without regard to letter case.
std::wstring folded(std::wstring name) {
  if (!name.empty()) CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
  return name;
}

}  // namespace

OutputFacts FolderListing::facts(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return factsOf(fs_, path);
  const std::string_view folder = std::string_view(path).substr(0, slash);
  if (!lastFiles_ || folder != lastFolder_) {
    lastFolder_ = folder;
    lastFiles_ = &list(lastFolder_);
  }
  const Files& there = *lastFiles_;
  // Names are folded only where the listing found files: an output folder is often empty
  // before a run, and folding 100,000 names cost a tenth of it.
  if (there.empty()) return {};
  const auto named = there.find(folded(widen(std::string_view(path).substr(slash + 1))));
  return named == there.end() ? OutputFacts{} : named->second;
}

const FolderListing::Files& FolderListing::list(const std::string& folder) {
  auto [listed, isNew] = folders_.try_emplace(folder);
  Files& there = listed->second;
  if (isNew) {
    std::vector<FolderEntry> entries;
    fs_.list(folder, "*", entries);  // no folder, or none readable: nothing there yet
    for (const FolderEntry& entry : entries)
      if (!entry.facts.folder) there[folded(widen(entry.name))] = {true, entry.facts.size, entry.facts.lastWrite};
  }
  return there;
}

OutputOrigins loadOutputOrigins(const FileSystem& fs, const std::string& workFolder) {
  const ReadResult kept = fs.readFile(workFolder + "\\" + kOutputOriginsFileName, 256u << 20);
  return OutputOrigins::parse(kept.error == 0 ? kept.bytes : std::string());
}

Win32Error saveOutputOrigins(FileSystem& fs, const std::string& workFolder, OutputOrigins& origins) {
  FolderListing listing(fs);
  origins.keepOnly([&](const std::string& output) { return listing.facts(output).exists; });
  const std::string path = workFolder + "\\" + kOutputOriginsFileName;
  if (origins.empty() && !fs.fileExists(path)) return {};
  return Win32Error(static_cast<DWORD>(fs.replaceFile(path, origins.text())));
}

OutputChoice outputFor(const OutputOrigins& origins, const std::string& wanted, const std::string& input,
                       FolderListing& listing, std::unordered_set<std::string>& given) {
  OutputChoice choice;
  std::string key = OutputOrigins::fold(wanted);
  // The common case, a run with no record yet (100,000 lines of a batch): the input's own
  // name, unless this run gave it out already.
  if (origins.empty() && !given.contains(key)) {
    choice.before = listing.facts(wanted);
    choice.path = wanted;
    given.insert(std::move(key));
    return choice;
  }
  choice.path = origins.choose(
      wanted, input, [&](const std::string& path) { return listing.facts(path).exists; }, given);
  if (choice.path.empty()) return choice;
  given.insert(OutputOrigins::fold(choice.path));
  choice.before = listing.facts(choice.path);
  return choice;
}

std::string renamedOutputDetail(const std::string& wanted) {
  return std::string(fileNamePart(wanted)) + " は別の入力ファイルの出力のため別名で出力";
}

}  // namespace marlisk::win
