// THTMLHelp: opens the compiled help file beside the exe for every help request of the
// program, through the platform's HTML Help viewer (hhctrl.ocx, loaded when first needed).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace marlisk::win {

class THTMLHelp {
 public:
  // The viewer's entry point, as HtmlHelpW: (owner, file, command, data) -> the window it opened.
  using HtmlHelpFunction = std::function<HWND(HWND, const std::wstring&, UINT, DWORD_PTR)>;

  // `helpFile` is the file name beside the exe; `exeFolder` without a trailing "\".
  THTMLHelp(std::string exeFolder, std::string helpFile);
  ~THTMLHelp();
  THTMLHelp(const THTMLHelp&) = delete;
  THTMLHelp& operator=(const THTMLHelp&) = delete;

  bool AutoInstall = true;
  // Installs the handler as the application's help hook (unless AutoInstall is false).
  void Loaded();

  // The handler: a WinHelp-style command (HELP_CONTEXT, HELP_FINDER, ...) and its data. Always
  // false: nothing is left for another help mechanism to do.
  bool Help(UINT command, DWORD_PTR data);

  // Replaces the viewer, for tests.
  HtmlHelpFunction htmlHelp;

 private:
  HWND call(HWND owner, const std::wstring& file, UINT command, DWORD_PTR data);
  void reportLastError();

  std::string exeFolder_;
  std::string helpFile_;
  DWORD cookie_ = static_cast<DWORD>(-1);
  int popupX_ = 0;
  int popupY_ = 0;
  bool installed_ = false;
};

}  // namespace marlisk::win
