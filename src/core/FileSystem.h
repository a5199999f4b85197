// What the program needs of the file system. The program's implementation calls Win32; the
// native tests use an in-memory one that keeps share modes as a file server does and can be
// told to fail. Errors are the system's codes (0 for none); the ones the program tells apart
// are named below with Windows' own numbers, which the Win32 implementation passes through.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace marlisk {

namespace fs_error {
inline constexpr int kFileNotFound = 2;
inline constexpr int kPathNotFound = 3;
inline constexpr int kAccessDenied = 5;
inline constexpr int kNotSameDevice = 17;
inline constexpr int kSharingViolation = 32;
inline constexpr int kFileExists = 80;
inline constexpr int kAlreadyExists = 183;
inline constexpr int kDirectory = 267;  // a folder where a file was meant, or the reverse
inline constexpr int kCancelled = 1223;
inline constexpr int kFileCorrupt = 1392;
inline bool nameTaken(int error) { return error == kFileExists || error == kAlreadyExists; }
inline bool notThere(int error) { return error == kFileNotFound || error == kPathNotFound; }
}  // namespace fs_error

struct ReadResult {
  int error = 0;      // 0, or the system's error code when the file could not be read
  std::string bytes;  // the file's first bytes, at most as many as asked for
};

// What is at a path, or in a listing. Times are file times (100 ns units since 1601, UTC).
struct FileFacts {
  bool exists = false;
  bool folder = false;
  bool reparsePoint = false;  // a junction or a link: never followed by a listing
  uint64_t size = 0;
  uint64_t lastWrite = 0;
  int whyNot = 0;  // when nothing is there: the system's reason (not found, a share gone)
};
struct FolderEntry {
  std::string name;
  FileFacts facts;
};

// An open as CreateFile makes it: what it asks for, and what it lets others do meanwhile.
// An open that others' opens do not allow fails with kSharingViolation, and so do a rename
// and a deletion of a file someone holds open without sharing deleting.
struct OpenMode {
  // kAppend: writes go to the end, whoever else writes meanwhile.
  enum Access : unsigned { kRead = 1, kWrite = 2, kDelete = 4, kAppend = 8, kAttributesOnly = 0 };
  enum Share : unsigned { kShareRead = 1, kShareWrite = 2, kShareDelete = 4, kShareAll = 7 };
  enum class Create { Existing, Always, New };
  unsigned access = kRead;
  unsigned share = kShareRead;
  Create create = Create::Existing;
  bool deleteOnClose = false;
  bool hiddenTemporary = false;  // made hidden, and kept in memory where the system can
};

class OpenFile {
 public:
  virtual ~OpenFile() = default;
  // What the file holds now, asked through the handle: the server's answer, not a cache.
  virtual bool facts(uint64_t& size, uint64_t& lastWrite) const = 0;
  // Up to `size` bytes from where the last read ended; false on an error (0 read at the end).
  virtual bool read(char* into, size_t size, size_t& got) = 0;
  // All of `bytes`: 0, or why not (a full disk).
  virtual int write(std::string_view bytes) = 0;
};
using OpenFilePtr = std::unique_ptr<OpenFile>;

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

  // What is at `path` now (a trailing "\" is allowed for a folder).
  virtual FileFacts facts(const std::string& path) const = 0;
  // The entries of `folder` (no "." and ".."), whose names match `pattern` ("*", "*.txt", a
  // mask of the viewer's kind); 0, or why the folder could not be listed.
  virtual int list(const std::string& folder, const std::string& pattern, std::vector<FolderEntry>& entries) const = 0;
  virtual OpenFilePtr open(const std::string& path, const OpenMode& mode, int* error = nullptr) = 0;
  // A rename that never replaces (kFileExists/kAlreadyExists when the name is taken), written
  // through; across volumes it fails with kNotSameDevice.
  virtual int moveFile(const std::string& from, const std::string& to) = 0;
  // A copy that never replaces.
  virtual int copyFile(const std::string& from, const std::string& to) = 0;
  // A read-only file is refused, unless `evenReadOnly` (a copy of ours whose input was).
  virtual int deleteFile(const std::string& path, bool evenReadOnly = false) = 0;
  // To the Recycle Bin, or deleted where the volume has none.
  virtual int recycle(const std::string& path) = 0;
  // The folder and the folders above it; 0 when they are there (made now or before).
  virtual int makeFolders(const std::string& path) = 0;
  virtual void hide(const std::string& path) = 0;
  // This machine's clock as a file time.
  virtual uint64_t now() const = 0;
  // A moment's wait for another's open to end (a racing rename, a writer letting go).
  virtual void waitBriefly(unsigned milliseconds) const = 0;
};

}  // namespace marlisk
