// The run log: a file a day under the working folder, "Log\yyyy-mm-dd.txt", UTF-8 with a BOM,
// a tab-separated line for every input handled and every message shown or kept from a box.
// A log that cannot be written never stops a run; that is said once.
#pragma once

#include <string>

#include "app/core/InputHandling.h"
#include "core/FileSystem.h"
#include "core/WarningSink.h"
#include "settings/core/RunSettings.h"

namespace marlisk::win {

class RunLog {
 public:
  // `workFolder` (without a trailing "\") and `settings` are read at each line: both may
  // change while the program runs.
  RunLog(FileSystem& fs, const std::string& workFolder, const RunSettings& settings, WarningSink warn)
      : fs_(fs), workFolder_(workFolder), settings_(settings), warn_(std::move(warn)) {}

  // The entry's time is filled in when it has none.
  void write(LogEntry entry);
  void message(bool standby, const std::string& text);
  // Removes the day logs older than the kept days; once a day is enough, later calls the same
  // day do nothing.
  void prune();
  std::string todayPath() const;

  // While one is alive, lines are kept and written together when the last one ends: a run of
  // 20,000 inputs opens the day's file once, not 20,000 times.
  class Batch {
   public:
    explicit Batch(RunLog& log) : log_(log) { ++log_.holding_; }
    ~Batch() {
      if (--log_.holding_ == 0) log_.flush();
    }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

   private:
    RunLog& log_;
  };

  // "yyyy-mm-dd hh:mm:ss" and "yyyy-mm-dd" of the local time now.
  static std::string now();
  static std::string today();

 private:
  void append(const std::string& line);
  void flush();

  FileSystem& fs_;
  const std::string& workFolder_;
  const RunSettings& settings_;
  WarningSink warn_;
  bool failureSaid_ = false;
  std::string prunedOn_;
  int holding_ = 0;
  std::string held_;
};

}  // namespace marlisk::win
