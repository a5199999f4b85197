// An in-memory file system for the core's tests, which can be told to fail.
#pragma once

#include <map>
#include <set>

#include "core/FileSystem.h"

namespace marlisk::test {

class MemoryFileSystem final : public FileSystem {
 public:
  std::map<std::string, std::string> files;
  std::set<std::string> folders;
  int replaceError = 0;                     // nonzero: replaceFile fails with it and changes nothing
  int renameError = 0;                      // likewise renameFile
  std::set<std::string> unwritableFolders;  // createFolder fails for these

  bool fileExists(const std::string& path) const override { return files.count(path) > 0; }
  bool folderExists(const std::string& path) const override { return folders.count(path) > 0; }
  ReadResult readFile(const std::string& path, size_t maxBytes) const override {
    const auto found = files.find(path);
    if (found == files.end()) return {2, {}};
    return {0, found->second.substr(0, maxBytes)};
  }
  int replaceFile(const std::string& path, std::string_view bytes) override {
    if (replaceError != 0) return replaceError;
    files[path] = std::string(bytes);
    return 0;
  }
  int renameFile(const std::string& from, const std::string& to) override {
    if (renameError != 0) return renameError;
    const auto found = files.find(from);
    if (found == files.end()) return 2;
    std::string bytes = std::move(found->second);
    files.erase(found);
    files[to] = std::move(bytes);
    return 0;
  }
  bool createFolder(const std::string& path) override {
    if (unwritableFolders.count(path) || folders.count(path)) return false;
    folders.insert(path);
    return true;
  }
  int copyFolderTree(const std::string& from, const std::string& to, bool keepExisting) override {
    if (!folders.count(from)) return 3;  // path not found
    const std::string prefix = from + "\\";
    for (const std::string& folder : std::set<std::string>(folders))
      if (folder.rfind(prefix, 0) == 0) folders.insert(to + folder.substr(from.size()));
    for (const auto& [path, bytes] : std::map<std::string, std::string>(files))
      if (path.rfind(prefix, 0) == 0 && !(keepExisting && files.count(to + path.substr(from.size()))))
        files[to + path.substr(from.size())] = bytes;
    return 0;
  }
};

}  // namespace marlisk::test
