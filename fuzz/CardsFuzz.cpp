// The cards the stations of a shared watch folder write for each other, read back from bytes a
// damaged share, a half-written file or another version may hold: what is read writes back as
// a card that reads the same, and the claim order never names a file twice or beyond its list.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <set>

#include "app/core/Stations.h"

using namespace marlisk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string text = in.ConsumeRandomLengthString(4096);
  const StationCard card = parseCard(text);
  if (!(parseCard(cardText(card)) == card)) std::abort();

  std::vector<std::string> names;
  for (int i = 0; i < 32 && in.remaining_bytes() > 0; ++i) names.push_back(in.ConsumeRandomLengthString(8));
  const int32_t batch = in.ConsumeIntegralInRange<int32_t>(-1, 40);
  const std::vector<size_t> order = claimOrder(names, text.substr(0, 15), batch);
  if (order.size() > names.size() || static_cast<int64_t>(order.size()) > std::max(batch, 0)) std::abort();
  if (std::set<size_t>(order.begin(), order.end()).size() != order.size()) std::abort();
  for (const size_t index : order)
    if (index >= names.size()) std::abort();
  return 0;
}
