#include <gtest/gtest.h>

#include <vector>

#include "shellview/core/ShellTexts.h"

namespace marlisk::shell {
namespace {

TEST(ShellViewTest, MaskRule) {
  const std::vector<std::string> hgl = {".hgl"};
  struct Case {
    std::vector<std::string> mask;
    const char* name;
    bool folder;
    bool shown;
  } cases[] = {
      {hgl, "C:\\d\\a.hgl", false, true},
      {hgl, "C:\\d\\a.HGL", false, true},
      {hgl, "C:\\d\\a.plt", false, false},
      {hgl, "C:\\d\\sub", true, true},  // folders always
      {hgl, "C:\\d\\noext", false, true},
      {hgl, "C:\\d.v2\\noext", false, true},
      {hgl, "C:\\d\\a.hg", false, true},  // a prefix of the entry passes
      {hgl, "C:\\d\\a.hgll", false, false},
      {{".*"}, "C:\\d\\a.docx", false, true},
      {{".p?t"}, "C:\\d\\a.plt", false, true},
      {{".p?t"}, "C:\\d\\a.pdt", false, true},
      {{".p?t"}, "C:\\d\\a.pdf", false, false},
      {{}, "C:\\d\\a.anything", false, true},
      {{".hgl", ".plt"}, "C:\\d\\a.plt", false, true},
      {{""}, "C:\\d\\noext", false, true},
      {{""}, "C:\\d\\a.hgl", false, false},  // an empty entry: names without extension only
  };
  for (const Case& c : cases) EXPECT_EQ(maskAccepts(c.mask, c.name, c.folder), c.shown) << c.name;
}

TEST(ShellViewTest, TextsAndSkippedNames) {
  EXPECT_EQ(sizeText(0), "       1KB");
  EXPECT_EQ(sizeText(1023), "       1KB");
  EXPECT_EQ(sizeText(1024), "       2KB");
  EXPECT_EQ(sizeText(3ULL << 30), " 3145729KB");  // 3 GiB: its true size, not a negative one
  EXPECT_EQ(sizeText(200ULL << 30), "209715201KB");
  EXPECT_EQ(dateText(2026, 12, 8, 9, 5), "2026/12/08 09:05");

  for (const char* name :
       {"ｺﾝﾄﾛｰﾙ ﾊﾟﾈﾙ", "Control Panel", "Web フォルダ", "Web Folder", "予定されているﾀｽｸ", "コントロール パネル", ""})
    EXPECT_TRUE(isSkippedFolderName(name)) << name;
  for (const char* name :
       {"control panel", "コントロールパネル", "Web Folders", "ｺﾝﾄﾛｰﾙﾊﾟﾈﾙ", "Documents", "予定されているタスク"})
    EXPECT_FALSE(isSkippedFolderName(name)) << name;
}

}  // namespace
}  // namespace marlisk::shell
