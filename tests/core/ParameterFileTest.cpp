#include "settings/core/ParameterFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "common/GoldenSettings.h"
#include "support/IconvCodec.h"
#include "support/MemoryFileSystem.h"

namespace marlisk {
namespace {

constexpr const char* kPath = "C:\\Users\\u\\AppData\\Local\\Brennamor\\MarliskAuto\\MarliskAuto.par";

std::string readTestData(const char* name) {
  std::ifstream in(std::string(MARLISK_TEST_DATA) + "/" + name, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::vector<std::string> splitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

std::string joinCrLf(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

class ParameterFileTest : public ::testing::Test {
 protected:
  ParameterFileTest() : file(fs, codec, [this](const std::string& text) { warnings.push_back(text); }) {
    fs.files[test::goldenSettings().ViewerExePath] = "MZ";
  }

  // Settings as start-up has them just before loading: built-in values and the paths.
  static Settings freshSettings() {
    Settings s;
    s.ParameterFilePath = kPath;
    return s;
  }
  static Settings golden() {
    Settings s = test::goldenSettings();
    s.ParameterFilePath = kPath;
    return s;
  }

  test::MemoryFileSystem fs;
  test::IconvCodec codec;
  std::vector<std::string> warnings;
  ParameterFile file;
};

TEST_F(ParameterFileTest, SavedFileMatchesTheGoldenFileByteForByte) {
  ASSERT_TRUE(file.save(golden()));
  const std::string goldenBytes = readTestData("golden.par");
  ASSERT_EQ(splitCrLf(goldenBytes).size(), 57u);
  EXPECT_EQ(fs.files[kPath], goldenBytes);
  EXPECT_TRUE(warnings.empty());
}

TEST_F(ParameterFileTest, GoldenFileLoadsIntoTheSameSettingsAndRoundTrips) {
  fs.files[kPath] = readTestData("golden.par");
  Settings loaded = freshSettings();
  ASSERT_EQ(file.load(loaded), LoadResult::Loaded);
  EXPECT_EQ(loaded, golden());
  EXPECT_TRUE(warnings.empty());

  // Save what was loaded, load it into fresh settings: nothing changes, and the SXF list
  // that the file never holds keeps its fixed value.
  loaded.SxfExtList = "changed in memory";
  ASSERT_TRUE(file.save(loaded));
  Settings reloaded = freshSettings();
  ASSERT_EQ(file.load(reloaded), LoadResult::Loaded);
  EXPECT_EQ(reloaded.SxfExtList, "p21;sfc");
  reloaded.SxfExtList = loaded.SxfExtList;
  EXPECT_EQ(reloaded, loaded);
}

TEST_F(ParameterFileTest, ResultCodes) {
  Settings s = freshSettings();
  EXPECT_EQ(file.load(s), LoadResult::CannotOpen);
  EXPECT_EQ(s.LastIoStatus, 1);

  // Another version, a different case, trailing text, or no first line at all: result 2,
  // and nothing of the rest is read.
  std::vector<std::string> lines = splitCrLf(readTestData("golden.par"));
  for (const char* version : {"Version 10.9", "version 10.10", "Version 10.10 ", ""}) {
    lines[0] = version;
    fs.files[kPath] = joinCrLf(lines);
    Settings other = freshSettings();
    EXPECT_EQ(file.load(other), LoadResult::OtherVersion) << version;
    EXPECT_EQ(other.LastIoStatus, 2);
    other.LastIoStatus = 0;
    EXPECT_EQ(other, freshSettings()) << version;
  }
  fs.files[kPath] = "";
  EXPECT_EQ(file.load(s), LoadResult::OtherVersion);
  EXPECT_TRUE(warnings.empty());
}

TEST_F(ParameterFileTest, DamagedFilesLoadAsFarAsTheyAreSound) {
  const std::vector<std::string> lines = splitCrLf(readTestData("golden.par"));
  const Settings builtIn = freshSettings();
  const Settings full = golden();

  struct Case {
    const char* name;
    std::string bytes;
    std::function<void(Settings&)> expect;  // turns `full` into what must be loaded
    std::string damaged = {};               // the damaged numbers said, after the message
  };
  auto withLine = [&](size_t lineNumber, const std::string& text) {
    std::vector<std::string> copy = lines;
    copy[lineNumber - 1] = text;
    return joinCrLf(copy);
  };
  const std::vector<Case> cases = {
      {"ends after line 20", joinCrLf({lines.begin(), lines.begin() + 20}),
       [&](Settings& s) {
         s.OutType2Index = builtIn.OutType2Index;
         s.DrawingOutFolders = builtIn.DrawingOutFolders;
         s.PaperSettingMode = builtIn.PaperSettingMode;
         s.HDrawPos = builtIn.HDrawPos;
         s.VDrawPos = builtIn.VDrawPos;
         s.MarginTop = builtIn.MarginTop;
         s.MarginBottom = builtIn.MarginBottom;
         s.MarginRight = builtIn.MarginRight;
         s.MarginLeft = builtIn.MarginLeft;
       }},
      {"last line without its line end", joinCrLf(lines).substr(0, joinCrLf(lines).size() - 2), [](Settings&) {}},
      {"line feeds only",
       [&] {
         std::string text;
         for (const auto& line : lines) text += line + "\n";
         return text;
       }(),
       [](Settings&) {}},
      // A number that is none, or too large for its field, takes the field's default and is said.
      {"wait time not a number", withLine(19, "5分"), [&](Settings& s) { s.WaitSeconds = kDefaultWaitSeconds; },
       "\r\n 19行目 待機時間"},
      {"wait time out of range", withLine(19, "99999999999999999999"),
       [&](Settings& s) { s.WaitSeconds = kDefaultWaitSeconds; }, "\r\n 19行目 待機時間"},
      {"wait time empty", withLine(19, ""), [&](Settings& s) { s.WaitSeconds = builtIn.WaitSeconds; }},
      {"wait time with blanks and sign", withLine(19, "  -60 "), [](Settings& s) { s.WaitSeconds = -60; }},
      {"byte settings take the low byte", withLine(20, "300"), [](Settings& s) { s.OutTypeIndex = 44; }},
      {"negative byte", withLine(28, "-1"), [](Settings& s) { s.HDrawPos[0] = 255; }},
      {"byte beyond 32 bits", withLine(21, "4294967296"), [&](Settings& s) { s.OutType2Index = 0; },
       "\r\n 21行目 出力２の出力形式"},
      {"a margin that is no number", withLine(44, "x"), [&](Settings& s) { s.MarginBottom[1] = 0; },
       "\r\n 44行目 下余白2"},
      {"paper mode of neither choice", withLine(27, "2"), [](Settings& s) { s.PaperSettingMode = 0; }},
      {"paper mode of a byte's end", withLine(27, "-1"), [](Settings& s) { s.PaperSettingMode = 0; }},
      {"overlong extension list", withLine(2, std::string(kMaxParameterLineBytes + 1, 'x')),
       [&](Settings& s) { s.HpglExtList = builtIn.HpglExtList; }},
      {"longest allowed line", withLine(3, std::string(kMaxParameterLineBytes, 'x')),
       [&](Settings& s) { s.ImageExtList = std::string(kMaxParameterLineBytes, 'x'); }},
      {"bytes that are no code page 932 text", withLine(18, "C:\\\x81 out\\"),
       [&](Settings& s) { s.OutputFolder = builtIn.OutputFolder; }},
      {"lines beyond the 57th are ignored", joinCrLf(lines) + "junk\r\n" + std::string(1 << 20, 'z'), [](Settings&) {}},
  };
  for (const Case& c : cases) {
    fs.files[kPath] = c.bytes;
    Settings loaded = freshSettings();
    warnings.clear();
    EXPECT_EQ(file.load(loaded), LoadResult::Loaded) << c.name;
    Settings expected = full;
    c.expect(expected);
    EXPECT_EQ(loaded, expected) << c.name;
    const std::vector<std::string> said = {
        std::string(kPath) + "\r\nパラメータファイルに読めない数字があります。次の設定は既定値にしました!" + c.damaged};
    EXPECT_EQ(warnings, c.damaged.empty() ? std::vector<std::string>{} : said) << c.name;
  }
}

TEST_F(ParameterFileTest, HugeFileIsReadOnlyAsFarAsNeeded) {
  // A file of one endless line: not our version, so start-up replaces it with a sound one.
  fs.files[kPath] = std::string(8 << 20, 'V');
  Settings s = freshSettings();
  EXPECT_EQ(file.load(s), LoadResult::OtherVersion);
}

TEST_F(ParameterFileTest, BatchFileAndWatchPatternAreReadOnlyWhenEmpty) {
  fs.files[kPath] = readTestData("golden.par");
  Settings s = freshSettings();
  s.BatchFileName = "D:\\given\\list.txt";
  s.WatchFolder = "D:\\watch\\";
  ASSERT_EQ(file.load(s), LoadResult::Loaded);
  EXPECT_EQ(s.BatchFileName, "D:\\given\\list.txt");
  EXPECT_EQ(s.WatchFolder, "D:\\watch\\");
  EXPECT_EQ(s.WatchFileMask, "");
  EXPECT_EQ(s.DrawingFolders, golden().DrawingFolders);  // the lines after them are still in step

  // A pattern without any folder part is all mask.
  std::vector<std::string> lines = splitCrLf(readTestData("golden.par"));
  lines[11] = "*.plt";
  fs.files[kPath] = joinCrLf(lines);
  Settings bare = freshSettings();
  ASSERT_EQ(file.load(bare), LoadResult::Loaded);
  EXPECT_EQ(bare.WatchFolder, "");
  EXPECT_EQ(bare.WatchFileMask, "*.plt");
}

TEST_F(ParameterFileTest, MissingViewerIsReportedOnceOrFoundUnderX86) {
  std::vector<std::string> lines = splitCrLf(readTestData("golden.par"));

  // The default path, missing, with the viewer installed as a 32-bit program: taken silently.
  fs.files.clear();
  fs.files[kDefaultViewerPathX86] = "MZ";
  fs.files[kPath] = joinCrLf(lines);
  Settings s = freshSettings();
  ASSERT_EQ(file.load(s), LoadResult::Loaded);
  EXPECT_EQ(s.ViewerExePath, kDefaultViewerPathX86);
  EXPECT_TRUE(warnings.empty());

  // Any other missing path: one warning, loading goes on, the path is kept.
  lines[9] = "D:\\tools\\Marlisk.exe";
  fs.files[kPath] = joinCrLf(lines);
  s = freshSettings();
  ASSERT_EQ(file.load(s), LoadResult::Loaded);
  EXPECT_EQ(s.ViewerExePath, "D:\\tools\\Marlisk.exe");
  EXPECT_EQ(s.MarginLeft, golden().MarginLeft);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0],
            "D:\\tools\\Marlisk.exe\r Marliskプログラムファイルが存在しません!\r "
            "設定ボタンでMarliskプログラム名を登録してください");

  // The default path with neither installed: the same warning.
  warnings.clear();
  fs.files.erase(kDefaultViewerPathX86);
  lines[9] = kDefaultViewerPath;
  fs.files[kPath] = joinCrLf(lines);
  s = freshSettings();
  ASSERT_EQ(file.load(s), LoadResult::Loaded);
  EXPECT_EQ(s.ViewerExePath, kDefaultViewerPath);
  EXPECT_EQ(warnings.size(), 1u);

  // A viewer line that is no text in the code page names no viewer either.
  warnings.clear();
  lines[9] = "C:\\\x81 x\\Marlisk.exe";
  fs.files[kPath] = joinCrLf(lines);
  s = freshSettings();
  ASSERT_EQ(file.load(s), LoadResult::Loaded);
  EXPECT_EQ(s.ViewerExePath, "");
  EXPECT_EQ(warnings, std::vector<std::string>{"C:\\? x\\Marlisk.exe\r Marliskプログラムファイルが存在しません!\r "
                                               "設定ボタンでMarliskプログラム名を登録してください"});
}

// One value the file cannot hold is said, and its line keeps what the file held; every other
// setting is saved all the same.
TEST_F(ParameterFileTest, ValuesTheFileCannotHoldKeepTheirOldLineAndTheRestIsSaved) {
  const std::string old = readTestData("golden.par");
  struct Case {
    const char* name;
    std::function<void(Settings&)> change;
    const char* reason;
  };
  const std::vector<Case> cases = {
      {"line break", [](Settings& s) { s.OutputFolder = "C:\\out\r\nD:\\"; }, "改行を含む設定は保存できません!"},
      {"lone line feed", [](Settings& s) { s.DrawingFolders[2] = "C:\\a\nb"; }, "改行を含む設定は保存できません!"},
      {"character outside code page 932", [](Settings& s) { s.ViewerExePath = "C:\\café\\Marlisk.exe"; },
       "このパソコンの文字コードで表せない文字が含まれています!"},
      {"emoji", [](Settings& s) { s.WatchFileMask = "😀.hgl"; },
       "このパソコンの文字コードで表せない文字が含まれています!"},
      {"overlong", [](Settings& s) { s.HpglExtList = std::string(kMaxParameterLineBytes + 1, 'h'); },
       "設定が長すぎます!"},
  };
  for (const Case& c : cases) {
    fs.files[kPath] = old;
    warnings.clear();
    Settings s = golden();
    c.change(s);
    s.WaitSeconds = 42;
    EXPECT_TRUE(file.save(s)) << c.name;
    Settings expected = golden();
    expected.WaitSeconds = 42;
    Settings loaded = freshSettings();
    ASSERT_EQ(file.load(loaded), LoadResult::Loaded) << c.name;
    EXPECT_EQ(loaded, expected) << c.name;
    ASSERT_EQ(warnings.size(), 1u) << c.name;
    EXPECT_NE(warnings[0].find(c.reason), std::string::npos) << c.name << ": " << warnings[0];
    EXPECT_NE(warnings[0].find("この設定はパラメータファイルに保存できません!"), std::string::npos) << c.name;
  }
  // A long value is shown cut short, on a whole character.
  EXPECT_LT(warnings.back().size(), 400u);
  // A new file has no old line to keep: the line is left empty, and stays 57 lines long.
  fs.files.erase(kPath);
  Settings s = golden();
  s.OutputFolder = "C:\\Résumé\\";
  EXPECT_TRUE(file.save(s));
  EXPECT_EQ(splitCrLf(fs.files[kPath]).size(), 57u);
  EXPECT_EQ(splitCrLf(fs.files[kPath])[17], "");
}

TEST_F(ParameterFileTest, FailedWriteKeepsTheOldFileAndSaysSo) {
  const std::string old = readTestData("golden.par");
  fs.files[kPath] = old;
  fs.replaceError = 112;  // disk full
  Settings s = golden();
  s.WaitSeconds = 2;
  EXPECT_FALSE(file.save(s));
  EXPECT_EQ(fs.files[kPath], old);
  EXPECT_EQ(warnings, std::vector<std::string>{"パラメータファイルを作成できません!"});
}

}  // namespace
}  // namespace marlisk
