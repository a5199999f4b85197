// The application's help hook: every help button and F1 of every window asks it. The program
// installs its compiled-help handler here; until then help requests go nowhere.
#pragma once

#include <windows.h>

#include <functional>

namespace marlisk::win {

using HelpHook = std::function<void(UINT command, DWORD_PTR data)>;
void setHelpHook(HelpHook hook);
// HELP_CONTEXT with a topic number, HELP_FINDER, ...
void requestHelp(UINT command, DWORD_PTR data);

}  // namespace marlisk::win
