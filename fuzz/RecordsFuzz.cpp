// The records standby keeps in the working folder (attempt counts, the origins of outputs):
// whatever bytes a damaged file holds, what is read writes back as a file that reads the same,
// and choosing an output never hands out a name this run already gave.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>

#include "app/core/InputHandling.h"
#include "app/core/OutputOrigins.h"

using namespace marlisk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string text = in.ConsumeRandomLengthString(4096);
  const AttemptCounts counts = AttemptCounts::parse(text);
  if (!(AttemptCounts::parse(counts.text()) == counts)) std::abort();
  const OutputOrigins origins = OutputOrigins::parse(text);
  if (OutputOrigins::parse(origins.text()).text() != origins.text()) std::abort();

  std::unordered_set<std::string> given;
  const std::string exists = in.ConsumeRandomLengthString(64);
  for (int i = 0; i < 4 && in.remaining_bytes() > 0; ++i) {
    const std::string wanted = "O:\\" + in.ConsumeRandomLengthString(16);
    const std::string input = "W:\\" + in.ConsumeRandomLengthString(16);
    const std::string chosen = origins.choose(
        wanted, input, [&](const std::string& path) { return exists.find(path.back()) != std::string::npos; }, given);
    if (chosen.empty()) continue;
    if (!given.insert(OutputOrigins::fold(chosen)).second) std::abort();
  }
  return 0;
}
