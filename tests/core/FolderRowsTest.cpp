// Further watch folders and the time window in "MarliskAuto.ini": read as far as they are
// sound, a damaged row skipped and kept as it was written.
#include <gtest/gtest.h>

#include "app/core/AfterCommand.h"
#include "app/core/WatchRows.h"
#include "core/Messages.h"
#include "settings/core/RunSettings.h"

namespace marlisk {
namespace {

TEST(FolderRowsTest, RowsAreReadKeptAndWrittenBack) {
  const std::string text =
      "[Run]\r\nMaxAttempts=2\r\nNewerKey=1\r\n"
      "[Folder2]            ; … up to [Folder16]\r\nWatch=C:\\in\\tiff\r\nMask=*.tif\r\nTab=1   ; 出力１\r\n"
      "Type=15\r\nOutput=C:\\out\\png\\\r\nSubfolders=2\r\nColour=red\r\n"
      "[Folder1]\r\nSubfolders=1\r\n"
      "[Folder3]\r\nWatch=C:\\in\\pdf\\\r\nTab=2\r\nType=9\r\nOutput=C:\\out\\\r\n"  // 出力２ has 8 types
      "[Folder4]\r\nWatch=\r\n"                                                      // skipped, not damaged
      "[Folder2]\r\nWatch=C:\\again\\\r\nOutput=C:\\o\\\r\n"                         // a second [Folder2]
      "[Other]\r\nX=1\r\n";
  std::vector<std::string> damaged;
  const RunSettings read = parseRunSettings(text, damaged);
  EXPECT_EQ(damaged, (std::vector<std::string>{"Folder3", "Folder2"}));
  EXPECT_EQ(damagedSettingName("Folder3"), "[Folder3]");
  EXPECT_EQ(read.MaxAttempts, 2);
  EXPECT_EQ(read.Folder1Subfolders, Subfolders::Yes);
  ASSERT_EQ(read.Folders.size(), 4u);
  const FolderRow& tiff = read.Folders[0];
  EXPECT_TRUE(tiff.active());
  EXPECT_EQ(tiff.Watch, "C:\\in\\tiff\\");
  EXPECT_EQ(tiff.Mask, "*.tif");
  EXPECT_EQ(tiff.Type, 15);
  EXPECT_EQ(tiff.Output, "C:\\out\\png\\");
  EXPECT_EQ(tiff.subfolders, Subfolders::Mirrored);
  EXPECT_FALSE(read.Folders[1].active());
  EXPECT_FALSE(read.Folders[2].active());
  EXPECT_TRUE(read.Folders[2].damaged.empty());
  EXPECT_FALSE(read.Folders[3].active());

  // Saved and read again: the same rows, the damaged one as it was written, nothing lost.
  const std::string saved = runSettingsText(read);
  EXPECT_NE(saved.find("[Folder3]\r\nWatch=C:\\in\\pdf\\\r\nTab=2\r\nType=9\r\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("Colour=red\r\n"), std::string::npos);
  EXPECT_NE(saved.find("NewerKey=1\r\n[Other]\r\nX=1\r\n"), std::string::npos);
  std::vector<std::string> again;
  const RunSettings back = parseRunSettings(saved, again);
  EXPECT_EQ(again, damaged);
  EXPECT_EQ(runSettingsText(back), saved);
  // Without rows nothing of them is written.
  EXPECT_EQ(runSettingsText(RunSettings{}).find("[Folder"), std::string::npos);
}

TEST(FolderRowsTest, TimeWindowsMayCrossMidnight) {
  const struct {
    const char* text;
    bool sound;
    int32_t minute;
    bool inside;
  } cases[] = {
      {"", true, 0, true},
      {"22:00-06:00", true, 23 * 60, true},
      {"22:00-06:00", true, 5 * 60 + 59, true},
      {"22:00-06:00", true, 6 * 60, false},
      {"22:00-06:00", true, 12 * 60, false},
      {"8:30-17:15", true, 17 * 60 + 14, true},
      {"8:30-17:15", true, 8 * 60 + 29, false},
      {"00:00-24:00", true, 23 * 60 + 59, true},
      {"10:00-10:00", false, 0, false},
      {"25:00-06:00", false, 0, false},
      {"22:00", false, 0, false},
      {"22:0-06:00", false, 0, false},
  };
  for (const auto& c : cases) {
    const std::optional<TimeWindow> window = parseTimeWindow(c.text);
    ASSERT_EQ(window.has_value(), c.sound) << c.text;
    if (window) {
      EXPECT_EQ(window->contains(c.minute), c.inside) << c.text << " " << c.minute;
    }
  }
  EXPECT_EQ(parseTimeWindow("22:00-06:00")->fromText(), "22:00");
  std::vector<std::string> damaged;
  EXPECT_EQ(parseRunSettings("TimeWindow=22-06\r\nAfterCommandSeconds=0\r\n", damaged).TimeWindow, "");
  EXPECT_EQ(damaged, (std::vector<std::string>{"TimeWindow", "AfterCommandSeconds"}));
}

TEST(FolderRowsTest, TheRowsOfARunAndWhereTheirOutputsGo) {
  Settings s;
  s.WatchFolder = "C:\\in\\";
  s.WatchFileMask = "*.hgl";
  s.OutputFolder = "C:\\in\\";  // outputs beside the inputs: allowed, as always, for one row
  s.OutType2Index = 3;
  s.DrawingFolders = {"D:\\pdf1", "", "D:\\pdf3"};
  s.DrawingOutFolders = {"E:\\o1", "E:\\o2", ""};  // a drawing folder without its output folder is no row
  RunSettings run;
  run.Folder1Subfolders = Subfolders::Mirrored;
  run.WatchDrawingFolders = true;
  std::vector<std::string> damaged;
  run.Folders = parseRunSettings("[Folder2]\nWatch=F:\\x\nTab=2\nType=8\nOutput=F:\\y\n", damaged).Folders;
  std::vector<std::string> skipped;
  const std::vector<WatchRow> rows = watchRows(s, run, OutputTab::Output2, &skipped);
  EXPECT_EQ(skipped, std::vector<std::string>{"[Folder2]"});
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].mask, "*.pdf");  // the tab in front: PDF only
  EXPECT_EQ(rows[0].type, 3);
  EXPECT_EQ(rows[1].name, "[図面フォルダ1]");
  EXPECT_EQ(rows[1].watch, "D:\\pdf1\\");
  EXPECT_EQ(rows[1].output, "E:\\o1\\");
  WatchRow plain = rows[0];
  plain.subfolders = Subfolders::No;
  EXPECT_EQ(rowsConflict({plain}, RunSettings{}), "");

  // Mirrored: the input's folder under the watch folder, again under the output folder, at any length.
  WatchRow mirrored = rows[0];
  mirrored.output = "D:\\out\\";
  const std::string deep = std::string(200, 'd') + "\\" + std::string(40, 'e') + "\\";
  EXPECT_EQ(outputFolderFor(mirrored, "C:\\in\\" + deep + "p.hgl"), "D:\\out\\" + deep);
  EXPECT_EQ(outputFolderFor(mirrored, "C:\\in\\p.hgl"), "D:\\out\\");
  mirrored.subfolders = Subfolders::Yes;
  EXPECT_EQ(outputFolderFor(mirrored, "C:\\in\\" + deep + "p.hgl"), "D:\\out\\");
  // A mirrored tree whose output lies inside it would feed itself.
  EXPECT_TRUE(rowsConflict({rows[0]}, run).starts_with(kRowsWatchOutputMessage));
}

TEST(FolderRowsTest, TheCommandAfterEachFileGetsItsValuesQuotedAsAPathNeeds) {
  const struct {
    const char* command;
    const char* line;
  } cases[] = {
      {"copy %OUTPUT% D:\\cust", "copy \"C:\\out\\図 1.pdf\" D:\\cust"},
      {"log.bat \"%INPUT%\" %RESULT% %FOLDER%", "log.bat \"C:\\in\\図 1.hgl\" エラー C:\\in"},
      {"x %FOLDER%\\%%INPUT%%", "x C:\\in\\%\"C:\\in\\図 1.hgl\"%"},
      {"%UNKNOWN% 100%", "%UNKNOWN% 100%"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(afterCommandLine(c.command, "C:\\in\\図 1.hgl", "C:\\out\\図 1.pdf", kAfterCommandError, "C:\\in\\"),
              c.line)
        << c.command;
  EXPECT_EQ(afterCommandLine("a %OUTPUT%", "i", "", kAfterCommandConverted, "f"),
            "a \"\"");  // no output: still an argument
}

}  // namespace
}  // namespace marlisk
