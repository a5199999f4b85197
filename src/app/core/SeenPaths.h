// The paths a batch list has named so far, compared as the file system compares names (ASCII
// case ignored): one hash and one probe a line, and no allocation a path, so that a list of
// 100,000 lines costs little more than its reading.
#pragma once

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace marlisk {

class SeenPaths {
 public:
  explicit SeenPaths(size_t expected = 0);

  static constexpr size_t kNone = static_cast<size_t>(-1);

  // The number remembered with a path equal to `path`, or kNone. `pathOf(n)` gives back the
  // path remembered with number n: the caller keeps the paths, this table only their hashes.
  template <typename PathOf>
  size_t find(std::string_view path, const PathOf& pathOf) const {
    const uint64_t hash = hashOf(path);
    for (size_t slot = slotOf(hash); slots_[slot].second != kNone; slot = (slot + 1) & mask_)
      if (slots_[slot].first == hash && sameName(pathOf(slots_[slot].second), path)) return slots_[slot].second;
    return kNone;
  }
  // Remembers `number` for `path` (not yet remembered).
  void add(std::string_view path, size_t number);

  static uint64_t hashOf(std::string_view path);
  static bool sameName(std::string_view a, std::string_view b);

 private:
  size_t slotOf(uint64_t hash) const { return static_cast<size_t>(hash) & mask_; }
  void grow();

  std::vector<std::pair<uint64_t, size_t>> slots_;
  size_t mask_ = 0;
  size_t used_ = 0;
};

}  // namespace marlisk
