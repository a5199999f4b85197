// Small helpers for the platform's controls.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace marlisk::win {

// A window's text (a control's caption or content), whole, in UTF-8.
std::string windowText(HWND window);

// Lets a list box scroll sideways as far as its widest entry, measured in its own font.
void fitHorizontalExtent(HWND listBox);

// A text of the program's string table ("" when there is none of that number).
std::string resourceString(int id);

// The program's icon in a form's caption.
void setProgramIcon(HWND form, int iconId);

// Adds tabs with these captions, left to right.
void addTabs(HWND tabControl, std::initializer_list<std::string> captions);

// The tab now chosen, when `header` tells that tab control `tabId` changed its selection;
// -1 for any other notification.
int changedTab(const NMHDR* header, int tabId);

// Puts a small icon of the program's resources beside a push button's text (common controls
// 6 draw both).
void setButtonIcon(HWND button, int iconId);

// "上へ" of the browsing forms: the up-arrow glyph and its hint (string table texts).
void setUpFolderButton(HWND form, HWND button, int iconId, int hintId);

// A tab control whose page controls are its siblings, laid over it: it goes below them in
// the Z order (or it would paint over them), right after `lastOfPage`, which puts it after
// its page in the tab order.
void placeUnderItsPage(HWND tabControl, HWND lastOfPage);

// Gives a dialog made from a template the client size of `width` x `height` pixels at 96 DPI,
// scaled for the screen's DPI, and lays its controls out in proportion. Dialog units follow
// the template's font, which another system replaces with one of other proportions; a form
// whose size is given in pixels keeps it this way.
void fitClientToPixels(HWND dialog, int width, int height);

// A report list view's rows, replaced whole: each row's cells in its columns' order.
void setReportRows(HWND listView, const std::vector<std::vector<std::string>>& rows);

}  // namespace marlisk::win
