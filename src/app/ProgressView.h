// The main window's progress list during a run: entries wait here and reach the list box in
// batches, drawn four times a second at most, the list ending as if each had been added and
// scrolled to on its own. A batch run keeps only the newest entries; a listing shows the whole
// folder.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace marlisk::win {

class ProgressView {
 public:
  // The list box it fills; given once it exists.
  void attach(HWND list) { list_ = list; }

  void clear(bool trimmed);
  void add(const std::string& path);
  // Entries of a trimmed list that the newest ones push out anyway: only counted.
  void addDropped(size_t count) { pendingCount_ += count; }
  // However many are added, a trimmed list keeps no more than this many of them.
  static constexpr size_t kMostPendingKept = 128;
  // The waiting entries reach the list now.
  void flush();
  // As flush, but only when the list was last drawn a while ago.
  void flushNowAndThen();
  // Flushed, and sideways scrolling reaches the widest entry.
  void finish();

 private:
  static constexpr uint64_t kShowMs = 250;

  HWND list_ = nullptr;
  // The entries since the list was last drawn: how many, and the last of them (all of them
  // for a list that is not trimmed).
  size_t pendingCount_ = 0;
  std::vector<std::string> pending_;
  size_t next_ = 0;       // a trimmed list's entries go round in kMostPendingKept slots
  bool trim_ = true;      // a batch run trims the list; a listing shows the whole folder
  uint64_t shownAt_ = 0;  // GetTickCount64 of the list's last drawing
};

}  // namespace marlisk::win
