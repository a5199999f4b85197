#include "core/Path.h"

#include <gtest/gtest.h>

namespace marlisk {
namespace {

TEST(PathTest, ParentFolderWalksUpToTheRootAndStops) {
  EXPECT_EQ(parentFolder("C:\\a\\b"), "C:\\a");
  EXPECT_EQ(parentFolder("C:\\a\\b\\"), "C:\\a");
  EXPECT_EQ(parentFolder("C:\\a"), "C:\\");
  EXPECT_EQ(parentFolder("C:\\"), "");
  EXPECT_EQ(parentFolder("C:"), "");
  EXPECT_EQ(parentFolder(""), "");
  // Every walk ends, whatever the text.
  for (const char* start : {"\\\\server\\share\\plans", "\\\\\\\\", "a\\b", ":::", "C:\\表\\図面"}) {
    std::string folder = start;
    int steps = 0;
    while (!folder.empty() && steps < 20) {
      const std::string above = parentFolder(folder);
      EXPECT_LT(above.size(), folder.size()) << start;
      folder = above;
      ++steps;
    }
    EXPECT_TRUE(folder.empty()) << start;
  }
}

TEST(PathTest, SplitsAtTheLastBackslashOrColon) {
  struct Case {
    const char* path;
    const char* folder;
    const char* name;
    const char* extension;
  } cases[] = {
      {"C:\\in\\plan.rev.plt", "C:\\in\\", "plan.rev.plt", ".plt"},
      {"C:\\in.v2\\plan", "C:\\in.v2\\", "plan", ""},
      {"C:plan.hgl", "C:", "plan.hgl", ".hgl"},
      {"plan", "", "plan", ""},
      {"C:\\in\\.profile", "C:\\in\\", ".profile", ".profile"},
      {"C:\\in\\", "C:\\in\\", "", ""},
      {"C:\\表\\ソフト.hgl", "C:\\表\\", "ソフト.hgl", ".hgl"},
      {"", "", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(folderPart(c.path), c.folder) << c.path;
    EXPECT_EQ(fileNamePart(c.path), c.name) << c.path;
    EXPECT_EQ(extensionPart(c.path), c.extension) << c.path;
  }
}

TEST(PathTest, CaseFoldingTouchesAsciiLettersOnly) {
  EXPECT_EQ(asciiLower("C:\\DATA\\Ａ.HGL"), "c:\\data\\Ａ.hgl");
  EXPECT_TRUE(equalsIgnoringAsciiCase(".LNK", ".lnk"));
  EXPECT_FALSE(equalsIgnoringAsciiCase(".lnk", ".lnkx"));
  EXPECT_FALSE(equalsIgnoringAsciiCase("Ａ", "ａ"));
}

}  // namespace
}  // namespace marlisk
