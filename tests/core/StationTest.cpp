// The station protocol on the in-memory file system, which keeps share modes as a file server
// does: claims and seals, a stale listing, a station whose lock the server let go, its files
// put back, its next life.
#include <gtest/gtest.h>

#include "app/core/FileMoves.h"
#include "app/core/Station.h"
#include "support/MemoryFileSystem.h"

namespace marlisk {
namespace {

using test::MemoryFileSystem;
using Outcome = Station::ClaimOutcome;

const std::string kWatch = "C:\\w\\";
const std::string kClaimsA = "C:\\w\\変換中\\PC-A\\";

class StationTest : public ::testing::Test {
 protected:
  StationTest() {
    fs.folders = {"C:\\w", "C:\\out"};
    for (const char* name : {"a.hgl", "b.hgl", "c.hgl", "d.hgl"}) fs.files[kWatch + name] = "IN;";
  }
  void begin(Station& station, const std::string& name) {
    ASSERT_EQ(station.begin(kWatch, name, {"PC", name + "-life", 7}), Station::Begin::Ok) << name;
  }
  MemoryFileSystem fs;
};

TEST_F(StationTest, AClaimCountsOnlyWhenItsFileIsInTheClaimFolder) {
  Station a(fs), b(fs);
  begin(a, "PC-A");
  begin(b, "PC-B");
  EXPECT_FALSE(fs.fileExists(kWatch + "~PC-A.probe"));
  EXPECT_FALSE(fs.fileExists(kClaimsA + "~PC-A.probe"));

  Station::Claim claimed = a.claim("a.hgl");
  ASSERT_EQ(claimed.outcome, Outcome::Claimed);
  EXPECT_TRUE(claimed.seal && fs.isOpen(kClaimsA + "a.hgl"));
  // PC-B claims from a listing taken before PC-A's claim: it only loses the file.
  EXPECT_EQ(b.claim("a.hgl").outcome, Outcome::Lost);
  // A new drawing of a name PC-A still holds waits in the watch folder.
  fs.files[kWatch + "a.hgl"] = "IN; new";
  EXPECT_EQ(a.claim("a.hgl").outcome, Outcome::Leftover);
  EXPECT_EQ(fs.files[kWatch + "a.hgl"], "IN; new");
  // Its writer still holds it (sharing deleting): claimed, sealed later.
  {
    const OpenFilePtr writer =
        fs.open(kWatch + "b.hgl", {OpenMode::kWrite, OpenMode::kShareRead | OpenMode::kShareDelete});
    const Station::Claim busy = a.claim("b.hgl");
    EXPECT_EQ(busy.outcome, Outcome::Claimed);
    EXPECT_FALSE(busy.seal);
  }
  // The server said yes to the rename, but the file went elsewhere (a stale open's rename).
  fs.folders.insert("C:\\w\\other");
  fs.misdirectedMoves[kClaimsA + "c.hgl"] = "C:\\w\\other\\c.hgl";
  EXPECT_EQ(a.claim("c.hgl").outcome, Outcome::Lost);
  // A file of a subfolder goes to the same subfolder of the claim folder.
  fs.folders.insert("C:\\w\\sub");
  fs.files["C:\\w\\sub\\s.hgl"] = "IN;";
  EXPECT_EQ(a.claim("sub\\s.hgl").outcome, Outcome::Claimed);
  EXPECT_TRUE(fs.fileExists(kClaimsA + "sub\\s.hgl"));
  EXPECT_EQ(a.held(), (std::vector<std::string>{"a.hgl", "b.hgl", "sub\\s.hgl"}));

  // A second station of one name is refused by the server while the first holds its lock;
  // a claim folder no rename reaches (a file holds its name) is said as such.
  Station twin(fs), blocked(fs);
  EXPECT_EQ(twin.begin(kWatch, "PC-A", {}), Station::Begin::NameInUse);
  fs.files["C:\\w\\変換中\\PC-C"] = "a file where the claim folder goes";
  int error = 0;
  EXPECT_EQ(blocked.begin(kWatch, "PC-C", {}, &error), Station::Begin::CannotRename);
  EXPECT_EQ(error, fs_error::kPathNotFound);
  EXPECT_FALSE(fs.fileExists(kWatch + "~PC-C.probe"));
}

TEST_F(StationTest, ASilentStationsFilesGoBackOnceTheServerLetsGoAndItBeginsAgain) {
  Station a(fs), b(fs);
  begin(a, "PC-A");
  begin(b, "PC-B");
  Station::Claim sealed = a.claim("a.hgl");
  ASSERT_TRUE(sealed.seal);
  ASSERT_EQ(a.claim("b.hgl").outcome, Outcome::Claimed);
  fs.folders.insert("C:\\w\\sub");
  fs.files["C:\\w\\sub\\s.hgl"] = "IN;";
  ASSERT_EQ(a.claim("sub\\s.hgl").outcome, Outcome::Claimed);
  fs.folders.erase("C:\\w\\sub");  // gone from the watch folder meanwhile: made again
  a.card().batch = {kClaimsA + "a.hgl"};
  ASSERT_NE(a.beat(), 0u);

  // Alive, or frozen with its lock held: nothing moves.
  const PutBack early = putBackClaims(fs, kWatch, "PC-A", "PC-B x", kWatch + "変換エラー", "");
  EXPECT_EQ(early.decision, Takeover::LockStillHeld);
  std::vector<StationState> seen = readStations(fs, kWatch);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].name, "PC-A");
  EXPECT_TRUE(seen[0].lockHeld);
  EXPECT_EQ(seen[0].held, 3u);

  // The server drops PC-A's session (its lock and seals go); a new b.hgl waits meanwhile.
  fs.dropOpens(kWatch);
  fs.files[kWatch + "b.hgl"] = "IN; new";
  EXPECT_FALSE(readStations(fs, kWatch)[0].lockHeld);
  const PutBack back = putBackClaims(fs, kWatch, "PC-A", "PC-B x", kWatch + "変換エラー", "PC-A から");
  EXPECT_EQ(back.decision, Takeover::Allowed);
  EXPECT_EQ(back.back, (std::vector<std::string>{kWatch + "a.hgl", kWatch + "sub\\s.hgl"}));
  EXPECT_EQ(back.toError, std::vector<std::string>{kWatch + "変換エラー\\b.hgl"});
  EXPECT_EQ(fs.files[kWatch + "b.hgl"], "IN; new");
  EXPECT_EQ(back.lines.size(), 3u);
  EXPECT_FALSE(fs.fileExists(kWatch + "変換中\\PC-A.lock"));
  EXPECT_FALSE(a.stillOurs());

  // Its next life reads what the last one left and owns its claims again.
  Station next(fs);
  begin(next, "PC-A");
  EXPECT_EQ(next.lastLife().takenOverBy, "PC-B x");
  EXPECT_EQ(next.lastLife().batch, std::vector<std::string>{kClaimsA + "a.hgl"});
  EXPECT_TRUE(next.stillOurs());
  EXPECT_EQ(next.claim("a.hgl").outcome, Outcome::Claimed);
}

// Into the error or done folder: never over a file, across volumes only once the copy is
// known to be whole, and a failure leaves the input where it was.
TEST(FileMovesTest, AMoveNeverLosesOrReplacesAFile) {
  const struct {
    const char* folder;
    const char* taken;  // a file already in the folder, or ""
    bool sealed;        // the input is held open without sharing deleting
    int error;
    const char* movedTo;
  } cases[] = {
      {"C:\\w\\err", "", false, 0, "C:\\w\\err\\p.hgl"},
      {"C:\\w\\err", "p.hgl", false, 0, "C:\\w\\err\\p (2).hgl"},
      {"D:\\done\\new", "", false, 0, "D:\\done\\new\\p.hgl"},
      {"D:\\done", "", true, fs_error::kSharingViolation, ""},
      {"C:\\w\\p.hgl", "", false, fs_error::kDirectory, ""},
  };
  for (const auto& c : cases) {
    MemoryFileSystem fs;
    fs.folders = {"C:\\w"};
    fs.files["C:\\w\\p.hgl"] = "IN;PU0,0;";
    if (*c.taken) {
      fs.makeFolders(c.folder);
      fs.files[std::string(c.folder) + "\\" + c.taken] = "other";
    }
    OpenFilePtr seal;
    if (c.sealed) seal = fs.open("C:\\w\\p.hgl", {OpenMode::kRead, OpenMode::kShareRead});
    const MoveResult moved = moveIntoFolder(fs, "C:\\w\\p.hgl", c.folder);
    EXPECT_EQ(moved.error, c.error) << c.folder;
    EXPECT_EQ(moved.movedTo, c.movedTo) << c.folder;
    if (*c.movedTo) {
      EXPECT_EQ(fs.files[c.movedTo], "IN;PU0,0;");
      EXPECT_FALSE(fs.fileExists("C:\\w\\p.hgl"));
    } else {
      EXPECT_EQ(fs.files["C:\\w\\p.hgl"], "IN;PU0,0;") << c.folder;
      EXPECT_EQ(fs.files.size(), 1u) << c.folder;  // no copy left behind
    }
    if (*c.taken) {
      EXPECT_EQ(fs.files[std::string(c.folder) + "\\" + c.taken], "other");
    }
  }
}

}  // namespace
}  // namespace marlisk
