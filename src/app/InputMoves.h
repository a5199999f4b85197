// Where an input goes once standby is done with it, when it is not simply deleted: into a
// folder (the error folder, the done folder) under a name never taken there, or to the Recycle
// Bin. Nothing here overwrites a file or loses one: a move that fails leaves the input where
// it was.
#pragma once

#include <windows.h>

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "app/core/InputHandling.h"
#include "app/core/OutputOrigins.h"
#include "core/FileSystem.h"
#include "win/Error.h"

namespace marlisk::win {

// A file time as one number (100 ns units).
uint64_t fileTimeValue(const FILETIME& time);
// The system time now, as a file time (100 ns units), to compare with files' write times.
uint64_t fileTimeNow();
// What is at an output path now (nothing, for a folder).
OutputFacts factsOf(const std::string& path);
// What was at each path when its folder was first asked about: each folder is listed once
// instead of each path being asked about (100,000 outputs in one folder are one listing).
class FolderListing {
 public:
  OutputFacts facts(const std::string& path);

 private:
  using FilesByName = std::unordered_map<std::wstring, OutputFacts>;
  const FilesByName& list(const std::string& folder);
  // By name folded as the file system compares names; empty for a folder with no files.
  using Files = FilesByName;
  std::unordered_map<std::string, Files> folders_;
  // The folder asked about last: a run's outputs mostly share one, found without a copy.
  std::string lastFolder_;
  const Files* lastFiles_ = nullptr;
};

// The record of which input made each output, kept in the working folder (no trailing "\").
OutputOrigins loadOutputOrigins(const FileSystem& fs, const std::string& workFolder);
// Saved whole, less the outputs that are gone; 0 or the I/O error.
Win32Error saveOutputOrigins(FileSystem& fs, const std::string& workFolder, OutputOrigins& origins);

// The output `input` is given in this run (see OutputOrigins::choose), entered in `given`,
// and what `listing` saw there before the run. An empty path when no free name is left.
struct OutputChoice {
  std::string path;
  OutputFacts before;
};
OutputChoice outputFor(const OutputOrigins& origins, const std::string& wanted, const std::string& input,
                       FolderListing& listing, std::unordered_set<std::string>& given);
// The log's word on an output given another name than its input's.
std::string renamedOutputDetail(const std::string& wanted);

// Whether a file can be made in `folder` now: a share that dropped, a folder removed or one
// the user may not write to answers with its error. The probe leaves nothing behind.
Win32Error folderWritable(const std::string& folder);

struct MoveResult {
  Win32Error error;
  std::string movedTo;  // the input's new path, when it moved
};

// Into `folder` (made, with the folders above it, when needed): the input's own name, or
// " (2)", " (3)" ... before its extension when the name is taken. Across volumes the input is
// copied, the copy compared with it, and only then the input deleted.
MoveResult moveIntoFolder(const std::string& path, const std::string& folder);

// To the Recycle Bin, through the shell's file operation (undo allowed, nothing asked, nothing
// shown). Where the volume has no Recycle Bin the shell deletes the file instead.
Win32Error moveToRecycleBin(const std::string& path);

}  // namespace marlisk::win
