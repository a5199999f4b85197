// The main window's progress list keeps only the newest entries in view and in memory.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace marlisk {

// Before an entry is added to a list of `count` entries: how many of the oldest to drop.
// A list of more than 100 sheds its first 50, so it never holds more than 101.
inline int progressEntriesToDrop(int count) { return count > 100 ? 50 : 0; }

// The top visible entry (and the caret) once the list holds `count`: the newest 15 and the
// one before them stay in view.
inline int progressTopIndex(int count) { return count < 16 ? 0 : count - 15; }

// Entries on their way to the list. A trimmed list (a batch run's) never shows more than 101,
// so only the newest kMostKept are kept, in a ring, and the rest only counted; a listing keeps
// them all. The strings stay from one batch to the next, so that a run of 100,000 files
// reuses their buffers instead of allocating one an entry.
class ProgressBatch {
 public:
  static constexpr size_t kMostKept = 128;

  bool trimmed() const { return trimmed_; }
  void setTrimmed(bool trimmed) { trimmed_ = trimmed; }
  void add(std::string_view path) {
    const size_t at = trimmed_ && count_ >= kMostKept ? count_ % kMostKept : count_;
    if (at >= slots_.size()) slots_.resize(at + 1);
    slots_[at].assign(path);
    ++count_;
  }
  // Another batch's entries after these: its dropped ones only counted.
  void append(const ProgressBatch& other) {
    count_ += other.count() - other.kept();
    for (size_t i = 0; i < other.kept(); ++i) add(other.entry(i));
  }
  // Every entry added since the last clear, and how many of them are kept.
  size_t count() const { return count_; }
  size_t kept() const { return trimmed_ && count_ > kMostKept ? kMostKept : count_; }
  // The kept entries, oldest first.
  const std::string& entry(size_t i) const { return slots_[count_ > kept() ? (count_ + i) % kMostKept : i]; }
  // Empty again; a backlog's strings (the window was held by a box) are not kept for ever.
  void clear() {
    count_ = 0;
    if (slots_.size() > kSlotsKept) slots_.resize(kSlotsKept);
  }

 private:
  static constexpr size_t kSlotsKept = 4096;
  std::vector<std::string> slots_;
  size_t count_ = 0;
  bool trimmed_ = false;
};

}  // namespace marlisk
