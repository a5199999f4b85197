// TOpenDialog: the system's file-open dialog as a lasting object. Its filter and folder stay
// set between showings, so a browse that does not set them opens as the last one left it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace marlisk::win {

class TOpenDialog {
 public:
  // "caption|mask|caption|mask..." pairs.
  std::string Filter;
  std::string InitialDir;
  std::string FileName;  // in: the name shown at first; out: the chosen file

  // Shows the dialog; true when the user chose a file (now in FileName).
  bool Execute(HWND owner);
  // Opens on what `fieldText` names: its folder, and its own file name, never the name left
  // by a browse for another field (the viewer's exe offered as the batch list).
  void startAt(const std::string& fieldText);

  // Tests answer in the user's place: the hook sees the dialog as it would be shown and
  // returns what the user would have done.
  static std::function<bool(TOpenDialog&)> executeHook;
};

}  // namespace marlisk::win
