#include "settings/core/SettingsRules.h"

#include <gtest/gtest.h>

#include "support/IconvCodec.h"
#include "support/MemoryFileSystem.h"

namespace marlisk {
namespace {

TEST(SettingsRulesTest, WaitIsEditedInMinutesAndNeverStoredAsZero) {
  EXPECT_EQ(waitSecondsFromMinutes(0), 2);
  EXPECT_EQ(waitSecondsFromMinutes(1), 60);
  EXPECT_EQ(waitSecondsFromMinutes(1440), 86400);
  EXPECT_EQ(waitSecondsFromMinutes(5000), 86400);  // beyond the spin field's range
  EXPECT_EQ(waitSecondsFromMinutes(-3), 2);
  EXPECT_EQ(waitMinutesFromSeconds(2), 0);
  EXPECT_EQ(waitMinutesFromSeconds(119), 1);
  EXPECT_EQ(waitMinutesFromSeconds(86400), 1440);
}

TEST(SettingsRulesTest, FolderRulesOfTheFields) {
  EXPECT_EQ(openDialogFolder("C:\\Lists\\batch.txt"), "C:\\Lists");
  EXPECT_EQ(openDialogFolder("C:\\batch.txt"), "C:\\");
  EXPECT_EQ(openDialogFolder("batch.txt"), "");
  EXPECT_EQ(openDialogFolder("D:batch.txt"), "D:");

  EXPECT_EQ(watchFolderToCheck("C:\\In\\*.hgl"), "C:\\In");
  EXPECT_EQ(watchFolderToCheck("C:\\*.hgl"), "C:");
  EXPECT_EQ(watchFolderToCheck("*.hgl"), "");  // no folder part: the bare message
  EXPECT_EQ(watchFolderToCheck("C:\\図面\\入力\\*.plt"), "C:\\図面\\入力");

  OutputFolderCheck typed = checkOutputFolder("C:\\Out");
  EXPECT_EQ(typed.folderToCheck, "C:\\Out");
  EXPECT_EQ(typed.fieldText, "C:\\Out\\");
  OutputFolderCheck complete = checkOutputFolder("C:\\Out\\");
  EXPECT_EQ(complete.folderToCheck, "C:\\Out");
  EXPECT_EQ(complete.fieldText, "C:\\Out\\");
  OutputFolderCheck empty = checkOutputFolder("");
  EXPECT_EQ(empty.folderToCheck, "");

  EXPECT_EQ(watchPatternFor("C:\\In"), "C:\\In\\*.hgl");
  EXPECT_EQ(watchPatternFor("C:\\"), "C:\\*.hgl");  // a root keeps its one backslash
  EXPECT_EQ(withTrailingBackslash("C:\\Out"), "C:\\Out\\");
  EXPECT_EQ(withTrailingBackslash("C:\\Out\\"), "C:\\Out\\");
}

TEST(SettingsRulesTest, PreviewLinesAreCutAt128BytesOnWholeCharacters) {
  test::IconvCodec codec;
  const std::string ascii(300, 'a');
  EXPECT_EQ(previewLine(ascii, codec), std::string(128, 'a'));
  EXPECT_EQ(previewLine("C:\\in\\a.hgl", codec), "C:\\in\\a.hgl");
  // 127 ASCII bytes and a double-byte character: the cut would split it, so it goes whole.
  const std::string sjisHyo = "\x95\x5c";  // 表, whose second byte is a backslash
  EXPECT_EQ(previewLine(std::string(127, 'a') + sjisHyo, codec), std::string(127, 'a'));
  EXPECT_EQ(previewLine(std::string(126, 'a') + sjisHyo + "zz", codec), std::string(126, 'a') + "表");
  EXPECT_EQ(previewLine("", codec), "");
  EXPECT_EQ(previewLine("\x80\x80\x80", codec), "");  // not code page 932 at all
}

TEST(SettingsRulesTest, ValuesTheParameterFileCannotHoldHaveAReason) {
  test::IconvCodec codec;
  EXPECT_FALSE(unstorableReason("C:\\図面\\出力\\", codec));
  EXPECT_FALSE(unstorableReason("", codec));
  EXPECT_EQ(unstorableReason("C:\\a\r\nb", codec), "改行を含む設定は保存できません!");
  EXPECT_EQ(unstorableReason("C:\\\xF0\x9F\x98\x80", codec), "このパソコンの文字コードで表せない文字が含まれています!");
  EXPECT_EQ(unstorableReason(std::string(70000, 'a'), codec), "設定が長すぎます!");
  // Only a stand-in exists in code page 932 ("￡" for "£"): it would come back another name.
  EXPECT_EQ(unstorableReason("C:\\£\\", codec), "このパソコンの文字コードで表せない文字が含まれています!");
}

class DrawingFoldersTest : public ::testing::Test {
 protected:
  DrawingFoldersTest() { fs.folders = {"C:\\A", "C:\\B", "C:\\C", "D:\\出力", "D:\\出力2"}; }
  test::MemoryFileSystem fs;
  Settings s;
};

TEST_F(DrawingFoldersTest, SparseRowsWithTheirOutputFoldersPass) {
  s.DrawingFolders = {"C:\\A", "", "C:\\B\\", "", "C:\\C"};
  s.DrawingOutFolders = {"D:\\出力", "", "D:\\出力", "D:\\出力2", "D:\\出力2\\"};  // repeats are fine
  EXPECT_EQ(validateDrawingFolders(s, fs), std::nullopt);
  EXPECT_EQ(s.DrawingFolders, (std::array<std::string, 5>{"C:\\A\\", "", "C:\\B\\", "", "C:\\C\\"}));
  EXPECT_EQ(s.DrawingOutFolders[0], "D:\\出力\\");
  EXPECT_EQ(s.DrawingOutFolders[3], "D:\\出力2\\");  // an output folder without a drawing folder is kept
}

TEST_F(DrawingFoldersTest, EachFailureWithItsMessage) {
  s.DrawingFolders = {"C:\\A", "C:\\In"};
  s.DrawingOutFolders = {"D:\\出力", "D:\\出力"};
  EXPECT_EQ(validateDrawingFolders(s, fs), "C:\\In 作画フォルダ2が存在しません!");
  EXPECT_EQ(s.DrawingFolders[0], "C:\\A\\");  // appended before the failure, and kept

  s = Settings();
  s.DrawingFolders = {"C:\\A"};
  s.DrawingOutFolders = {"D:\\出力", "", "E:\\無い\\"};
  EXPECT_EQ(validateDrawingFolders(s, fs), "E:\\無い 出力先フォルダ3が存在しません!");

  s = Settings();
  s.DrawingFolders = {"C:\\A", "", "C:\\A\\"};  // the same folder once the backslash is added
  s.DrawingOutFolders = {"D:\\出力", "", "D:\\出力2"};
  EXPECT_EQ(validateDrawingFolders(s, fs), "作画フォルダ1から5は同じフォルダーを選択できません");

  s = Settings();
  s.DrawingFolders = {"C:\\A", "", "", "C:\\B"};
  s.DrawingOutFolders = {"D:\\出力"};
  EXPECT_EQ(validateDrawingFolders(s, fs), " 出力先フォルダ4を設定して下さい!");
}

}  // namespace
}  // namespace marlisk
