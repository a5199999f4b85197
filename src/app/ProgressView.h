// The main window's progress list during a run: entries wait here and reach the list box in
// batches, drawn four times a second at most, the list ending as if each had been added and
// scrolled to on its own. A batch run keeps only the newest entries; a listing shows the whole
// folder.
#pragma once

#include <windows.h>

#include "app/core/ProgressList.h"

#include <cstdint>
#include <string>
#include <vector>

namespace marlisk::win {

class ProgressView {
 public:
  // The list box it fills; given once it exists.
  void attach(HWND list) { list_ = list; }
  ProgressView() { pending_.setTrimmed(true); }

  void clear(bool trimmed);
  void add(const std::string& path) { pending_.add(path); }
  void add(const ProgressBatch& batch) { pending_.append(batch); }
  // The waiting entries reach the list now.
  void flush();
  // As flush, but only when the list was last drawn a while ago.
  void flushNowAndThen();
  // Flushed, and sideways scrolling reaches the widest entry.
  void finish();

 private:
  static constexpr uint64_t kShowMs = 250;

  HWND list_ = nullptr;
  ProgressBatch pending_;  // the entries since the list was last drawn
  uint64_t shownAt_ = 0;   // GetTickCount64 of the list's last drawing
};

}  // namespace marlisk::win
