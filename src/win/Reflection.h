// Components that take over a control on a form (the folder tree, the file list, the address
// box) answer the notifications their control sends its parent. The parent passes them on
// through a Reflector, in one place, instead of each component subclassing the form:
//   WM_NOTIFY                 to the component whose control sent it (NMHDR::hwndFrom);
//   WM_COMMAND, WM_CTLCOLOR*  to the component whose control is in lParam;
//   WM_DESTROY                to every component, in the order they were added, before the
//                             form's own handling: their items give back what they own while
//                             the controls are still there.
// A message no component answers goes on to the form's own handling.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <vector>

namespace marlisk::win {

class ReflectedComponent {
 public:
  virtual HWND control() const = 0;
  // Each returns true when it answered, with the message's result in `result`.
  virtual bool reflectNotify(NMHDR* /*header*/, LRESULT& /*result*/) { return false; }
  virtual bool reflectCommand(int /*code*/, LRESULT& /*result*/) { return false; }
  virtual bool reflectColor(UINT /*message*/, HDC /*dc*/, LRESULT& /*result*/) { return false; }
  virtual void parentDestroying() {}

 protected:
  ~ReflectedComponent() = default;
};

class Reflector {
 public:
  void add(ReflectedComponent& component);
  void remove(ReflectedComponent& component);
  // A message of the parent: true when a component answered it (and `result` holds what
  // the parent returns).
  bool route(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

 private:
  ReflectedComponent* owning(HWND control) const;
  std::vector<ReflectedComponent*> components_;
};

}  // namespace marlisk::win
