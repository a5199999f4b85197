// What becomes of an input once the viewer has had it, when nobody is there to look: its output
// is checked before the input goes, an input that keeps failing is moved aside after its
// attempts, and every input handled leaves a line in the day's run log.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "settings/core/RunSettings.h"

namespace marlisk {

// How the viewer run that had the input ended.
// EndedByUser: "終了" was pressed while it ran, and the user had it ended.
enum class ViewerEnd { NotStarted, Ended, Crashed, TimedOut, EndedByUser };

// What was found at the output path the input's command line named. Times are FILETIME
// values (100 ns units).
struct OutputFacts {
  bool exists = false;
  uint64_t size = 0;
  uint64_t lastWrite = 0;
};

// FAT keeps write times to 2 seconds: an output written just after the run began may show a
// time up to that much before it.
inline constexpr uint64_t kFileTimeResolution = 2ull * 10'000'000ull;

// An output counts when it is there, holds something, and was written during this run: newer
// than the run's start (less the file system's resolution), and not the very file that was
// there before the run (`before`), which the resolution alone could let pass.
bool outputMade(const OutputFacts& output, uint64_t runStart, const OutputFacts& before = {});

// What is done with one input.
enum class InputAction { Finish, Keep, MoveToError };

struct InputDecision {
  InputAction action = InputAction::Keep;
  bool countsAttempt = false;  // the input had its chance and failed
};

// The decision for one input handed to a viewer run. `attemptsBefore` are the failed attempts
// of earlier runs. Without the output check, an input goes once the viewer ended by itself (as
// standby always did); a viewer that could not start is nobody's attempt.
InputDecision decideInput(const RunSettings& settings, ViewerEnd viewer, bool outputIsMade, int32_t attemptsBefore);

// Each line "<left>\t<right>" of a record of the working folder (CR LF or LF ended), with
// both sides non-empty; other lines are passed over.
// Each line of a record (CR LF or LF ended), without its end.
void forEachLine(std::string_view text, const std::function<void(std::string_view)>& take);
void forEachPair(std::string_view text, const std::function<void(std::string_view, std::string_view)>& take);

// The failed attempts of the inputs still waiting, kept across restarts in the working folder.
class AttemptCounts {
 public:
  int32_t of(const std::string& input) const;
  void add(const std::string& input) { ++counts_[input]; }
  void forget(const std::string& input) { counts_.erase(input); }
  // Forgets the inputs that are no longer there.
  void keepOnly(const std::function<bool(const std::string&)>& stillThere);
  bool empty() const { return counts_.empty(); }
  friend bool operator==(const AttemptCounts&, const AttemptCounts&) = default;

  // One line an input: the count, a tab, the path (UTF-8).
  std::string text() const;
  // What cannot be read is left out: a lost count only gives an input more attempts.
  static AttemptCounts parse(std::string_view text);

 private:
  std::map<std::string, int32_t> counts_;
};

inline constexpr char kAttemptsFileName[] = "StandbyAttempts.txt";

// The name's stem and its extension (from its last dot on) as the viewer's outputs count
// them: only a dot inside the name, not one that starts it.
std::pair<std::string_view, std::string_view> stemAndExtension(std::string_view fileName);

// A name for `fileName` that `taken` does not know: the name itself, else " (2)", " (3)" ...
// before its extension. Empty when even the last of them is taken.
std::string freeName(const std::string& fileName, const std::function<bool(const std::string&)>& taken);

// Unattended, a message goes to the log and a balloon instead of a box: the same text at most
// once an hour, or a failure met at every cycle would fill both.
class RepeatLimiter {
 public:
  static constexpr uint64_t kQuietMs = 60ull * 60 * 1000;
  // Whether `text` may be said at `nowMs` (a steady clock); saying it starts its quiet hour.
  bool allow(const std::string& text, uint64_t nowMs);

 private:
  std::map<std::string, uint64_t> saidAt_;
};

// One line of the run log, and what it says of the input.
enum class LogResult {
  Converted,  // batch output, which leaves its inputs
  ConvertedDeleted,
  MovedToDone,
  MovedToRecycleBin,
  KeptNoOutput,
  MovedToError,
  KeptViewerNotStarted,
  KeptTimeLimit,
  KeptEndedByUser,
  KeptViewerCrashed,
  KeptChanged,     // written again while the viewer ran: what it holds now is not converted
  KeptCannotMove,  // deleting or moving it failed
  Missing,
  Skipped,
  Claimed,       // a shared watch folder's file, taken into this station's claim folder
  PutBack,       // a claimed file back in the watch folder, for any station to take
  NotConverted,  // batch output that made nothing: the input stays, as batch output leaves it
  SentBack,      // from the error folder back into the watch folder, its attempts begun anew
};
const char* logResultText(LogResult result);
// Converted, and done with (batch output leaves its inputs where they are).
bool isConverted(LogResult result);
// Still in the watch folder, waiting for another try: what a cycle may say again and again.
bool isHeld(LogResult result);
// Why an input stays after a viewer run that did not make its output.
LogResult keptResult(ViewerEnd viewer);
// Why a batch line got no output, for its log line.
const char* notConvertedReason(ViewerEnd viewer);
// The log's word on a path a batch list names again: it is converted once.
inline constexpr const char* kRepeatedInputDetail = "同じファイルが複数行にあります";

struct LogEntry {
  std::string time;  // "yyyy-mm-dd hh:mm:ss"
  bool standby = true;
  std::string input, output;
  uint64_t size = 0;
  LogResult result = LogResult::ConvertedDeleted;
  int64_t exitCode = -1;  // -1: no viewer ran
  double viewerSeconds = 0;
  std::string detail;  // why, after the result, in brackets
};
// Adds to what the brackets after the result say.
void addDetail(LogEntry& entry, const std::string& more);
// Tab-separated, CR LF ended; control characters inside names become blanks, and bytes that
// are not UTF-8 (from a file that is not text) become U+FFFD, so a line is always text.
std::string logLine(const LogEntry& entry);
// A line for a message shown or kept from a box.
std::string logMessageLine(const std::string& time, bool standby, const std::string& message);
// "Log\yyyy-mm-dd.txt" of a date given as "yyyy-mm-dd".
std::string logFileName(const std::string& date);
// Whether `fileName` (no folder) is a day's log older than `days` days before `today`
// (both "yyyy-mm-dd"); other files of the folder are never touched.
bool isExpiredLog(const std::string& fileName, const std::string& today, int32_t days);

}  // namespace marlisk
