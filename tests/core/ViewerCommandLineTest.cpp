#include "app/core/ViewerCommandLine.h"

#include <gtest/gtest.h>

#include "app/core/ProgressList.h"

namespace marlisk {
namespace {

TEST(ViewerCommandLineTest, EveryOutputTypeOfBothTabs) {
  struct Row {
    const char* item;
    const char* line;
  };
  const Row output1[] = {
      {"PDF", "/p \"C:\\in\\a.plt\" \"D:\\out\\a.pdf\""},
      {"TIFF", "/t \"C:\\in\\a.plt\" \"D:\\out\\a.tif\""},
      {"DXF", "/d \"C:\\in\\a.plt\" \"D:\\out\\a.dxf\""},
      {"DWG", "/u \"C:\\in\\a.plt\" \"D:\\out\\a.dwg\""},
      {"JPEG", "/j \"C:\\in\\a.plt\" \"D:\\out\\a.jpg\""},
      {"BITMAP", "/b \"C:\\in\\a.plt\" \"D:\\out\\a.bmp\""},
      {"IGES", "/i \"C:\\in\\a.plt\" \"D:\\out\\a.igs\""},
      {"EMF", "/e \"C:\\in\\a.plt\" \"D:\\out\\a.emf\""},
      {"XPS", "/x \"C:\\in\\a.plt\" \"D:\\out\\a.xps\""},
      {"PCL", "/l \"C:\\in\\a.plt\" \"D:\\out\\a.pcl\""},
      {"WMF", "/w \"C:\\in\\a.plt\" \"D:\\out\\a.wmf\""},
      {"PS", "/s \"C:\\in\\a.plt\" \"D:\\out\\a.ps\""},
      {"EPS", "/k \"C:\\in\\a.plt\" \"D:\\out\\a.eps\""},
      {"SVG", "/v \"C:\\in\\a.plt\" \"D:\\out\\a.svg\""},
      {"GIF", "/g \"C:\\in\\a.plt\" \"D:\\out\\a.gif\""},
      {"PNG", "/m \"C:\\in\\a.plt\" \"D:\\out\\a.png\""},
      {"PCX", "/r \"C:\\in\\a.plt\" \"D:\\out\\a.pcx\""},
      {"FPX", "/q \"C:\\in\\a.plt\" \"D:\\out\\a.fpx\""},
      {"SXF(.p21)", "/y \"C:\\in\\a.plt\" \"D:\\out\\a.p21\""},
      {"SXF(.sfc)", "/y \"C:\\in\\a.plt\" \"D:\\out\\a.sfc\""},
      {"CMT", "/c \"C:\\in\\a.plt\" \"D:\\out\\a.cmt\""},
      {"HGL/Printer", "/h \"C:\\in\\a.plt\" \"D:\\out\\a.hgl\""},
  };
  const Row output2[] = {
      {"WMF", "/f \"C:\\in\\a.pdf\" \"D:\\out\\a.wmf\""},  {"EMF", "/f \"C:\\in\\a.pdf\" \"D:\\out\\a.emf\""},
      {"PS", "/f \"C:\\in\\a.pdf\" \"D:\\out\\a.ps\""},    {"EPS", "/f \"C:\\in\\a.pdf\" \"D:\\out\\a.eps\""},
      {"SVG", "/f \"C:\\in\\a.pdf\" \"D:\\out\\a.svg\""},  {"XPS", "/f \"C:\\in\\a.pdf\" \"D:\\out\\a.xps\""},
      {"HPGL", "/f \"C:\\in\\a.pdf\" \"D:\\out\\a.hgl\""}, {"PCL", "/f \"C:\\in\\a.pdf\" \"D:\\out\\a.pcl\""},
  };
  ASSERT_EQ(outputTypes(OutputTab::Output1).size(), std::size(output1));
  ASSERT_EQ(outputTypes(OutputTab::Output2).size(), std::size(output2));
  for (int i = 0; i < static_cast<int>(std::size(output1)); ++i) {
    EXPECT_STREQ(outputTypes(OutputTab::Output1)[i].item, output1[i].item);
    EXPECT_EQ(buildViewerCommandLine(OutputTab::Output1, i, "D:\\out\\", "C:\\in\\a.plt"), output1[i].line) << i;
  }
  for (int i = 0; i < static_cast<int>(std::size(output2)); ++i) {
    EXPECT_STREQ(outputTypes(OutputTab::Output2)[i].item, output2[i].item);
    EXPECT_EQ(buildViewerCommandLine(OutputTab::Output2, i, "D:\\out\\", "C:\\in\\a.pdf"), output2[i].line) << i;
  }
  // An index no list holds (a damaged parameter file) builds nothing.
  EXPECT_EQ(buildViewerCommandLine(OutputTab::Output1, 22, "D:\\out\\", "a.plt"), std::nullopt);
  EXPECT_EQ(buildViewerCommandLine(OutputTab::Output2, 8, "D:\\out\\", "a.pdf"), std::nullopt);
  EXPECT_EQ(buildViewerCommandLine(OutputTab::Output1, -1, "D:\\out\\", "a.plt"), std::nullopt);
}

TEST(ViewerCommandLineTest, OutputNames) {
  struct Case {
    const char* folder;
    const char* input;
    const char* output;
  } cases[] = {
      {"D:\\out\\", "C:\\in\\plan.rev.plt", "D:\\out\\plan.rev.pdf"},  // only the last dot
      {"D:\\out\\", "C:\\in\\plan", "D:\\out\\plan.pdf"},              // no extension: nothing cut
      {"D:\\out.v2\\", "C:\\in\\plan", "D:\\out.v2\\plan.pdf"},        // not the folder's dot
      {"D:\\out\\", "C:\\in.v2\\plan", "D:\\out\\plan.pdf"},
      {"D:\\out\\", "C:\\in\\.profile", "D:\\out\\.profile.pdf"},  // a leading dot is the name
      {"D:\\out\\", "C:\\in\\plan.", "D:\\out\\plan.pdf"},
      {"D:\\out\\", "C:plan.hgl", "D:\\out\\plan.pdf"},
      {"D:\\出力\\", "C:\\表\\ソフト.hgl", "D:\\出力\\ソフト.pdf"},
      {"", "C:\\in\\plan.hgl", "plan.pdf"},
  };
  for (const Case& c : cases) EXPECT_EQ(outputPathFor(c.folder, c.input, ".pdf"), c.output) << c.input;
  EXPECT_EQ(viewerProcessCommandLine("C:\\Program Files\\Brennamor\\Marlisk\\Marlisk.exe", "C:\\w\\MarComline.txt"),
            "\"C:\\Program Files\\Brennamor\\Marlisk\\Marlisk.exe\" /z \"C:\\w\\MarComline.txt\"");
}

TEST(ViewerCommandLineTest, ProgressListKeepsTheNewestInView) {
  // Adding one by one from empty: never more than 101 entries; 52 right after a trim.
  int count = 0, most = 0;
  for (int added = 1; added <= 120; ++added) {
    count -= progressEntriesToDrop(count);
    ++count;
    most = std::max(most, count);
    if (added == 102) {
      EXPECT_EQ(count, 52);
    }
  }
  EXPECT_EQ(most, 101);
  EXPECT_EQ(progressTopIndex(1), 0);
  EXPECT_EQ(progressTopIndex(15), 0);
  EXPECT_EQ(progressTopIndex(16), 1);
  EXPECT_EQ(progressTopIndex(101), 86);
}

}  // namespace
}  // namespace marlisk
