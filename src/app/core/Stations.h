// Several stations (PCs) on one shared watch folder: the rules they share. The file server is
// their only coordinator: a file is claimed by renaming it into the station's own folder
// under "<watch folder>\変換中\", each station keeps a card there that others read, and no
// clocks are compared between PCs.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "settings/core/RunSettings.h"

namespace marlisk {

inline constexpr char kClaimRootName[] = "変換中";
// In the output folder, hidden: which drawing made each output, for every station to see.
inline constexpr char kOutputRecordFolderName[] = "変換元";

// The ready names this station tries to claim in a cycle, as indices into `names`, in order:
// at most `batch`, from a place in the sorted names that depends on the station, so that the
// stations do not all race for the same files first.
std::vector<size_t> claimOrder(const std::vector<std::string>& names, std::string_view station, int32_t batch);

// What a running station says of itself to the others, rewritten whole at each cycle:
// "key=value" lines, UTF-8.
struct StationCard {
  std::string computer;
  std::string instance;  // new at each start: two lives of one station are told apart
  std::string version;
  uint32_t pid = 0;
  uint64_t counter = 0;  // raised at each cycle: a station whose counter stands still is silent
  std::string state;     // 待機中, 変換中, 停止中
  uint32_t convertedToday = 0;
  std::vector<std::string> batch;    // the claimed paths the viewer has now
  std::vector<std::string> checked;  // of those, the ones whose output was checked: checkedEntry()
  std::string takenOverBy;           // set by the station that put this one's claims back

  bool operator==(const StationCard&) const = default;
};
std::string cardText(const StationCard& card);
// Read as far as it is sound: a line that cannot be read is passed over, an unknown key is
// left for a newer version.
StationCard parseCard(std::string_view text);

// Where a station keeps its claims, its lock and its card: all inside the watch folder (which
// ends in "\\"), so that a claim is a rename on one share and one volume.
std::string claimRootOf(const std::string& watchFolder);
std::string claimFolderOf(const std::string& watchFolder, const std::string& station);
std::string lockFileOf(const std::string& watchFolder, const std::string& station);
std::string cardFileOf(const std::string& watchFolder, const std::string& station);

// A card's word that the output of a claimed file was made and checked: "claim path<TAB>output".
std::string checkedEntry(const std::string& claimedPath, const std::string& output);

// A file left in this station's claim folder by its last life (which may have ended at any
// step): finished without the viewer when its output was checked before the end and is still
// there; otherwise converted again, said as "再開" and counted as an attempt (the file may
// be what ended that life). `output` is the output that was checked, if any.
enum class Recovery { FinishWithoutConverting, ConvertAgain };
Recovery recoveryOf(const StationCard& lastCard, const std::string& claimedPath,
                    const std::function<bool(const std::string& output)>& outputStillThere,
                    std::string* output = nullptr);

// How long each other station's counter has stood still, on this station's own clock
// (milliseconds, monotonic): another PC's clock may be anything.
class Liveness {
 public:
  void observe(const std::string& station, uint64_t counter, uint64_t nowMs);
  // 0 for a station never seen, or whose counter moved at the last look.
  uint64_t silentMs(const std::string& station, uint64_t nowMs) const;

 private:
  struct Seen {
    uint64_t counter = 0;
    uint64_t changedAtMs = 0;
  };
  std::map<std::string, Seen> seen_;
};

// Whether a silent station's claimed files may be put back into the watch folder now: only
// when its counter has stood still for `takeOverMinutes` (0: never on its own; `byHand` for
// the operator's button, which needs no wait) and the file server no longer holds its lock.
enum class Takeover { Never, NotSilentLongEnough, LockStillHeld, Allowed };
Takeover takeoverDecision(uint64_t silentMs, int32_t takeOverMinutes, bool lockReleased, bool byHand = false);

}  // namespace marlisk
