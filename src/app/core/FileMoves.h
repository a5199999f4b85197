// Where an input goes once a run is done with it, when it is not simply deleted, and the
// opens a run holds on its files. Nothing here overwrites a file or loses one: a move that
// fails leaves the input where it was. Everything goes through the FileSystem seam.
#pragma once

#include <string>
#include <vector>

#include "app/core/InputHandling.h"

#include "core/FileSystem.h"

namespace marlisk {

struct MoveResult {
  int error = 0;
  std::string movedTo;  // the input's new path, when it moved
};

// Into `folder` (made, with the folders above it, when needed): the input's own name, or
// " (2)", " (3)" ... before its extension when the name is taken. Across volumes the input is
// copied, the copy compared with it, and only then the input deleted.
MoveResult moveIntoFolder(FileSystem& fs, const std::string& path, const std::string& folder);

// Whether a file can be made in `folder` now: a share that dropped, a folder removed or one
// the user may not write to answers with its error. The probe leaves nothing behind.
int folderWritable(FileSystem& fs, const std::string& folder);

// A claimed file held open for reading only, sharing only reading: no other station (nor a
// late rename from a stale handle) can move or delete it, and a writer still at it keeps the
// open from succeeding. A brief sharing violation is waited out, about a second.
OpenFilePtr sealFile(FileSystem& fs, const std::string& path, int* error = nullptr);

// Every file of `errorFolder` back into `watch` (ending in "\"), each only where its name is
// free: a file of that name there stays where it is, and the file in the error folder too.
struct SentBack {
  std::vector<LogEntry> lines;      // each file that went back, for the run log
  std::vector<std::string> back;    // their paths in the watch folder
  std::vector<std::string> stayed;  // the ones that stayed in the error folder
  int error = 0;                    // the error folder could not be listed (0: none, or not there)
};
SentBack sendBackFrom(FileSystem& fs, const std::string& errorFolder, const std::string& watch);

}  // namespace marlisk
