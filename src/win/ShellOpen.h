// Opens a document with the program the system has for it, or with a named program. Tests put
// a recorder in the system's place, as they do for the message box.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "win/Error.h"

namespace marlisk::win {

// `program` empty: the system's program for `path` (a folder opens in Explorer). Otherwise
// `program` (found on the system's path) is started with `path` as its argument.
Win32Error openDocument(const std::string& path, const std::string& program = "");

using OpenHandler = std::function<Win32Error(const std::string& path, const std::string& program)>;
// Replaces what openDocument does; an empty handler brings the system back. Returns the old one.
OpenHandler setOpenHandler(OpenHandler handler);

}  // namespace marlisk::win
