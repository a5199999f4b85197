// The rules of unattended standby: its settings file, the output check, the attempts, the
// names in the error and done folders, and the run log.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/core/InputHandling.h"
#include "app/core/OutputOrigins.h"
#include "settings/core/RunSettings.h"
#include "support/MemoryFileSystem.h"

namespace marlisk {
namespace {

TEST(UnattendedTest, RunSettingsSurviveTheFileAndDamageTakesTheDefault) {
  RunSettings s;
  s.CheckOutput = false;
  s.MaxAttempts = 7;
  s.ErrorFolder = "D:\\図面\\エラー\\";
  s.Originals = AfterSuccess::RecycleBin;
  s.ViewerTimeLimitMinutes = 90;
  s.LogDays = 999;
  s.Unattended = true;
  s.OtherLines = {"; a note", "[Newer]", "Future=1"};
  std::vector<std::string> damaged;
  const RunSettings back = parseRunSettings(runSettingsText(s), damaged);
  EXPECT_TRUE(damaged.empty());
  EXPECT_EQ(runSettingsText(back), runSettingsText(s));
  EXPECT_EQ(errorFolderOf(back, "C:\\in\\"), "D:\\図面\\エラー");
  EXPECT_EQ(doneFolderOf(back, "C:\\in\\"), "C:\\in\\変換済み");

  // Each damaged value keeps its default and is named once; the rest is read.
  const RunSettings hurt = parseRunSettings(
      "MaxAttempts=0\nMaxAttempts=abc\nLogDays=1000\nOriginals=3\nRunLog=yes\nErrorFolder=\xFF\xFE\n"
      "garbage line\nViewerTimeLimit = 5 \nUnattended=1",
      damaged);
  EXPECT_EQ(damaged,
            (std::vector<std::string>{"MaxAttempts", "LogDays", "Originals", "RunLog", "ErrorFolder", "line 7"}));
  EXPECT_EQ(hurt.MaxAttempts, 3);
  EXPECT_EQ(hurt.LogDays, 30);
  EXPECT_EQ(hurt.Originals, AfterSuccess::Delete);
  EXPECT_TRUE(hurt.RunLog);
  EXPECT_EQ(hurt.ErrorFolder, "");
  EXPECT_EQ(hurt.ViewerTimeLimitMinutes, 5);
  EXPECT_TRUE(hurt.Unattended);
  EXPECT_EQ(errorFolderOf(hurt, "C:\\in\\"), "C:\\in\\変換エラー");

  // Init/ ships the defaults, as the program writes them.
  std::ifstream shipped(std::string(MARLISK_TEST_DATA) + "/../../Init/MarliskAuto.ini", std::ios::binary);
  std::ostringstream bytes;
  bytes << shipped.rdbuf();
  EXPECT_EQ(bytes.str(), runSettingsText(RunSettings{}));

  // The file: missing gives the defaults silently, damage is said once, a failed save is said.
  test::MemoryFileSystem fs;
  std::vector<std::string> said;
  RunSettingsFile file(fs, [&](const std::string& text) { said.push_back(text); });
  EXPECT_EQ(runSettingsText(file.load("w\\MarliskAuto.ini")), runSettingsText(RunSettings{}));
  EXPECT_TRUE(said.empty());
  fs.files["w\\MarliskAuto.ini"] = "MaxAttempts=100\r\nLogDays=x\r\n";
  file.load("w\\MarliskAuto.ini");
  ASSERT_EQ(said.size(), 1u);
  EXPECT_NE(said[0].find("\r\n変換の試行回数、運転ログを残す日数"), std::string::npos) << said[0];
  fs.replaceError = 5;
  EXPECT_FALSE(file.save("w\\MarliskAuto.ini", s));
  EXPECT_EQ(fs.files["w\\MarliskAuto.ini"], "MaxAttempts=100\r\nLogDays=x\r\n");
  EXPECT_EQ(said.size(), 2u);
}

TEST(UnattendedTest, AnInputGoesOnlyWithItsOutputAndMovesAsideAfterItsAttempts) {
  constexpr uint64_t kStart = 1'000'000'000;
  EXPECT_TRUE(outputMade({true, 10, kStart}, kStart));
  EXPECT_TRUE(outputMade({true, 10, kStart - kFileTimeResolution}, kStart));       // FAT's two seconds
  EXPECT_FALSE(outputMade({true, 10, kStart - kFileTimeResolution - 1}, kStart));  // from before the run
  EXPECT_FALSE(outputMade({true, 0, kStart}, kStart));                             // empty
  EXPECT_FALSE(outputMade({false, 10, kStart}, kStart));                           // not there
  // The file of an earlier run a second before this one, untouched: not this run's output.
  EXPECT_FALSE(outputMade({true, 10, kStart - 1}, kStart, {true, 10, kStart - 1}));
  EXPECT_TRUE(outputMade({true, 12, kStart - 1}, kStart, {true, 10, kStart - 1}));  // written again

  RunSettings checked, unchecked;
  unchecked.CheckOutput = false;
  using A = InputAction;
  struct Case {
    const RunSettings& settings;
    ViewerEnd viewer;
    bool made;
    int32_t before;
    A action;
    bool counts;
  } cases[] = {
      {checked, ViewerEnd::Ended, true, 2, A::Finish, false},
      {checked, ViewerEnd::Ended, false, 0, A::Keep, true},
      {checked, ViewerEnd::Ended, false, 2, A::MoveToError, true},  // the third of three
      {checked, ViewerEnd::TimedOut, true, 0, A::Keep, true},       // a cut-off run proves nothing
      {checked, ViewerEnd::Crashed, false, 1, A::Keep, true},
      {checked, ViewerEnd::NotStarted, false, 5, A::Keep, false},    // a missing viewer is no input's fault
      {unchecked, ViewerEnd::EndedByUser, true, 2, A::Keep, false},  // nor a viewer the user ended
      {unchecked, ViewerEnd::Ended, false, 0, A::Finish, false},     // as standby always did
      {unchecked, ViewerEnd::Crashed, false, 2, A::MoveToError, true},
  };
  for (const Case& c : cases) {
    const InputDecision d = decideInput(c.settings, c.viewer, c.made, c.before);
    EXPECT_EQ(d.action, c.action) << static_cast<int>(c.viewer) << " " << c.made << " " << c.before;
    EXPECT_EQ(d.countsAttempt, c.counts) << static_cast<int>(c.viewer) << " " << c.made << " " << c.before;
  }

  AttemptCounts counts;
  counts.add("C:\\in\\a.hgl");
  counts.add("C:\\in\\a.hgl");
  counts.add("C:\\in\\図面 b.hgl");
  EXPECT_EQ(AttemptCounts::parse(counts.text()), counts);
  EXPECT_EQ(AttemptCounts::parse(counts.text() + "x\ty\r\n-1\tz\r\nbroken\r\n"), counts);
  counts.keepOnly([](const std::string& input) { return input == "C:\\in\\a.hgl"; });
  EXPECT_EQ(counts.of("C:\\in\\a.hgl"), 2);
  EXPECT_EQ(counts.of("C:\\in\\図面 b.hgl"), 0);
}

TEST(UnattendedTest, NamesThatNeverOverwriteAndTheLog) {
  std::set<std::string> there = {"plan.hgl", "plan (2).hgl", ".profile", "plan"};
  auto taken = [&](const std::string& name) { return there.count(name) > 0; };
  EXPECT_EQ(freeName("new.hgl", taken), "new.hgl");
  EXPECT_EQ(freeName("plan.hgl", taken), "plan (3).hgl");
  EXPECT_EQ(freeName(".profile", taken), ".profile (2)");
  EXPECT_EQ(freeName("plan", taken), "plan (2)");
  EXPECT_EQ(freeName("x", [](const std::string&) { return true; }), "");

  LogEntry e{"2026-12-09 03:00:00", true, "C:\\in\\a\tb.hgl", "C:\\out\\a.pdf", 1234, LogResult::KeptNoOutput, 0, 2.5};
  EXPECT_EQ(logLine(e), "2026-12-09 03:00:00\t待機\tC:\\in\\a b.hgl\tC:\\out\\a.pdf\t1234\t保留 出力なし\t0\t2.5\r\n");
  e.exitCode = -1;
  e.standby = false;
  e.result = LogResult::Missing;
  EXPECT_EQ(logLine(e), "2026-12-09 03:00:00\tバッチ\tC:\\in\\a b.hgl\tC:\\out\\a.pdf\t1234\t見つからない\t\t\r\n");
  e.result = LogResult::MovedToError;
  addDetail(e, "3 回目: 出力なし");
  addDetail(e, "移動先 C:\\in\\変換エラー\\a (2).hgl");
  EXPECT_NE(logLine(e).find("\tエラーフォルダへ移動 (3 回目: 出力なし, 移動先 C:\\in\\変換エラー\\a (2).hgl)\t"),
            std::string::npos)
      << logLine(e);
  // Whatever a name holds, a line is one line of text: control bytes blank, broken UTF-8 U+FFFD.
  e.input =
      "a\x01\x7F図\xFF\xE3\x81.\xC0\xAF"
      "b\xF0\x9F\x98\x80";
  EXPECT_NE(logLine(e).find("\ta  図\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD.\xEF\xBF\xBD\xEF\xBF\xBD"
                            "b\xF0\x9F\x98\x80\t"),
            std::string::npos)
      << logLine(e);
  EXPECT_EQ(logMessageLine("t", true, "I/O Error\r\ncode=5"), "t\t待機\tメッセージ\tI/O Error  code=5\r\n");
  EXPECT_EQ(logFileName("2026-12-09"), "Log\\2026-12-09.txt");
  EXPECT_TRUE(isExpiredLog("2026-11-09.txt", "2026-12-09", 30));
  EXPECT_FALSE(isExpiredLog("2026-11-10.txt", "2026-12-09", 30));
  EXPECT_TRUE(isExpiredLog("2025-12-31.txt", "2026-01-01", 1));  // across a year
  EXPECT_FALSE(isExpiredLog("2026-12-09.txt", "2026-12-09", 1));
  EXPECT_FALSE(isExpiredLog("notes.txt", "2026-12-09", 1));  // not ours
  EXPECT_FALSE(isExpiredLog("2026-13-01.txt", "2026-12-09", 1));

  RepeatLimiter repeats;
  EXPECT_TRUE(repeats.allow("I/O Error code=5", 1000));
  EXPECT_FALSE(repeats.allow("I/O Error code=5", 1000 + RepeatLimiter::kQuietMs - 1));
  EXPECT_TRUE(repeats.allow("I/O Error code=3", 2000));  // another text is news
  EXPECT_TRUE(repeats.allow("I/O Error code=5", 1000 + RepeatLimiter::kQuietMs));
}

// Two drawings of one name never share an output; a drawing sent again replaces its own.
TEST(UnattendedTest, AnOutputIsReplacedOnlyByTheInputThatMadeIt) {
  OutputOrigins origins =
      OutputOrigins::parse("O:\\plan.pdf\tW:\\plan.hgl\r\nO:\\Plan (2).pdf\tW:\\plan.plt\r\nbroken\r\n\tW:\\x\r\n");
  EXPECT_EQ(OutputOrigins::parse(origins.text()).text(), origins.text());
  EXPECT_EQ(origins.size(), 2u);
  const std::set<std::string> disk = {"o:\\plan.pdf", "o:\\plan (2).pdf", "o:\\scan.png", "o:\\scan (2).png"};
  auto exists = [&](const std::string& path) { return disk.contains(OutputOrigins::fold(path)); };
  const std::unordered_set<std::string> none, given = {"o:\\scan.png", "o:\\scan (3).png"};
  struct Case {
    const char *wanted, *input;
    const std::unordered_set<std::string>& taken;
    const char* chosen;
  } cases[] = {
      {"O:\\plan.pdf", "W:\\plan.hgl", none, "O:\\plan.pdf"},       // sent again: its own
      {"O:\\plan.pdf", "w:\\PLAN.PLT", none, "O:\\Plan (2).pdf"},   // its own, at its numbered name
      {"O:\\plan.pdf", "W:\\plan.tif", none, "O:\\plan (3).pdf"},   // another drawing: a free name
      {"O:\\scan.png", "W:\\scan.bmp", none, "O:\\scan.png"},       // not ours: replaced, as always
      {"O:\\scan.png", "W:\\scan.gif", given, "O:\\scan (4).png"},  // given out this run; (2) not ours
      {"O:\\new.pdf", "W:\\new.hgl", none, "O:\\new.pdf"},
  };
  for (const Case& c : cases) EXPECT_EQ(origins.choose(c.wanted, c.input, exists, c.taken), c.chosen) << c.input;
  // An input has one output: recording its new one forgets the old, and a gone output is forgotten.
  origins.record("O:\\plan (3).pdf", "W:\\plan.hgl");
  EXPECT_EQ(origins.inputOf("O:\\plan.pdf"), "");
  origins.keepOnly(exists);
  EXPECT_EQ(origins.text(), "O:\\Plan (2).pdf\tW:\\plan.plt\r\n");
}

}  // namespace
}  // namespace marlisk
