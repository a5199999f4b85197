// The standby comparison against the plain definition: every file of the first listing
// that the second lists under the same name with the same size, in the first's order.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <set>

#include "app/core/Standby.h"

using namespace marlisk;

namespace {

std::vector<ListingEntry> listing(FuzzedDataProvider& in) {
  std::vector<ListingEntry> entries;
  std::set<std::string> names;  // a folder lists each name once
  const size_t count = in.ConsumeIntegralInRange<size_t>(0, 64);
  for (size_t i = 0; i < count && in.remaining_bytes() > 0; ++i) {
    ListingEntry entry;
    entry.name = in.ConsumeRandomLengthString(6);
    entry.size = in.ConsumeIntegralInRange<uint64_t>(0, 3) == 0 ? in.ConsumeIntegral<uint64_t>()
                                                                : in.ConsumeIntegralInRange<uint64_t>(0, 4);
    if (names.insert(entry.name).second) entries.push_back(entry);
  }
  return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const std::vector<ListingEntry> first = listing(in), second = listing(in);
  std::vector<ReadyFile> expected;
  for (size_t i = 0; i < first.size(); ++i)
    for (size_t j = 0; j < second.size(); ++j)
      if (first[i].name == second[j].name && first[i].size == second[j].size) expected.push_back({i, j});
  if (readyFiles(first, second) != expected) std::abort();

  for (const ListingEntry& entry : first) {
    const std::string line = listingLine(entry.size, entry.name);
    if (line.size() != 10 + entry.name.size() || line.compare(10, std::string::npos, entry.name) != 0) std::abort();
    const std::string field = line.substr(0, 10);
    const std::string digits = std::to_string(entry.size);
    const std::string shown = digits.size() > 10 ? std::string(10, '9') : std::string(10 - digits.size(), ' ') + digits;
    if (field != shown) std::abort();
  }
  return 0;
}
