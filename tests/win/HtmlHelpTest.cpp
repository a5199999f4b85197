// The compiled-help handler through a recording stand-in for the HTML Help viewer, and the
// program's help buttons and F1 reaching it.
#include <windows.h>
#include <htmlhelp.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include "support/WarningRecorder.h"

#include "app/MarliskMForm.h"
#include "help/HtmlHelp.h"
#include "resource.h"
#include "win/HelpHook.h"
#include "win/Strings.h"
#include "win/Warning.h"

namespace marlisk::win {
namespace {

struct Call {
  HWND owner;
  std::string file;
  UINT command;
  DWORD_PTR data;
  // For a text pop-up: what it was asked to show.
  UINT popupId = 0;
  POINT popupAt = {};
  bool popupDefaults = false;
};

class HtmlHelpTest : public ::testing::Test {
 protected:
  HtmlHelpTest() {
    help.htmlHelp = [this](HWND owner, const std::wstring& path, UINT command, DWORD_PTR data) -> HWND {
      Call call{owner, narrow(path), command, data};
      if (command == HH_INITIALIZE) *reinterpret_cast<DWORD*>(data) = 77;
      if (command == HH_DISPLAY_TEXT_POPUP) {
        const auto* popup = reinterpret_cast<const HH_POPUP*>(data);
        call.popupId = popup->idString;
        call.popupAt = popup->pt;
        call.popupDefaults = popup->clrForeground == static_cast<COLORREF>(-1) &&
                             popup->clrBackground == static_cast<COLORREF>(-1) && popup->rcMargins.left == -1 &&
                             popup->rcMargins.bottom == -1 && popup->cbStruct == sizeof(HH_POPUP);
      }
      if (command == HH_GET_LAST_ERROR) {
        struct LastError {  // HH_LAST_ERROR as the HTML Help API documents it
          int cbStruct;
          HRESULT hr;
          BSTR description;
        };
        auto* error = reinterpret_cast<LastError*>(data);
        error->hr = lastError;
        if (!lastErrorText.empty()) error->description = SysAllocString(lastErrorText.c_str());
      }
      calls.push_back(call);
      return opens ? reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234)) : nullptr;
    };
  }

  const std::string file = "C:\\Program Files\\MarliskAuto\\MarliskAuto.chm";
  THTMLHelp help{"C:\\Program Files\\MarliskAuto", "MarliskAuto.chm"};
  std::vector<Call> calls;
  std::vector<std::string> messages;
  test::WarningRecorder recording{messages};
  bool opens = true;
  HRESULT lastError = S_OK;
  std::wstring lastErrorText;
};

TEST_F(HtmlHelpTest, EachCommandReachesTheViewerAsTheTableSays) {
  EXPECT_FALSE(help.Help(HELP_CONTEXT, 302));
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].command, static_cast<UINT>(HH_INITIALIZE));  // once, first
  EXPECT_EQ(calls[1].command, static_cast<UINT>(HH_HELP_CONTEXT));
  EXPECT_EQ(calls[1].file, file);
  EXPECT_EQ(calls[1].data, 302u);
  EXPECT_EQ(calls[1].owner, GetDesktopWindow());

  calls.clear();
  help.Help(HELP_FINDER, 0);
  help.Help(HELP_INDEX, 0);
  help.Help(HELP_QUIT, 0);
  help.Help(HELP_SETPOPUP_POS, MAKELONG(120, 45));
  help.Help(0x99, 0);
  ASSERT_EQ(calls.size(), 2u);  // no second initialisation; quit, position and others call nothing
  for (const Call& call : calls) {
    EXPECT_EQ(call.command, static_cast<UINT>(HH_DISPLAY_TOPIC));
    EXPECT_EQ(call.data, 0u);
  }

  // A context pop-up: the topic when there is one, else the text pop-up at the stored point.
  calls.clear();
  help.Help(HELP_CONTEXTPOPUP, 7);
  ASSERT_EQ(calls.size(), 1u);
  opens = false;
  calls.clear();
  help.Help(HELP_CONTEXTPOPUP, 8);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].command, static_cast<UINT>(HH_DISPLAY_TEXT_POPUP));
  EXPECT_EQ(calls[1].file, file + "::/cshelp.txt");
  EXPECT_EQ(calls[1].popupId, 8u);
  EXPECT_EQ(calls[1].popupAt.x, 120);
  EXPECT_EQ(calls[1].popupAt.y, 45);
  EXPECT_TRUE(calls[1].popupDefaults);
  EXPECT_TRUE(messages.empty());  // a pop-up's failure is not reported
}

TEST_F(HtmlHelpTest, TheViewersErrorTextIsShownWhenNoWindowOpens) {
  opens = false;
  lastError = E_FAIL;
  lastErrorText = L"トピックが見つかりません";
  help.Help(HELP_CONTEXT, 999);
  EXPECT_EQ(calls.back().command, static_cast<UINT>(HH_GET_LAST_ERROR));
  EXPECT_EQ(messages, std::vector<std::string>{"トピックが見つかりません"});
  // No failure reported by the viewer: no message.
  messages.clear();
  lastError = S_OK;
  lastErrorText.clear();
  help.Help(HELP_FINDER, 0);
  EXPECT_TRUE(messages.empty());
}

TEST_F(HtmlHelpTest, AHelpFileThatIsNoChmIsLeftAlone) {
  THTMLHelp other("C:\\app", "MarliskAuto.hlp");
  other.htmlHelp = help.htmlHelp;
  other.Help(HELP_CONTEXT, 1);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].command, static_cast<UINT>(HH_INITIALIZE));
}

TEST_F(HtmlHelpTest, HelpButtonsAndF1AskTheHook) {
  AppContext app;
  TMarliskMForm main(app);
  ASSERT_NE(main.create(), nullptr);
  std::vector<std::pair<UINT, DWORD_PTR>> asked;
  setHelpHook([&](UINT command, DWORD_PTR data) { asked.emplace_back(command, data); });
  SendMessageW(main.item(IDC_ButtonHelp), BM_CLICK, 0, 0);
  TFormOutFileList& editor = main.batchListEditor();
  editor.create(main.hwnd());
  SendMessageW(editor.item(IDC_ButtonHelpList), BM_CLICK, 0, 0);
  HELPINFO info = {sizeof(info)};
  SendMessageW(editor.hwnd(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
  editor.destroy();
  EXPECT_EQ(asked,
            (std::vector<std::pair<UINT, DWORD_PTR>>{{HELP_FINDER, 0}, {HELP_CONTEXT, 302}, {HELP_CONTEXT, 302}}));
  setHelpHook(nullptr);
}

}  // namespace
}  // namespace marlisk::win

#include "dialogs/RunSettingsForm.h"
#include "support/TestFolder.h"

namespace marlisk::win {
namespace {

TEST(HelpFileTest, TheBuiltHelpFileHoldsItsTopicsAndItsContextMap) {
  const std::string chm = test::exeFolder() + "\\MarliskAuto.chm";
  const std::string bytes = test::readFile(chm);
  ASSERT_NE(bytes, "<missing>");
  EXPECT_EQ(bytes.substr(0, 4), "ITSF");  // a compiled HTML Help file
  for (const char* name : {"/index.htm", "/mainwindow.htm", "/batch.htm", "/standby.htm", "/settings.htm",
                           "/batchlist.htm", "/papermargin.htm", "/runsettings.htm", "/#IVB", "/#STRINGS"})
    EXPECT_NE(bytes.find(name), std::string::npos) << name;

  // The platform's viewer finds the topics by their context numbers.
  using HtmlHelpW_t = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
  HMODULE viewer = LoadLibraryW(L"hhctrl.ocx");
  ASSERT_NE(viewer, nullptr);
  auto htmlHelp = reinterpret_cast<HtmlHelpW_t>(reinterpret_cast<void*>(GetProcAddress(viewer, "HtmlHelpW")));
  ASSERT_NE(htmlHelp, nullptr);
  const std::wstring file = widen(chm);
  EXPECT_NE(htmlHelp(GetDesktopWindow(), file.c_str(), HH_HELP_CONTEXT, 302), nullptr);
  EXPECT_NE(htmlHelp(GetDesktopWindow(), file.c_str(), HH_HELP_CONTEXT, 301), nullptr);
  EXPECT_NE(htmlHelp(GetDesktopWindow(), file.c_str(), HH_HELP_CONTEXT, TRunSettingsForm::kHelpTopic), nullptr);
  EXPECT_EQ(htmlHelp(GetDesktopWindow(), file.c_str(), HH_HELP_CONTEXT, 9999), nullptr);
  htmlHelp(nullptr, nullptr, HH_CLOSE_ALL, 0);
}

}  // namespace
}  // namespace marlisk::win
