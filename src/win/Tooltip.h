#pragma once

#include <windows.h>

#include <string>

namespace marlisk::win {

// Gives a control the hint shown while the mouse rests on it.
void addTooltip(HWND owner, HWND control, const std::string& text);

}  // namespace marlisk::win
