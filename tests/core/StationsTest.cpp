// The rules several stations on one shared watch folder follow.
#include <gtest/gtest.h>

#include <set>

#include "app/core/Stations.h"

namespace marlisk {
namespace {

TEST(StationsTest, NamesAndTheirSettings) {
  const struct {
    const char* computer;
    const char* station;
  } names[] = {{"PC-02", "PC-02"},
               {"製図室PC_3", "PC_3"},
               {"図面", "STATION"},
               {"A.B C", "ABC"},
               {"ABCDEFGHIJKLMNOPQ", "ABCDEFGHIJKLMNO"}};
  for (const auto& n : names) {
    EXPECT_EQ(stationNameFrom(n.computer), n.station) << n.computer;
    EXPECT_TRUE(isStationName(stationNameFrom(n.computer)));
  }
  for (const char* bad : {"", "PC 02", "PC\\02", "製図", "ABCDEFGHIJKLMNOP"}) EXPECT_FALSE(isStationName(bad)) << bad;

  std::vector<std::string> damaged;
  const RunSettings read =
      parseRunSettings("SharedWatchFolder=1\nStationName=PC 02\nClaimBatch=1000\nTakeOverMinutes=1440\n", damaged);
  EXPECT_EQ(damaged, (std::vector<std::string>{"StationName", "ClaimBatch"}));
  EXPECT_TRUE(read.SharedWatchFolder);
  EXPECT_EQ(read.StationName, "");
  EXPECT_EQ(read.ClaimBatch, 20);
  EXPECT_EQ(read.TakeOverMinutes, 1440);
}

// Each station takes a bounded batch, from its own place in the sorted names: two stations
// start apart, and the same station starts at the same place whatever order the listing gave.
TEST(StationsTest, ClaimOrderIsBoundedAndStartsApart) {
  std::vector<std::string> names;
  for (int i = 0; i < 100; ++i) names.push_back("f" + std::to_string(i) + ".plt");
  const std::vector<size_t> a = claimOrder(names, "PC-01", 20), b = claimOrder(names, "PC-02", 20);
  EXPECT_EQ(a.size(), 20u);
  EXPECT_EQ(std::set<size_t>(a.begin(), a.end()).size(), 20u);
  EXPECT_NE(a.front(), b.front());
  std::vector<std::string> reversed(names.rbegin(), names.rend());
  EXPECT_EQ(reversed[claimOrder(reversed, "PC-01", 1)[0]], names[a[0]]);
  EXPECT_EQ(claimOrder(names, "PC-01", 500).size(), 100u);
  EXPECT_TRUE(claimOrder({}, "PC-01", 20).empty());
}

TEST(StationsTest, CardsReadBackAndDamageIsPassedOver) {
  StationCard card;
  card.computer = "PC-02";
  card.instance = "6f1c2a9e";
  card.version = "10.10";
  card.pid = 4120;
  card.counter = 1377;
  card.state = "変換中";
  card.convertedToday = 212;
  const std::string watch = "\\\\srv\\plots\\";
  EXPECT_EQ(claimFolderOf(watch, "PC-02"), "\\\\srv\\plots\\変換中\\PC-02");
  EXPECT_EQ(lockFileOf(watch, "PC-02"), "\\\\srv\\plots\\変換中\\PC-02.lock");
  EXPECT_EQ(cardFileOf(watch, "PC-02"), "\\\\srv\\plots\\変換中\\PC-02.txt");
  const std::string a = claimFolderOf(watch, "PC-02") + "\\a.plt", b = claimFolderOf(watch, "PC-02") + "\\b.hgl";
  card.batch = {a, b};
  card.checked = {checkedEntry(a, "\\\\srv\\out\\a.pdf")};
  EXPECT_EQ(parseCard(cardText(card)), card);
  // After a restart: a checked output still there is finished without the viewer; anything
  // else is converted again.
  auto there = [](const std::string& output) { return output == "\\\\srv\\out\\a.pdf"; };
  std::string output;
  EXPECT_EQ(recoveryOf(card, a, there, &output), Recovery::FinishWithoutConverting);
  EXPECT_EQ(output, "\\\\srv\\out\\a.pdf");
  EXPECT_EQ(recoveryOf(card, a, [](const std::string&) { return false; }), Recovery::ConvertAgain);
  EXPECT_EQ(recoveryOf(card, b, there), Recovery::ConvertAgain);
  const StationCard hurt =
      parseCard("Counter=12x\nPid=99999999999\n=orphan\nnonsense\nState=待機中\r\nFuture=1\nBatch=\nCounter=7");
  EXPECT_EQ(hurt.counter, 7u);
  EXPECT_EQ(hurt.pid, 0u);
  EXPECT_EQ(hurt.state, "待機中");
  EXPECT_TRUE(hurt.batch.empty());
}

// Silence is measured on the observer's clock; a station is robbed of nothing while the
// server still holds its lock, and never on its own when the setting says never.
TEST(StationsTest, ASilentStationIsTakenOverOnlyAfterItsTimeAndOnceItsLockIsFree) {
  Liveness seen;
  seen.observe("PC-02", 5, 1'000);
  seen.observe("PC-02", 5, 400'000);
  EXPECT_EQ(seen.silentMs("PC-02", 601'000), 600'000u);
  seen.observe("PC-02", 6, 601'000);
  EXPECT_EQ(seen.silentMs("PC-02", 602'000), 1'000u);
  EXPECT_EQ(seen.silentMs("PC-09", 602'000), 0u);

  const struct {
    uint64_t silentMs;
    int32_t minutes;
    bool lockReleased, byHand;
    Takeover decision;
  } cases[] = {
      {3'600'000, 0, true, false, Takeover::Never},         {599'999, 10, true, false, Takeover::NotSilentLongEnough},
      {600'000, 10, false, false, Takeover::LockStillHeld}, {600'000, 10, true, false, Takeover::Allowed},
      {0, 0, false, true, Takeover::LockStillHeld},         {0, 0, true, true, Takeover::Allowed},
  };
  for (const auto& c : cases)
    EXPECT_EQ(takeoverDecision(c.silentMs, c.minutes, c.lockReleased, c.byHand), c.decision)
        << c.silentMs << " " << c.minutes << " " << c.lockReleased << " " << c.byHand;
}

}  // namespace
}  // namespace marlisk
