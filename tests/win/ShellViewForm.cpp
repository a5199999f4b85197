// A test form with the browsing components over a folder of Japanese names, left open for a
// screenshot (scripts/screenshot takes it and closes it).
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "shellview/ComboView.h"
#include "shellview/FileView.h"
#include "shellview/FolderView.h"
#include "shellview/ShellActions.h"
#include "support/ControlHost.h"
#include "support/TestFolder.h"

using namespace marlisk;

int wmain() {
  OleInitialize(nullptr);
  InitCommonControls();
  test::TestFolder root;
  for (const char* folder : {"図面データ", "図面データ\\2026年度", "図面データ\\2026年度\\案件A",
                             "図面データ\\2026年度\\案件B", "図面データ\\2026年度\\ソフト表"})
    test::makeFolder(root / folder);
  const std::string here = root / "図面データ\\2026年度";
  for (const char* name : {"平面図.hgl", "立面図.hgl", "配置図 改訂2.plt", "部品表.pdf", "メモ.txt", "図面一覧"})
    test::writeFile(here + "\\" + name, std::string(1500, 'x'));

  test::ControlHost host;
  SetWindowTextW(host.window, L"TFolderView / TFileView / TComboView");
  SetWindowPos(host.window, nullptr, 0, 0, 900, 560, SWP_NOMOVE | SWP_NOZORDER);
  const auto font = reinterpret_cast<WPARAM>(
      CreateFontW(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, L"ＭＳ ゴシック"));
  HWND combo = host.add(WC_COMBOBOXW, CBS_DROPDOWN | WS_VSCROLL, 8, 8, 868, 300, 102);
  HWND tree =
      host.add(WC_TREEVIEWW, TVS_HASBUTTONS | TVS_HASLINES | TVS_EDITLABELS | TVS_SHOWSELALWAYS, 8, 40, 300, 470, 100);
  HWND list = host.add(WC_LISTVIEWW, LVS_REPORT | LVS_EDITLABELS | LVS_SHOWSELALWAYS | LVS_OWNERDATA, 316, 40, 560, 470, 101);
  for (HWND control : {combo, tree, list}) SendMessageW(control, WM_SETFONT, font, TRUE);
  win::TFolderView folderView;
  win::TFileView fileView;
  win::TComboView comboView;
  win::TContextMenuEx menu;
  win::TDropSourceEx drag;
  folderView.ContextMenu = fileView.ContextMenu = &menu;
  folderView.DropSource = fileView.DropSource = &drag;
  comboView.attach(combo, host.reflector);
  fileView.attach(list, host.reflector);
  folderView.attach(tree, host.reflector);
  fileView.link(folderView);
  comboView.link(folderView);
  folderView.SelectPath(here);
  ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);

  MSG message;
  while (IsWindow(host.window) && GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  OleUninitialize();
  return 0;
}
