#include "batchlist/FileHelpers.h"

#include "app/InputMoves.h"
#include "batchlist/Win32FileSystem.h"

#include <shlguid.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include "support/TestFolder.h"
#include "win/Handles.h"
#include "win/Strings.h"

namespace marlisk::win {
namespace {

using test::TestFolder;

using test::makeShortcut;

TEST(FileHelpersTest, ShortcutsResolveToTheirTargetsOtherPathsComeBackAsGiven) {
  TestFolder folder;
  const std::string target = folder / "図面 ソフト.plt";
  test::writeFile(target, "IN;");
  makeShortcut(folder / "図面.lnk", target);
  makeShortcut(folder / "ZUMEN.LNK", target);
  test::writeFile(folder / "broken.lnk", "this is no shortcut");

  EXPECT_EQ(resolveShortcut(folder / "図面.lnk"), target);
  EXPECT_EQ(resolveShortcut(folder / "ZUMEN.LNK"), target);
  EXPECT_EQ(resolveShortcut(folder / "broken.lnk"), folder / "broken.lnk");
  EXPECT_EQ(resolveShortcut(folder / "missing.lnk"), folder / "missing.lnk");
  EXPECT_EQ(resolveShortcut(target), target);
  EXPECT_EQ(resolveShortcut("Z:\\no\\such\\file.txt"), "Z:\\no\\such\\file.txt");
  EXPECT_EQ(resolveShortcut(folder / "a.lnk.txt"), folder / "a.lnk.txt");

  // A shortcut whose target has gone still gives the path it stores.
  DeleteFileW(widen(target).c_str());
  EXPECT_EQ(resolveShortcut(folder / "図面.lnk"), target);
}

TEST(FileHelpersTest, SpecialFolders) {
  for (int index : {kLocalAppDataFolder, kPersonalFolder, kAppDataFolder, kCommonDocumentsFolder}) {
    const std::string path = specialFolderPath(index);
    ASSERT_FALSE(path.empty()) << index;
    EXPECT_NE(path.back(), '\\') << path;
    EXPECT_TRUE(test::isFolder(path)) << path;
  }
  EXPECT_EQ(specialFolderPath(-1), "");
  EXPECT_EQ(specialFolderPath(13), "");
  EXPECT_EQ(specialFolderPath(kDrivesFolder), "");  // a virtual folder has no path
}

// The output check's facts for many paths from one listing a folder agree with asking each.
TEST(FileHelpersTest, FactsOfManyPathsAgreeWithEachAsked) {
  TestFolder root;
  test::writeFile(root / "a.pdf", "12345");
  test::writeFile(root / "図面.PDF", "");
  test::makeFolder(root / "dir.pdf");
  const std::vector<std::string> paths = {root / "a.pdf",       root / "A.PDF",   root / "図面.pdf",
                                          root / "missing.pdf", root / "dir.pdf", root / "none\\a.pdf",
                                          root / "a.pdf"};
  Win32FileSystem fs;
  FolderListing listing(fs);
  std::vector<OutputFacts> all;
  for (const std::string& path : paths) all.push_back(listing.facts(path));
  ASSERT_EQ(all.size(), paths.size());
  for (size_t i = 0; i < paths.size(); ++i) {
    const OutputFacts one = factsOf(fs, paths[i]);
    EXPECT_EQ(all[i].exists, one.exists) << paths[i];
    EXPECT_EQ(all[i].size, one.size) << paths[i];
    EXPECT_EQ(all[i].lastWrite, one.lastWrite) << paths[i];
  }
  EXPECT_TRUE(all[1].exists);  // letter case aside
  EXPECT_EQ(all[0].size, 5u);
}

TEST(FileHelpersTest, CopyFolderTree) {
  TestFolder folder;
  const std::string source = folder / "Init";
  const std::string destination = folder / "作業";
  test::makeFolder(source);
  test::makeFolder(destination);

  // An empty source: nothing to do, nothing created.
  EXPECT_EQ(copyFolderTree(source, destination).code(), 0u);
  EXPECT_EQ(test::listFolder(destination), "");

  // Nested folders, an empty one among them, and names with ソ and 表.
  test::writeFile(source + "\\MarliskAuto.par", "Version 10.10\r\n");
  test::makeFolder(source + "\\Data");
  test::writeFile(source + "\\Data\\表.hgl", "IN;PU0,0;");
  test::makeFolder(source + "\\Data\\ソフト");
  test::writeFile(source + "\\Data\\ソフト\\deep.txt", std::string(200000, 'x'));  // several buffers
  test::makeFolder(source + "\\空");
  EXPECT_EQ(copyFolderTree(source, destination).code(), 0u);
  EXPECT_EQ(test::listFolder(destination), "Data\\ MarliskAuto.par 空\\");
  EXPECT_EQ(test::listFolder(destination + "\\Data"), "ソフト\\ 表.hgl");
  EXPECT_EQ(test::readFile(destination + "\\Data\\ソフト\\deep.txt"), std::string(200000, 'x'));
  EXPECT_EQ(test::listFolder(destination + "\\空"), "");

  // Onto an existing destination: files are overwritten, extra files stay.
  test::writeFile(destination + "\\MarliskAuto.par", "Version 9\r\n");
  test::writeFile(destination + "\\extra.txt", "mine");
  test::writeFile(destination + "\\Data\\extra.hgl", "mine too");
  EXPECT_EQ(copyFolderTree(source, destination).code(), 0u);
  EXPECT_EQ(test::readFile(destination + "\\MarliskAuto.par"), "Version 10.10\r\n");
  EXPECT_EQ(test::readFile(destination + "\\extra.txt"), "mine");
  EXPECT_EQ(test::listFolder(destination + "\\Data"), "extra.hgl ソフト\\ 表.hgl");
}

TEST(FileHelpersTest, CopyFailuresAreReportedAndLeaveTheDestinationSound) {
  TestFolder folder;
  const std::string source = folder / "Init";
  const std::string destination = folder / "work";
  test::makeFolder(source);
  test::makeFolder(destination);

  // A missing source is an error, not an empty folder.
  EXPECT_EQ(copyFolderTree(folder / "missing", destination).code(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(copyFile(source, destination, "missing.par").code(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(test::listFolder(destination), "");

  // A sub-folder that cannot be created (a file holds its name): the system's reason, not a
  // made-up 1 (which is ERROR_INVALID_FUNCTION).
  test::makeFolder(source + "\\Data");
  test::writeFile(destination + "\\Data", "a file, not a folder");
  EXPECT_EQ(copyFolderTree(source, destination).code(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  DeleteFileW(widen(destination + "\\Data").c_str());

  // A destination file that cannot be replaced keeps its content; nothing half-written stays.
  test::writeFile(source + "\\MarliskAuto.par", "new");
  test::writeFile(destination + "\\MarliskAuto.par", "old");
  SetFileAttributesW(widen(destination + "\\MarliskAuto.par").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_NE(copyFile(source, destination, "MarliskAuto.par").code(), 0u);
  EXPECT_EQ(test::readFile(destination + "\\MarliskAuto.par"), "old");
  EXPECT_EQ(test::listFolder(destination), "MarliskAuto.par");
}

}  // namespace
}  // namespace marlisk::win
