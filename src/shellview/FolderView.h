// TFolderView: the shell namespace as a tree of folders, rooted at the Desktop and filled as
// its nodes are first expanded. It takes a tree-view control on any form; the form's
// Reflector passes it the control's notifications.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <functional>
#include <string>

#include "shellview/ShellItems.h"
#include "win/Handles.h"
#include "win/Reflection.h"

namespace marlisk::win {

class TContextMenuEx;
class TDropSourceEx;

class TFolderView final : public ReflectedComponent {
 public:
  TFolderView() = default;
  ~TFolderView();
  TFolderView(const TFolderView&) = delete;
  TFolderView& operator=(const TFolderView&) = delete;

  // Takes over a tree-view control (TVS_HASBUTTONS | TVS_HASLINES | TVS_EDITLABELS) and
  // builds the root.
  void attach(HWND tree, Reflector& parent);
  HWND hwnd() const { return tree_; }
  HWND control() const override { return tree_; }

  void BuildRoot();
  // Moves the selection to a folder given by its path; false (and no change) when the shell
  // cannot parse it or the tree has no node for it.
  bool SelectPath(const std::string& path);
  // "上へ": moves to the folder above the selected one, found the way the shell finds "..";
  // a drive root stays where it is, and a folder that can no longer be entered stays too.
  void SelectParentFolder();
  // The parsing name of the selected folder ("" when nothing is selected).
  std::string GetSelectedPath() const;
  // Selects the child of the selected node whose item equals `id` (one item, relative).
  void SelectChildID(PCUITEMID_CHILD id);
  // Selects the node reached by walking an absolute identifier from the root.
  void SelectAbsoluteID(PCIDLIST_ABSOLUTE id);
  // A child of the selected node was renamed (by the file list): follow it.
  void RenameChild(PCUITEMID_CHILD oldId, PCUITEMID_CHILD newId);

  HTREEITEM CurrentNode() const { return current_; }
  HTREEITEM PreviousNode() const { return previous_; }
  // The node's absolute identifier, owned by the node (null for no node).
  PCIDLIST_ABSOLUTE NodeAbsoluteID(HTREEITEM node) const;

  // Links: the file list browses the selected folder, the address box shows its path. Each
  // gets an absolute identifier it does not own.
  std::function<void(PCIDLIST_ABSOLUTE)> onBrowse;
  std::function<void(PCIDLIST_ABSOLUTE)> onTrackPath;
  std::function<void()> OnChange;  // after the selection moved and the links were told
  // With a context menu, a right click selects the node under it and shows the shell's menu
  // for that folder; with a drop source, dragging a folder starts a shell drag. The Desktop
  // root offers neither.
  TContextMenuEx* ContextMenu = nullptr;
  TDropSourceEx* DropSource = nullptr;

 private:
  bool reflectNotify(NMHDR* header, LRESULT& result) override;
  // A form closing takes its controls with it: the nodes give back what they own first.
  void parentDestroying() override;
  void FillNode(HTREEITEM node);
  // A row's icons and whether it has folders, when the tree first needs them.
  void describe(TVITEMW& item);
  void notifyLinked(HTREEITEM node);
  // What the node owns (TVN_DELETEITEM gives it back); null for no node.
  ShellItem* nodeItem(HTREEITEM node) const;
  void renameNode(HTREEITEM node, ShellItem& item, PCUITEMID_CHILD renamed);
  int level(HTREEITEM node) const;
  HTREEITEM walk(PCIDLIST_ABSOLUTE absoluteId);
  HTREEITEM childMatching(HTREEITEM node, PCUIDLIST_RELATIVE item);
  void setRedraw(bool on);

  HWND tree_ = nullptr;
  Reflector* parent_ = nullptr;
  KindCache kinds_;
  bool busy_ = false;  // rebuilding or filling: no filling, no notifying
  HTREEITEM current_ = nullptr;
  HTREEITEM previous_ = nullptr;
};

}  // namespace marlisk::win
