#include "batchlist/core/BatchList.h"

#include <gtest/gtest.h>

#include "app/core/SeenPaths.h"

#include "support/IconvCodec.h"

namespace marlisk {
namespace {

TEST(BatchListTest, FileFormat) {
  test::IconvCodec codec;
  EXPECT_EQ(batchListBytes({}, codec), std::string());  // an empty list: 0 bytes
  // The list's order, duplicates kept, CR LF after every line, code page 932 bytes as they are
  // (ソ ends in the byte of "\").
  EXPECT_EQ(batchListBytes({"C:\\in\\a.hgl", "C:\\ソフト\\図面.plt", "C:\\in\\a.hgl"}, codec),
            std::string("C:\\in\\a.hgl\r\nC:\\\x83\x5c\x83\x74\x83\x67\\\x90\x7d\x96\xca.plt\r\nC:\\in\\a.hgl\r\n"));
  EXPECT_EQ(batchListBytes({"C:\\in\\café.hgl"}, codec), std::nullopt);
  EXPECT_EQ(batchListBytes({"C:\\in\\a\r\nb.hgl"}, codec), std::nullopt);
}

TEST(BatchListTest, FilterMaskItems) {
  using Items = std::vector<std::string>;
  EXPECT_EQ(filterMaskItems(".hgl"), Items{".hgl"});
  EXPECT_EQ(filterMaskItems(".hgl;.plt"), (Items{".hgl", ".plt"}));
  EXPECT_EQ(filterMaskItems(".hgl;;.hpg"), (Items{".hgl", "", ".hpg"}));  // an empty item between ";;"
  EXPECT_EQ(filterMaskItems(".hgl;"), Items{".hgl"});                     // none after a last ";"
  EXPECT_EQ(filterMaskItems(";.hgl"), (Items{"", ".hgl"}));
  EXPECT_EQ(filterMaskItems(""), Items{});
  EXPECT_EQ(filterMaskItems(".*"), Items{".*"});
}

TEST(BatchListTest, EditorRules) {
  EXPECT_EQ(fileViewStyleFor(0), FileViewStyle::Report);
  EXPECT_EQ(fileViewStyleFor(1), FileViewStyle::List);
  EXPECT_EQ(fileViewStyleFor(2), FileViewStyle::SmallIcons);
  EXPECT_EQ(fileViewStyleFor(3), FileViewStyle::LargeIcons);
  EXPECT_EQ(fileViewStyleFor(-1), FileViewStyle::List);

  EXPECT_EQ(editorStartFolder("C:\\lists\\batch.txt", "C:\\work"), "C:\\lists");
  EXPECT_EQ(editorStartFolder("C:\\batch.txt", "C:\\work"), "C:\\");
  EXPECT_EQ(editorStartFolder("", "C:\\work"), "C:\\work\\Data");
  EXPECT_EQ(editorStartFolder("batch.txt", "C:\\work"), "C:\\work\\Data");

  const char* personal = "C:\\Users\\u\\Documents";
  const char* common = "C:\\Users\\Public\\Documents";
  EXPECT_TRUE(needsReselection("C:\\Users\\u\\Documents\\図面", personal, common));
  EXPECT_TRUE(needsReselection("C:\\Users\\Public\\Documents", personal, common));
  EXPECT_FALSE(needsReselection("C:\\Users\\u\\Desktop", personal, common));
  EXPECT_FALSE(needsReselection("D:\\Documents\\x", personal, common));  // not under either folder
  EXPECT_FALSE(needsReselection("C:\\Users\\u\\Documents", "", ""));

  EXPECT_EQ(cannotCreateBatchListMessage("C:\\x\\list.txt"),
            "出力リストファイルC:\\x\\list.txtを作成できません。正しいファイル名を指定下さい");
}

}  // namespace
}  // namespace marlisk

namespace marlisk {
namespace {

// A path named again, in any ASCII case, is found with the number it was first given; other
// paths, however many and however alike, are not; the table grows past its first guess.
TEST(SeenPathsTest, ARepeatedPathIsFoundAnyOtherIsNot) {
  std::vector<std::string> kept;
  SeenPaths seen(2);
  auto pathOf = [&](size_t n) -> std::string_view { return kept[n]; };
  for (int i = 0; i < 5000; ++i) {
    const std::string path = "C:\\図面\\drawing" + std::to_string(i) + ".hgl";
    ASSERT_EQ(seen.find(path, pathOf), SeenPaths::kNone) << path;
    seen.add(path, kept.size());
    kept.push_back(path);
  }
  EXPECT_EQ(seen.find("c:\\図面\\DRAWING42.HGL", pathOf), 42u);
  EXPECT_EQ(seen.find("C:\\図面\\drawing4999.hgl", pathOf), 4999u);
  EXPECT_EQ(seen.find("C:\\図面\\drawing5000.hgl", pathOf), SeenPaths::kNone);
  EXPECT_EQ(seen.find("C:\\図面\\drawing42.hgl ", pathOf), SeenPaths::kNone);
  EXPECT_TRUE(SeenPaths::sameName("A\\b.HGL", "a\\B.hgl"));
  EXPECT_FALSE(SeenPaths::sameName("\xE5\x9B\xB3", "\xE5\x9B\x93"));  // bytes past ASCII compare as they are
}

}  // namespace
}  // namespace marlisk
