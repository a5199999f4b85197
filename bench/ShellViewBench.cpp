// Filling the browsing views on large folders, beside the bare enumeration: EnumObjects and
// the in-folder display names, nothing else.
//   ShellViewBench.exe [files] [sub-folders] [folder]      default 10000 2000
// A folder given holds the files already (Wine makes each of 100,000 files in one folder
// slower than the last: bench/shell-views makes them natively).
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "shellview/FileView.h"
#include "shellview/FolderView.h"
#include "shellview/ShellItems.h"
#include "support/ControlHost.h"
#include "support/TestFolder.h"
#include "win/Strings.h"

using namespace marlisk;
using Clock = std::chrono::steady_clock;

namespace {

double since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The bytes in use on every heap of the process (C++ objects and the shell's identifiers
// alike): what the list's rows hold shows as a difference.
double privateBytes() {
  HANDLE heaps[64];
  const DWORD count = std::min<DWORD>(GetProcessHeaps(64, heaps), 64);
  double used = 0;
  for (DWORD i = 0; i < count; ++i) {
    PROCESS_HEAP_ENTRY entry = {};
    HeapLock(heaps[i]);
    while (HeapWalk(heaps[i], &entry))
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) used += entry.cbData;
    HeapUnlock(heaps[i]);
  }
  return used;
}

// The floor: bind, enumerate, name each item.
double bareEnumeration(const std::string& path, SHCONTF what, size_t& count) {
  const auto start = Clock::now();
  win::UniqueAbsoluteId id = win::parsePath(win::widen(path));
  win::ComPtr<IShellFolder> folder = win::bindFolder(id.get());
  win::ComPtr<IEnumIDList> items;
  folder->EnumObjects(nullptr, what, items.put());
  PITEMID_CHILD raw;
  ULONG fetched;
  count = 0;
  while (items->Next(1, &raw, &fetched) == S_OK) {
    std::string name;
    win::DisplayName(folder.get(), raw, SHGDN_INFOLDER, name);
    CoTaskMemFree(raw);
    ++count;
  }
  return since(start);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  OleInitialize(nullptr);
  InitCommonControls();
  const int files = argc > 1 ? _wtoi(argv[1]) : 10000;
  const int folders = argc > 2 ? _wtoi(argv[2]) : 2000;
  test::TestFolder root;
  test::makeFolder(root / "files");
  test::makeFolder(root / "folders");
  test::makeFolder(root / "empty");
  std::printf("shell view bench: %d files, %d sub-folders (Japanese names); best of 5 runs\n", files, folders);
  const std::string given = argc > 3 ? win::narrow(argv[3]) : std::string();
  for (int i = 0; given.empty() && i < files; ++i) {
    HANDLE file = CreateFileW(win::widen(root / ("files\\図面" + std::to_string(i) + ".hgl")).c_str(), GENERIC_WRITE, 0,
                              nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(file);
  }
  for (int i = 0; i < folders; ++i) test::makeFolder(root / ("folders\\案件" + std::to_string(i)));

  test::ControlHost host;
  HWND treeWindow = host.add(WC_TREEVIEWW, TVS_HASBUTTONS | TVS_HASLINES | TVS_EDITLABELS, 0, 0, 300, 480, 100);
  HWND listWindow = host.add(WC_LISTVIEWW, LVS_REPORT | LVS_EDITLABELS | LVS_OWNERDATA, 310, 0, 500, 480, 101);
  win::TFolderView tree;
  win::TFileView list;
  tree.attach(treeWindow, host.reflector);
  list.attach(listWindow, host.reflector);

  // Each figure is the best of five runs, on both sides.
  constexpr int kRuns = 5;
  size_t count = 0;
  double fileFloor = 1e9, fileFill = 1e9, folderFloor = 1e9, folderFill = 1e9;
  const std::string filesPath = given.empty() ? root / "files" : given;
  win::UniqueAbsoluteId filesId = win::parsePath(win::widen(filesPath));
  win::UniqueAbsoluteId emptyId = win::parsePath(win::widen(root / "empty"));
  double emptyBytes = 0, filledBytes = 0;
  for (int run = 0; run < kRuns; ++run) {
    list.Browse(emptyId.get());
    emptyBytes = privateBytes();
    fileFloor = std::min(fileFloor, bareEnumeration(filesPath, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, count));
    const auto start = Clock::now();
    list.Browse(filesId.get());
    // Until the first page shows: a virtual list asks for its visible rows' texts and icons.
    UpdateWindow(listWindow);
    wchar_t cell[MAX_PATH];
    for (int row = 0; row < ListView_GetCountPerPage(listWindow) + 1; ++row)
      for (int column = 0; column < 4; ++column) ListView_GetItemText(listWindow, row, column, cell, MAX_PATH);
    fileFill = std::min(fileFill, since(start));
    filledBytes = privateBytes();
  }
  std::printf(
      "file list, %zu items:   floor %6.2f s, TFileView fill %6.2f s = %.2f x (target: within 1.3 x); %d rows,"
      " %.0f bytes a row\n",
      count, fileFloor, fileFill, fileFill / fileFloor, ListView_GetItemCount(listWindow),
      (filledBytes - emptyBytes) / std::max<size_t>(count, 1));

  // Sorting by each column once the list is filled: the texts a column needs are asked for
  // all rows the first time.
  std::printf("sorting the %zu rows by name, size, kind, date:", count);
  for (int column : {0, 1, 2, 3}) {
    const auto start = Clock::now();
    list.ColumnClick(column);
    std::printf(" %.2f s", since(start));
  }
  std::printf("\n");

  for (int run = 0; run < kRuns; ++run) {
    folderFloor = std::min(folderFloor, bareEnumeration(root / "folders", SHCONTF_FOLDERS, count));
    tree.BuildRoot();
    tree.SelectPath(root / "folders");  // the node exists, not yet filled
    const auto start = Clock::now();
    TreeView_Expand(treeWindow, tree.CurrentNode(), TVE_EXPAND);
    folderFill = std::min(folderFill, since(start));
  }
  int children = 0;
  for (HTREEITEM c = TreeView_GetChild(treeWindow, tree.CurrentNode()); c; c = TreeView_GetNextSibling(treeWindow, c))
    ++children;
  // What the tree control itself takes to lay out the expanded node, once filled.
  double layout = 1e9;
  for (int run = 0; run < kRuns; ++run) {
    TreeView_Expand(treeWindow, tree.CurrentNode(), TVE_COLLAPSE);
    const auto start = Clock::now();
    TreeView_Expand(treeWindow, tree.CurrentNode(), TVE_EXPAND);
    layout = std::min(layout, since(start));
  }
  std::printf(
      "tree node, %zu folders: floor %6.3f s, TFolderView fill %6.3f s = %.2f x (target: within 1.5 x); %d nodes;"
      " the tree control expanding the filled node again: %.3f s\n",
      count, folderFloor, folderFill, folderFill / folderFloor, children, layout);
  OleUninitialize();
  return 0;
}
