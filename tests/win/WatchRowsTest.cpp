// Several watch folders served by one standby run: one viewer run for all of them, each
// output in its row's folder, a mirrored subfolder tree; rows that would feed each other refused.
#include <gtest/gtest.h>

#include "app/StandbyRun.h"
#include "core/Messages.h"
#include "support/QuietHost.h"
#include "support/TestFolder.h"
#include "support/TestViewerLog.h"

namespace marlisk::win {
namespace {

using test::QuietHost;

FolderRow row(int32_t number, const std::string& watch, const char* mask, int32_t tab, int32_t type,
              const std::string& output, Subfolders subfolders = Subfolders::No) {
  FolderRow r;
  r.number = number;
  r.Watch = watch + "\\";
  r.Mask = mask;
  r.Tab = tab;
  r.Type = type;
  r.Output = output + "\\";
  r.subfolders = subfolders;
  return r;
}

TEST(WatchRowsTest, EveryRowGoesToOneViewerRunAndEachOutputToItsRowsFolder) {
  test::TestFolder root;
  AppContext app;
  test::useStandbyFolders(app.settings, root);
  app.runSettings.Folders = {row(2, root / "plots", "*.plt", 1, 15, root / "png", Subfolders::Mirrored),
                             row(3, root / "pdfs", "*.*", 2, 0, root / "wmf")};
  for (const char* folder : {"plots", "plots\\sub", "plots\\sub\\deep", "pdfs", "png", "wmf"})
    test::makeFolder(root / folder);
  test::writeFile(root / "watch\\a.hgl", "IN;");
  test::writeFile(root / "plots\\top.plt", "IN;");
  test::writeFile(root / "plots\\sub\\deep\\b.plt", "IN;");
  test::writeFile(root / "pdfs\\c.pdf", "%PDF");
  test::writeFile(root / "pdfs\\not-a-pdf.txt", "left alone");
  SetEnvironmentVariableW(L"TESTVIEWER_CREATE_OUTPUTS", L"1");
  SetEnvironmentVariableW(L"TESTVIEWER_LOG", widen(root / "viewer.log").c_str());
  QuietHost host;
  {
    StandbyRun run(app, host);
    ASSERT_TRUE(run.start(OutputTab::Output1));
    run.tick();
    host.stop = true;
    run.tick();
  }
  SetEnvironmentVariableW(L"TESTVIEWER_CREATE_OUTPUTS", nullptr);
  SetEnvironmentVariableW(L"TESTVIEWER_LOG", nullptr);
  EXPECT_EQ(host.warnings, std::vector<std::string>{});
  const std::vector<test::ViewerRun> runs = test::readViewerLog(root / "viewer.log");
  ASSERT_EQ(runs.size(), 1u);
  Win32AnsiCodec codec;
  const std::string commands = *codec.fromAnsi(runs[0].commandFileBytes);
  for (const std::string& line :
       {"/p \"" + root / "watch\\a.hgl" + "\" \"" + root / "out\\a.pdf\"",
        "/m \"" + root / "plots\\sub\\deep\\b.plt" + "\" \"" + root / "png\\sub\\deep\\b.png\"",
        "/m \"" + root / "plots\\top.plt" + "\" \"" + root / "png\\top.png\"",
        "/f \"" + root / "pdfs\\c.pdf" + "\" \"" + root / "wmf\\c.wmf\""})
    EXPECT_NE(commands.find(line), std::string::npos) << line << "\n" << commands;
  EXPECT_EQ(test::listFolder(root / "png\\sub\\deep"), "b.png");
  EXPECT_EQ(test::listFolder(root / "plots"), "sub\\");  // converted and deleted; the subfolder stays
  EXPECT_EQ(test::listFolder(root / "pdfs"), "not-a-pdf.txt");
  const std::string log = test::readFile(root / ("work\\" + logFileName(RunLog::today())));
  EXPECT_NE(log.find("b.png\t"), std::string::npos);
  EXPECT_NE(log.find("[Folder2]"), std::string::npos) << log;
  EXPECT_NE(log.find("[Folder3]"), std::string::npos) << log;
}

TEST(WatchRowsTest, RowsThatWouldFeedEachOtherAreRefused) {
  test::TestFolder root;
  AppContext app;
  test::useStandbyFolders(app.settings, root);
  const struct {
    FolderRow row;
    const char* message;
  } cases[] = {
      {row(2, root / "watch", "*.plt", 1, 0, root / "o"), kRowsWatchSameFolderMessage},
      {row(2, root / "out", "*.pdf", 1, 1, root / "o"), kRowsWatchOutputMessage},
      {row(2, root.path(), "*.*", 1, 1, root / "o", Subfolders::Yes), kRowsWatchInsideMessage},
  };
  for (const auto& c : cases) {
    app.runSettings.Folders = {c.row};
    QuietHost host;
    StandbyRun run(app, host);
    EXPECT_FALSE(run.start(OutputTab::Output1));
    ASSERT_EQ(host.warnings.size(), 1u);
    EXPECT_TRUE(host.warnings[0].starts_with(c.message)) << host.warnings[0];
    EXPECT_NE(host.warnings[0].find("[Folder2]"), std::string::npos) << host.warnings[0];
    EXPECT_NE(host.warnings[0].find("[Folder1]"), std::string::npos) << host.warnings[0];
  }
}

// Outside its time window and while paused standby lists and converts nothing, and says why;
// once it may, the next tick begins a cycle.
TEST(WatchRowsTest, ATimeWindowAndAPauseHoldTheCycles) {
  test::TestFolder root;
  AppContext app;
  test::useStandbyFolders(app.settings, root);
  test::writeFile(root / "watch\\a.hgl", "IN;");
  SYSTEMTIME now;
  GetLocalTime(&now);
  auto at = [&](int hours) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", (now.wHour + hours + 24) % 24, now.wMinute);
    return std::string(text);
  };
  app.runSettings.TimeWindow = at(2) + "-" + at(3);
  SetEnvironmentVariableW(L"TESTVIEWER_CREATE_OUTPUTS", L"1");
  QuietHost host;
  StandbyRun run(app, host);
  ASSERT_TRUE(run.start(OutputTab::Output1));
  for (int tick = 0; tick < 3; ++tick) run.tick();
  EXPECT_EQ(run.state(), StandbyRun::State::Held);
  EXPECT_EQ(host.status, "時間帯外：" + at(2) + " から変換します");
  EXPECT_TRUE(test::isFile(root / "watch\\a.hgl"));

  app.runSettings.TimeWindow = at(-1) + "-" + at(1);  // across midnight, when now is near it
  run.setPaused(true);
  run.tick();
  EXPECT_EQ(host.status, "一時停止中");
  EXPECT_EQ(run.state(), StandbyRun::State::Held);
  run.setPaused(false);
  run.tick();  // a cycle begins: the first listing, the wait
  EXPECT_EQ(run.state(), StandbyRun::State::Waiting);
  run.tick();
  run.setPaused(true);  // the cycle under way finishes
  run.tick();
  SetEnvironmentVariableW(L"TESTVIEWER_CREATE_OUTPUTS", nullptr);
  EXPECT_FALSE(test::isFile(root / "watch\\a.hgl"));
  EXPECT_EQ(run.state(), StandbyRun::State::Held);
  EXPECT_EQ(host.status, "一時停止中");
  EXPECT_EQ(host.warnings, std::vector<std::string>{});
}

// The error folder's files go back to the watch folder with their attempts begun anew, and are
// converted again; one whose name is taken there stays, and is said.
TEST(WatchRowsTest, TheErrorFolderIsSentBackAndConvertedAgain) {
  test::TestFolder root;
  AppContext app;
  test::useStandbyFolders(app.settings, root);
  app.runSettings.MaxAttempts = 1;
  test::writeFile(root / "watch\\a.hgl", "IN;");
  test::writeFile(root / "watch\\b.hgl", "IN;");
  QuietHost host;
  StandbyRun run(app, host);
  ASSERT_TRUE(run.start(OutputTab::Output1));
  run.tick();
  run.tick();  // no output: both to the error folder
  ASSERT_EQ(test::listFolder(root / "watch\\変換エラー"), "a.hgl b.hgl");
  test::writeFile(root / "watch\\b.hgl", "IN; a new b");
  host.warnings.clear();
  run.sendBackErrorFiles();
  EXPECT_EQ(test::listFolder(root / "watch\\変換エラー"), "b.hgl");
  ASSERT_EQ(host.warnings.size(), 1u);
  EXPECT_EQ(host.warnings[0], std::string(kSentBackStayedMessage) + "\r\n" + root / "watch\\変換エラー\\b.hgl");
  EXPECT_EQ(test::readFile(root / "watch\\b.hgl"), "IN; a new b");
  const std::string log = test::readFile(root / ("work\\" + logFileName(RunLog::today())));
  EXPECT_NE(log.find("a.hgl\t" + root / "watch\\a.hgl" + "\t"), std::string::npos) << log;
  EXPECT_NE(log.find("再投入"), std::string::npos) << log;
  SetEnvironmentVariableW(L"TESTVIEWER_CREATE_OUTPUTS", L"1");
  for (int tick = 0; tick < 4; ++tick) run.tick();  // listed twice first: a cycle, then the next
  SetEnvironmentVariableW(L"TESTVIEWER_CREATE_OUTPUTS", nullptr);
  EXPECT_EQ(test::listFolder(root / "out"), "a.pdf b.pdf");
  EXPECT_EQ(test::listFolder(root / "watch"), "変換エラー\\");
}

// The shop's command after each file: its placeholders filled in, and ended at its limit with
// what it started, the run going on.
TEST(WatchRowsTest, TheCommandAfterEachFileRunsWithinItsLimit) {
  test::TestFolder root;
  AppContext app;
  test::useStandbyFolders(app.settings, root);
  app.runSettings.MaxAttempts = 1;
  app.runSettings.AfterCommand = "echo [%INPUT%] [%OUTPUT%] [%FOLDER%]>>\"" + root / "after.txt" + "\"";
  test::writeFile(root / "watch\\a.hgl", "IN;");
  test::writeFile(root / "watch\\b.hgl", "IN;");
  SetEnvironmentVariableW(L"TESTVIEWER_CREATE_OUTPUTS", L"1");
  SetEnvironmentVariableW(L"TESTVIEWER_NO_OUTPUT_FOR", L"b.hgl");
  QuietHost host;
  {
    StandbyRun run(app, host);
    ASSERT_TRUE(run.start(OutputTab::Output1));
    run.tick();
    run.tick();
    // A command that never ends is ended at its limit, and so is what it started.
    test::writeFile(root / "hang.txt", "/p \"hangme\" \"x\"\r\n");
    app.runSettings.AfterCommand = "\"" + app.settings.ViewerExePath + "\" /z \"" + root / "hang.txt" + "\"";
    app.runSettings.AfterCommandSeconds = 1;
    SetEnvironmentVariableW(L"TESTVIEWER_HANG_FOR", L"hangme");
    test::writeFile(root / "watch\\c.hgl", "IN;");
    for (int tick = 0; tick < 4; ++tick) run.tick();
  }
  for (const wchar_t* name : {L"TESTVIEWER_CREATE_OUTPUTS", L"TESTVIEWER_NO_OUTPUT_FOR", L"TESTVIEWER_HANG_FOR"})
    SetEnvironmentVariableW(name, nullptr);
  EXPECT_EQ(test::readFile(root / "after.txt"), "[" + root / "watch\\a.hgl] [" + root / "out\\a.pdf] [" +
                                                    root / "watch]\r\n[" + root / "watch\\b.hgl] [\"\"] [" +
                                                    root / "watch]\r\n");
  const std::string log = test::readFile(root / ("work\\" + logFileName(RunLog::today())));
  EXPECT_NE(log.find(afterCommandEndedLogText(0, "echo [" + root / "watch\\a.hgl]")), std::string::npos) << log;
  EXPECT_NE(log.find(afterCommandTimedOutLogText("\"" + app.settings.ViewerExePath)), std::string::npos) << log;
  EXPECT_FALSE(test::isFile(root / "watch\\c.hgl"));
  EXPECT_EQ(host.warnings, std::vector<std::string>{movedToErrorFolderMessage(1, root / "watch\\変換エラー")});
}

}  // namespace
}  // namespace marlisk::win
