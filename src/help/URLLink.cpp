#include "help/URLLink.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstring>

#include "win/Controls.h"
#include "win/Guard.h"
#include "win/Strings.h"

namespace marlisk::win {

namespace {
constexpr UINT_PTR kSubclassId = 0x756c;  // "ul"
constexpr wchar_t kHintClass[] = L"MarliskLinkHint";
}  // namespace

TURLLink::~TURLLink() {
  if (hint_) DestroyWindow(hint_);
  if (hintFont_) DeleteObject(hintFont_);
  if (label_ && IsWindow(label_)) RemoveWindowSubclass(label_, labelProc, kSubclassId);
}

LOGFONTW TURLLink::defaultHintFont() {
  NONCLIENTMETRICSW metrics = {sizeof(metrics)};
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  return metrics.lfStatusFont;
}

void TURLLink::repaint() {
  if (label_) InvalidateRect(label_, nullptr, TRUE);
}

// The colour shown now follows the one it stands for.
void TURLLink::setLinkColor(COLORREF color) {
  if (inside_) color_ = color;
  change(linkColor_, color);
}

void TURLLink::setFontColor(COLORREF color) {
  if (!inside_) color_ = color;
  change(fontColor_, color);
}

void TURLLink::setHintFormFont(const LOGFONTW& font) {
  if (memcmp(&font, &hintFontAttributes_, sizeof font) == 0) return;
  hintFontAttributes_ = font;
  if (hintFont_) {
    DeleteObject(hintFont_);
    hintFont_ = CreateFontIndirectW(&hintFontAttributes_);
  }
  repaint();
}

std::string TURLLink::Caption() const { return label_ ? windowText(label_) : std::string(); }

void TURLLink::setCaption(const std::string& caption) {
  if (!label_ || Caption() == caption) return;
  SetWindowTextW(label_, widen(caption).c_str());
  repaint();
}

void TURLLink::attach(HWND label) {
  label_ = label;
  color_ = fontColor_;
  SetWindowSubclass(label_, labelProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  static const ATOM hintClass = [] {
    WNDCLASSW type = {};
    type.lpfnWndProc = hintProc;
    type.hInstance = GetModuleHandleW(nullptr);
    type.lpszClassName = kHintClass;
    type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    return RegisterClassW(&type);
  }();
  (void)hintClass;
  hintFont_ = CreateFontIndirectW(&hintFontAttributes_);
  if (!open)
    open = [](const std::string& address) {
      ShellExecuteW(nullptr, L"open", widen(address).c_str(), nullptr, nullptr, SW_SHOW);
    };
}

// The hint draws the address it was given, on its own colour.
LRESULT CALLBACK TURLLink::hintProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return guarded<LRESULT>(0, [&]() -> LRESULT {
    if (message == WM_PAINT) {
      auto* link = reinterpret_cast<TURLLink*>(GetWindowLongPtrW(window, GWLP_USERDATA));
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      if (link) {
        RECT area;
        GetClientRect(window, &area);
        HBRUSH background = CreateSolidBrush(link->hintFormColor_);
        FillRect(dc, &area, background);
        DeleteObject(background);
        HGDIOBJ old = SelectObject(dc, link->hintFont_);
        SetBkMode(dc, TRANSPARENT);
        const std::wstring text = widen(link->link_);
        TextOutW(dc, 2, 2, text.c_str(), static_cast<int>(text.size()));
        SelectObject(dc, old);
      }
      EndPaint(window, &paint);
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  });
}

void TURLLink::showHint() {
  POINT cursor;
  GetCursorPos(&cursor);
  if (!hint_) {
    // Borderless: the hint is its colour and the address, nothing more.
    hint_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kHintClass, L"", WS_POPUP, 0, 0, 0, 0,
                            label_, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(hint_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  HDC dc = GetDC(hint_);
  HGDIOBJ old = SelectObject(dc, hintFont_);
  const std::wstring text = widen(link_);
  SIZE size = {};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(hint_, dc);
  RECT frame = {0, 0, size.cx + 6, size.cy + 3};
  AdjustWindowRectEx(&frame, WS_POPUP, FALSE, WS_EX_TOOLWINDOW);
  SetWindowPos(hint_, HWND_TOPMOST, cursor.x + hintOffsetX_, cursor.y + hintOffsetY_, frame.right - frame.left,
               frame.bottom - frame.top, SWP_NOACTIVATE);
  ShowWindow(hint_, SW_SHOWNA);
  hintShown_ = true;
}

void TURLLink::hideHint() {
  if (hint_ && hintShown_) ShowWindow(hint_, SW_HIDE);
  hintShown_ = false;
}

void TURLLink::paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(label_, &ps);
  RECT area;
  GetClientRect(label_, &area);
  // The form's own background for statics, so the label sits on it like any other.
  HBRUSH background = reinterpret_cast<HBRUSH>(SendMessageW(
      GetParent(label_), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label_)));
  FillRect(dc, &area, background ? background : GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(label_, WM_GETFONT, 0, 0)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, color_);
  wchar_t text[512] = {};
  GetWindowTextW(label_, text, 512);
  DrawTextW(dc, text, -1, &area, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, old);
  EndPaint(label_, &ps);
}

LRESULT CALLBACK TURLLink::labelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                     DWORD_PTR self) {
  return guarded<LRESULT>(0, [&]() -> LRESULT {
    auto* link = reinterpret_cast<TURLLink*>(self);
    switch (message) {
      case WM_PAINT: link->paint(); return 0;
      case WM_SETCURSOR: SetCursor(LoadCursorW(nullptr, IDC_HAND)); return TRUE;
      case WM_MOUSEMOVE:
        if (!link->inside_) {  // entering: the link colour, and word when the mouse leaves
          link->inside_ = true;
          link->color_ = link->linkColor_;
          InvalidateRect(window, nullptr, TRUE);
          TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, window, 0};
          TrackMouseEvent(&track);
        }
        if (link->enableShowHint_ && !link->hintShown_) link->showHint();
        return 0;
      case WM_MOUSELEAVE:
        link->inside_ = false;
        link->color_ = link->fontColor_;
        InvalidateRect(window, nullptr, TRUE);
        link->hideHint();
        return 0;
      case WM_LBUTTONDOWN:
        InvalidateRect(window, nullptr, TRUE);
        if (link->open) link->open(link->target());
        link->hideHint();
        return 0;
      case WM_NCDESTROY:
        if (link->hint_) DestroyWindow(link->hint_);
        link->hint_ = nullptr;
        link->hintShown_ = false;
        RemoveWindowSubclass(window, labelProc, kSubclassId);
        link->label_ = nullptr;
        break;
      default: break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
  });
}

}  // namespace marlisk::win
