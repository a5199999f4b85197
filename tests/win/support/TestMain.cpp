#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <gtest/gtest.h>

// The program runs with OLE and the common controls on its UI thread; so do its tests.
int wmain(int argc, wchar_t** argv) {
  testing::InitGoogleTest(&argc, argv);
  OleInitialize(nullptr);
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);
  const int result = RUN_ALL_TESTS();
  OleUninitialize();
  return result;
}
