// An in-memory file system for the core's tests, which can be told to fail. Opens keep share
// modes as a file server does, so that the station rules (claims, seals, locks) run here.
// Paths are compared as written; folders are kept without a trailing "\"; a drive letter is
// a volume.
#pragma once

#include <algorithm>
#include <map>
#include <set>

#include "core/FileSystem.h"

namespace marlisk::test {

class MemoryFileSystem final : public FileSystem {
 public:
  std::map<std::string, std::string> files;
  std::set<std::string> folders;
  std::map<std::string, uint64_t> times;    // last writes; a file written here gets `clock`
  int replaceError = 0;                     // nonzero: replaceFile fails with it and changes nothing
  int renameError = 0;                      // likewise renameFile
  std::set<std::string> unwritableFolders;  // createFolder (and making files there) fails for these
  std::set<std::string> recycled;           // what went to the Recycle Bin
  // A rename to a key that says yes but puts the file at the value (a client's stale open).
  std::map<std::string, std::string> misdirectedMoves;
  uint64_t clock = 133'000'000'000'000'000ull;  // now(), as a file time

  ~MemoryFileSystem() override {
    for (Handle* handle : open_) handle->fs = nullptr;
  }

  bool fileExists(const std::string& path) const override { return files.count(path) > 0; }
  bool folderExists(const std::string& path) const override { return folders.count(trimmed(path)) > 0; }
  ReadResult readFile(const std::string& path, size_t maxBytes) const override {
    const auto found = files.find(path);
    if (found == files.end()) return {2, {}};
    return {0, found->second.substr(0, maxBytes)};
  }
  int replaceFile(const std::string& path, std::string_view bytes) override {
    if (replaceError != 0) return replaceError;
    files[path] = std::string(bytes);
    times[path] = clock;
    return 0;
  }
  int renameFile(const std::string& from, const std::string& to) override {
    if (renameError != 0) return renameError;
    const auto found = files.find(from);
    if (found == files.end()) return 2;
    if (const int busy = heldAgainstDeleting(from)) return busy;
    std::string bytes = std::move(found->second);
    files.erase(found);
    files[to] = std::move(bytes);
    times[to] = times[from];
    follow(from, to);
    return 0;
  }
  bool createFolder(const std::string& path) override {
    if (unwritableFolders.count(path) || folders.count(path) || files.count(path)) return false;
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

  FileFacts facts(const std::string& path) const override {
    FileFacts facts;
    if (const auto file = files.find(path); file != files.end()) {
      facts.exists = true;
      facts.size = file->second.size();
      facts.lastWrite = timeOf(path);
    } else if (folders.count(trimmed(path))) {
      facts.exists = facts.folder = true;
    } else {
      facts.whyNot = parentThere(trimmed(path)) ? fs_error::kFileNotFound : fs_error::kPathNotFound;
    }
    return facts;
  }
  int list(const std::string& folder, const std::string& pattern, std::vector<FolderEntry>& entries) const override {
    const std::string base = trimmed(folder);
    if (!folders.count(base)) return fs_error::kPathNotFound;
    const std::string mask = pattern == "*.*" ? "*" : pattern;  // as Windows reads it
    for (const std::string& path : childrenOf(base))
      if (matches(mask, path.substr(base.size() + 1))) entries.push_back({path.substr(base.size() + 1), facts(path)});
    return 0;
  }
  OpenFilePtr open(const std::string& path, const OpenMode& mode, int* error = nullptr) override {
    int why = 0;
    const bool there = files.count(path) > 0;
    if (folders.count(path))
      why = fs_error::kAccessDenied;
    else if (!there && mode.create == OpenMode::Create::Existing)
      why = parentThere(path) ? 2 : 3;
    else if (there && mode.create == OpenMode::Create::New)
      why = fs_error::kFileExists;
    else if (!there && !parentThere(path))
      why = fs_error::kPathNotFound;
    else if (!there && unwritableFolders.count(parentOf(path)))
      why = fs_error::kAccessDenied;
    else
      for (const Handle* other : open_)
        if (other->path == path && !(allows(other->share, mode.access) && allows(mode.share, other->access)))
          why = fs_error::kSharingViolation;
    if (error) *error = why;
    if (why != 0) return nullptr;
    if (!there) replaceFile(path, "");
    return std::make_unique<Handle>(*this, path, mode);
  }
  int moveFile(const std::string& from, const std::string& to) override {
    if (!files.count(from)) return parentThere(from) ? 2 : 3;
    if (volumeOf(from) != volumeOf(to)) return fs_error::kNotSameDevice;
    if (!parentThere(to)) return fs_error::kPathNotFound;
    if (files.count(to) || folders.count(to)) return fs_error::kAlreadyExists;
    if (const int busy = heldAgainstDeleting(from)) return busy;
    const auto misdirected = misdirectedMoves.find(to);
    const std::string& landing = misdirected == misdirectedMoves.end() ? to : misdirected->second;
    files[landing] = std::move(files[from]);
    times[landing] = timeOf(from);
    files.erase(from);
    follow(from, landing);
    return 0;
  }
  int copyFile(const std::string& from, const std::string& to) override {
    if (!files.count(from)) return 2;
    if (files.count(to)) return fs_error::kFileExists;
    if (!parentThere(to)) return fs_error::kPathNotFound;
    files[to] = files[from];
    times[to] = timeOf(from);
    return 0;
  }
  int deleteFile(const std::string& path, bool = false) override {
    if (!files.count(path)) return 2;
    if (const int busy = heldAgainstDeleting(path)) return busy;
    files.erase(path);
    return 0;
  }
  int recycle(const std::string& path) override {
    const int error = deleteFile(path, false);
    if (error == 0) recycled.insert(path);
    return error;
  }
  int makeFolders(const std::string& path) override {
    const std::string folder = trimmed(path);
    if (folders.count(folder)) return 0;
    if (files.count(folder)) return fs_error::kDirectory;
    if (folder.find('\\') == std::string::npos) return 0;  // a drive
    if (const int above = makeFolders(parentOf(folder))) return above;
    if (unwritableFolders.count(parentOf(folder))) return fs_error::kAccessDenied;
    folders.insert(folder);
    return 0;
  }
  void hide(const std::string&) override {}
  uint64_t now() const override { return clock; }
  void waitBriefly(unsigned) const override {}

  // The server drops a client's session: every open of a path starting with `prefix` is let
  // go (its files stay), and its holder's later calls through it fail.
  void dropOpens(const std::string& prefix) {
    for (Handle* handle : std::set<Handle*>(open_))
      if (handle->path.rfind(prefix, 0) == 0) {
        open_.erase(handle);
        if (handle->deleteOnClose) files.erase(handle->path);
        handle->fs = nullptr;
      }
  }
  // Whether anyone holds `path` open now.
  bool isOpen(const std::string& path) const {
    return std::any_of(open_.begin(), open_.end(), [&](const Handle* h) { return h->path == path; });
  }

 private:
  struct Handle final : OpenFile {
    Handle(MemoryFileSystem& owner, std::string where, const OpenMode& mode)
        : fs(&owner), path(std::move(where)), access(mode.access), share(mode.share), deleteOnClose(mode.deleteOnClose) {
      fs->open_.insert(this);
    }
    ~Handle() override {
      if (!fs) return;
      fs->open_.erase(this);
      if (deleteOnClose) fs->files.erase(path);
    }
    bool facts(uint64_t& size, uint64_t& lastWrite) const override {
      if (!fs || !fs->files.count(path)) return false;
      size = fs->files.at(path).size();
      lastWrite = fs->timeOf(path);
      return true;
    }
    bool read(char* into, size_t size, size_t& got) override {
      if (!fs || !fs->files.count(path)) return false;
      const std::string& bytes = fs->files.at(path);
      got = std::min(size, bytes.size() - std::min(bytes.size(), at));
      std::copy_n(bytes.data() + at, got, into);
      at += got;
      return true;
    }
    int write(std::string_view bytes) override {
      if (!fs || !fs->files.count(path)) return fs_error::kAccessDenied;
      fs->files[path].append(bytes);
      fs->times[path] = fs->clock;
      return 0;
    }
    MemoryFileSystem* fs;
    std::string path;
    unsigned access, share;
    bool deleteOnClose;
    size_t at = 0;
  };

  // An open follows its file to its new name.
  void follow(const std::string& from, const std::string& to) {
    for (Handle* handle : open_)
      if (handle->path == from) handle->path = to;
  }
  static bool allows(unsigned share, unsigned access) {
    return (!(access & OpenMode::kRead) || (share & OpenMode::kShareRead)) &&
           (!(access & (OpenMode::kWrite | OpenMode::kAppend)) || (share & OpenMode::kShareWrite)) &&
           (!(access & OpenMode::kDelete) || (share & OpenMode::kShareDelete));
  }
  int heldAgainstDeleting(const std::string& path) const {
    for (const Handle* h : open_)
      if (h->path == path && !(h->share & OpenMode::kShareDelete)) return fs_error::kSharingViolation;
    return 0;
  }
  static std::string trimmed(std::string path) {
    if (path.size() > 3 && path.back() == '\\') path.pop_back();
    return path;
  }
  static std::string parentOf(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }
  static std::string volumeOf(const std::string& path) { return path.substr(0, path.find('\\')); }
  bool parentThere(const std::string& path) const {
    const std::string parent = parentOf(path);
    return parent.find('\\') == std::string::npos || folders.count(parent) > 0;
  }
  uint64_t timeOf(const std::string& path) const {
    const auto time = times.find(path);
    return time == times.end() ? 0 : time->second;
  }
  std::vector<std::string> childrenOf(const std::string& folder) const {
    std::vector<std::string> children;
    const std::string prefix = folder + "\\";
    auto direct = [&](const std::string& path) {
      return path.rfind(prefix, 0) == 0 && path.find('\\', prefix.size()) == std::string::npos;
    };
    for (const auto& entry : files)
      if (direct(entry.first)) children.push_back(entry.first);
    for (const std::string& path : folders)
      if (direct(path)) children.push_back(path);
    return children;
  }
  // "*" and "?" as a listing matches them, letters of either case alike.
  static bool matches(std::string_view pattern, std::string_view name) {
    if (pattern.empty()) return name.empty();
    if (pattern[0] == '*')
      return matches(pattern.substr(1), name) || (!name.empty() && matches(pattern, name.substr(1)));
    if (name.empty()) return false;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return (pattern[0] == '?' || lower(pattern[0]) == lower(name[0])) && matches(pattern.substr(1), name.substr(1));
  }

  std::set<Handle*> open_;
};

}  // namespace marlisk::test
