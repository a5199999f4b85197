// The hyperlink labels of the version dialog, with the shell's open replaced by a recorder.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "dialogs/VersionForm.h"
#include "resource.h"

namespace marlisk::win {
namespace {

class URLLinkTest : public ::testing::Test {
 protected:
  URLLinkTest() {
    form.create();
    for (TURLLink* link : {&form.webLink(), &form.mailLink()})
      link->open = [this](const std::string& address) { opened.push_back(address); };
  }
  TVersionForm form;
  std::vector<std::string> opened;
};

TEST_F(URLLinkTest, DefaultsAndTheAddressesOfTheVersionDialog) {
  TURLLink plain;
  EXPECT_EQ(plain.Link(), "http://");
  EXPECT_EQ(plain.URLType(), TURLType::tpURL);
  EXPECT_EQ(plain.LinkColor(), RGB(255, 0, 0));
  EXPECT_EQ(plain.FontColor(), RGB(0, 0, 255));
  EXPECT_EQ(plain.HintOffsetX(), 15);
  EXPECT_EQ(plain.HintOffsetY(), 15);
  EXPECT_TRUE(plain.EnableShowHint());
  EXPECT_EQ(form.itemText(IDC_VersionWeb), "https://brennamor.example/marliskauto/");
  EXPECT_EQ(form.itemText(IDC_VersionMail), "support@brennamor.example");
}

TEST_F(URLLinkTest, OnlyALeftClickOpensAndAMailAddressOpensAsMailto) {
  HWND web = form.item(IDC_VersionWeb), mail = form.item(IDC_VersionMail);
  for (UINT button : {WM_RBUTTONDOWN, WM_MBUTTONDOWN}) SendMessageW(web, button, 0, 0);
  EXPECT_TRUE(opened.empty());
  SendMessageW(web, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  SendMessageW(mail, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  EXPECT_EQ(opened,
            (std::vector<std::string>{"https://brennamor.example/marliskauto/", "mailto:support@brennamor.example"}));
}

TEST_F(URLLinkTest, TheHintShowsOncePerVisitWhereTheMouseFirstMoved) {
  TURLLink& link = form.webLink();
  ShowWindow(form.hwnd(), SW_SHOWNOACTIVATE);
  SetCursorPos(300, 200);
  POINT first;
  GetCursorPos(&first);
  SendMessageW(link.hwnd(), WM_MOUSEMOVE, 0, 0);
  ASSERT_TRUE(link.hintShown());
  EXPECT_EQ(link.currentColor(), link.LinkColor());
  RECT at;
  GetWindowRect(link.hintWindow(), &at);
  EXPECT_EQ(at.left, first.x + 15);
  EXPECT_EQ(at.top, first.y + 15);
  EXPECT_TRUE(IsWindowVisible(link.hintWindow()));

  SetCursorPos(420, 260);  // moving on does not move or show it again
  SendMessageW(link.hwnd(), WM_MOUSEMOVE, 0, 0);
  RECT still;
  GetWindowRect(link.hintWindow(), &still);
  EXPECT_EQ(still.left, at.left);

  SendMessageW(link.hwnd(), WM_MOUSELEAVE, 0, 0);
  EXPECT_FALSE(link.hintShown());
  EXPECT_FALSE(IsWindowVisible(link.hintWindow()));
  EXPECT_EQ(link.currentColor(), link.FontColor());
  // The hint has no border: its colour and the address, nothing more.
  EXPECT_EQ(GetWindowLongPtrW(link.hintWindow(), GWL_STYLE) & WS_BORDER, 0);

  link.setEnableShowHint(false);
  SendMessageW(link.hwnd(), WM_MOUSEMOVE, 0, 0);
  EXPECT_FALSE(link.hintShown());
}

// Each setter repaints the label when its value changes, and only then; the hint takes the
// font it is given.
TEST_F(URLLinkTest, SettersRepaintOnAChangeAndTheHintTakesItsFont) {
  TURLLink& link = form.webLink();
  ShowWindow(form.hwnd(), SW_SHOWNOACTIVATE);
  auto repainted = [&](const std::function<void()>& set) {
    UpdateWindow(form.hwnd());
    ValidateRect(link.hwnd(), nullptr);
    set();
    return GetUpdateRect(link.hwnd(), nullptr, FALSE) != FALSE;
  };
  const std::pair<const char*, std::function<void()>> changes[] = {
      {"Caption", [&] { link.setCaption("https://other.example/"); }},
      {"Link", [&] { link.setLink("https://other.example/"); }},
      {"FontColor", [&] { link.setFontColor(RGB(0, 128, 0)); }},
      {"LinkColor", [&] { link.setLinkColor(RGB(128, 0, 128)); }},
      {"HintFormColor", [&] { link.setHintFormColor(RGB(255, 255, 0)); }},
      {"URLType", [&] { link.setURLType(TURLType::tpMAIL); }},
  };
  for (const auto& [name, set] : changes) {
    EXPECT_TRUE(repainted(set)) << name;
    EXPECT_FALSE(repainted(set)) << name << " set to the same value again";
  }
  EXPECT_EQ(link.Caption(), "https://other.example/");
  EXPECT_EQ(link.currentColor(), RGB(0, 128, 0));

  LOGFONTW large = link.HintFormFont();
  large.lfHeight = -40;
  link.setHintFormFont(large);
  EXPECT_EQ(link.HintFormFont().lfHeight, -40);
  SendMessageW(link.hwnd(), WM_MOUSEMOVE, 0, 0);
  RECT hint;
  GetClientRect(link.hintWindow(), &hint);
  EXPECT_GE(hint.bottom, 40 + 3);
  SendMessageW(link.hwnd(), WM_MOUSELEAVE, 0, 0);
}

}  // namespace
}  // namespace marlisk::win
