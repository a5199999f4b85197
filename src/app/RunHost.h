// What a run (batch or standby output) asks of the window that shows it. The main window is
// one; the tests' recording host is another, so a run's decisions can be followed without a
// window. What a run needs to know of the window (the tab in front, the run settings) it is
// given as it starts, on the window's thread: nothing here answers a question about the
// window from another thread.
#pragma once

#include <functional>
#include <string>

#include "app/core/OutputTypes.h"
#include "app/core/ProgressList.h"

namespace marlisk::win {

class RunHost {
 public:
  virtual ~RunHost() = default;

  // "終了" was pressed: a run finishes what it has started, and starts nothing new.
  virtual bool stopRequested() const = 0;

  virtual void setStatus(const std::string& text) = 0;
  virtual void setBusy(bool busy) = 0;
  virtual void setRunControlsEnabled(bool enabled) = 0;

  // The progress list: emptied; then entries, shown in batches. A batch run keeps only the
  // newest entries (`trimmed`); a listing shows the whole folder.
  virtual void clearProgress(bool trimmed) = 0;
  virtual void addProgress(const std::string& path) = 0;
  // Entries gathered elsewhere (on the run's thread), the ones a trimmed list drops only counted.
  virtual void addProgress(const ProgressBatch& batch) {
    for (size_t i = 0; i < batch.kept(); ++i) addProgress(batch.entry(i));
  }
  // The list catches up, and sideways scrolling reaches its widest entry.
  virtual void finishProgress() = 0;
  // Called now and then during a long loop: the progress so far may be shown.
  virtual void keepAlive() = 0;
  // A message for the user; the list shows how far the run has come first.
  virtual void warn(const std::string& text) = 0;
  // A question for the user (true for はい); unattended, nobody answers and it is only said.
  virtual bool ask(const std::string& text) {
    warn(text);
    return true;
  }
  // An input standby kept for another attempt, or moved to the error folder (a line of the
  // log says which): worth a word where the user looks while nobody is at the window.
  virtual void inputNotConverted(const std::string& /*text*/) {}
  // How many files standby hands to the viewer in this cycle (0 when it is done with them).
  virtual void convertingFiles(size_t /*count*/) {}

  // A slow step of the run (a listing, a viewer run): the window's host runs it off the
  // window's thread and says when it is over; here it runs at once.
  virtual void runStep(const std::function<void()>& step) { step(); }

  // Timer1, which paces standby output.
  virtual void startTimer() = 0;
  virtual void stopTimer() = 0;
};

}  // namespace marlisk::win
