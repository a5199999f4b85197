#include "app/core/SeenPaths.h"

namespace marlisk {

namespace {
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

SeenPaths::SeenPaths(size_t expected) {
  size_t size = 16;
  while (size < expected * 2) size *= 2;
  slots_.assign(size, {0, kNone});
  mask_ = size - 1;
}

uint64_t SeenPaths::hashOf(std::string_view path) {
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (const char c : path) hash = (hash ^ static_cast<unsigned char>(lower(c))) * 1099511628211ull;
  return hash ^ (hash >> 29);  // the low bits pick the slot
}

bool SeenPaths::sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

void SeenPaths::add(std::string_view path, size_t number) {
  const uint64_t hash = hashOf(path);
  size_t slot = slotOf(hash);
  while (slots_[slot].second != kNone) slot = (slot + 1) & mask_;
  slots_[slot] = {hash, number};
  if (++used_ * 2 > slots_.size()) grow();
}

void SeenPaths::grow() {
  std::vector<std::pair<uint64_t, size_t>> old = std::move(slots_);
  slots_.assign(old.size() * 2, {0, kNone});
  mask_ = slots_.size() - 1;
  for (const auto& [hash, number] : old) {
    if (number == kNone) continue;
    size_t slot = slotOf(hash);
    while (slots_[slot].second != kNone) slot = (slot + 1) & mask_;
    slots_[slot] = {hash, number};
  }
}

}  // namespace marlisk
