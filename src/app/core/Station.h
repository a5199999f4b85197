// This PC as one of several stations on a shared watch folder, and what it can see of the
// others. Everything goes through the file server: a claim is a rename that replaces nothing,
// a claimed file is held open without delete sharing (sealed) so that nobody can move it away,
// and a running station holds its lock file open so that the server itself says it is alive.
#pragma once

#include <string>
#include <vector>

#include "app/core/InputHandling.h"
#include "app/core/Stations.h"
#include "core/FileSystem.h"

namespace marlisk {

// Who a station's process is, for its card: the window's layer asks the system.
struct StationIdentity {
  std::string computer;
  std::string instance;  // new at each start
  uint32_t pid = 0;
};

// What 運転設定 and the run show of a station.
struct StationState {
  std::string name;
  StationCard card;
  size_t held = 0;        // files in its claim folder now
  bool lockHeld = false;  // the server still holds its lock open: it runs, or is frozen
};
std::vector<StationState> readStations(FileSystem& fs, const std::string& watchFolder);

// A silent station's claimed files put back into the watch folder, one at a time, each only
// when nobody holds it; a name taken there sends the file to the error folder instead.
struct PutBack {
  Takeover decision = Takeover::Allowed;
  std::vector<std::string> back;     // the paths in the watch folder they came back to
  std::vector<std::string> toError;  // the paths in the error folder
  size_t stillHeld = 0;              // files someone still holds: left where they are
  std::vector<LogEntry> lines;       // for the run log: each file, whence, whither, and `why`
};
PutBack putBackClaims(FileSystem& fs, const std::string& watchFolder, const std::string& station,
                      const std::string& rescuer, const std::string& errorFolder, const std::string& why);

// Which drawing made each output, where every station sees it: one small file per output in a
// hidden folder of the output folder, named after the output and holding the drawing's name in
// the watch folder. It is made before the viewer runs, so that two stations never give one
// output name to two drawings at once, and taken away again when no output came of it.
class OutputRecords {
 public:
  explicit OutputRecords(FileSystem& fs) : fs_(fs) {}
  // The drawing whose output `output` is, by its name in the watch folder ("" when none).
  std::string drawingOf(const std::string& output) const;
  // Takes `output` for `drawing`: true when it is that drawing's (made now, or already),
  // false when another drawing has it. A record of another drawing whose output never came,
  // a day old by the server's clock (`serverNow`, 0 when unknown), is a leftover and is taken.
  // `madeNow` says whether this call made the record (only such a one is released).
  bool reserve(const std::string& output, const std::string& drawing, uint64_t serverNow, bool& madeNow);
  // The output did not come: its name is free again.
  void release(const std::string& output, const std::string& drawing);

 private:
  FileSystem& fs_;
};

class Station {
 public:
  // CannotRename: the claim folder is there, but a file of the watch folder cannot be renamed
  // into it (a file server, or a client, that does not rename): a claim could never be made.
  enum class Begin { Ok, NameInUse, OtherVolume, CannotUse, CannotRename };
  enum class ClaimOutcome { Claimed, Lost, Leftover };

  explicit Station(FileSystem& fs) : fs_(fs) {}

  // Takes the station's lock, makes its claim folder and proves that a rename from the watch
  // folder reaches it. Reads the card its last life left before writing a new one.
  Begin begin(const std::string& watchFolder, const std::string& name, const StationIdentity& me, int* error = nullptr);
  // Says it stopped, and lets go of the lock (the files it holds stay, for its next life).
  void end();
  bool active() const { return lock_ != nullptr; }

  const std::string& name() const { return name_; }
  // The claim folder, with a trailing "\".
  const std::string& claimFolder() const { return claimFolder_; }
  const StationCard& lastLife() const { return lastLife_; }
  StationCard& card() { return card_; }

  // The card rewritten whole with its counter raised; returns the server's time as it wrote
  // the card (a file time), or 0 when the card could not be written.
  uint64_t beat();
  // Whether this life still owns its claims: the server still honours its lock, and nobody
  // put its files back meanwhile.
  bool stillOurs() const;

  // Renames `name` from the watch folder into the claim folder, replacing nothing, and seals
  // it. Claimed: it is in the claim folder, sealed, or not yet when its writer still holds it
  // open (`seal` empty). Lost: another station took it first, or the rename said yes and yet
  // the file is not in the claim folder (a rename from another station's stale open took it
  // on). Leftover: a file of this name is in the claim folder already.
  struct Claim {
    ClaimOutcome outcome = ClaimOutcome::Lost;
    OpenFilePtr seal;
  };
  Claim claim(const std::string& name);
  // The files in the claim folder now, by their path relative to it ("sub\a.plt" for a
  // file claimed from a subfolder of the watch folder).
  std::vector<std::string> held() const;

 private:
  FileSystem& fs_;
  std::string watchFolder_, name_, claimFolder_, cardPath_;
  OpenFilePtr lock_;
  StationCard card_, lastLife_;
};

}  // namespace marlisk
