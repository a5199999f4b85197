// Stations on one shared watch folder, in one process (one wineserver, which keeps the share
// modes as a file server does): each file converted by one station, a station's leftovers
// finished at its restart, a silent station's files put back, a station name used twice.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "app/StandbyRun.h"
#include "app/core/Station.h"
#include "core/Messages.h"
#include "support/QuietHost.h"
#include "support/TestFolder.h"
#include "support/TestViewerLog.h"

namespace marlisk::win {
namespace {

using test::QuietHost;

// A station: its own working folder, the shared watch and output folders.
struct TestStation {
  TestStation(const test::TestFolder& root, const std::string& name, int32_t batch = 20) {
    test::useStandbyFolders(app.settings, root);
    app.settings.WorkFolder = root / ("work-" + name);
    app.settings.ViewerCommandFilePath = app.settings.WorkFolder + "\\MarComline.txt";
    test::makeFolder(app.settings.WorkFolder);
    app.runSettings.SharedWatchFolder = true;
    app.runSettings.StationName = name;
    app.runSettings.ClaimBatch = batch;
    run = std::make_unique<StandbyRun>(app, host);
  }
  // The wait, then the second listing, the claims, the viewer and the next first listing.
  void cycle() {
    run->tick();
    run->tick();
  }
  std::string log() const { return test::readFile(app.settings.WorkFolder + "\\" + logFileName(RunLog::today())); }

  AppContext app;
  QuietHost host;
  std::unique_ptr<StandbyRun> run;
};

size_t count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class SharedWatchFolderTest : public ::testing::Test {
 protected:
  SharedWatchFolderTest() {
    SetEnvironmentVariableW(L"TESTVIEWER_CREATE_OUTPUTS", L"1");
    SetEnvironmentVariableW(L"TESTVIEWER_LOG", widen(root / "viewer.log").c_str());
    test::makeFolder(root / "watch");
  }
  ~SharedWatchFolderTest() override {
    SetEnvironmentVariableW(L"TESTVIEWER_CREATE_OUTPUTS", nullptr);
    SetEnvironmentVariableW(L"TESTVIEWER_LOG", nullptr);
  }
  // Every input the viewer was given, over all its runs.
  std::vector<std::string> converted() {
    std::vector<std::string> inputs;
    if (!test::isFile(root / "viewer.log")) return inputs;
    Win32AnsiCodec codec;
    for (const test::ViewerRun& run : test::readViewerLog(root / "viewer.log")) {
      const std::string text = *codec.fromAnsi(run.commandFileBytes);
      for (size_t at = text.find('"'); at != std::string::npos; at = text.find('"', text.find('\n', at))) {
        inputs.push_back(text.substr(at + 1, text.find('"', at + 1) - at - 1));
        if (text.find('\n', at) == std::string::npos) break;
      }
    }
    return inputs;
  }
  std::string claims(const std::string& station) { return root / ("watch\\変換中\\" + station); }

  test::TestFolder root;
};

// A station that took a full claim while more files were ready claims again at once: the
// files were listed twice already, and a whole wait a claim made stations slower than one PC.
TEST_F(SharedWatchFolderTest, AFullClaimIsFollowedByTheNextAtOnce) {
  for (int i = 0; i < 10; ++i) test::writeFile(root / ("watch\\" + std::to_string(i) + ".hgl"), "IN;");
  TestStation a(root, "PC-A", 3);
  ASSERT_TRUE(a.run->start(OutputTab::Output1));
  test::writeFile(root / "watch\\late.hgl", "IN;");  // not yet listed twice: it waits for a cycle
  a.cycle();
  EXPECT_EQ(a.host.warnings, std::vector<std::string>{});
  EXPECT_EQ(test::listFolder(root / "watch"), "late.hgl 変換中\\");
  EXPECT_EQ(converted().size(), 10u);
  EXPECT_EQ(test::readViewerLog(root / "viewer.log").size(), 4u);  // 3 + 3 + 3 + 1
}

// A claim folder no rename reaches yet (here a file holds its name; on a file server, a client
// that cannot rename): said once with the system's reason, nothing left in the watch folder,
// and standby goes on and begins the station at the first cycle it can.
TEST_F(SharedWatchFolderTest, AStationThatCannotClaimYetTriesAgainEachCycle) {
  test::writeFile(root / "watch\\a.hgl", "IN;");
  test::makeFolder(root / "watch\\変換中");
  test::writeFile(root / "watch\\変換中\\PC-A", "a file where the claim folder goes");
  TestStation a(root, "PC-A");
  ASSERT_TRUE(a.run->start(OutputTab::Output1));
  EXPECT_NE(a.run->state(), StandbyRun::State::Stopped);
  a.cycle();
  a.cycle();
  ASSERT_EQ(a.host.warnings.size(), 1u);
  EXPECT_NE(a.host.warnings[0].find("名前を変えて移せないため"), std::string::npos) << a.host.warnings[0];
  EXPECT_NE(a.host.warnings[0].find("I/O Error code=3"), std::string::npos) << a.host.warnings[0];
  EXPECT_EQ(test::listFolder(root / "watch"), "a.hgl 変換中\\");  // no probe left behind
  EXPECT_TRUE(converted().empty());
  DeleteFileW(widen(root / "watch\\変換中\\PC-A").c_str());
  a.cycle();
  EXPECT_EQ(converted().size(), 1u);
  EXPECT_EQ(a.host.warnings.size(), 1u);
}

TEST_F(SharedWatchFolderTest, TwoStationsConvertEachFileOnce) {
  for (int i = 0; i < 8; ++i) test::writeFile(root / ("watch\\" + std::to_string(i) + ".hgl"), "IN;");
  // Two drawings of one output name: neither output replaces the other, whichever station has them.
  test::writeFile(root / "watch\\t.hgl", "IN;");
  test::writeFile(root / "watch\\t.plt", "IN;");
  TestStation a(root, "PC-A", 3), b(root, "PC-B", 3);
  a.app.settings.WatchFileMask = b.app.settings.WatchFileMask = "*.*";
  ASSERT_TRUE(a.run->start(OutputTab::Output1));
  ASSERT_TRUE(b.run->start(OutputTab::Output1));
  EXPECT_EQ(a.run->stationName(), "PC-A");
  for (int i = 0; i < 4; ++i) {
    a.cycle();
    b.cycle();
  }
  EXPECT_EQ(a.host.warnings, std::vector<std::string>{});
  EXPECT_EQ(b.host.warnings, std::vector<std::string>{});
  EXPECT_EQ(test::listFolder(root / "watch"), "変換中\\");
  EXPECT_EQ(test::listFolder(root / "out"), "0.pdf 1.pdf 2.pdf 3.pdf 4.pdf 5.pdf 6.pdf 7.pdf t (2).pdf t.pdf 変換元\\");
  const std::vector<std::string> inputs = converted();
  EXPECT_EQ(inputs.size(), 10u);  // no file twice
  std::set<std::string> names;
  for (const std::string& input : inputs) {
    EXPECT_TRUE(input.starts_with(claims("PC-A") + "\\") || input.starts_with(claims("PC-B") + "\\")) << input;
    names.insert(input.substr(input.rfind('\\') + 1));
  }
  EXPECT_EQ(names.size(), 10u);
  EXPECT_EQ((std::set<std::string>{test::readFile(root / "out\\変換元\\t.pdf.txt"),
                                   test::readFile(root / "out\\変換元\\t (2).pdf.txt")}),
            (std::set<std::string>{"t.hgl", "t.plt"}));
  // Three at most a claim, and said so; one station in front claims again at once while files
  // are ready, so here (stations taking turns) the first takes what the second would have.
  const std::string logA = a.log(), logB = b.log();
  EXPECT_EQ(count(logA, "\t引き取り") + count(logB, "\t引き取り"), 10u);
  EXPECT_EQ(count(logA, "引き取り 3 件"), 3u) << logA;
  EXPECT_NE(logA.find("複数端末 PC-A: 引き取り 3 件, 他の端末が先に取った "), std::string::npos) << logA;
  EXPECT_NE(a.host.status.find("[PC-A: 0 件]"), std::string::npos) << a.host.status;

  // A second station of the same name is refused while the first runs, and says why.
  TestStation twin(root, "PC-A");
  ASSERT_TRUE(twin.run->start(OutputTab::Output1));
  EXPECT_EQ(twin.run->state(), StandbyRun::State::Stopped);
  EXPECT_EQ(twin.host.warnings, std::vector<std::string>{stationNameInUseMessage("PC-A")});
}

TEST_F(SharedWatchFolderTest, AStaleListingOnlyLosesItsClaims) {
  for (const char* name : {"a.hgl", "b.hgl"}) test::writeFile(root / ("watch\\" + std::string(name)), "IN;");
  TestStation a(root, "PC-A"), b(root, "PC-B");
  ASSERT_TRUE(a.run->start(OutputTab::Output1));
  ASSERT_TRUE(b.run->start(OutputTab::Output1));
  b.run->tick();
  // PC-A takes everything just after PC-B's second listing: PC-B claims from what it saw.
  b.host.onListed = [&] { a.cycle(); };
  b.run->tick();
  EXPECT_EQ(converted().size(), 2u) << "PC-A's log:\n" << a.log() << "PC-B's log:\n" << b.log();
  EXPECT_EQ(b.host.warnings, std::vector<std::string>{});
  const std::string log = b.log();
  EXPECT_EQ(count(log, "\t引き取り"), 0u);
  EXPECT_NE(log.find("複数端末 PC-B: 引き取り 0 件, 他の端末が先に取った 2 件"), std::string::npos) << log;
  EXPECT_FALSE(test::isFile(b.app.settings.WorkFolder + "\\" + kAttemptsFileName));
}

// A shared watch folder's subfolders: a file is claimed into the same subfolder of the claim
// folder, and its output mirrors where it came from, not where it was claimed to.
TEST_F(SharedWatchFolderTest, SubfoldersAreClaimedAndMirroredFromWhereTheFilesCameFrom) {
  test::makeFolder(root / "watch\\sub");
  test::writeFile(root / "watch\\sub\\a.hgl", "IN;");
  TestStation a(root, "PC-A");
  a.app.runSettings.Folder1Subfolders = Subfolders::Mirrored;
  a.run = std::make_unique<StandbyRun>(a.app, a.host);
  ASSERT_TRUE(a.run->start(OutputTab::Output1));
  a.cycle();
  EXPECT_EQ(a.host.warnings, std::vector<std::string>{});
  EXPECT_EQ(converted(), std::vector<std::string>{claims("PC-A") + "\\sub\\a.hgl"});
  EXPECT_EQ(test::listFolder(root / "out\\sub"), "a.pdf 変換元\\");  // the output records beside the output
  EXPECT_EQ(test::listFolder(root / "watch\\sub"), "");
}

TEST(OutputRecordsTest, OneNameForOneDrawingAcrossStations) {
  test::TestFolder root;
  Win32FileSystem fs;
  OutputRecords records(fs);
  const std::string output = root / "plan.pdf";
  const uint64_t kNow = fs.now(), kDay = 24ull * 60 * 60 * 10'000'000;
  bool made = false;
  EXPECT_TRUE(records.reserve(output, "plan.hgl", kNow, made));
  EXPECT_TRUE(made);
  EXPECT_TRUE(records.reserve(output, "PLAN.HGL", kNow, made));  // its own, as names are compared
  EXPECT_FALSE(made);
  EXPECT_FALSE(records.reserve(output, "plan.plt", kNow, made));
  // A reservation whose output never came, a day old on the server's clock, is a leftover...
  EXPECT_TRUE(records.reserve(output, "plan.plt", kNow + 2 * kDay, made));
  EXPECT_EQ(records.drawingOf(output), "plan.plt");
  // ...but not while the output is there.
  test::writeFile(output, "%PDF");
  EXPECT_FALSE(records.reserve(output, "plan.hgl", kNow + 4 * kDay, made));
  records.release(output, "plan.hgl");  // not its record: nothing happens
  EXPECT_EQ(records.drawingOf(output), "plan.plt");
  records.release(output, "plan.plt");
  EXPECT_EQ(records.drawingOf(output), "");
}

TEST_F(SharedWatchFolderTest, ARestartedStationFinishesWhatItsLastLifeLeft) {
  // PC-A stopped in the middle of a cycle: done.hgl's output was made and checked, the viewer
  // had redo.hgl when it stopped, and wait.hgl waited for its next attempt.
  test::makeFolder(root / "watch\\変換中");
  test::makeFolder(claims("PC-A"));
  test::makeFolder(root / "out");
  for (const char* name : {"done.hgl", "redo.hgl", "wait.hgl"}) test::writeFile(claims("PC-A") + "\\" + name, "IN;");
  test::writeFile(root / "out\\done.pdf", "made before the stop");
  StationCard last;
  last.instance = "earlier";
  last.counter = 40;
  last.batch = {claims("PC-A") + "\\done.hgl", claims("PC-A") + "\\redo.hgl"};
  last.checked = {checkedEntry(claims("PC-A") + "\\done.hgl", root / "out\\done.pdf")};
  test::writeFile(root / "watch\\変換中\\PC-A.txt", cardText(last));

  TestStation a(root, "PC-A");
  SetEnvironmentVariableW(L"TESTVIEWER_NO_OUTPUT_FOR", L"\\out\\");  // nothing comes out this time
  ASSERT_TRUE(a.run->start(OutputTab::Output1));
  EXPECT_EQ(a.run->heldCount(), 2u);
  a.cycle();
  SetEnvironmentVariableW(L"TESTVIEWER_NO_OUTPUT_FOR", nullptr);
  EXPECT_EQ(converted(), (std::vector<std::string>{claims("PC-A") + "\\redo.hgl", claims("PC-A") + "\\wait.hgl"}));
  EXPECT_EQ(test::readFile(root / "out\\done.pdf"), "made before the stop");
  EXPECT_EQ(test::listFolder(claims("PC-A")), "redo.hgl wait.hgl");
  const std::string log = a.log();
  EXPECT_NE(log.find("done.hgl\t" + root / "out\\done.pdf\t0\t変換済み 削除 (再開)"), std::string::npos) << log;
  EXPECT_EQ(count(log, "(再開)"), 3u) << log;
  // The stop counted as an attempt only for the file the viewer had.
  EXPECT_EQ(test::readFile(a.app.settings.WorkFolder + "\\" + kAttemptsFileName),
            "2\t" + claims("PC-A") + "\\redo.hgl\r\n1\t" + claims("PC-A") + "\\wait.hgl\r\n");
  a.host.stop = true;
  a.cycle();
  a.run.reset();
  EXPECT_EQ(parseCard(test::readFile(root / "watch\\変換中\\PC-A.txt")).state, "停止中");
}

TEST_F(SharedWatchFolderTest, ASilentStationsFilesGoBackOnlyOnceTheServerLetsGoOfIt) {
  test::writeFile(root / "watch\\new.hgl", "IN;");
  TestStation a(root, "PC-A");
  ASSERT_TRUE(a.run->start(OutputTab::Output1));
  // PC-A claims, and then "freezes" with its lock and seals held: nothing of it can move.
  SetEnvironmentVariableW(L"TESTVIEWER_CREATE_OUTPUTS", nullptr);
  SetEnvironmentVariableW(L"TESTVIEWER_NO_OUTPUT_FOR", L"new.hgl");
  a.cycle();
  SetEnvironmentVariableW(L"TESTVIEWER_NO_OUTPUT_FOR", nullptr);
  ASSERT_EQ(test::listFolder(claims("PC-A")), "new.hgl");
  PutBack held = putBackClaims(a.app.fileSystem, root / "watch\\", "PC-A", "PC-B x", root / "watch\\変換エラー", "");
  EXPECT_EQ(held.decision, Takeover::LockStillHeld);
  EXPECT_EQ(test::listFolder(claims("PC-A")), "new.hgl");

  // Gone for good (its process ended, its lock let go): the files go back, one of them to the
  // error folder since a new drawing of its name waits in the watch folder.
  test::writeFile(claims("PC-A") + "\\twin.hgl", "IN; old");
  a.run.reset();
  test::writeFile(root / "watch\\twin.hgl", "IN; new");
  const PutBack back =
      putBackClaims(a.app.fileSystem, root / "watch\\", "PC-A", "PC-B x", root / "watch\\変換エラー", "");
  EXPECT_EQ(back.decision, Takeover::Allowed);
  EXPECT_EQ(back.back, std::vector<std::string>{root / "watch\\new.hgl"});
  EXPECT_EQ(back.toError, std::vector<std::string>{root / "watch\\変換エラー\\twin.hgl"});
  EXPECT_EQ(test::readFile(root / "watch\\twin.hgl"), "IN; new");
  EXPECT_EQ(parseCard(test::readFile(root / "watch\\変換中\\PC-A.txt")).takenOverBy, "PC-B x");
  EXPECT_FALSE(test::isFile(root / "watch\\変換中\\PC-A.lock"));
}

TEST_F(SharedWatchFolderTest, AStationWhoseFilesWerePutBackDeletesNothingAndBeginsAgain) {
  test::writeFile(root / "watch\\a.hgl", "IN;");
  TestStation a(root, "PC-A");
  ASSERT_TRUE(a.run->start(OutputTab::Output1));
  // As if the server dropped PC-A's session and PC-B put its claims back meanwhile.
  StationCard card = parseCard(test::readFile(root / "watch\\変換中\\PC-A.txt"));
  card.takenOverBy = "PC-B x";
  test::writeFile(root / "watch\\変換中\\PC-A.txt", cardText(card));
  a.cycle();
  EXPECT_TRUE(converted().empty());
  EXPECT_EQ(test::readFile(root / "watch\\a.hgl"), "IN;");
  EXPECT_EQ(count(a.log(), kTakenOverLogText), 1u);
  // It began again: the next cycle is an ordinary one.
  a.cycle();
  EXPECT_EQ(converted().size(), 1u);
  EXPECT_FALSE(test::isFile(root / "watch\\a.hgl"));
}

}  // namespace
}  // namespace marlisk::win
