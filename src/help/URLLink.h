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

  // The properties. Each setter stores a changed value and repaints the label; the same
  // value again does nothing.
  const std::string& Link() const { return link_; }
  void setLink(const std::string& link) { change(link_, link); }
  TURLType URLType() const { return urlType_; }
  void setURLType(TURLType type) { change(urlType_, type); }
  COLORREF LinkColor() const { return linkColor_; }  // while the mouse is over it
  void setLinkColor(COLORREF color);
  COLORREF FontColor() const { return fontColor_; }
  void setFontColor(COLORREF color);
  COLORREF HintFormColor() const { return hintFormColor_; }
  void setHintFormColor(COLORREF color) { change(hintFormColor_, color); }
  int HintOffsetX() const { return hintOffsetX_; }
  void setHintOffsetX(int offset) { change(hintOffsetX_, offset); }
  int HintOffsetY() const { return hintOffsetY_; }
  void setHintOffsetY(int offset) { change(hintOffsetY_, offset); }
  bool EnableShowHint() const { return enableShowHint_; }
  void setEnableShowHint(bool enable) { change(enableShowHint_, enable); }
  // The hint's font; the setter takes a copy of the given font's attributes.
  LOGFONTW HintFormFont() const { return hintFontAttributes_; }
  void setHintFormFont(const LOGFONTW& font);
  // The label's text (the address the user reads).
  std::string Caption() const;
  void setCaption(const std::string& caption);

  // What a left click opens: the address, with "mailto:" before a mail address.
  std::string target() const { return urlType_ == TURLType::tpMAIL ? "mailto:" + link_ : link_; }
  // Opens an address with the shell; tests put a recorder here.
  std::function<void(const std::string&)> open;

  bool hintShown() const { return hintShown_; }
  HWND hintWindow() const { return hint_; }
  COLORREF currentColor() const { return color_; }

 private:
  static LRESULT CALLBACK labelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR self);
  static LRESULT CALLBACK hintProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  template <typename T>
  void change(T& property, const T& value) {
    if (property == value) return;
    property = value;
    repaint();
  }
  void repaint();
  void paint();
  void showHint();
  void hideHint();

  std::string link_ = "http://";
  TURLType urlType_ = TURLType::tpURL;
  COLORREF linkColor_ = RGB(255, 0, 0);
  COLORREF fontColor_ = RGB(0, 0, 255);
  COLORREF hintFormColor_ = GetSysColor(COLOR_INFOBK);
  int hintOffsetX_ = 15;
  int hintOffsetY_ = 15;
  bool enableShowHint_ = true;
  LOGFONTW hintFontAttributes_ = defaultHintFont();
  static LOGFONTW defaultHintFont();

  HWND label_ = nullptr;
  HWND hint_ = nullptr;
  HFONT hintFont_ = nullptr;
  bool hintShown_ = false;
  bool inside_ = false;
  COLORREF color_ = RGB(0, 0, 255);
};

}  // namespace marlisk::win
