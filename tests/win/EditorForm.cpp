// The batch list editor with a populated list, left open for a screenshot.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "batchlist/OutFileListForm.h"
#include "resource.h"
#include "support/TestFolder.h"

using namespace marlisk;

int wmain() {
  OleInitialize(nullptr);
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  test::TestFolder root;
  const std::string data = root / "図面データ";
  test::makeFolder(data);
  test::makeFolder(data + "\\2026年度");
  for (const char* name : {"平面図.hgl", "立面図.hgl", "配置図 改訂2.hgl", "部品表.pdf", "断面図.hgl"})
    test::writeFile(data + "\\" + name, std::string(2048, 'x'));
  win::AppContext app;
  app.settings.WorkFolder = root / "work";
  app.settings.BatchFileName = data + "\\バッチ一覧.txt";
  app.settings.PdfExtList = "pdf";
  win::TFormOutFileList editor(app);
  HWND window = editor.create();
  for (const char* name : {"平面図.hgl", "立面図.hgl", "部品表.pdf"}) {
    editor.setItemText(IDC_SelectFilename, data + "\\" + name);
    editor.SelectFilenameEnter();
  }
  ShowWindow(window, SW_SHOW);
  MSG message;
  while (IsWindow(window) && GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(window, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  OleUninitialize();
  return 0;
}
