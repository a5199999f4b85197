#include "support/WhenModal.h"

#include <string>

namespace marlisk::test {

namespace {

WhenModal* current = nullptr;  // one at a time: the tests run on one thread

struct Search {
  HWND owner;
  HWND found = nullptr;
};

BOOL CALLBACK findDialog(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  if (std::wstring(className) == L"#32770" && GetWindow(window, GW_OWNER) == search->owner && IsWindowVisible(window) &&
      IsWindowEnabled(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

WhenModal::WhenModal(HWND owner, std::function<void(HWND)> action) : owner_(owner), action_(std::move(action)) {
  current = this;
  timer_ = SetTimer(nullptr, 0, 20, tick);
}

WhenModal::~WhenModal() {
  if (timer_) KillTimer(nullptr, timer_);
  current = nullptr;
}

void CALLBACK WhenModal::tick(HWND, UINT, UINT_PTR, DWORD) {
  if (!current || current->ran_) return;
  Search search{current->owner_};
  EnumThreadWindows(GetCurrentThreadId(), findDialog, reinterpret_cast<LPARAM>(&search));
  if (!search.found) return;
  current->ran_ = true;
  KillTimer(nullptr, current->timer_);
  current->timer_ = 0;
  current->action_(search.found);
}

void clickButton(HWND dialog, int id) {
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

}  // namespace marlisk::test
