// The base of every form: a dialog made from a resource template, whose messages reach
// member handlers. A form can be created modeless (the main window, and every form in the
// tests, which then press its buttons and read its fields synchronously) or shown modally.
#pragma once

#include <windows.h>

#include <string>

#include "win/Reflection.h"

namespace marlisk::win {

// Where F1, the help button and a control's "?" lead, as the caller's help file has them: the
// window's topic (0 opens the help's contents) and the short text of each of its controls (0
// for none). The kit itself knows no help file.
struct DialogHelp {
  int topic = 0;
  int (*controlText)(int topic, int control) = nullptr;
};

class Dialog {
 public:
  using Help = DialogHelp;
  explicit Dialog(int templateId, Help help = {}) : help_(help), templateId_(templateId) {}
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  HWND create(HWND parent = nullptr);  // modeless; the form lives until destroy()
  INT_PTR showModal(HWND parent = nullptr);
  void destroy();
  HWND hwnd() const { return hwnd_; }
  // What the form was last closed with (IDOK, IDCANCEL, ...), modal or not; 0 before.
  INT_PTR result() const { return result_; }

  HWND item(int id) const { return GetDlgItem(hwnd_, id); }
  // The components on the form that answer their controls' notifications.
  Reflector& reflector() { return reflector_; }
  std::string itemText(int id) const;
  void setItemText(int id, const std::string& text) const;

 protected:
  // Ends a modal showing with `result`, or destroys a modeless form.
  void close(INT_PTR result);

  virtual void onInitDialog() {}
  // Return true when the command was handled.
  virtual bool onCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
  // Any other message; set `handled` to keep the default handling away.
  virtual INT_PTR onMessage(UINT /*message*/, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
  }
  virtual void onDestroy() {}
  // Whether F1 opens the help now.
  virtual bool helpAvailable() const { return true; }
  // The form's help topic, as its help button opens it.
  void showHelpTopic() const;

  const Help help_;

 private:
  static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  // F1 opens the form's topic; Shift+F1, and a click after the caption's "?", a control's
  // short text where it has one.
  void onHelp(const HELPINFO* info) const;

  int templateId_;
  Reflector reflector_;
  HWND hwnd_ = nullptr;
  bool modal_ = false;
  INT_PTR result_ = 0;
};

}  // namespace marlisk::win
