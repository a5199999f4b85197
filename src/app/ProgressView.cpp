#include "app/ProgressView.h"

#include <algorithm>

#include "app/core/ProgressList.h"
#include "win/Controls.h"
#include "win/Strings.h"

namespace marlisk::win {

void ProgressView::clear(bool trimmed) {
  SendMessageW(list_, LB_RESETCONTENT, 0, 0);
  pending_.clear();
  pending_.setTrimmed(trimmed);
}

// Drawn once per batch: a visible scroll per entry costs more than everything else a run does.
void ProgressView::flush() {
  if (pending_.count() == 0) return;
  const bool trim = pending_.trimmed();
  SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  const int had = static_cast<int>(SendMessageW(list_, LB_GETCOUNT, 0, 0));
  // How many entries the list ends with, had each been added and the oldest dropped on its
  // own; only those are added (a batch of 100,000 keeps its last hundred or fewer).
  int count = had;
  for (size_t i = 0; i < pending_.count(); ++i) count += 1 - (trim ? progressEntriesToDrop(count) : 0);
  const int added = static_cast<int>(pending_.count());
  const int keptOld = std::max(0, count - added);
  for (int drop = had - keptOld; drop > 0; --drop) SendMessageW(list_, LB_DELETESTRING, 0, 0);
  const size_t kept = pending_.kept();
  for (size_t i = kept - static_cast<size_t>(count - keptOld); i < kept; ++i)
    SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(pending_.entry(i)).c_str()));
  pending_.clear();
  if (trim) {
    SendMessageW(list_, LB_SETTOPINDEX, progressTopIndex(count), 0);
    SendMessageW(list_, LB_SETCARETINDEX, progressTopIndex(count), FALSE);
  }
  SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);
}

// Four times a second at most: each drawing costs more than the rest of a pump, and nobody
// reads a list that moves faster.
void ProgressView::flushNowAndThen() {
  const uint64_t now = GetTickCount64();
  if (now - shownAt_ < kShowMs) return;
  flush();
  shownAt_ = now;
}

void ProgressView::finish() {
  flush();
  fitHorizontalExtent(list_);
}

}  // namespace marlisk::win
