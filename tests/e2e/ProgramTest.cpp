// MarliskAuto.exe itself, started as a user starts it, on a local application data folder of
// the test's own.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/ProgramRunner.h"
#include "support/TestFolder.h"
#include "win/Handles.h"
#include "win/Strings.h"

namespace marlisk::test {
namespace {

// The viewer is not installed here; the reference converter built beside the program is
// offered in its place (the runner's OK is no はい).
const std::string kViewerMissingWarning =
    "C:\\Program Files\\Brennamor\\Marlisk\\Marlisk.exe\r Marliskプログラムファイルが存在しません!\r "
    "設定ボタンでMarliskプログラム名を登録してください";
const std::string kViewerMissing =
    "C:\\Program Files\\Brennamor\\Marlisk\\Marlisk.exe\r\nMarliskプログラムファイルが存在しません。"
    "付属の参照コンバーター (RefConverter) を代わりに使いますか?\r\n\r\n参照コンバーター: " +
    exeFolder() +
    "\\RefConverter.exe\r\n\r\n(いいえ: 設定ボタンでMarliskプログラム名を登録してください。どちらも設定でいつでも変えられます)";

class ProgramTest : public ::testing::Test {
 protected:
  std::string work() const { return local / "Brennamor\\MarliskAuto"; }
  TestFolder local;
  LocalAppDataRedirect redirect{local.path()};
};

TEST_F(ProgramTest, FirstStartMakesTheWorkingFolderAndEndsWithTheExitButton) {
  bool sawWindow = false;
  const ProgramRun run = runProgram("", [&](HWND main) {
    sawWindow = true;
    EXPECT_FALSE(IsIconic(main));
    EXPECT_EQ(listFolder(work()), "Data\\ MarliskAuto.ini MarliskAuto.lock MarliskAuto.par");  // locked while it runs
    HWND exit = GetDlgItem(main, 1009);  // "終了"
    wchar_t caption[16] = {};
    GetWindowTextW(exit, caption, 16);
    EXPECT_EQ(std::wstring(caption), L"\u7d42\u4e86");
    PostMessageW(exit, BM_CLICK, 0, 0);
  });
  EXPECT_FALSE(run.timedOut);
  EXPECT_TRUE(sawWindow);
  EXPECT_EQ(run.exitCode, 0u);
  // The viewer is not installed on this machine: said once, and the program goes on.
  EXPECT_EQ(run.messages, std::vector<std::string>{kViewerMissing});
}

TEST_F(ProgramTest, BatchOutputWithoutABatchListNameIsRefused) {
  const ProgramRun run = runProgram("/c");
  EXPECT_FALSE(run.timedOut);
  // A start by a switch may be a script's: it is told, but asked nothing.
  EXPECT_EQ(run.messages, (std::vector<std::string>{kViewerMissingWarning, "バッチファイル名の指定がありません!"}));
}

// Minimised by its own switch ("/b"), or started minimised by the system (a shortcut set to
// "最小化", "start /min") so that the window never paints: either way the start runs and
// standby waits, with no one to restore the window.
TEST_F(ProgramTest, MinimisedStartsRunTheStartAndStandby) {
  const std::pair<const char*, WORD> starts[] = {{"/a", SW_SHOWMINNOACTIVE}, {"/b", SW_SHOWNORMAL}};
  for (const auto& [arguments, show] : starts) {
    bool minimised = false, waiting = false;
    const ProgramRun run = runProgram(
        arguments,
        [&](HWND main) {
          minimised = IsIconic(main);
          waiting = !IsWindowEnabled(GetDlgItem(main, 1006));  // "待機出力" in use
          PostMessageW(main, WM_CLOSE, 0, 0);
        },
        30000, [&](HWND) { return isFile(work() + "\\FList1.txt"); }, show);
    EXPECT_FALSE(run.timedOut) << arguments;
    EXPECT_TRUE(minimised) << arguments;
    EXPECT_TRUE(waiting) << arguments;
  }
}

TEST_F(ProgramTest, AParameterFileThatCannotBeReadEndsTheProgramWithAMessage) {
  runProgram("");  // the first start makes the working folder
  const std::string parameterFile = work() + "\\MarliskAuto.par";
  win::UniqueFileHandle locked(
      CreateFileW(win::widen(parameterFile).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(locked);
  const ProgramRun run = runProgram("");
  EXPECT_FALSE(run.timedOut);
  EXPECT_EQ(run.messages, std::vector<std::string>{parameterFile + "パラメータファイルを開けません!"});
}

}  // namespace
}  // namespace marlisk::test
