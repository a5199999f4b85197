#include "win/Warning.h"

#include <windows.h>

#include <string_view>
#include <utility>

#include "win/Strings.h"

namespace marlisk::win {

namespace {
WarningHandler& handler() {
  static WarningHandler instance;
  return instance;
}
QuestionHandler& questions() {
  static QuestionHandler instance;
  return instance;
}
}  // namespace

bool AskYesNo(const std::string& text, bool unasked) {
  if (questions()) return questions()(text);
  if (handler()) {
    handler()(text);
    return unasked;
  }
  return MessageBoxW(GetActiveWindow(), widen(text).c_str(), L"MarliskAuto", MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void withdrawQuestion() {
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM) -> BOOL {
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (std::wstring_view(name) == L"#32770" && GetDlgItem(window, IDYES) && GetDlgItem(window, IDNO))
          PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
        return TRUE;
      },
      0);
}

QuestionHandler setQuestionHandler(QuestionHandler replacement) {
  return std::exchange(questions(), std::move(replacement));
}

void ShowWarning(const std::string& text) {
  if (handler()) {
    handler()(text);
    return;
  }
  MessageBoxW(GetActiveWindow(), widen(text).c_str(), L"MarliskAuto", MB_OK | MB_ICONWARNING);
}

void ShowError(const std::string& text) {
  if (handler()) {
    handler()(text);
    return;
  }
  MessageBoxW(GetActiveWindow(), widen(text).c_str(), L"MarliskAuto", MB_OK | MB_ICONERROR);
}

WarningHandler setWarningHandler(WarningHandler replacement) {
  return std::exchange(handler(), std::move(replacement));
}

}  // namespace marlisk::win
