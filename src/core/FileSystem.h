// What the core needs of the file system. The program's implementation calls Win32; the
// native tests use an in-memory one that can also be told to fail.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace marlisk {

struct ReadResult {
  int error = 0;      // 0, or the system's error code when the file could not be read
  std::string bytes;  // the file's first bytes, at most as many as asked for
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual bool fileExists(const std::string& path) const = 0;
  virtual bool folderExists(const std::string& path) const = 0;
  virtual ReadResult readFile(const std::string& path, size_t maxBytes) const = 0;
  // Replaces the file's content all at once: afterwards the file holds either its old
  // content or all of `bytes`, never a part. Returns 0 or the system's error code.
  virtual int replaceFile(const std::string& path, std::string_view bytes) = 0;
  // Gives a file another name, replacing a file of that name; 0 or the system's error code.
  virtual int renameFile(const std::string& from, const std::string& to) = 0;
  // One level; false when the folder could not be created.
  virtual bool createFolder(const std::string& path) = 0;
  // Everything below `from` into `to`, both without a trailing "\": 0 on success, else the
  // system's error code of what failed first (a sub-folder's creation, a file's copy). With
  // `keepExisting`, a file that is already in `to` stays as it is.
  virtual int copyFolderTree(const std::string& from, const std::string& to, bool keepExisting = false) = 0;
};

}  // namespace marlisk
