// Where an input goes once standby is done with it, when it is not simply deleted: into a
// folder (the error folder, the done folder) under a name never taken there, or to the Recycle
// Bin. Nothing here overwrites a file or loses one: a move that fails leaves the input where
// it was.
#pragma once

#include <string>
#include <vector>

#include "app/core/InputHandling.h"
#include "win/Error.h"

namespace marlisk::win {

// The system time now, as a file time (100 ns units), to compare with files' write times.
uint64_t fileTimeNow();
// What is at an output path now (nothing, for a folder).
OutputFacts factsOf(const std::string& path);
// The same for many paths at once, in their order: each folder they lie in is listed once
// instead of each path being asked about (100,000 outputs in one folder are one listing).
std::vector<OutputFacts> factsOfAll(const std::vector<std::string>& paths);
// What is at each item's `output` now, in their order, the same way.
template <typename Item>
std::vector<OutputFacts> factsOfOutputs(const std::vector<Item>& items) {
  std::vector<std::string> paths;
  paths.reserve(items.size());
  for (const Item& item : items) paths.push_back(item.output);
  return factsOfAll(paths);
}

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
