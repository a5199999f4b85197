// The standby comparison for large watch folders: ours (one pass over each listing) beside the
// plain way, which reads the second listing again from its start for every line of the first.
//   listing_compare_bench [lines]      default 100000
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/core/Standby.h"

using namespace marlisk;
using Clock = std::chrono::steady_clock;

namespace {

double since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Listings as a real watch folder gives them: the second in another order, a tenth of the
// files grown, a few gone, a few new.
void makeListings(size_t n, std::vector<ListingEntry>& first, std::vector<ListingEntry>& second) {
  first.clear();
  second.clear();
  for (size_t i = 0; i < n; ++i) first.push_back({"図面" + std::to_string(i) + ".hgl", 1000 + i % 5000, 0});
  for (size_t k = 0; k < n; ++k) {
    const size_t i = (k * 7919) % n;  // a permutation: n is not a multiple of 7919
    if (i % 97 == 0) continue;        // gone
    ListingEntry entry = first[i];
    if (i % 10 == 3) entry.size += 512;  // still growing
    second.push_back(entry);
  }
  for (size_t i = 0; i < n / 100; ++i) second.push_back({"new" + std::to_string(i) + ".hgl", 1, 0});
}

// The re-reading comparison, on the listing lines as the files hold them.
size_t rereadingCompare(const std::vector<std::string>& first, const std::vector<std::string>& second) {
  size_t ready = 0;
  for (const std::string& line : first) {
    for (const std::string& later : second) {  // "read FList2.txt from its start"
      if (later.compare(10, std::string::npos, line, 10, std::string::npos) == 0) {
        if (later.compare(0, 10, line, 0, 10) == 0) {
          ++ready;
          break;
        }
      }
    }
  }
  return ready;
}

std::vector<std::string> lines(const std::vector<ListingEntry>& entries) {
  std::vector<std::string> out;
  for (const auto& e : entries) out.push_back(listingLine(e.size, e.name));
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const size_t n = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
  std::vector<ListingEntry> first, second;
  makeListings(n, first, second);
  auto start = Clock::now();
  const size_t ours = readyFiles(first, second).size();
  std::printf("%zu lines: ours %.3f s (%zu ready; target under 0.5 s)\n", n, since(start), ours);

  // The re-reading comparison grows with the square of the folder: timed on smaller folders.
  for (size_t m : {size_t{5000}, size_t{10000}, size_t{20000}}) {
    makeListings(m, first, second);
    const auto a = lines(first), b = lines(second);
    start = Clock::now();
    const size_t theirs = rereadingCompare(a, b);
    const double t = since(start);
    const size_t check = readyFiles(first, second).size();
    std::printf("%zu lines: re-reading %.3f s (%zu ready, ours finds %zu) -> %zu lines would take about %.0f s\n", m, t,
                theirs, check, n, t * (double(n) / double(m)) * (double(n) / double(m)));
  }
  return 0;
}
