#include "app/core/FileMoves.h"

#include <atomic>
#include <cstring>
#include <vector>

#include "app/core/InputHandling.h"
#include "core/Path.h"

namespace marlisk {

namespace {

// Whether two files hold the same bytes: 0, or why not.
int sameContent(FileSystem& fs, const std::string& a, const std::string& b) {
  const OpenMode reading{OpenMode::kRead, OpenMode::kShareRead};
  int error = 0;
  const OpenFilePtr one = fs.open(a, reading, &error);
  if (!one) return error;
  const OpenFilePtr other = fs.open(b, reading, &error);
  if (!other) return error;
  std::vector<char> x(256 * 1024), y(256 * 1024);
  for (;;) {
    size_t gotX = 0, gotY = 0;
    if (!one->read(x.data(), x.size(), gotX) || !other->read(y.data(), y.size(), gotY)) return fs_error::kFileCorrupt;
    if (gotX != gotY || std::memcmp(x.data(), y.data(), gotX) != 0) return fs_error::kFileCorrupt;
    if (gotX == 0) return 0;
  }
}

// Another volume: a copy, checked, and only then the input goes. A copy that is not the same
// is removed again, and so is one whose input cannot be deleted (or it would be converted and
// moved a second time).
int copyThenDelete(FileSystem& fs, const std::string& from, const std::string& to) {
  if (const int error = fs.copyFile(from, to)) {
    // The name was free a moment ago: what a failed copy left there (a full disk) is ours.
    if (!fs_error::nameTaken(error)) fs.deleteFile(to, true);
    return error;
  }
  int error = sameContent(fs, from, to);
  if (error == 0) error = fs.deleteFile(from);
  if (error != 0) fs.deleteFile(to, true);
  return error;
}

}  // namespace

MoveResult moveIntoFolder(FileSystem& fs, const std::string& path, const std::string& folder) {
  MoveResult result;
  if ((result.error = fs.makeFolders(folder)) != 0) return result;
  const std::string name(fileNamePart(path));
  // Another program may take the free name first: then the next one is tried.
  for (int tries = 0; tries < 10; ++tries) {
    const std::string free =
        freeName(name, [&](const std::string& candidate) { return fs.facts(folder + "\\" + candidate).exists; });
    if (free.empty()) {
      result.error = fs_error::kFileExists;
      return result;
    }
    const std::string to = folder + "\\" + free;
    result.error = fs.moveFile(path, to);
    if (result.error == fs_error::kNotSameDevice) result.error = copyThenDelete(fs, path, to);
    if (result.error == 0) {
      result.movedTo = to;
      return result;
    }
    if (!fs_error::nameTaken(result.error)) return result;
  }
  return result;
}

int folderWritable(FileSystem& fs, const std::string& folder) {
  std::string base = folder;
  if (base.ends_with('\\')) base.pop_back();
  const FileFacts there = fs.facts(base);
  if (!there.exists) return there.whyNot;
  if (!there.folder) return fs_error::kDirectory;
  static std::atomic<unsigned> probes{0};
  const std::string probe =
      base + "\\~MarliskAuto-" + std::to_string(fs.now()) + "-" + std::to_string(++probes) + ".tmp";
  OpenMode making{OpenMode::kWrite, 0, OpenMode::Create::New};
  making.deleteOnClose = making.hiddenTemporary = true;
  int error = 0;
  return fs.open(probe, making, &error) ? 0 : error;
}

OpenFilePtr sealFile(FileSystem& fs, const std::string& path, int* error) {
  int last = 0;
  for (int attempt = 0; attempt < 6; ++attempt) {
    if (attempt > 0) fs.waitBriefly(200);
    if (OpenFilePtr sealed = fs.open(path, {OpenMode::kRead, OpenMode::kShareRead}, &last)) {
      if (error) *error = 0;
      return sealed;
    }
    // A racing rename or a writer that shares deleting lets go in a moment; anything else is
    // the answer already.
    if (last != fs_error::kSharingViolation) break;
  }
  if (error) *error = last;
  return nullptr;
}

SentBack sendBackFrom(FileSystem& fs, const std::string& errorFolder, const std::string& watch) {
  SentBack result;
  std::vector<FolderEntry> entries;
  if (const int error = fs.list(errorFolder, "*", entries); error != 0) {
    if (!fs_error::notThere(error)) result.error = error;
    return result;
  }
  for (const FolderEntry& entry : entries) {
    if (entry.facts.folder) continue;
    const std::string from = errorFolder + "\\" + entry.name, to = watch + entry.name;
    if (fs.moveFile(from, to) != 0) {
      result.stayed.push_back(from);
      continue;
    }
    LogEntry line;
    line.input = from;
    line.output = to;
    line.result = LogResult::SentBack;
    result.lines.push_back(std::move(line));
    result.back.push_back(to);
  }
  return result;
}

}  // namespace marlisk
