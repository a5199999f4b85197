// The stand-in viewer every end-to-end test relies on: it must record exactly and obey.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/TestFolder.h"
#include "support/TestViewerLog.h"
#include "win/Handles.h"
#include "win/Strings.h"

namespace marlisk::win {
namespace {

using test::TestFolder;

struct Finished {
  DWORD exitCode = 0;
  std::vector<test::ViewerRun> runs;
};

class TestViewerTest : public ::testing::Test {
 protected:
  ~TestViewerTest() override {
    for (const char* name : {"TESTVIEWER_LOG", "TESTVIEWER_SLEEP_MS", "TESTVIEWER_CREATE_OUTPUTS",
                             "TESTVIEWER_EXIT_CODE", "TESTVIEWER_CRASH"})
      SetEnvironmentVariableW(widen(name).c_str(), nullptr);
  }
  static void setOption(const char* name, const std::string& value) {
    SetEnvironmentVariableW(widen(name).c_str(), widen(value).c_str());
  }
  // Starts the viewer the way the program does and waits for it.
  Finished run(const std::string& viewer, const std::string& commandFile) {
    std::wstring commandLine = widen("\"" + viewer + "\" /z \"" + commandFile + "\"");
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION process = {};
    Finished finished;
    EXPECT_TRUE(
        CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    UniqueHandle processHandle(process.hProcess), thread(process.hThread);
    WaitForSingleObject(processHandle.get(), INFINITE);
    GetExitCodeProcess(processHandle.get(), &finished.exitCode);
    finished.runs = test::readViewerLog(folder / "viewer.log");
    return finished;
  }

  TestFolder folder;
};

TEST_F(TestViewerTest, RecordsTheExactCommandLineAndCommandFileBytes) {
  setOption("TESTVIEWER_LOG", folder / "viewer.log");
  // Code page 932 bytes, with ソ (whose second byte is "\") in a path.
  const std::string bytes = "/p \"C:\\in\\\x83\x5c\x83\x74\x83\x67.plt\" \"C:\\out\\\x83\x5c\x83\x74\x83\x67.pdf\"\r\n";
  test::writeFile(folder / "MarComline.txt", bytes);

  Finished first = run(test::testViewerPath(), folder / "MarComline.txt");
  EXPECT_EQ(first.exitCode, 0u);
  ASSERT_EQ(first.runs.size(), 1u);
  EXPECT_EQ(first.runs[0].commandLine, "\"" + test::testViewerPath() + "\" /z \"" + (folder / "MarComline.txt") + "\"");
  EXPECT_TRUE(first.runs[0].hadCommandFile);
  EXPECT_EQ(first.runs[0].commandFileBytes, bytes);
  EXPECT_FALSE(test::isFile("C:\\out\\ソフト.pdf"));  // outputs only when asked for

  // A second run appends; an empty command file is recorded as such.
  test::writeFile(folder / "MarComline.txt", "");
  Finished second = run(test::testViewerPath(), folder / "MarComline.txt");
  ASSERT_EQ(second.runs.size(), 2u);
  EXPECT_TRUE(second.runs[1].hadCommandFile);
  EXPECT_EQ(second.runs[1].commandFileBytes, "");

  // No command file: recorded with the system's error, and a failing exit code.
  Finished third = run(test::testViewerPath(), folder / "missing.txt");
  ASSERT_EQ(third.runs.size(), 3u);
  EXPECT_EQ(third.runs[2].note, "error 2");
  EXPECT_EQ(third.exitCode, 2u);
}

TEST_F(TestViewerTest, CreatesOutputsAndEndsAsItIsTold) {
  setOption("TESTVIEWER_LOG", folder / "viewer.log");
  setOption("TESTVIEWER_CREATE_OUTPUTS", "1");
  setOption("TESTVIEWER_EXIT_CODE", "7");
  const std::string out = folder / "出力";
  test::makeFolder(out);
  Win32AnsiCodec codec;
  test::writeFile(
      folder / "MarComline.txt",
      *codec.toAnsi("/p \"C:\\in\\表.plt\" \"" + out + "\\表.pdf\"\r\n/t \"C:\\in\\b\" \"" + out + "\\b.tif\"\r\n"));
  Finished told = run(test::testViewerPath(), folder / "MarComline.txt");
  EXPECT_EQ(told.exitCode, 7u);
  EXPECT_EQ(test::listFolder(out), "b.tif 表.pdf");

  setOption("TESTVIEWER_CREATE_OUTPUTS", "");
  setOption("TESTVIEWER_EXIT_CODE", "");
  setOption("TESTVIEWER_CRASH", "1");
  Finished crashed = run(test::testViewerPath(), folder / "MarComline.txt");
  EXPECT_EQ(crashed.exitCode, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
  EXPECT_EQ(crashed.runs.size(), 2u);  // it logged before it crashed
}

TEST_F(TestViewerTest, ReadsItsOptionsFromAFileBesideIt) {
  const std::string viewer = folder / "TestViewer.exe";
  ASSERT_TRUE(CopyFileW(widen(test::testViewerPath()).c_str(), widen(viewer).c_str(), FALSE));
  test::writeFile(folder / "TestViewer.ini", "TESTVIEWER_EXIT_CODE=5\r\n");
  test::writeFile(folder / "MarComline.txt", "");
  Finished finished = run(viewer, folder / "MarComline.txt");
  EXPECT_EQ(finished.exitCode, 5u);
  EXPECT_EQ(test::readViewerLog(folder / "TestViewer.log").size(), 1u);  // the default log beside the exe
}

}  // namespace
}  // namespace marlisk::win
