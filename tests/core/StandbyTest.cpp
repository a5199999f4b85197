#include "app/core/Standby.h"

#include <gtest/gtest.h>

namespace marlisk {
namespace {

TEST(StandbyTest, ListingLines) {
  EXPECT_EQ(listingLine(0, "a.hgl"), "         0a.hgl");
  EXPECT_EQ(listingLine(1234, "図面.hgl"), "      1234図面.hgl");
  EXPECT_EQ(listingLine(9999999999ULL, "big.plt"), "9999999999big.plt");
  // More than ten digits: the field keeps its width, so the name is still where a reader
  // looks for it.
  EXPECT_EQ(listingLine(10000000000ULL, "huge.plt"), "9999999999huge.plt");
  EXPECT_EQ(listingLine(UINT64_MAX, "x"), "9999999999x");
  EXPECT_EQ(listingLine(5, "1234.hgl"), "         51234.hgl");  // a name of digits stays apart
}

TEST(StandbyTest, ReadyFilesAreThoseThatKeptTheirSize) {
  const std::vector<ListingEntry> first = {
      {"same.hgl", 100}, {"growing.hgl", 100}, {"vanished.hgl", 7},          {"dup.hgl", 5},
      {"Case.hgl", 1},   {"dup.hgl", 6},       {"huge.plt", 10000000000ULL}, {"empty.hgl", 0},
  };
  const std::vector<ListingEntry> second = {
      {"new.hgl", 3}, {"empty.hgl", 0}, {"growing.hgl", 180},         {"same.hgl", 100},
      {"dup.hgl", 6}, {"case.hgl", 1},  {"huge.plt", 10000000001ULL},
  };
  // The first listing's order; names compared exactly; each line of the first counted once.
  EXPECT_EQ(readyFiles(first, second), (std::vector<ReadyFile>{{0, 3}, {5, 4}, {7, 1}}));
  EXPECT_TRUE(readyFiles({}, second).empty());
  EXPECT_TRUE(readyFiles(first, {}).empty());
  // A name the second listing has twice (a damaged listing): ready if either size matches.
  EXPECT_EQ(readyFiles({{"a", 2}}, {{"a", 1}, {"a", 2}}), (std::vector<ReadyFile>{{0, 1}}));
}

TEST(StandbyTest, CountdownTexts) {
  EXPECT_EQ(countdownText(3725), "待機中 !　待機時間=1時間2分5秒");
  EXPECT_EQ(countdownText(0), "待機中 !　待機時間=0時間0分0秒");
  EXPECT_EQ(countdownText(86400), "待機中 !　待機時間=24時間0分0秒");
  EXPECT_EQ(countdownText(118), "待機中 !　待機時間=0時間1分58秒");
}

TEST(StandbyTest, SecondTabListsPdfOnly) {
  EXPECT_EQ(standbyMask("*.plt", OutputTab::Output1), "*.plt");
  EXPECT_EQ(standbyMask("*.plt", OutputTab::Output2), "*.pdf");
  EXPECT_EQ(standbyMask("*.*", OutputTab::Output2), "*.pdf");
  EXPECT_EQ(standbyMask("*", OutputTab::Output2), "*.pdf");
  EXPECT_EQ(standbyMask("a.b.hgl", OutputTab::Output2), "a.b.pdf");
}

TEST(StandbyTest, OnlyTheCodesOfAProcessEndedByTheSystemCountAsACrash) {
  for (const uint32_t code : {0xC0000005u, 0xC00000FDu, 0xC000001Du, 0xC0000094u, 0xC0000374u, 0xC0000409u, 0xE06D7363u,
                              0xC0000135u, 0x80000003u})
    EXPECT_TRUE(isCrashExitCode(code)) << std::hex << code;
  // The viewer's own answers, however they look: -1, the first and last codes of the
  // error range, an HRESULT.
  for (const uint32_t code : {0u, 1u, 7u, 0xFFFFFFFFu, 0xC0000000u, 0xC0000001u, 0xCFFFFFFFu, 0x80004005u})
    EXPECT_FALSE(isCrashExitCode(code)) << std::hex << code;
}

}  // namespace
}  // namespace marlisk
