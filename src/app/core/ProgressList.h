// The main window's progress list keeps only the newest entries in view and in memory.
#pragma once

namespace marlisk {

// Before an entry is added to a list of `count` entries: how many of the oldest to drop.
// A list of more than 100 sheds its first 50, so it never holds more than 101.
inline int progressEntriesToDrop(int count) { return count > 100 ? 50 : 0; }

// The top visible entry (and the caret) once the list holds `count`: the newest 15 and the
// one before them stay in view.
inline int progressTopIndex(int count) { return count < 16 ? 0 : count - 15; }

}  // namespace marlisk
