// What the parts of standby output share about the files they handle.
#pragma once

#include <windows.h>

#include <string>

#include "win/Strings.h"

namespace marlisk::win::standby {

inline std::string movedToDetail(const std::string& path) { return "移動先 " + path; }

// The viewer opens its files through calls that stop at MAX_PATH. UTF-8 takes at least as many
// bytes as UTF-16 takes units: only a long path is widened.
inline bool tooLongForTheViewer(const std::string& path) {
  return path.size() >= MAX_PATH && widen(path).size() >= MAX_PATH;
}

}  // namespace marlisk::win::standby
