// ShowWarning: the program's one message box (warning icon, OK only). Tests put a recorder
// in its place instead of blocking on a modal box.
#pragma once

#include <functional>
#include <string>

namespace marlisk::win {

void ShowWarning(const std::string& text);

using WarningHandler = std::function<void(const std::string&)>;
// Replaces what ShowWarning does; an empty handler brings back the message box. Returns the
// handler that was in place.
WarningHandler setWarningHandler(WarningHandler handler);

}  // namespace marlisk::win
