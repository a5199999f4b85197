#include "settings/core/ExtensionList.h"

#include <gtest/gtest.h>

namespace marlisk {
namespace {

TEST(ExtensionListTest, MatchingItems) {
  struct Case {
    const char* list;
    const char* extension;
    bool expected;
  } cases[] = {
      {"hgl", "hgl", true},
      {"hgl;prn;hpg", "hpg", true},
      {"HGL;Prn", "prn", true},  // letter case of the list
      {"hgl", "HgL", true},      // and of the extension
      {"hgl;prn", "pr", false},  // whole items only
      {"hgl", "hgll", false},
      {"hgl;;hpg", "", true},  // an empty item: names without extension
      {"hgl;", "", true},
      {";hgl", "", true},
      {"", "", true},  // an empty list is one empty item
      {"", "hgl", false},
      {"hgl;hpg", "", false},
      {"hgl; prn", "prn", false},  // blanks are not trimmed here
      {"hgl ; prn", "hgl ", true},
      {"図面;hgl", "図面", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(extensionListContains(c.list, c.extension), c.expected)
        << '"' << c.list << "\" / \"" << c.extension << '"';
}

TEST(ExtensionListTest, FileTypesFollowTheOrderOfTheLists) {
  Settings s;
  s.HpglExtList = "hgl;plt";
  s.ImageExtList = "tif;;jpg";
  s.PdfExtList = "pdf;plt";  // "plt" also here: the HPGL list comes first
  s.EmfExtList = "emf";
  s.DxfExtList = "dxf";
  s.DwgExtList = "dwg";
  s.IgesExtList = "igs";
  s.GerberExtList = "gbr;drl";
  struct Case {
    const char* name;
    FileType expected;
  } cases[] = {
      {"C:\\in\\a.hgl", kFileTypeHpgl},
      {"C:\\in\\a.PLT", kFileTypeHpgl},
      {"C:\\in\\noext", kFileTypeImage},
      {"C:\\in\\dot.", kFileTypeImage},
      {"C:\\in.v2\\noext", kFileTypeImage},
      {"a.pdf", kFileTypePdf},
      {"a.emf", kFileTypeEmf},
      {"a.dxf", kFileTypeDxf},
      {"a.dwg", kFileTypeDwg},
      {"a.igs", kFileTypeIges},
      {"a.DRL", kFileTypeGerber},
      {"a.p21", kFileTypeSxf},
      {"a.SFC", kFileTypeSxf},
      {"a.cmt", kFileTypeComment},
      {"a.CMT", kFileTypeComment},
      {"a.docx", kFileTypeUnregistered},
      {"D:\\表\\図面.pdf", kFileTypePdf},
      {"C:a.hgl", kFileTypeHpgl},
  };
  for (const Case& c : cases) EXPECT_EQ(fileTypeOf(s, c.name), c.expected) << c.name;

  // Lists that would claim "cmt" come before the comment type.
  s.DwgExtList = "dwg;cmt";
  EXPECT_EQ(fileTypeOf(s, "a.cmt"), kFileTypeDwg);
}

TEST(ExtensionListTest, FilterTextAndMessages) {
  Settings s;
  EXPECT_EQ(fileTypeFilter(s),
            "HPGL(*.hgl)|.hgl|Image(*.tif)|.tif|PDF(*.pdf)|.pdf|EMF(*.emf)|.emf|DXF(*.dxf)|.dxf|DWG(*.dwg)|.dwg"
            "|IGES(*.igs)|.igs|GERBER(*.gbr)|.gbr|SXF(*.p21;*.sfc)|.p21;.sfc|COMMENT(*.cmt)|.cmt|All Files(*.*)|.*");
  s.HpglExtList = "hgl;;hpg";
  s.GerberExtList = "";
  const std::string filter = fileTypeFilter(s);
  EXPECT_EQ(filter.substr(0, filter.find("|Image")), "HPGL(*.hgl;*.;*.hpg)|.hgl;.;.hpg");
  EXPECT_NE(filter.find("|GERBER(*.)|.|SXF("), std::string::npos) << filter;

  EXPECT_EQ(unregisteredFileTypeMessage("図面.docx"),
            "File=図面.docx\r未登録ファイルタイプです\r 設定ボタンでファイル拡張子を登録してください");
}

TEST(ExtensionListTest, NormalisingRemovesOnlyPlainBlanks) {
  EXPECT_EQ(normalizeExtensionList("hgl ; prn"), "hgl;prn");
  EXPECT_EQ(normalizeExtensionList(" hgl;;hpg "), "hgl;;hpg");
  EXPECT_EQ(normalizeExtensionList("HGL;Prn"), "HGL;Prn");
  EXPECT_EQ(normalizeExtensionList("hgl;\xE3\x80\x80prn"), "hgl;\xE3\x80\x80prn");  // a full-width space stays
  EXPECT_EQ(normalizeExtensionList("   "), "");
}

}  // namespace
}  // namespace marlisk
