// Where an input goes once a run is done with it, when it is not simply deleted, and the
// opens a run holds on its files. Nothing here overwrites a file or loses one: a move that
// fails leaves the input where it was. Everything goes through the FileSystem seam.
#pragma once

#include <string>

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

}  // namespace marlisk
