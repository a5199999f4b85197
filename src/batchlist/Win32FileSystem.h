#pragma once

#include "core/FileSystem.h"

namespace marlisk::win {

class Win32FileSystem final : public FileSystem {
 public:
  bool fileExists(const std::string& path) const override;
  bool folderExists(const std::string& path) const override;
  ReadResult readFile(const std::string& path, size_t maxBytes) const override;
  int replaceFile(const std::string& path, std::string_view bytes) override;
  int renameFile(const std::string& from, const std::string& to) override;
  bool createFolder(const std::string& path) override;
  int copyFolderTree(const std::string& from, const std::string& to, bool keepExisting) override;

  FileFacts facts(const std::string& path) const override;
  int list(const std::string& folder, const std::string& pattern, std::vector<FolderEntry>& entries) const override;
  OpenFilePtr open(const std::string& path, const OpenMode& mode, int* error = nullptr) override;
  int moveFile(const std::string& from, const std::string& to) override;
  int copyFile(const std::string& from, const std::string& to) override;
  int deleteFile(const std::string& path, bool evenReadOnly = false) override;
  int recycle(const std::string& path) override;
  int makeFolders(const std::string& path) override;
  void hide(const std::string& path) override;
  uint64_t now() const override;
  void waitBriefly(unsigned milliseconds) const override;
};

// The process's current working folder ("" if it cannot be had).
std::string currentFolder();

}  // namespace marlisk::win
