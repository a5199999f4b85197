#include "help/HtmlHelp.h"

#include <htmlhelp.h>
#include <oleauto.h>

#include "core/Path.h"
#include "win/HelpHook.h"
#include "win/Strings.h"
#include "win/Warning.h"

namespace marlisk::win {

namespace {

// HH_LAST_ERROR as the HTML Help API documents it (MinGW's header leaves it out).
struct HhLastError {
  int cbStruct;
  HRESULT hr;
  BSTR description;
};

using HtmlHelpW_t = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

// The viewer, loaded when first needed; a missing one must not raise the system's own box.
HtmlHelpW_t viewer() {
  static const HtmlHelpW_t function = [] {
    const UINT previous = SetErrorMode(SEM_NOOPENFILEERRORBOX);
    HMODULE library = LoadLibraryW(L"hhctrl.ocx");
    SetErrorMode(previous);
    return library ? reinterpret_cast<HtmlHelpW_t>(reinterpret_cast<void*>(GetProcAddress(library, "HtmlHelpW")))
                   : nullptr;
  }();
  return function;
}

}  // namespace

THTMLHelp::THTMLHelp(std::string exeFolder, std::string helpFile)
    : exeFolder_(std::move(exeFolder)), helpFile_(std::move(helpFile)) {}

THTMLHelp::~THTMLHelp() {
  if (installed_) setHelpHook(nullptr);
}

void THTMLHelp::Loaded() {
  if (!AutoInstall) return;
  setHelpHook([this](UINT command, DWORD_PTR data) { Help(command, data); });
  installed_ = true;
}

HWND THTMLHelp::call(HWND owner, const std::wstring& file, UINT command, DWORD_PTR data) {
  if (htmlHelp) return htmlHelp(owner, file, command, data);
  return viewer()(owner, file.empty() ? nullptr : file.c_str(), command, data);
}

void THTMLHelp::reportLastError() {
  HhLastError error = {sizeof(error), S_OK, nullptr};
  call(nullptr, L"", HH_GET_LAST_ERROR, reinterpret_cast<DWORD_PTR>(&error));
  if (FAILED(error.hr) && error.description) ShowError(narrow(error.description));
  if (error.description) SysFreeString(error.description);
}

bool THTMLHelp::Help(UINT command, DWORD_PTR data) {
  if (command == HELP_QUIT) return false;
  if (!htmlHelp && !viewer()) {
    ShowWarning("ヘルプを表示できません!\r HTMLヘルプ (hhctrl.ocx) がこのパソコンにありません");
    return false;
  }
  if (cookie_ == static_cast<DWORD>(-1)) call(nullptr, L"", HH_INITIALIZE, reinterpret_cast<DWORD_PTR>(&cookie_));
  const std::string file = exeFolder_ + "\\" + helpFile_;
  if (!equalsIgnoringAsciiCase(extensionPart(file), ".chm")) return false;
  const std::wstring wideFile = widen(file);
  HWND owner = GetDesktopWindow();
  switch (command) {
    case HELP_CONTEXT:
      if (!call(owner, wideFile, HH_HELP_CONTEXT, data)) reportLastError();
      break;
    case HELP_INDEX:  // also HELP_CONTENTS
    case HELP_FINDER:
      if (!call(owner, wideFile, HH_DISPLAY_TOPIC, 0)) reportLastError();
      break;
    case HELP_CONTEXTPOPUP:
      // A pop-up whose number is also a topic opens the topic; else the text pop-up.
      if (!call(owner, wideFile, HH_HELP_CONTEXT, data)) {
        HH_POPUP popup = {};
        popup.cbStruct = sizeof(popup);
        popup.idString = static_cast<UINT>(data);
        popup.pt = {popupX_, popupY_};
        popup.clrForeground = popup.clrBackground = static_cast<COLORREF>(-1);
        popup.rcMargins = {-1, -1, -1, -1};
        call(GetActiveWindow(), wideFile + L"::/cshelp.txt", HH_DISPLAY_TEXT_POPUP,
             reinterpret_cast<DWORD_PTR>(&popup));
      }
      break;
    case HELP_SETPOPUP_POS:
      popupX_ = LOWORD(data);
      popupY_ = HIWORD(data);
      break;
    default: break;
  }
  return false;
}

}  // namespace marlisk::win
