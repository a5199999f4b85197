#include "shellview/ShellActions.h"

#include <shellapi.h>

#include "win/Handles.h"
#include "win/Strings.h"

namespace marlisk::win {

namespace {

constexpr UINT kFirstCommand = 1;
constexpr UINT kLastCommand = 0x7FFF;

ComPtr<IContextMenu> contextMenuOf(HWND owner, IShellFolder* parent, const std::vector<PCUITEMID_CHILD>& items) {
  ComPtr<IContextMenu> menu;
  if (parent && !items.empty())
    parent->GetUIObjectOf(owner, static_cast<UINT>(items.size()), items.data(), IID_IContextMenu, nullptr,
                          menu.putVoid());
  return menu;
}

class DropSource final : public IDropSource {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
    if (id == IID_IUnknown || id == IID_IDropSource) {
      *out = static_cast<IDropSource*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override { return --references_; }  // lives on the caller's stack
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override { return dragContinues(escape, keys); }
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

 private:
  ULONG references_ = 1;
};

}  // namespace

HRESULT dragContinues(BOOL escapePressed, DWORD keyState) {
  if (escapePressed) return DRAGDROP_S_CANCEL;
  if (!(keyState & MK_LBUTTON)) return DRAGDROP_S_DROP;
  return S_OK;
}

bool TContextMenuEx::Show(HWND owner, IShellFolder* parent, POINT screen, const std::vector<PCUITEMID_CHILD>& items) {
  ComPtr<IContextMenu> menu = contextMenuOf(owner, parent, items);
  if (!menu) return false;
  HMENU popup = CreatePopupMenu();
  if (FAILED(menu->QueryContextMenu(popup, 0, kFirstCommand, kLastCommand, CMF_NORMAL | CMF_EXPLORE))) {
    DestroyMenu(popup);
    return false;
  }
  const UINT chosen = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, owner, nullptr);
  if (chosen >= kFirstCommand) {
    CMINVOKECOMMANDINFO invoke = {sizeof(invoke)};
    invoke.hwnd = owner;
    invoke.lpVerb = MAKEINTRESOURCEA(chosen - kFirstCommand);
    invoke.nShow = SW_SHOWNORMAL;
    menu->InvokeCommand(&invoke);
  }
  DestroyMenu(popup);
  return true;
}

std::vector<std::string> TContextMenuEx::Commands(HWND owner, IShellFolder* parent,
                                                  const std::vector<PCUITEMID_CHILD>& items) {
  std::vector<std::string> texts;
  ComPtr<IContextMenu> menu = contextMenuOf(owner, parent, items);
  if (!menu) return texts;
  HMENU popup = CreatePopupMenu();
  if (SUCCEEDED(menu->QueryContextMenu(popup, 0, kFirstCommand, kLastCommand, CMF_NORMAL))) {
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
      wchar_t text[128] = {};
      if (GetMenuStringW(popup, static_cast<UINT>(i), text, 128, MF_BYPOSITION) > 0) {
        std::wstring shown;
        for (const wchar_t* c = text; *c; ++c)
          if (*c != L'&') shown += *c;
        texts.push_back(narrow(shown));
      }
    }
  }
  DestroyMenu(popup);
  return texts;
}

bool TContextMenuEx::Invoke(HWND owner, IShellFolder* parent, const std::vector<PCUITEMID_CHILD>& items,
                            const char* verb) {
  ComPtr<IContextMenu> menu = contextMenuOf(owner, parent, items);
  if (!menu) return false;
  HMENU popup = CreatePopupMenu();
  menu->QueryContextMenu(popup, 0, kFirstCommand, kLastCommand, CMF_NORMAL);
  CMINVOKECOMMANDINFO invoke = {sizeof(invoke)};
  invoke.hwnd = owner;
  invoke.lpVerb = verb;
  invoke.nShow = SW_SHOWNORMAL;
  invoke.fMask = CMIC_MASK_FLAG_NO_UI;
  const bool done = SUCCEEDED(menu->InvokeCommand(&invoke));
  DestroyMenu(popup);
  return done;
}

DWORD TDropSourceEx::StartDrag(HWND owner, IShellFolder* parent, const std::vector<PCUITEMID_CHILD>& items) {
  ComPtr<IDataObject> data;
  if (!parent || items.empty() ||
      FAILED(parent->GetUIObjectOf(owner, static_cast<UINT>(items.size()), items.data(), IID_IDataObject, nullptr,
                                   data.putVoid())))
    return DROPEFFECT_NONE;
  DropSource source;
  DWORD effect = DROPEFFECT_NONE;
  DoDragDrop(data.get(), &source, DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK, &effect);
  return effect;
}

}  // namespace marlisk::win
