#include "app/core/ProgramStart.h"

#include <gtest/gtest.h>

#include "support/IconvCodec.h"
#include "support/MemoryFileSystem.h"

namespace marlisk {
namespace {

TEST(ProgramStartTest, CommandLineSwitches) {
  auto resolve = [](const std::string& path) { return "target of " + path; };
  struct Case {
    std::vector<std::string> arguments;
    bool standby, batch, minimize;
    std::optional<std::string> name;
  } cases[] = {
      {{}, false, false, false, std::nullopt},
      {{"/a"}, true, false, false, std::nullopt},
      {{"/A"}, true, false, false, std::nullopt},
      {{"/b"}, true, false, true, std::nullopt},
      {{"/B"}, true, false, true, std::nullopt},
      {{"/c"}, false, true, false, std::nullopt},
      {{"/C", "D:\\list.txt"}, false, true, false, "D:\\list.txt"},
      {{"/d"}, false, true, true, std::nullopt},
      {{"/D", "C:\\My", "Batch", "List.txt"}, false, true, true, "C:\\My Batch List.txt"},
      // Anything else starts nothing, and every argument is part of the name.
      {{"/e", "x.txt"}, false, false, false, "/e x.txt"},
      {{"/aa"}, false, false, false, "/aa"},
      {{"-a"}, false, false, false, "-a"},
      {{"C:\\図面\\一覧.txt"}, false, false, false, "C:\\図面\\一覧.txt"},
      {{"x.txt", "/c"}, false, false, false, "x.txt /c"},
      // Shortcuts (any letter case) are followed, after joining.
      {{"/c", "C:\\my", "list.LNK"}, false, true, false, "target of C:\\my list.LNK"},
      {{"D:\\list.lnk"}, false, false, false, "target of D:\\list.lnk"},
      {{"D:\\list.lnk.txt"}, false, false, false, "D:\\list.lnk.txt"},
  };
  for (const Case& c : cases) {
    const StartRequest r = evaluateCommandLine(c.arguments, resolve);
    const std::string shown = c.arguments.empty() ? "(none)" : c.arguments[0];
    EXPECT_EQ(r.standby, c.standby) << shown;
    EXPECT_EQ(r.batch, c.batch) << shown;
    EXPECT_EQ(r.minimize, c.minimize) << shown;
    EXPECT_EQ(r.batchFileName, c.name) << shown;
  }
}

class WorkingFolderTest : public ::testing::Test {
 protected:
  WorkingFolderTest() : parameters(fs, codec, [this](const std::string& text) { warnings.push_back(text); }) {
    fs.folders = {"C:\\App", "C:\\App\\Init", "C:\\App\\Init\\Data", "C:\\Local"};
    fs.files["C:\\App\\Init\\MarliskAuto.par"] = parameterFile("Version 10.10", "600");
    fs.files["C:\\App\\Init\\Data\\sample.hgl"] = "IN;";
    fs.files["C:\\Marlisk.exe"] = "MZ";
  }
  static std::string parameterFile(const std::string& version, const std::string& waitSeconds) {
    std::string text = version + "\r\n";
    for (int line = 2; line <= 57; ++line)
      text += (line == 10   ? std::string("C:\\Marlisk.exe")
               : line == 19 ? waitSeconds
               : line == 11 ? "C:\\list.txt"
                            : "") +
              "\r\n";
    return text;
  }
  bool prepare() {
    settings.BatchFileName = "stale";
    settings.DrawingFolders[4] = "stale";
    return prepareWorkingFolder(folders, settings, fs, parameters,
                                [this](const std::string& t) { warnings.push_back(t); });
  }

  const StartFolders folders = startFolders("C:\\App", "C:\\Local");
  const std::string work = "C:\\Local\\Brennamor\\MarliskAuto";
  test::MemoryFileSystem fs;
  test::IconvCodec codec;
  std::vector<std::string> warnings;
  ParameterFile parameters;
  Settings settings;
};

TEST_F(WorkingFolderTest, FirstRunCreatesAndFillsTheWorkingFolder) {
  ASSERT_TRUE(prepare());
  EXPECT_TRUE(fs.folders.count("C:\\Local\\Brennamor"));
  EXPECT_TRUE(fs.folders.count(work));
  EXPECT_EQ(fs.files[work + "\\Data\\sample.hgl"], "IN;");
  EXPECT_EQ(settings.WorkFolder, work);
  EXPECT_EQ(settings.ParameterFilePath, work + "\\MarliskAuto.par");
  EXPECT_EQ(settings.ViewerCommandFilePath, work + "\\MarComline.txt");
  EXPECT_EQ(settings.WaitSeconds, 600);
  EXPECT_EQ(settings.BatchFileName, "C:\\list.txt");  // cleared, then loaded
  EXPECT_EQ(settings.DrawingFolders[4], "");
  EXPECT_TRUE(warnings.empty());
}

TEST_F(WorkingFolderTest, AnExistingWorkingFolderIsUsedAsItIs) {
  fs.folders.insert("C:\\Local\\Brennamor");
  fs.folders.insert(work);
  fs.files[work + "\\MarliskAuto.par"] = parameterFile("Version 10.10", "120");
  ASSERT_TRUE(prepare());
  EXPECT_EQ(settings.WaitSeconds, 120);
  EXPECT_FALSE(fs.files.count(work + "\\Data\\sample.hgl"));  // nothing copied

  // Only the maker's folder there: the program's folder is made and filled.
  fs.folders.erase(work);
  fs.files.clear();
  fs.files = {{"C:\\App\\Init\\MarliskAuto.par", parameterFile("Version 10.10", "600")}, {"C:\\Marlisk.exe", "MZ"}};
  ASSERT_TRUE(prepare());
  EXPECT_EQ(settings.WaitSeconds, 600);
}

TEST_F(WorkingFolderTest, AFolderLeftWithoutItsParameterFileIsFilledAgain) {
  fs.folders.insert("C:\\Local\\Brennamor");
  fs.folders.insert(work);
  fs.files[work + "\\mine.txt"] = "keep";
  ASSERT_TRUE(prepare());
  EXPECT_EQ(settings.WaitSeconds, 600);
  EXPECT_EQ(fs.files[work + "\\mine.txt"], "keep");
  EXPECT_TRUE(warnings.empty());
}

TEST_F(WorkingFolderTest, AnotherVersionIsKeptAsBackupAndReplacedFromInit) {
  fs.folders.insert("C:\\Local\\Brennamor");
  fs.folders.insert(work);
  const std::string old = parameterFile("Version 9.00", "120");
  fs.files[work + "\\MarliskAuto.par"] = old;
  ASSERT_TRUE(prepare());
  EXPECT_EQ(settings.WaitSeconds, 600);
  EXPECT_EQ(fs.files[work + "\\MarliskAuto.par"], fs.files["C:\\App\\Init\\MarliskAuto.par"]);
  EXPECT_EQ(fs.files[work + "\\MarliskAuto.par.bak"], old);
  EXPECT_TRUE(warnings.empty());

  // Every file set aside is kept: the next takes the next number.
  const std::string older = parameterFile("Version 8.00", "60");
  fs.files[work + "\\MarliskAuto.par.2.bak"] = "taken";
  fs.files[work + "\\MarliskAuto.par"] = older;
  ASSERT_TRUE(prepare());
  EXPECT_EQ(fs.files[work + "\\MarliskAuto.par.bak"], old);
  EXPECT_EQ(fs.files[work + "\\MarliskAuto.par.2.bak"], "taken");
  EXPECT_EQ(fs.files[work + "\\MarliskAuto.par.3.bak"], older);

  // A file that cannot be set aside is not overwritten: the start stops and says why.
  fs.files[work + "\\MarliskAuto.par"] = older;
  fs.renameError = 5;
  EXPECT_FALSE(prepare());
  EXPECT_EQ(fs.files[work + "\\MarliskAuto.par"], older);
  EXPECT_EQ(warnings, std::vector<std::string>{work + "\\MarliskAuto.par\r\n" + kCannotSetAsideMessage +
                                               "\r\nTo  :" + work + "\\MarliskAuto.par.4.bak\r\nI/O Error code=5"});
  fs.renameError = 0;
  warnings.clear();

  // When the Init copy is of another version too, the program cannot go on.
  fs.files["C:\\App\\Init\\MarliskAuto.par"] = old;
  fs.files[work + "\\MarliskAuto.par"] = old;
  EXPECT_FALSE(prepare());
  EXPECT_EQ(warnings, std::vector<std::string>{work + "\\MarliskAuto.parパラメータファイルを開けません!"});
}

// A damaged parameter file is set aside and said; nothing else of the working folder is
// touched: the run settings beside it keep unattended mode, the done and error folders.
TEST_F(WorkingFolderTest, ADamagedParameterFileLeavesTheRunSettingsAlone) {
  fs.folders.insert("C:\\Local\\Brennamor");
  fs.folders.insert(work);
  fs.files["C:\\App\\Init\\MarliskAuto.ini"] = "[Run]\r\nUnattended=0\r\n";
  const std::string mine = "[Run]\r\nUnattended=1\r\nOriginals=1\r\nErrorFolder=D:\\err\r\n";
  for (const std::string& damage : {std::string("\x93\xff\x00\x12 random"), std::string()}) {
    fs.files[work + "\\MarliskAuto.ini"] = mine;
    fs.files[work + "\\Data\\sample.hgl"] = "IN;SP1;";  // the user's own copy of a sample
    fs.files.erase(work + "\\MarliskAuto.par.bak");
    fs.files[work + "\\MarliskAuto.par"] = damage;
    warnings.clear();
    ASSERT_TRUE(prepare());
    EXPECT_EQ(fs.files[work + "\\MarliskAuto.ini"], mine);
    EXPECT_EQ(fs.files[work + "\\Data\\sample.hgl"], "IN;SP1;");
    EXPECT_EQ(fs.files[work + "\\MarliskAuto.par.bak"], damage);
    EXPECT_EQ(settings.WaitSeconds, 600);
    EXPECT_EQ(warnings, std::vector<std::string>{work + "\\MarliskAuto.par\r\n" + kParameterFileDamagedMessage +
                                                 "\r\nTo  :" + work + "\\MarliskAuto.par.bak"});
  }
}

TEST_F(WorkingFolderTest, FailuresAreReportedAndStopTheStart) {
  fs.unwritableFolders = {"C:\\Local\\Brennamor"};
  EXPECT_FALSE(prepare());
  EXPECT_EQ(warnings, std::vector<std::string>{"フォルダーを作成できません\r\nC:\\Local\\Brennamor"});

  warnings.clear();
  fs.unwritableFolders = {work};
  EXPECT_FALSE(prepare());
  EXPECT_EQ(warnings, std::vector<std::string>{"フォルダーを作成できません\r\n" + work});

  warnings.clear();
  fs.unwritableFolders.clear();
  fs.folders.erase("C:\\App\\Init");  // no Init folder beside the exe
  EXPECT_FALSE(prepare());
  EXPECT_EQ(warnings, std::vector<std::string>{"フォルダをコピーできません\r\nFrom:C:\\App\\Init\r\nTo  :" + work});
}

}  // namespace
}  // namespace marlisk
