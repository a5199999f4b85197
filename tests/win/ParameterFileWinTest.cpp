// The parameter file through the real file system and code page 932.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/GoldenSettings.h"
#include "settings/core/ParameterFile.h"
#include "support/TestFolder.h"
#include "win/Strings.h"
#include "batchlist/Win32FileSystem.h"

namespace marlisk::win {
namespace {

using test::TestFolder;

class ParameterFileWinTest : public ::testing::Test {
 protected:
  ParameterFileWinTest() : file(fs, codec, [this](const std::string& text) { warnings.push_back(text); }) {
    test::makeFolder(folder / "Marlisk");
    test::writeFile(folder / "Marlisk\\Marlisk.exe", "MZ");
  }
  Settings golden() const {
    Settings s = test::goldenSettings();
    s.ViewerExePath = folder / "Marlisk\\Marlisk.exe";
    s.ParameterFilePath = folder / "MarliskAuto.par";
    return s;
  }
  std::string goldenBytes() const {
    std::string bytes = test::readFile(test::exeFolder() + "\\testdata\\golden.par");
    const std::string path = *codec.toAnsi(golden().ViewerExePath);
    return bytes.replace(bytes.find("C:\\Program Files"), std::string(test::goldenSettings().ViewerExePath).size(),
                         path);
  }

  TestFolder folder;
  Win32FileSystem fs;
  Win32AnsiCodec codec;
  std::vector<std::string> warnings;
  ParameterFile file;
};

TEST_F(ParameterFileWinTest, SavesTheGoldenBytesAndLoadsThemBack) {
  ASSERT_TRUE(file.save(golden()));
  EXPECT_EQ(test::readFile(golden().ParameterFilePath), goldenBytes());

  Settings loaded;
  loaded.ParameterFilePath = golden().ParameterFilePath;
  ASSERT_EQ(file.load(loaded), LoadResult::Loaded);
  EXPECT_EQ(loaded, golden());
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(test::listFolder(folder.path()), "MarliskAuto.par Marlisk\\");
}

TEST_F(ParameterFileWinTest, AFailedSaveLeavesTheOldFileWhole) {
  const std::string path = golden().ParameterFilePath;
  test::writeFile(path, goldenBytes());
  SetFileAttributesW(widen(path).c_str(), FILE_ATTRIBUTE_READONLY);
  Settings changed = golden();
  changed.WaitSeconds = 2;
  EXPECT_FALSE(file.save(changed));
  EXPECT_EQ(test::readFile(path), goldenBytes());
  EXPECT_EQ(warnings, std::vector<std::string>{"パラメータファイルを作成できません!"});
  EXPECT_EQ(test::listFolder(folder.path()), "MarliskAuto.par Marlisk\\");

  // A name the code page cannot hold is said and keeps its old line; the rest is saved.
  SetFileAttributesW(widen(path).c_str(), FILE_ATTRIBUTE_NORMAL);
  warnings.clear();
  changed.OutputFolder = "C:\\Résumé\\";
  EXPECT_TRUE(file.save(changed));
  Settings loaded;
  loaded.ParameterFilePath = path;
  ASSERT_EQ(file.load(loaded), LoadResult::Loaded);
  EXPECT_EQ(loaded.WaitSeconds, 2);
  EXPECT_EQ(loaded.OutputFolder, golden().OutputFolder);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].rfind("C:\\Résumé\\\r ", 0), 0u) << warnings[0];
}

TEST_F(ParameterFileWinTest, AFileOpenInAnotherProgramCanStillBeRead) {
  test::writeFile(golden().ParameterFilePath, goldenBytes());
  HANDLE editor = CreateFileW(widen(golden().ParameterFilePath).c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(editor, INVALID_HANDLE_VALUE);
  Settings loaded;
  loaded.ParameterFilePath = golden().ParameterFilePath;
  EXPECT_EQ(file.load(loaded), LoadResult::Loaded);
  CloseHandle(editor);
  EXPECT_EQ(loaded.WaitSeconds, 300);
}

}  // namespace
}  // namespace marlisk::win
