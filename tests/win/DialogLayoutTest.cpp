// Every window fits the screens of the shop, and no control covers another, at 100 % and at
// 150 %: read from the dialog templates themselves, scaled as the system scales them.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "resource.h"
#include "win/Strings.h"

namespace marlisk::win {
namespace {

struct Item {
  RECT box;  // dialog units
  std::wstring kind;
  DWORD style;
  int id;
};

struct Template {
  SIZE size;  // dialog units
  int points = 0;
  std::wstring face;
  std::vector<Item> items;
};

// A name or an ordinal of a template (0xFFFF and a number); the reader moves past it.
std::wstring nameOrOrdinal(const WORD*& at) {
  if (*at == 0xFFFF) {
    const WORD ordinal = at[1];
    at += 2;
    return ordinal == 0x80   ? L"button"
           : ordinal == 0x81 ? L"edit"
           : ordinal == 0x82 ? L"static"
           : ordinal == 0x85 ? L"combobox"
                             : L"#" + std::to_wstring(ordinal);
  }
  std::wstring text(reinterpret_cast<const wchar_t*>(at));
  at += text.size() + 1;
  return text;
}

const WORD* alignDword(const WORD* at) {
  return reinterpret_cast<const WORD*>((reinterpret_cast<uintptr_t>(at) + 3) & ~uintptr_t{3});
}

// DLGTEMPLATEEX and its DLGITEMTEMPLATEEX items, as windres writes them.
Template readTemplate(int id) {
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), RT_DIALOG);
  const auto* at = static_cast<const WORD*>(LockResource(LoadResource(nullptr, found)));
  Template t;
  const WORD count = at[8];
  const DWORD style = *reinterpret_cast<const DWORD*>(at + 6);
  t.size = {static_cast<short>(at[11]), static_cast<short>(at[12])};
  at += 13;
  nameOrOrdinal(at);  // menu
  nameOrOrdinal(at);  // class
  nameOrOrdinal(at);  // caption
  if (style & DS_SETFONT) {
    t.points = at[0];
    at += 3;  // point size, weight, italic and charset
    t.face = nameOrOrdinal(at);
  }
  for (WORD i = 0; i < count; ++i) {
    at = alignDword(at);
    Item item;
    item.style = *reinterpret_cast<const DWORD*>(at + 4);
    const auto* box = reinterpret_cast<const short*>(at + 6);
    item.box = {box[0], box[1], box[0] + box[2], box[1] + box[3]};
    item.id = static_cast<int>(*reinterpret_cast<const DWORD*>(at + 10));
    at += 12;
    item.kind = nameOrOrdinal(at);
    CharLowerBuffW(item.kind.data(), static_cast<DWORD>(item.kind.size()));
    nameOrOrdinal(at);  // title
    const WORD extra = *at++;
    at = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(at) + extra);
    t.items.push_back(item);
  }
  return t;
}

// The dialog's outer size in pixels at `dpi`: its font's base units at that resolution, as the
// system reckons them, and a caption and frame scaled alike.
SIZE pixelsAt(const Template& t, int dpi) {
  HDC dc = GetDC(nullptr);
  HFONT font = CreateFontW(-MulDiv(t.points, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, 0, 0,
                           0, 0, t.face.c_str());
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW metrics;
  GetTextMetricsW(dc, &metrics);
  SIZE letters;
  GetTextExtentPoint32W(dc, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &letters);
  SelectObject(dc, old);
  DeleteObject(font);
  ReleaseDC(nullptr, dc);
  const int baseX = (letters.cx / 26 + 1) / 2, baseY = metrics.tmHeight;
  const int frame = MulDiv(GetSystemMetrics(SM_CXFIXEDFRAME) + GetSystemMetrics(SM_CXBORDER), dpi, 96);
  const int caption = MulDiv(GetSystemMetrics(SM_CYCAPTION), dpi, 96);
  return {MulDiv(t.size.cx, baseX, 4) + 2 * frame, MulDiv(t.size.cy, baseY, 8) + 2 * frame + caption};
}

bool covers(const RECT& a, const RECT& b) {
  return a.left <= b.left && a.top <= b.top && a.right >= b.right && a.bottom >= b.bottom;
}

TEST(DialogLayoutTest, EveryWindowFitsTheScreenAndNoControlCoversAnother) {
  // The work areas: 1366 x 768 at 100 % and 1920 x 1080 at 150 %, each less its taskbar.
  const struct {
    int dpi;
    SIZE area;
  } screens[] = {{96, {1366, 768 - 40}}, {144, {1920, 1080 - 72}}};
  for (const int id : {IDD_MAIN, IDD_PAGE_OUTPUT1, IDD_PAGE_OUTPUT2, IDD_VERSION, IDD_OUTFILELIST, IDD_FOLDEROPEN,
                       IDD_SETAUTOPAR, IDD_SETAUTOPAR2, IDD_SETPAPERMARG, IDD_RUNSETTINGS, IDD_WATCHROW}) {
    const Template t = readTemplate(id);
    ASSERT_GT(t.points, 0) << id;
    for (const auto& screen : screens) {
      const SIZE size = pixelsAt(t, screen.dpi);
      EXPECT_LE(size.cx, screen.area.cx) << "dialog " << id << " at " << screen.dpi << " DPI";
      EXPECT_LE(size.cy, screen.area.cy) << "dialog " << id << " at " << screen.dpi << " DPI";
    }
    // Only a frame may hold others, by its kind: a group box, a static frame or a tab control;
    // any other control over another hides it, partly or wholly. A spin button sits on its
    // edit; a combo box's height in a template is that of its dropped list, so its closed
    // height is what counts.
    const auto isFrame = [](const Item& item) {
      if (item.kind == L"systabcontrol32") return true;
      if (item.kind == L"button") return (item.style & BS_TYPEMASK) == BS_GROUPBOX;
      if (item.kind != L"static") return false;
      const DWORD type = item.style & SS_TYPEMASK;
      return type == SS_ETCHEDFRAME || type == SS_BLACKFRAME || type == SS_GRAYFRAME || type == SS_WHITEFRAME;
    };
    const auto closed = [](const Item& item) {
      RECT box = item.box;
      if (item.kind.starts_with(L"combobox")) box.bottom = std::min<LONG>(box.bottom, box.top + 14);
      return box;
    };
    for (size_t i = 0; i < t.items.size(); ++i) {
      for (size_t k = i + 1; k < t.items.size(); ++k) {
        const Item &a = t.items[i], &b = t.items[k];
        if (a.kind == L"msctls_updown32" || b.kind == L"msctls_updown32") continue;
        const RECT boxA = closed(a), boxB = closed(b);
        RECT both;
        if (!IntersectRect(&both, &boxA, &boxB)) continue;
        if ((isFrame(a) && covers(boxA, boxB)) || (isFrame(b) && covers(boxB, boxA))) continue;
        ADD_FAILURE() << "dialog " << id << ": controls " << a.id << " and " << b.id << " overlap";
      }
    }
  }
}

}  // namespace
}  // namespace marlisk::win
