// A plain top-level window holding controls, as a form would, for testing components: it
// passes its controls' notifications to the components through its reflector.
#pragma once

#include <windows.h>

#include "win/Reflection.h"

namespace marlisk::test {

class ControlHost {
 public:
  ControlHost() {
    static const ATOM type = [] {
      WNDCLASSW windowClass = {};
      windowClass.lpfnWndProc = hostProc;
      windowClass.hInstance = GetModuleHandleW(nullptr);
      windowClass.lpszClassName = L"MarliskTestHost";
      return RegisterClassW(&windowClass);
    }();
    (void)type;
    window = CreateWindowExW(0, L"MarliskTestHost", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 840, 520, nullptr,
                             nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~ControlHost() { DestroyWindow(window); }
  ControlHost(const ControlHost&) = delete;
  ControlHost& operator=(const ControlHost&) = delete;

  HWND add(const wchar_t* controlClass, DWORD style, int x, int y, int width, int height, int id) {
    return CreateWindowExW(0, controlClass, L"", WS_CHILD | WS_VISIBLE | WS_BORDER | style, x, y, width, height, window,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  }

  HWND window;
  win::Reflector reflector;

 private:
  static LRESULT CALLBACK hostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (auto* host = reinterpret_cast<ControlHost*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
      LRESULT result = 0;
      if (host->reflector.route(message, wParam, lParam, result)) return result;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }
};

}  // namespace marlisk::test
