// The compiled-help handler through a recording stand-in for the HTML Help viewer, and the
// program's help buttons and F1 reaching it.
#include <windows.h>
#include <htmlhelp.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include "support/WarningRecorder.h"

#include "app/MarliskMForm.h"
#include "dialogs/SetPaperMargForm.h"
#include "dialogs/VersionForm.h"
#include "help/core/HelpTopics.h"
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

// Sends a form the help request a key or the caption's "?" makes, with F1 and Shift held as
// given, about one of its controls.
void askForHelp(HWND form, HWND control, bool f1, bool shift, POINT mouse) {
  BYTE keys[256] = {};
  keys[VK_F1] = f1 ? 0x80 : 0;
  keys[VK_SHIFT] = shift ? 0x80 : 0;
  SetKeyboardState(keys);
  HELPINFO info = {sizeof(info), HELPINFO_WINDOW, GetDlgCtrlID(control), control, 0, mouse};
  SendMessageW(form, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
  keys[VK_F1] = keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
}

TEST_F(HtmlHelpTest, EachWindowOpensItsOwnTopicAndEachControlItsShortText) {
  AppContext app;
  TMarliskMForm main(app);
  ASSERT_NE(main.create(), nullptr);
  TSetPaperMargForm margins(app);
  TVersionForm version;
  std::vector<std::pair<UINT, DWORD_PTR>> asked;
  setHelpHook([&](UINT command, DWORD_PTR data) { asked.emplace_back(command, data); });
  using Asked = std::vector<std::pair<UINT, DWORD_PTR>>;
  struct Form {
    Dialog& form;
    int helpButton;  // 0: none
    int topic;
    int control;
    int popup;
  };
  const Form forms[] = {
      {main, IDC_ButtonHelp, kMainWindowTopic.number, IDC_ButtonBatchOutput, 30011},
      {main.setAutoParForm(), IDC_ButtonHelp, kOutput1SettingsTopic.number, IDC_OutDirEdit, 30106},
      {main.batchListEditor(), IDC_ButtonHelpList, kBatchListTopic.number, IDC_ListBox1Files, 30208},
      {main.runSettingsForm(), IDC_ButtonHelp, kRunSettingsTopic.number, IDC_CheckUnattended, 30308},
      {main.setAutoPar2Form(), IDC_ButtonHelp, kOutput2SettingsTopic.number, IDC_sFileNameDirEdit1 + 2, 30409},
      {margins, IDC_ButtonHelp, kPaperMarginTopic.number, IDC_HOutPosRadio0 + 1, 30503},
      {main.folderOpenForm(), 0, kFolderChooserTopic.number, IDC_SelectFilename, 30604},
      {version, 0, kVersionTopic.number, IDC_VersionMail, 30701},
  };
  for (const Form& f : forms) {
    SCOPED_TRACE(f.topic);
    if (&f.form != &main) {
      ASSERT_NE(f.form.create(main.hwnd()), nullptr);
    }
    HWND control = f.form.item(f.control);
    ASSERT_NE(control, nullptr);
    RECT at;
    GetWindowRect(control, &at);
    asked.clear();
    if (f.helpButton != 0) SendMessageW(f.form.item(f.helpButton), BM_CLICK, 0, 0);
    askForHelp(f.form.hwnd(), control, true, false, {5, 6});   // F1
    askForHelp(f.form.hwnd(), control, true, true, {5, 6});    // Shift+F1: under the control
    askForHelp(f.form.hwnd(), control, false, false, {5, 6});  // "?", then a click on it
    // A label has no text of its own: its window's topic.
    HWND label = FindWindowExW(f.form.hwnd(), nullptr, L"Static", nullptr);
    while (label && GetDlgCtrlID(label) != 0xFFFF) label = FindWindowExW(f.form.hwnd(), label, L"Static", nullptr);
    if (label) askForHelp(f.form.hwnd(), label, false, false, {5, 6});
    Asked expected;
    // The main window's help button opens the contents; every other opens its window's topic.
    if (f.helpButton != 0)
      expected.emplace_back(f.topic == kMainWindowTopic.number ? HELP_FINDER : HELP_CONTEXT,
                            f.topic == kMainWindowTopic.number ? 0 : f.topic);
    expected.insert(expected.end(), {{HELP_CONTEXT, f.topic},
                                     {HELP_SETPOPUP_POS, MAKELONG(at.left, at.bottom)},
                                     {HELP_CONTEXTPOPUP, f.popup},
                                     {HELP_SETPOPUP_POS, MAKELONG(5, 6)},
                                     {HELP_CONTEXTPOPUP, f.popup}});
    if (label) expected.emplace_back(HELP_CONTEXT, f.topic);
    EXPECT_EQ(asked, expected);
    if (&f.form != &main) f.form.destroy();
  }

  // A control on a tab page asks the main window, whose topic and texts it shares.
  asked.clear();
  HWND page = main.outputPage(OutputTab::Output1).hwnd();
  askForHelp(page, GetDlgItem(page, IDC_RadioGroupOutTyp_First + 3), false, false, {7, 8});
  askForHelp(page, GetDlgItem(page, IDC_RadioGroupOutTyp_First + 3), true, false, {7, 8});
  EXPECT_EQ(asked, (Asked{{HELP_SETPOPUP_POS, MAKELONG(7, 8)}, {HELP_CONTEXTPOPUP, 30004}, {HELP_CONTEXT, 300}}));
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
  // The pages, their pictures, the keyword index and the pop-up texts are in it (the sources
  // are checked against the program natively).
  for (const char* name : {"/index.htm", "/messages.htm", "/images/main-output1.png", "/images/batch-list-editor.png",
                           "/cshelp.txt", "/$WWKeywordLinks/", "/#IVB", "/#STRINGS"})
    EXPECT_NE(bytes.find(name), std::string::npos) << name;

  // The platform's viewer finds the topics by their context numbers.
  using HtmlHelpW_t = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
  HMODULE viewer = LoadLibraryW(L"hhctrl.ocx");
  ASSERT_NE(viewer, nullptr);
  auto htmlHelp = reinterpret_cast<HtmlHelpW_t>(reinterpret_cast<void*>(GetProcAddress(viewer, "HtmlHelpW")));
  ASSERT_NE(htmlHelp, nullptr);
  const std::wstring file = widen(chm);
  for (const HelpTopic& topic : kHelpTopics)
    EXPECT_NE(htmlHelp(GetDesktopWindow(), file.c_str(), HH_HELP_CONTEXT, topic.number), nullptr) << topic.alias;
  // A control's short text is no topic: the request goes on to the text pop-up.
  EXPECT_EQ(htmlHelp(GetDesktopWindow(), file.c_str(), HH_HELP_CONTEXT, kControlHelp[0].popup), nullptr);
  EXPECT_EQ(htmlHelp(GetDesktopWindow(), file.c_str(), HH_HELP_CONTEXT, 9999), nullptr);
  htmlHelp(nullptr, nullptr, HH_CLOSE_ALL, 0);
}

}  // namespace
}  // namespace marlisk::win
