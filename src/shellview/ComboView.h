// TComboView: the address box over a folder tree. It shows the path of the tree's selected
// folder, lists the folders above it, and moves the tree to a folder the user picks from the
// list or types and confirms with Enter.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "win/Handles.h"
#include "win/Reflection.h"

namespace marlisk::win {

class TFolderView;

class TComboView final : public ReflectedComponent {
 public:
  TComboView() = default;
  ~TComboView();
  TComboView(const TComboView&) = delete;
  TComboView& operator=(const TComboView&) = delete;

  // Takes over a drop-down combo box (CBS_DROPDOWN).
  void attach(HWND combo, Reflector& parent);
  HWND control() const override { return combo_; }
  HWND hwnd() const { return combo_; }
  // Both ways: the tree's selection shows here; choices here move the tree.
  void link(TFolderView& folderView);

  void TrackPath(PCIDLIST_ABSOLUTE absoluteId);
  // What choosing list entry `index` or pressing Enter does.
  void chooseEntry(int index);
  void confirmTyped();

 private:
  // Picking an entry moves the tree there.
  bool reflectCommand(int code, LRESULT& result) override;
  static LRESULT CALLBACK editProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                   DWORD_PTR self);

  HWND combo_ = nullptr;
  Reflector* parent_ = nullptr;
  HWND edit_ = nullptr;
  TFolderView* folderView_ = nullptr;
  // The folders the entries stand for, from the Desktop down, by entry index.
  std::vector<UniqueAbsoluteId> entries_;
};

}  // namespace marlisk::win
