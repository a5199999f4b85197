// TURLLink: a label that opens a web or mail address when clicked, shows the address in a
// small floating hint while the mouse is over it, and takes another colour meanwhile. It
// takes over a static control (SS_NOTIFY) on any form.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace marlisk::win {

enum class TURLType { tpURL, tpMAIL };

class TURLLink {
 public:
  TURLLink() = default;
  ~TURLLink();
  TURLLink(const TURLLink&) = delete;
  TURLLink& operator=(const TURLLink&) = delete;

  void attach(HWND label);
  HWND hwnd() const { return label_; }

  std::string Link = "http://";
  TURLType URLType = TURLType::tpURL;
  COLORREF LinkColor = RGB(255, 0, 0);  // while the mouse is over it
  COLORREF FontColor = RGB(0, 0, 255);
  COLORREF HintFormColor = GetSysColor(COLOR_INFOBK);
  int HintOffsetX = 15;
  int HintOffsetY = 15;
  bool EnableShowHint = true;

  // What a left click opens: the address, with "mailto:" before a mail address.
  std::string target() const { return URLType == TURLType::tpMAIL ? "mailto:" + Link : Link; }
  // Opens an address with the shell; tests put a recorder here.
  std::function<void(const std::string&)> open;

  bool hintShown() const { return hintShown_; }
  HWND hintWindow() const { return hint_; }
  COLORREF currentColor() const { return color_; }

 private:
  static LRESULT CALLBACK labelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR self);
  static LRESULT CALLBACK hintProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void paint();
  void showHint();
  void hideHint();

  HWND label_ = nullptr;
  HWND hint_ = nullptr;
  HFONT hintFont_ = nullptr;
  bool hintShown_ = false;
  bool inside_ = false;
  COLORREF color_ = RGB(0, 0, 255);
};

}  // namespace marlisk::win
