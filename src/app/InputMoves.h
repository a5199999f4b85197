// What a run knows of its outputs: what is at each output path (a folder listed once), the
// record of which input made each output, and the name each input's output gets.
#pragma once

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "app/core/InputHandling.h"
#include "app/core/OutputOrigins.h"
#include "core/FileSystem.h"
#include "win/Error.h"

namespace marlisk::win {

// What is at an output path now (nothing, for a folder).
OutputFacts factsOf(const FileSystem& fs, const std::string& path);
// What was at each path when its folder was first asked about: each folder is listed once
// instead of each path being asked about (100,000 outputs in one folder are one listing).
class FolderListing {
 public:
  explicit FolderListing(const FileSystem& fs) : fs_(fs) {}
  OutputFacts facts(const std::string& path);

 private:
  using FilesByName = std::unordered_map<std::wstring, OutputFacts>;
  const FilesByName& list(const std::string& folder);
  // By name folded as the file system compares names; empty for a folder with no files.
  using Files = FilesByName;
  const FileSystem& fs_;
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

}  // namespace marlisk::win
